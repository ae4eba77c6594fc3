// The clean-up dialog: measures six temporary and log folders of one server over its
// administrative share on a worker thread, and empties them one row at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/dispatcher.h"
#include "core/worker_group.h"
#include "imageset/png.h"
#include "platform/folders.h"
#include "toolkit/components.h"
#include "toolkit/control.h"
#include "toolkit/form.h"

namespace kestrane {

inline constexpr char kForm2Caption[] = " Освобождение места";
inline constexpr char kNotEstimated[] = "неоценено";
inline constexpr char kDeleteFailed[] = "Возникла ошибка! Файлы не удалены.";
inline constexpr char kDeleteStopped[] = "Возникла ошибка! Удалены не все файлы.";
inline constexpr int kCleanupRows = 6;
inline constexpr int kProfileRow = 4;  // row 5: the profile root, whose profiles' temp folders count

struct Form2Services {
  std::shared_ptr<Dispatcher> dispatcher;
  Dialogs* dialogs = nullptr;
  std::shared_ptr<FolderService> folders;  // shared: a count still running may outlive the dialog
  std::function<std::string()> currentServer;  // column 3 of the server table's current row
};

class TForm2 : public TForm {
  Form2Services services_;

 public:
  explicit TForm2(Form2Services services);
  ~TForm2() override;

  TLabel Label1{"Label1", {40, 24, 300, 13}, "C:\\windows\\temp"};
  TLabel Label2{"Label2", {40, 48, 300, 13}, "C:\\temp"};
  TLabel Label3{"Label3", {40, 72, 300, 13}, "C:\\Windows\\SoftwareDistribution\\Download"};
  TLabel Label4{"Label4", {40, 96, 300, 13}, "C:\\inetpub\\logs"};
  TLabel Label5{"Label5", {40, 120, 300, 13}, "C:\\Users\\%UserName%\\AppData\\Local\\Temp"};
  TLabel Label12{"Label12", {40, 144, 300, 13}, "C:\\ProgramData\\Microsoft\\Windows\\WER"};
  TLabel Label6{"Label6", {376, 24, 70, 13}, kNotEstimated};
  TLabel Label7{"Label7", {376, 48, 70, 13}, kNotEstimated};
  TLabel Label8{"Label8", {376, 72, 70, 13}, kNotEstimated};
  TLabel Label9{"Label9", {376, 96, 70, 13}, kNotEstimated};
  TLabel Label10{"Label10", {376, 120, 70, 13}, kNotEstimated};
  TLabel Label13{"Label13", {376, 144, 70, 13}, kNotEstimated};
  TLabel Label11{"Label11", {376, 176, 70, 13}, "итого", LabelStyle{false, true, false}};
  TLabel Label14{"Label14", {40, 176, 200, 13}, "Ждите, идет вычисление...", LabelStyle{false, true, true}};
  TButton SpeedButton1{"SpeedButton1", {456, 21, 23, 22}, "", 0, ButtonKind::Flat};
  TButton SpeedButton2{"SpeedButton2", {456, 45, 23, 22}, "", 0, ButtonKind::Flat};
  TButton SpeedButton3{"SpeedButton3", {456, 69, 23, 22}, "", 0, ButtonKind::Flat};
  TButton SpeedButton4{"SpeedButton4", {456, 93, 23, 22}, "", 0, ButtonKind::Flat};
  TButton SpeedButton5{"SpeedButton5", {456, 117, 23, 22}, "", 0, ButtonKind::Flat};
  TButton SpeedButton6{"SpeedButton6", {456, 141, 23, 22}, "", 0, ButtonKind::Flat};
  TButton Button1{"Button1", {264, 216, 121, 25}, "Подсчитать размер"};
  TButton BitBtn1{"BitBtn1", {400, 216, 105, 25}, "Удалить всё", 0};

  // The red cross of the row buttons and BitBtn1.
  const std::vector<RgbaImage>& Pictures() const { return pictures_; }

  // Handlers.
  void FormShow();
  void Button1Click();
  void SpeedButtonClick(int row);  // rows 1 to 4 and 6 (0 to 3 and 5 here)
  void SpeedButton5Click();

  // What the dialog keeps: the target server, the six row paths and sizes, the total.
  const std::string& TargetServer() const { return server_; }
  const std::array<std::string, kCleanupRows>& RowPaths() const { return paths_; }
  const std::array<std::int64_t, kCleanupRows>& RowSizes() const { return sizes_; }
  std::int64_t Total() const { return total_; }
  // Count workers still alive, ended ones included.
  int LiveCounts() const { return counts_.Live(); }

  // Runs a handler; an error escaping it goes to the general error box.
  void Guard(const std::function<void()>& handler);

 private:
  struct Count;
  void Counted(const std::array<std::int64_t, kCleanupRows>& bytes);
  void ShowRow(int row);
  // Measures the row's folder again and shows it.
  void Remeasure(int row);
  // After a deletion that stopped part-way: the figure shows what is left, or keeps its text.
  void RemeasureAfterStop(int row);

  std::array<TLabel*, kCleanupRows> captions_{&Label1, &Label2, &Label3, &Label4, &Label5, &Label12};
  std::array<TLabel*, kCleanupRows> sizeLabels_{&Label6, &Label7, &Label8, &Label9, &Label10, &Label13};
  std::array<TButton*, kCleanupRows> rowButtons_{&SpeedButton1, &SpeedButton2, &SpeedButton3,
                                                 &SpeedButton4, &SpeedButton5, &SpeedButton6};
  std::vector<RgbaImage> pictures_;
  std::string server_;
  std::array<std::string, kCleanupRows> paths_;
  std::array<std::int64_t, kCleanupRows> sizes_{};
  std::int64_t total_ = 0;
  std::shared_ptr<WorkToken> count_;  // the current count's token
  WorkerGroup counts_;
};

// The captions at show and the path suffixes after "\\" + server, in row order.
struct CleanupRow {
  const char* caption;
  const char* suffix;
};
extern const std::array<CleanupRow, kCleanupRows> kCleanupRowTable;

}  // namespace kestrane
