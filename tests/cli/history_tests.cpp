#include "cli/history_file.h"
#include "cli/history_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/files.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1'714'558'500;  // 2024-05-01T10:15:00Z

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class HistoryUpdateTest : public ::testing::Test {
 protected:
  fs::path folder = fs::path(::testing::TempDir()) / ("kestrane_history_" + std::to_string(::getpid()));
  std::string path = (folder / "history.csv").string();

  void SetUp() override {
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  UpdatedHistory Update(std::int64_t free, std::chrono::milliseconds wait = std::chrono::seconds(10)) {
    return UpdateHistory(path, {{"HOST", "C:", {kNow, free, 100}}}, kNow, wait);
  }
};

TEST(HistoryFileTest, ReadsBackWhatItWritesAndRefusesAnythingElse) {
  History history;
  history.Add("srv", "D:\\Mounts\\a,\"b\"\\", {kNow, 5, 10});
  history.Add("HOST", "C:", {kNow - 60, 7, 10});
  history.Add("host", "c:", {kNow, 6, 10});  // the same disk, names compared without case
  const std::string text = history.Text();
  EXPECT_EQ(text,
            "time_utc,server,disk,free_bytes,size_bytes\r\n"
            "2024-05-01T10:15:00Z,srv,\"D:\\Mounts\\a,\"\"b\"\"\\\",5,10\r\n"
            "2024-05-01T10:14:00Z,HOST,C:,7,10\r\n"
            "2024-05-01T10:15:00Z,HOST,C:,6,10\r\n");
  EXPECT_EQ(History::Parse(text).Text(), text);
  EXPECT_EQ(History::Parse("\xEF\xBB\xBFtime_utc,server,disk,free_bytes,size_bytes\n2024-05-01T10:15:00Z,a,C:,1,2\n")
                .Find("A", "c:")->samples.size(),
            1u);
  const std::string header = "time_utc,server,disk,free_bytes,size_bytes\r\n";
  for (const std::string& bad : {std::string(), std::string("Date,Free\r\n"), header + "2024-05-01T10:15:00Z,a,C:,1\r\n",
                                header + "2024-02-30T10:15:00Z,a,C:,1,2\r\n", header + "2024-05-01T10:15:00Z,a,C:,-1,2\r\n",
                                header + "2024-05-01T10:15:00Z,\"a,C:,1,2\r\n", std::string(64, '\0')}) {
    EXPECT_THROW(History::Parse(bad), HistoryFormatError) << bad;
  }
}

TEST(HistoryFileTest, KeepsThirtyFiveDaysAndAtMostTheCapOfReadingsPerDisk) {
  History history;
  history.Add("old", "C:", {kNow - 36 * kSecondsPerDay, 1, 2});
  for (std::int64_t i = 0; i < 10100; ++i) history.Add("srv", "C:", {kNow - i * 60, i, 20000});
  history.Trim(kNow);
  EXPECT_EQ(history.Find("old", "C:"), nullptr);
  const DiskHistory& kept = *history.Find("srv", "C:");
  ASSERT_EQ(kept.samples.size(), kMostReadingsPerDisk);
  EXPECT_EQ(kept.samples.front().time, kNow - (kMostReadingsPerDisk - 1) * 60);  // the newest, in time order
  EXPECT_EQ(kept.samples.back().time, kNow);
}

TEST_F(HistoryUpdateTest, RunsAtTheSameMomentKeepEveryReading) {
  std::vector<std::thread> runs;
  for (int r = 0; r < 4; ++r) {
    runs.emplace_back([this, r] {
      for (int i = 0; i < 25; ++i) Update(r * 100 + i);
    });
  }
  for (std::thread& t : runs) t.join();
  EXPECT_EQ(History::Parse(Slurp(path)).Find("host", "c:")->samples.size(), 100u);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);  // and its lock
}

TEST_F(HistoryUpdateTest, AFileThatIsNoHistoryIsSetAsideAndANewOneBegins) {
  for (const char* aside : {"history.csv.bad-20240501T101500Z", "history.csv.bad-20240501T101500Z-2"}) {
    std::ofstream(path, std::ios::binary) << "Date,Free\r\n";
    const UpdatedHistory updated = Update(7);
    EXPECT_NE(updated.notice.find(aside), std::string::npos) << updated.notice;
    EXPECT_EQ(Slurp(folder / aside), "Date,Free\r\n");
    EXPECT_EQ(Slurp(path), std::string(kHistoryHeader) + "\r\n2024-05-01T10:15:00Z,HOST,C:,7,100\r\n");
  }
}

TEST_F(HistoryUpdateTest, NothingIsWrittenWhenTheLockOrTheReadFails) {
  Update(7);
  const std::string before = Slurp(path);
  {
    FileLock otherRun(path + ".lock", std::chrono::seconds(1));
    EXPECT_THROW(Update(8, std::chrono::milliseconds(100)), std::runtime_error);
  }
  EXPECT_EQ(Slurp(path), before);
  fs::remove(path);
  fs::create_directory(path);  // a history that cannot be read is never replaced
  EXPECT_THROW(Update(9), std::runtime_error);
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace kestrane
