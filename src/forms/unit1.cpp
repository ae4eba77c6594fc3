#include "forms/unit1.h"

#include <algorithm>
#include <stdexcept>

#include "core/number_text.h"
#include "forms/list_sources.h"
#include "forms/row_commands.h"
#include "forms/table_export.h"
#include "core/server_table.h"
#include "core/size_text.h"
#include "core/utf8_text.h"
#include "imageset/default_images.h"

namespace kestrane {
namespace {

// The form's timer as the interval field sets it.
class RefreshTimerOf : public RefreshTimer {
 public:
  explicit RefreshTimerOf(TTimer& timer) : timer_(timer) {}
  std::uint32_t Interval() const override { return timer_.Interval(); }
  void SetInterval(std::uint32_t ms) override { timer_.SetInterval(ms); }

 private:
  TTimer& timer_;
};

}  // namespace

TForm1::TForm1(FormServices services)
    : TForm("Form1", kFormCaption, kClientWidth, kClientHeight, FormBorder::Sizeable),
      services_(std::move(services)) {
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
  CoolTrayIcon1.PopupMenu = &PopupMenu2;
  CoolTrayIcon1.SetApplication(services_.application);
  Label5.SetHint(
      "Интервал времени между опросом серверов из списка для получения информации о свободном месте на дисках.");
  Label2.SetHint("Диски со свободным местом меньше заданного будут выделены красным цветом.");
  // Creation order is the tab order: the left column, then the table and the bottom strip.
  SetControls({&Panel2, &Label4, &Memo2, &Button1, &Button2, &Edit1, &ComboBox1, &Edit2, &BtnStart, &BtnTray,
               &Label5, &Label2, &Label1, &Panel1, &Panel4, &StringGrid1, &ProgressBar1, &Panel5, &BtnStop,
               &BtnExcel, &Button4});

  run_ = std::make_unique<CheckRunPresenter>(services_.dispatcher, runView_, services_.queries, services_.probes);
  Wire();
  // The directory connection is opened while the window is made; it may fail, the window comes up.
  if (services_.directory) Guard([this] { services_.directory->Connect(); });
  Guard([this] { FormCreate(); });
}

TForm1::~TForm1() { EndRun(); }

void TForm1::EndRun() { run_->EndActiveRun(); }

void TForm1::Guard(const std::function<void()>& handler) { RunGuarded(*services_.dialogs, handler); }

void TForm1::Wire() {
  auto guarded = [this](void (TForm1::*handler)()) { return [this, handler] { Guard([&] { (this->*handler)(); }); }; };
  BtnStart.OnClick = guarded(&TForm1::BtnStartClick);
  BtnStop.OnClick = guarded(&TForm1::BtnStopClick);
  BtnTray.OnClick = guarded(&TForm1::BtnTrayClick);
  BtnExcel.OnClick = guarded(&TForm1::BtnExcelClick);
  N1.onClick = guarded(&TForm1::N1Click);
  N2.onClick = guarded(&TForm1::N2Click);
  Button4.OnClick = guarded(&TForm1::Button4Click);
  Button1.OnClick = guarded(&TForm1::Button1Click);
  Button2.OnClick = guarded(&TForm1::Button2Click);
  OpenDialog1.OnShow = [this] { OpenDialog1Show(); };
  StringGrid1.OnMouseDown = [this](MouseButton button, int x, int y) {
    Guard([&] { StringGrid1MouseDown(button, x, y); });
  };
  StringGrid1.OnContextPopup = [this](bool& handled) { Guard([&] { StringGrid1ContextPopup(handled); }); };
  PopupMenu1.OnPopup = guarded(&TForm1::PopupMenu1Popup);
  FreeSpace.onClick = guarded(&TForm1::FreeSpaceClick);
  RDP.onClick = guarded(&TForm1::RDPClick);
  Reboot.onClick = guarded(&TForm1::RebootClick);
  FreeUp.onClick = guarded(&TForm1::FreeUpClick);
  Edit1.OnChange = guarded(&TForm1::Edit1Change);
  Edit2.OnChange = guarded(&TForm1::Edit2Change);
  ComboBox1.OnChange = guarded(&TForm1::ComboBox1Change);
  Timer1.OnTimer = guarded(&TForm1::Timer1Timer);
  Memo2.OnKeyDown = [this](const KeyEvent& key) { Guard([&] { Memo2KeyDown(key); }); };
  OnShow = guarded(&TForm1::FormShow);
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

// The list editor keeps at least this many pixels when the window is made short.
constexpr int kShortestList = 64;

Rect TForm1::MinimumClient() const {
  const int stripButtons = BtnExcel.Bounds().left + BtnExcel.Bounds().width + 15;
  return {0, 0, Panel2.Bounds().width + stripButtons, kClientHeight - 272 + kShortestList};
}

void TForm1::Layout(int clientWidth, int clientHeight) {
  const int left = Panel2.Bounds().width;
  const int right = std::max(0, clientWidth - left);
  const int strip = Panel5.Bounds().height;
  const int bar = ProgressBar1.Bounds().height;
  const int table = std::max(0, clientHeight - strip);
  Panel2.SetBounds({0, 0, left, clientHeight});
  // The list and the count under it follow the bottom edge; the controls above keep their place.
  const Rect memo = Memo2.Bounds();
  Memo2.SetBounds({memo.left, memo.top, memo.width, std::max(kShortestList, clientHeight - 40 - memo.top)});
  const Rect count = Label1.Bounds();
  Label1.SetBounds({count.left, memo.top + Memo2.Bounds().height + 15, count.width, count.height});
  Panel1.SetBounds({left, 0, right, clientHeight});
  Panel4.SetBounds({0, 0, right, table});
  StringGrid1.SetBounds({0, 0, right, std::max(0, table - bar)});
  ProgressBar1.SetBounds({0, std::max(0, table - bar), right, bar});
  Panel5.SetBounds({0, table, right, strip});
}

void TForm1::FormShow() {
  SetHeight(kFormHeight);
  SetCaption(kFormCaption);
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

void TForm1::Edit2Change() {
  RefreshTimerOf timer(Timer1);
  ApplyIntervalText(Edit2.Text(), timer);
}

void TForm1::BtnStartClick() { run_->Start(); }

void TForm1::BtnStopClick() { run_->Stop(); }

void TForm1::BtnTrayClick() {
  if (Memo2.Lines().empty()) {
    services_.dialogs->Information(kEmptyListMessage);
    Memo2.SetFocus();
    return;
  }
  // All of this is done before the run can change the icon: its changes come through the queue.
  run_->Start();
  if (services_.application) services_.application->Minimize();
  CoolTrayIcon1.HideMainWindow();
  CoolTrayIcon1.SetIconVisible(true);
  CoolTrayIcon1.SetIconIndex(kTrayImageOk);
}

void TForm1::BtnExcelClick() {
  if (!services_.spreadsheet) throw std::runtime_error("No spreadsheet program");
  // On the window thread from the first call to the last: two calls a cell take a while.
  BusyCursor busy(*this);
  TApplication* application = services_.application;
  ExportTable(StringGrid1.Table(), StringGrid1.ColCount(), services_.spreadsheet,
              [application] { return application && application->Terminated(); });
}

void TForm1::N1Click() {
  if (services_.application) services_.application->Restore();
  CoolTrayIcon1.RestoreMainWindow();
  CoolTrayIcon1.SetIconVisible(false);
}

void TForm1::N2Click() {
  // At once: no exit question, no wait for a run; the icon goes as the program ends.
  if (services_.application) services_.application->Terminate();
}

void TForm1::Timer1Timer() { run_->TimerTick(); }

void TForm1::Button4Click() { SaveImageSet(kImageSetFileName, images_); }

void TForm1::Button1Click() {
  if (OpenDialog1.Execute()) {
    // A file that cannot be read throws before anything changes: the error box names it.
    std::vector<std::uint8_t> bytes = services_.readFile(OpenDialog1.FileName);
    Memo2.SetText(ListTextFromFile(bytes, services_.ansi));
  }
  Label1.SetText(CountCaption(Memo2.Lines().size()));
}

void TForm1::OpenDialog1Show() { OpenDialog1.InitialDir = services_.programFolder + "\\"; }

void TForm1::Button2Click() {
  Memo2.SetText("");  // the previous list is gone from here on, whatever follows
  const std::string domain = DomainOf(services_.userName(kNameDnsDomain));
  std::string list;
  std::size_t names = 0;
  try {
    if (!services_.directory) throw std::runtime_error("no directory");
    DirectoryQuery& query = *services_.directory;
    query.SetText(ServerQueryText(domain));
    query.Open();
    while (!query.Eof()) {
      list += query.Name() + "\r\n";
      ++names;
      query.Next();
    }
    Memo2.SetText(list);
    // A provider that cannot count its records says -1: the names read are the count then.
    int count = query.RecordCount();
    Label1.SetText(CountCaption(count >= 0 ? static_cast<std::size_t>(count) : names));
  } catch (...) {
    Memo2.SetText(list);  // the names read before the failure stay
    services_.dialogs->Information(kDirectoryFailure);
  }
}

void TForm1::StringGrid1DrawCell(int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas) {
  canvas.brush = row == StringGrid1.Row() && !state.fixed ? kCurrentRowColour : canvas.WindowColour();
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

void TForm1::StringGrid1MouseDown(MouseButton button, int x, int y) {
  if (button != MouseButton::Right) return;
  // The right press selects the row under the pointer as a left press there does.
  StringGrid1.MouseDown(MouseButton::Left, x, y);
  const std::string& name = StringGrid1.Cell(kNameColumn, StringGrid1.Row());
  FreeSpace.caption = kNoAlertCaption;
  RDP.caption = RdpCaption(name);
  Reboot.caption = RebootCaption(name);
  FreeUp.caption = FreeUpCaption(name);
}

void TForm1::FreeUpClick() {
  if (services_.openCleanup) services_.openCleanup();
}

void TForm1::StringGrid1ContextPopup(bool& handled) {
  handled = StringGrid1.Cell(kNameColumn, StringGrid1.Row()).empty();
}

void TForm1::PopupMenu1Popup() {
  FreeSpace.checked = StringGrid1.Cell(kMarkerColumn, StringGrid1.Row()) == kNoAlertMarker;
}

void TForm1::FreeSpaceClick() {
  const int row = StringGrid1.Row();
  const bool marked = StringGrid1.Cell(kMarkerColumn, row) == kNoAlertMarker;
  StringGrid1.SetCell(kMarkerColumn, row, marked ? std::string() : std::string(kNoAlertMarker));
  FreeSpace.checked = !marked;
}

std::optional<HostKind> TForm1::CheckedHost(const std::string& name) {
  std::optional<HostKind> kind = ClassifyHost(name);
  if (!kind) services_.dialogs->Error(NotAHostMessage(name));
  return kind;
}

void TForm1::RDPClick() {
  const std::string name = StringGrid1.Cell(kNameColumn, StringGrid1.Row());
  std::optional<HostKind> kind = CheckedHost(name);
  if (!kind || !services_.processes) return;
  services_.processes->Start(RdpCommandLine(name, *kind), kShowNormal);  // nothing is reported
}

void TForm1::RebootClick() {
  // Read once: a run may rewrite the table while the question is open.
  const std::string name = StringGrid1.Cell(kNameColumn, StringGrid1.Row());
  std::optional<HostKind> kind = CheckedHost(name);
  if (!kind) return;
  if (!services_.dialogs->Confirm(RebootQuestion(name))) return;
  bool started = false;
  try {
    started = services_.processes && services_.processes->Start(RebootCommandLine(name, *kind), kShowNormal);
  } catch (const std::exception&) {
    started = false;
  }
  services_.dialogs->Information(started ? RebootStarted(name) : RebootFailed(name));
}

int TForm1::FormRunView::ListLineCount() { return static_cast<int>(form_.Memo2.Lines().size()); }

std::string TForm1::FormRunView::ListLine(int i) {
  const std::vector<std::string>& lines = form_.Memo2.Lines();
  return i >= 0 && i < static_cast<int>(lines.size()) ? lines[i] : std::string();
}

ThresholdInputs TForm1::FormRunView::ReadThresholdInputs() { return {form_.Edit1.Text(), form_.ComboBox1.Text()}; }
void TForm1::FormRunView::ClearResultColumns() { form_.StringGrid1.Table().ClearFromColumn(kAlertColumn); }
void TForm1::FormRunView::SetRowCount(int count) { form_.StringGrid1.SetRowCount(count); }
void TForm1::FormRunView::SetCell(int col, int row, std::string text) {
  form_.StringGrid1.SetCell(col, row, std::move(text));
}
RowMarks TForm1::FormRunView::ReadRowMarks(int row) {
  return {form_.StringGrid1.Cell(kMarkerColumn, row), form_.StringGrid1.Cell(kAlertColumn, row)};
}
void TForm1::FormRunView::SetProgressMax(int max) { form_.ProgressBar1.SetMax(max); }
void TForm1::FormRunView::SetProgressPosition(int position) { form_.ProgressBar1.SetPosition(position); }
void TForm1::FormRunView::SetStopEnabled(bool enabled) { form_.BtnStop.SetEnabled(enabled); }
void TForm1::FormRunView::SetExcelEnabled(bool enabled) { form_.BtnExcel.SetEnabled(enabled); }
void TForm1::FormRunView::SetTrayImage(int index) { form_.CoolTrayIcon1.SetIconIndex(index); }
void TForm1::FormRunView::SetTrayHint(std::string hint) { form_.CoolTrayIcon1.SetHint(std::move(hint)); }
void TForm1::FormRunView::ShowBalloon(TrayBalloon balloon) { form_.CoolTrayIcon1.ShowBalloon(std::move(balloon)); }
void TForm1::FormRunView::ShowMessage(std::string text) { form_.services_.dialogs->Information(text); }
void TForm1::FormRunView::FocusList() { form_.Memo2.SetFocus(); }

}  // namespace kestrane
