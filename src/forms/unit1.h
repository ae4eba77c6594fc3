// The main window: the server list, the threshold and interval fields, the command buttons,
// the server table with its progress bar, the menus, the tray icon, the timer, the image set.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/host_name.h"
#include "core/list_file.h"
#include "core/server_table.h"
#include "forms/check_run.h"
#include "imageset/image_set.h"
#include "toolkit/components.h"
#include "toolkit/control.h"
#include "platform/ansi_text.h"
#include "platform/directory_query.h"
#include "platform/files.h"
#include "platform/open_file_dialog.h"
#include "platform/process_start.h"
#include "platform/spreadsheet.h"
#include "platform/user_name.h"
#include "toolkit/form.h"
#include "toolkit/open_dialog.h"
#include "toolkit/popup_menu.h"
#include "toolkit/string_grid.h"
#include "toolkit/tray_icon.h"

namespace kestrane {

inline constexpr char kApplicationTitle[] = "Kestrane 1.0";
inline constexpr char kFormCaption[] = "Kestrane (v.1.0)";
inline constexpr char kExitQuestion[] = "Действительно выйти? ";
inline constexpr int kFormWidth = 913;    // outer, once shown
inline constexpr int kFormHeight = 578;
inline constexpr int kClientWidth = 897;
inline constexpr int kClientHeight = 540;
inline constexpr Colour kCurrentRowColour{192, 220, 192};
inline constexpr Colour kBelowThresholdColour{255, 0, 0};
inline constexpr Colour kTextColour{0, 0, 0};

// What the window needs from the program around it.
struct FormServices {
  FormServices() = default;
  FormServices(std::shared_ptr<Dispatcher> d, Dialogs* boxes, DiskQueryFactory q, std::string imageSet)
      : dispatcher(std::move(d)), dialogs(boxes), queries(std::move(q)), imageSetPath(std::move(imageSet)) {}

  std::shared_ptr<Dispatcher> dispatcher;
  Dialogs* dialogs = nullptr;
  DiskQueryFactory queries;
  std::shared_ptr<ProbesAhead> probes;  // whether servers answer before WMI is asked (none: not probed)
  std::string imageSetPath;   // the program's folder + "\resources.dat"
  std::string programFolder;  // without a trailing separator
  OpenFileDialog* openDialog = nullptr;
  DirectoryQuery* directory = nullptr;
  std::function<std::vector<std::uint8_t>(const std::string& path)> readFile = ReadWholeFile;
  AnsiDecoder ansi = AnsiToUtf8;
  std::function<std::string(int format)> userName = CurrentUserName;
  ProcessStarter* processes = nullptr;
  // The program: its minimising and restoring, its taskbar button, its end.
  TApplication* application = nullptr;
  SpreadsheetFactory spreadsheet;
  // Shows the clean-up dialog afresh (for the server of the current row).
  std::function<void()> openCleanup;
};

class TForm1 : public TForm {
  FormServices services_;  // first: the components below are made from it

 public:
  explicit TForm1(FormServices services);
  ~TForm1() override;

  // Left column.
  TPanel Panel2{"Panel2", {0, 0, 185, kClientHeight}};
  TLabel Label4{"Label4", {24, 7, 140, 13}, "Получить список серверов"};
  TButton Button1{"Button1", {8, 26, 81, 25}, "...из файла"};
  TButton Button2{"Button2", {96, 26, 81, 25}, "...из AD"};
  TButton BtnTray{"BtnTray", {8, 64, 169, 30}, "  Свернуть в трей", kImageOpen};
  TLabel Label5{"Label5", {8, 104, 92, 26}, "Частота обновления, мин.:", true};
  TEdit Edit2{"Edit2", {112, 106, 65, 21}, "30"};
  TLabel Label2{"Label2", {8, 144, 58, 26}, "Пороговое значение:", true};
  TEdit Edit1{"Edit1", {72, 147, 57, 21}, "2"};
  TComboBox ComboBox1{"ComboBox1", {136, 147, 41, 21}, "GB", {"MB", "GB"}};
  TButton BtnStart{"BtnStart", {8, 180, 169, 40}, "  Начать проверку", kImageStatusOk};
  TMemo Memo2{"Memo2", {8, 228, 169, 272}};
  TLabel Label1{"Label1", {8, 515, 160, 13}, "Количество объектов:"};
  // Right area.
  TPanel Panel1{"Panel1", {185, 0, kClientWidth - 185, kClientHeight}};
  TPanel Panel4{"Panel4", {0, 0, kClientWidth - 185, kClientHeight - 41}};
  TStringGrid StringGrid1{"StringGrid1", {0, 0, kClientWidth - 185, kClientHeight - 41 - 17}, 9, 100, 24};
  TProgressBar ProgressBar1{"ProgressBar1", {0, kClientHeight - 41 - 17, kClientWidth - 185, 17}};
  TPanel Panel5{"Panel5", {0, kClientHeight - 41, kClientWidth - 185, 41}};
  TButton BtnStop{"BtnStop", {0, 6, 105, 30}, "  Прервать", kImageExit};
  TButton BtnExcel{"BtnExcel", {120, 6, 145, 30}, "  Выгрузить в Excel", kImageOpen};
  TButton Button4{"Button4", {360, 8, 75, 25}, "Button4"};
  // Components.
  TPopupMenu PopupMenu1{{{"FreeSpace", "Не генерить алерт", kImageNoError},
                         {"RDP", "Открыть RDP", kImageRdp},
                         {"Reboot", "Перезагрузить", kImageReboot},
                         {"N3", "", -1, false, true},
                         {"FreeUp", "Освободить место...", -1}}};
  TMenuItem& FreeSpace = PopupMenu1.Item("FreeSpace");
  TMenuItem& RDP = PopupMenu1.Item("RDP");
  TMenuItem& Reboot = PopupMenu1.Item("Reboot");
  TMenuItem& FreeUp = PopupMenu1.Item("FreeUp");
  TPopupMenu PopupMenu2{{{"N1", "Открыть программу", kImageOpen}, {"N2", "Выйти", kImageExit}}};
  TMenuItem& N1 = PopupMenu2.Item("N1");
  TMenuItem& N2 = PopupMenu2.Item("N2");
  TCoolTrayIcon CoolTrayIcon1;
  TTimer Timer1;
  TOpenDialog OpenDialog1{services_.openDialog};

  // The menus the window shows, for the peers (the tray icon shows PopupMenu2).
  std::vector<TPopupMenu*> Menus() { return {&PopupMenu1}; }

  // The image set in use: read at creation, or the window's own copy when that failed.
  const ImageSet& Images() const { return images_; }
  bool ImageSetLoaded() const { return imageSetLoaded_; }
  const std::vector<RgbaImage>& DecodedImages() const { return decoded_; }

  // Room for the left column with a short list, and for the bottom strip's buttons.
  Rect MinimumClient() const override;

  // Handlers.
  void FormShow();
  bool FormCloseQuery();
  void Memo2KeyDown(const KeyEvent& key);
  void Edit1Change();
  void ComboBox1Change();
  void Edit2Change();
  void BtnStartClick();
  void BtnTrayClick();
  void BtnExcelClick();
  void N1Click();
  void N2Click();
  void BtnStopClick();
  void Timer1Timer();
  void Button4Click();
  void Button1Click();
  void OpenDialog1Show();
  void Button2Click();
  void StringGrid1DrawCell(int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas);
  void StringGrid1MouseDown(MouseButton button, int x, int y);
  void StringGrid1ContextPopup(bool& handled);
  void PopupMenu1Popup();
  void FreeSpaceClick();
  void RDPClick();
  void RebootClick();
  void FreeUpClick();

  bool RunActive() const { return run_->Active(); }
  int LiveWorkers() const { return run_->Workers().Live(); }
  // Ends the active run unseen; for the program's end.
  void EndRun();

  // Runs a handler; an error escaping it goes to the general error box and the program goes on.
  void Guard(const std::function<void()>& handler);

  // The table grows with the window; the list in the left column follows the window's height.
  void Layout(int clientWidth, int clientHeight) override;

 private:
  // The window as the check run reads and changes it.
  class FormRunView : public RunView {
   public:
    explicit FormRunView(TForm1& form) : form_(form) {}
    int ListLineCount() override;
    std::string ListLine(int i) override;
    ThresholdInputs ReadThresholdInputs() override;
    void ClearResultColumns() override;
    void SetRowCount(int count) override;
    void SetCell(int col, int row, std::string text) override;
    RowMarks ReadRowMarks(int row) override;
    void SetProgressMax(int max) override;
    void SetProgressPosition(int position) override;
    void SetStopEnabled(bool enabled) override;
    void SetExcelEnabled(bool enabled) override;
    void SetTrayImage(int index) override;
    void SetTrayHint(std::string hint) override;
    void ShowBalloon(TrayBalloon balloon) override;
    void ShowMessage(std::string text) override;
    void FocusList() override;

   private:
    TForm1& form_;
  };

  void FormCreate();
  void Wire();
  // The server of the current row, checked: nothing (and a message) for a text that is no host.
  std::optional<HostKind> CheckedHost(const std::string& name);

  ImageSet images_;
  std::vector<RgbaImage> decoded_;
  bool imageSetLoaded_ = false;
  FormRunView runView_{*this};
  std::unique_ptr<CheckRunPresenter> run_;
};

}  // namespace kestrane
