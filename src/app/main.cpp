// kestrane.exe: the start-up sequence and the message loop.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "core/dispatcher.h"
#include "core/server_table.h"
#include "forms/unit1.h"
#include "forms/unit2.h"
#include "platform/files.h"
#include "platform/user_name.h"
#include "platform/win32/ado_directory.h"
#include "toolkit/win32/application_window.h"
#include "platform/win32/excel_spreadsheet.h"
#include "toolkit/win32/dispatcher_window.h"
#include "toolkit/win32/message_boxes.h"
#include "platform/win32/open_file_dialog_window.h"
#include "platform/win32/process_starter.h"
#include "platform/win32/system_folders.h"
#include "platform/win32/tcp_reach_probe.h"
#include "toolkit/win32/tray_icon_window.h"
#include "app/form_frames.h"
#include "platform/win32/wmi_disk_query.h"
#include "toolkit/application.h"

namespace {

using namespace kestrane;

// The window thread's apartment: the directory, the spreadsheet and the file dialog use COM.
class OleApartment {
 public:
  OleApartment() : ready_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleApartment() {
    if (ready_) ::OleUninitialize();
  }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;

 private:
  bool ready_;
};

int RunProgram() {
  OleApartment apartment;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);

  auto dispatcher = std::make_shared<QueueDispatcher>();
  TApplication application(kApplicationTitle);
  win32::MessageBoxes boxes(kApplicationTitle);
  dispatcher->SetErrorHandler([&](const std::exception& e) { boxes.Error(ErrorBoxText(e.what())); });
  win32::DispatcherWindow dispatcherWindow(dispatcher);
  win32::ApplicationWindow applicationWindow(application);

  HWND mainWindow = nullptr;
  win32::SystemOpenFileDialog openDialog([&] {
    HWND active = ::GetActiveWindow();
    return active ? active : mainWindow;
  });
  auto directory = std::make_unique<win32::AdoDirectoryQuery>();
  win32::SystemProcessStarter processes;

  FormServices services{dispatcher, &boxes, [] { return win32::MakeWmiDiskQuery(); },
                        ProgramFolder() + "\\" + kImageSetFileName};
  services.programFolder = ProgramFolder();
  services.probes = std::make_shared<ProbesAhead>(win32::MakeTcpReachProbe(), kDefaultReachBudget,
                                                  LocalComputerNames(), false);
  services.openDialog = &openDialog;
  services.directory = directory.get();
  services.processes = &processes;
  services.application = &application;
  services.spreadsheet = [] { return win32::OpenExcel(); };
  TForm2* cleanup = nullptr;
  services.openCleanup = [&cleanup] {
    if (!cleanup) return;
    cleanup->Hide();  // shown afresh, for the server of the row chosen now
    cleanup->Show();
  };
  auto form = std::make_unique<TForm1>(services);
  application.SetMainForm(form.get());
  auto frame = win32::MakeMainFrame(*form, &application, applicationWindow.Handle());
  // Without a loaded image set the icon keeps its built-in icon.
  static const std::vector<RgbaImage> noPictures;
  auto tray = std::make_unique<win32::TrayIconWindow>(
      form->CoolTrayIcon1, form->ImageSetLoaded() ? form->DecodedImages() : noPictures);
  applicationWindow.SetMainWindow(frame->Handle());
  mainWindow = frame->Handle();
  boxes.SetOwner(frame->Handle());
  // The clean-up dialog, made hidden; the table's menu shows it.
  auto form2 = std::make_unique<TForm2>(Form2Services{
      dispatcher, &boxes, std::make_shared<win32::SystemFolders>(),
      [&form] { return form->StringGrid1.Cell(kNameColumn, form->StringGrid1.Row()); }});
  auto frame2 = win32::MakeCleanupFrame(*form2, frame->Handle());
  cleanup = form2.get();
  // A run or a count still in progress is not waited for: from the moment the program ends
  // nothing of it reaches a window (a worker waiting to read is told "cancelled"), and no more
  // wakes join the message queue ahead of the loop's end.
  auto endWorkers = [&] {
    form->EndRun();
    dispatcher->Shutdown();
  };
  application.OnTerminate = endWorkers;
  form->Show();

  win32::RunMessageLoop();
  endWorkers();  // also when the loop ended another way
  cleanup = nullptr;
  frame2.reset();
  form2.reset();  // a count still running ends unseen
  boxes.SetOwner(nullptr);
  applicationWindow.SetMainWindow(nullptr);
  tray.reset();  // the icon goes
  frame.reset();
  form.reset();
  directory.reset();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  ::SetThreadLocale(1049);
  try {
    return RunProgram();
  } catch (const std::exception& e) {
    // A window the program could not make: it says why and ends.
    win32::ShowStartFailure(kApplicationTitle, ErrorBoxText(e.what()));
    return 1;
  }
}
