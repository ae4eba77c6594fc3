#include "forms/unit1.h"

#include <algorithm>

#include "core/number_text.h"
#include "core/server_table.h"
#include "core/size_text.h"
#include "imageset/default_images.h"

namespace kestrane {

std::string CodePointSlice(const std::string& text, std::size_t first, std::size_t count) {
  std::size_t i = 0, seen = 0;
  auto next = [&] {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  };
  while (i < text.size() && seen < first) {
    next();
    ++seen;
  }
  std::size_t start = i;
  for (std::size_t taken = 0; i < text.size() && taken < count; ++taken) next();
  return text.substr(start, i - start);
}

TForm1::TForm1(FormServices services) : services_(std::move(services)) {
  for (TControl* c : std::initializer_list<TControl*>{&Label4, &Button1, &Button2, &BtnTray, &Label5, &Edit2, &Label2, &Edit1, &ComboBox1,
                      &BtnStart, &Memo2, &Label1}) {
    c->SetParent(&Panel2);
  }
  Panel4.SetParent(&Panel1);
  Panel5.SetParent(&Panel1);
  StringGrid1.SetParent(&Panel4);
  ProgressBar1.SetParent(&Panel4);
  for (TControl* c : std::initializer_list<TControl*>{&BtnStop, &BtnExcel, &Button4}) c->SetParent(&Panel5);
  Button4.SetVisible(false);
  StringGrid1.PopupMenu = &PopupMenu1;
  Label5.SetHint(
      "Интервал времени между опросом серверов из списка для получения информации о свободном месте на дисках.");
  Label2.SetHint("Диски со свободным местом меньше заданного будут выделены красным цветом.");
  // Creation order is the tab order of the left column.
  controls_ = {&Panel2, &Label4, &Memo2, &Button1, &Button2, &Edit1, &ComboBox1, &Edit2, &BtnStart, &BtnTray,
               &Label5, &Label2, &Label1, &Panel1, &Panel4, &StringGrid1, &ProgressBar1, &Panel5, &BtnStop,
               &BtnExcel, &Button4};
  for (TControl* c : controls_) c->SetFocusTracker(&focused_);

  runner_ = std::make_unique<CheckRunner>(services_.dispatcher, *this, services_.queries);
  Wire();
  Guard([this] { FormCreate(); });
}

TForm1::~TForm1() { EndRun(); }

void TForm1::EndRun() {
  if (runner_) runner_.reset();
}

void TForm1::Guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    services_.dialogs->Error(ErrorBoxText(e.what()));
  } catch (...) {
    services_.dialogs->Error("Unknown error.");
  }
}

void TForm1::Wire() {
  auto guarded = [this](void (TForm1::*handler)()) { return [this, handler] { Guard([&] { (this->*handler)(); }); }; };
  BtnStart.OnClick = guarded(&TForm1::BtnStartClick);
  BtnStop.OnClick = guarded(&TForm1::BtnStopClick);
  Button4.OnClick = guarded(&TForm1::Button4Click);
  Edit1.OnChange = guarded(&TForm1::Edit1Change);
  Edit2.OnChange = guarded(&TForm1::Edit2Change);
  ComboBox1.OnChange = guarded(&TForm1::ComboBox1Change);
  Timer1.OnTimer = guarded(&TForm1::Timer1Timer);
  Memo2.OnKeyDown = [this](const KeyEvent& key) { Guard([&] { Memo2KeyDown(key); }); };
  StringGrid1.OnDrawCell = [this](int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas) {
    StringGrid1DrawCell(col, row, rect, state, canvas);
  };
}

void TForm1::FormCreate() {
  // The window's own copy stands in until the file is read, and stays when it cannot be.
  images_ = DefaultImageSet();
  decoded_ = DecodeImages(images_);
  {
    // Steps after the read still run when it fails: timer and columns do not depend on it.
    struct After {
      TForm1& f;
      ~After() {
        f.Guard([&] { f.Timer1.SetInterval(RefreshIntervalMs(ParseInteger(f.Edit2.Text()))); });
        f.StringGrid1.SetColWidth(0, 25);
        f.StringGrid1.SetColWidth(1, -1);
        f.StringGrid1.SetColWidth(2, -1);
      }
    } after{*this};
    ImageSet loaded = LoadImageSet(services_.imageSetPath);
    std::vector<RgbaImage> decoded = DecodeImages(loaded);
    images_ = std::move(loaded);
    decoded_ = std::move(decoded);
    imageSetLoaded_ = true;
    PopupMenu2.SetImages(true);
    PopupMenu1.SetImages(true);
    CoolTrayIcon1.SetIconList(static_cast<int>(images_.Items.size()));
  }
}

void TForm1::Resize(int clientWidth, int clientHeight) {
  const int left = Panel2.Bounds().width;
  const int right = std::max(0, clientWidth - left);
  const int strip = Panel5.Bounds().height;
  const int bar = ProgressBar1.Bounds().height;
  const int table = std::max(0, clientHeight - strip);
  Panel2.SetBounds({0, 0, left, clientHeight});
  Panel1.SetBounds({left, 0, right, clientHeight});
  Panel4.SetBounds({0, 0, right, table});
  StringGrid1.SetBounds({0, 0, right, std::max(0, table - bar)});
  ProgressBar1.SetBounds({0, std::max(0, table - bar), right, bar});
  Panel5.SetBounds({0, table, right, strip});
}

void TForm1::FormShow() {
  height_ = kFormHeight;
  caption_ = kFormCaption;
  Memo2.SetFocus();
}

bool TForm1::FormCloseQuery() { return services_.dialogs->Confirm(kExitQuestion); }

void TForm1::Memo2KeyDown(const KeyEvent& key) {
  if (key.key == 65 && key.ctrl) Memo2.SelectAll();
}

void TForm1::Edit1Change() {
  std::int32_t value;
  if (TryParseInteger(Edit1.Text(), value)) StringGrid1.Invalidate();
}

void TForm1::ComboBox1Change() { StringGrid1.Invalidate(); }

void TForm1::Edit2Change() { ApplyIntervalText(Edit2.Text(), Timer1); }

void TForm1::BtnStartClick() { runner_->Start(); }

void TForm1::BtnStopClick() { runner_->Stop(); }

void TForm1::Timer1Timer() { runner_->TimerTick(); }

void TForm1::Button4Click() { SaveImageSet(kImageSetFileName, images_); }

void TForm1::StringGrid1DrawCell(int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas) {
  canvas.brush = row == StringGrid1.Row() && !state.fixed ? kCurrentRowColour : kWindowColour;
  canvas.FillRect(rect);
  const std::string& text = StringGrid1.Cell(col, row);
  canvas.font = kTextColour;
  if (!text.empty() && col != kNameColumn) {
    // A text without a size, or a threshold that is not a number, draws black.
    try {
      std::optional<std::int64_t> size = ReadBackSize(CodePointSlice(text, 3, 100));
      if (size && IsBelowThreshold(*size, Edit1.Text(), ComboBox1.Text())) canvas.font = kBelowThresholdColour;
    } catch (const std::exception&) {
    }
    canvas.FillRect(rect);
    canvas.TextRect(rect, rect.left, rect.top + 5, text);
    if (state.focused) canvas.DrawFocusRect(rect);
  } else {
    canvas.FillRect(rect);
    canvas.TextRect(rect, rect.left, rect.top + 5, text);
  }
  if (col == kMarkerColumn && text == kNoAlertMarker) canvas.DrawImage(rect.left + 4, rect.top + 4, kImageNoError);
}

int TForm1::ListLineCount() { return static_cast<int>(Memo2.Lines().size()); }

std::string TForm1::ListLine(int i) {
  const std::vector<std::string>& lines = Memo2.Lines();
  return i >= 0 && i < static_cast<int>(lines.size()) ? lines[i] : std::string();
}

void TForm1::ClearResultColumns() { StringGrid1.ClearFromColumn(kAlertColumn); }
void TForm1::SetRowCount(int count) { StringGrid1.SetRowCount(count); }
void TForm1::SetCell(int col, int row, std::string text) { StringGrid1.SetCell(col, row, std::move(text)); }
RowMarks TForm1::ReadRowMarks(int row) {
  return {StringGrid1.Cell(kMarkerColumn, row), StringGrid1.Cell(kAlertColumn, row)};
}
ThresholdInputs TForm1::ReadThresholdInputs() { return {Edit1.Text(), ComboBox1.Text()}; }
void TForm1::SetProgressMax(int max) { ProgressBar1.SetMax(max); }
void TForm1::SetProgressPosition(int position) { ProgressBar1.SetPosition(position); }
void TForm1::SetStopEnabled(bool enabled) { BtnStop.SetEnabled(enabled); }
void TForm1::SetExcelEnabled(bool enabled) { BtnExcel.SetEnabled(enabled); }
void TForm1::SetTrayImage(int index) { CoolTrayIcon1.SetIconIndex(index); }
void TForm1::SetTrayHint(std::string hint) { CoolTrayIcon1.SetHint(std::move(hint)); }
void TForm1::ShowBalloon(std::string title, std::string text, BalloonIcon icon, int seconds) {
  CoolTrayIcon1.ShowBalloon({std::move(title), std::move(text), icon, seconds});
}
void TForm1::ShowMessage(std::string text) { services_.dialogs->Information(text); }
void TForm1::FocusList() { Memo2.SetFocus(); }

}  // namespace kestrane
