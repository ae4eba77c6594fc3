#include "forms/unit2.h"

#include <numeric>

#include "cleanup/megabytes.h"
#include "cleanup/messages.h"
#include "cleanup/row_folders.h"
#include "cleanup/share_path.h"
#include "core/host_name.h"
#include "imageset/default_images.h"

namespace kestrane {

const std::array<CleanupRow, kCleanupRows> kCleanupRowTable{{
    {"C:\\windows\\temp", "\\c$\\windows\\temp\\"},
    {"C:\\temp", "\\c$\\temp\\"},
    {"C:\\Windows\\SoftwareDistribution\\Download", "\\c$\\Windows\\SoftwareDistribution\\Download\\"},
    {"C:\\inetpub\\logs", "\\c$\\inetpub\\logs\\"},
    {"C:\\Users\\%UserName%\\AppData\\Local\\Temp", "\\c$\\users\\"},
    {"C:\\ProgramData\\Microsoft\\Windows\\WER", "\\c$\\ProgramData\\Microsoft\\Windows\\WER\\"},
}};

TForm2::TForm2(Form2Services services)
    : TForm("Form2", kForm2Caption, 525, 258, FormBorder::Dialog), services_(std::move(services)) {
  pictures_.push_back(RedCrossGlyph());
  // Tab order: the count button, BitBtn1, then the row buttons.
  SetControls({&Button1, &BitBtn1, &SpeedButton1, &SpeedButton2, &SpeedButton3, &SpeedButton4, &SpeedButton5,
               &SpeedButton6, &Label1, &Label2, &Label3, &Label4, &Label5, &Label12, &Label6, &Label7, &Label8,
               &Label9, &Label10, &Label13, &Label11, &Label14});
  auto guarded = [this](std::function<void()> handler) { return [this, handler] { Guard(handler); }; };
  OnShow = guarded([this] { FormShow(); });
  Button1.OnClick = guarded([this] { Button1Click(); });
  for (int row = 0; row < kCleanupRows; ++row) {
    if (row == kProfileRow) continue;
    rowButtons_[row]->OnClick = guarded([this, row] { SpeedButtonClick(row); });
  }
  SpeedButton5.OnClick = guarded([this] { SpeedButton5Click(); });
  // BitBtn1 "Удалить всё" has no action.
}

TForm2::~TForm2() {
  if (count_) count_->End();  // nothing of a count still running reaches a dialog that is gone
}

void TForm2::Guard(const std::function<void()>& handler) { RunGuarded(*services_.dialogs, handler); }

void TForm2::FormShow() {
  // A count still running belongs to the dialog as it was: it can no longer change the figures.
  if (count_) count_->End();
  count_.reset();
  Button1.SetEnabled(true);
  for (int row = 0; row < kCleanupRows; ++row) {
    captions_[row]->SetText(kCleanupRowTable[row].caption);
    sizeLabels_[row]->SetText(kNotEstimated);
  }
  Label11.SetText(kNotEstimated);
  Label14.SetVisible(false);
  for (TButton* button : rowButtons_) button->SetEnabled(false);
  BitBtn1.SetEnabled(false);
}

void TForm2::Button1Click() {
  sizes_.fill(0);
  total_ = 0;
  server_ = services_.currentServer ? services_.currentServer() : std::string();
  // Only a host name reaches a share path: "\\srv /x" or "\\\c$" would name another place.
  std::optional<HostKind> kind = ClassifyHost(server_);
  if (!kind) {
    services_.dialogs->Error(NotAHostMessage(server_));
    return;
  }
  const std::string host = UncHost(server_, *kind);
  for (int row = 0; row < kCleanupRows; ++row) paths_[row] = "\\\\" + host + kCleanupRowTable[row].suffix;
  Label14.SetVisible(true);
  Button1.SetEnabled(false);

  auto token = std::make_shared<WorkToken>();
  count_ = token;
  // The worker counts into its own figures; only their end reaches the dialog, and only while its
  // token is current.
  counts_.Start([this, token, paths = paths_, folders = services_.folders, dispatcher = services_.dispatcher] {
    try {
      std::array<std::int64_t, kCleanupRows> bytes{};
      for (int row = 0; row < kCleanupRows; ++row) {
        if (row != kProfileRow) bytes[row] = MeasureShareFolder(*folders, paths[row]);
      }
      bytes[kProfileRow] = MeasureProfileTemps(*folders, paths[kProfileRow]);
      dispatcher->Post([this, token, bytes] {
        if (token->Current()) Counted(bytes);
      });
    } catch (...) {
      // An error ends the count silently: the waiting label stays, the buttons stay disabled.
    }
  });
}

void TForm2::Counted(const std::array<std::int64_t, kCleanupRows>& bytes) {
  try {
    total_ = ToMegabytes(std::accumulate(bytes.begin(), bytes.end(), std::int64_t{0}));
    for (int row = 0; row < kCleanupRows; ++row) captions_[row]->SetText(paths_[row]);
    Label5.SetText(WithBackslash(paths_[kProfileRow]) + "%users%\\" + kProfileTemp);
    for (int row = 0; row < kCleanupRows; ++row) sizes_[row] = ToMegabytes(bytes[row]);
    for (int row = 0; row < kCleanupRows; ++row) sizeLabels_[row]->SetText(MegabyteFigure(sizes_[row]));
    Label11.SetText(MegabyteFigure(total_));
    Button1.SetEnabled(false);  // until the dialog is shown again
    BitBtn1.SetEnabled(true);
    for (TButton* button : rowButtons_) button->SetEnabled(true);
    Label14.SetVisible(false);
  } catch (...) {
    // As an error of the count: silent, what is not yet set keeps its text.
  }
}

void TForm2::ShowRow(int row) {
  sizeLabels_[row]->SetText(MegabyteFigure(sizes_[row]));
  total_ = std::accumulate(sizes_.begin(), sizes_.end(), std::int64_t{0});
  Label11.SetText(MegabyteFigure(total_));
}

void TForm2::Remeasure(int row) {
  const std::int64_t bytes = row == kProfileRow ? MeasureProfileTemps(*services_.folders, paths_[row])
                                                : MeasureShareFolder(*services_.folders, paths_[row]);
  sizes_[row] = ToMegabytes(bytes);
  ShowRow(row);
}

void TForm2::RemeasureAfterStop(int row) {
  try {
    Remeasure(row);
  } catch (...) {
    // the figure keeps its text
  }
}

void TForm2::SpeedButtonClick(int row) {
  std::string notice;
  try {
    // Checked on what the folder holds now, not on what the count saw.
    notice = EmptyShareFolder(*services_.folders, paths_[row]);
    Remeasure(row);
  } catch (const CleanupRefused& refused) {
    // The guard's text, then why.
    if (refused.DeletedSome()) RemeasureAfterStop(row);
    services_.dialogs->Information(std::string(refused.DeletedSome() ? kDeleteStopped : kDeleteFailed) + "\r\n" +
                                   refused.Reason());
    return;
  } catch (...) {
    services_.dialogs->Information(kDeleteFailed);
    return;
  }
  if (!notice.empty()) services_.dialogs->Information(notice);
}

void TForm2::SpeedButton5Click() {
  // No guard of its own: an error goes to the general error box.
  std::string notice;
  try {
    notice = EmptyProfileTemps(*services_.folders, paths_[kProfileRow]);
  } catch (const CleanupRefused& refused) {
    if (refused.DeletedSome()) RemeasureAfterStop(kProfileRow);  // the box says why it stopped
    throw;
  }
  Remeasure(kProfileRow);
  if (!notice.empty()) services_.dialogs->Information(notice);
}

}  // namespace kestrane
