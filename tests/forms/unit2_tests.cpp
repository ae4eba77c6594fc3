// The clean-up dialog against a recording file system: figures and rounding, masks, links, the
// states of the dialog, its failures, and a count overtaken by a new show.
#include "forms/unit2.h"

#include <gtest/gtest.h>

#include "cleanup/fake_folders.h"
#include "cleanup/megabytes.h"
#include "support/pump.h"
#include "forms/form1_fixture.h"

namespace kestrane {
namespace {

using attributes::kDirectory;
using attributes::kHidden;
using attributes::kReparsePoint;
using attributes::kSystem;

class Form2Test : public ::testing::Test {
 protected:
  std::shared_ptr<QueueDispatcher> dispatcher = std::make_shared<QueueDispatcher>();
  std::shared_ptr<FakeFolders> folders = std::make_shared<FakeFolders>();
  RecordingDialogs dialogs;
  std::string server = "srv01";
  std::unique_ptr<TForm2> form = std::make_unique<TForm2>(
      Form2Services{dispatcher, &dialogs, folders, [this] { return server; }});

  void TearDown() override {
    folders->Release();
    EXPECT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveCounts() == 0; }));
    form.reset();
  }
  void Count() {
    form->Button1.Click();
    ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveCounts() == 0; }));
    dispatcher->RunPending();
  }
  std::vector<std::string> SizeTexts() {
    std::vector<std::string> out;
    for (TLabel* l : {&form->Label6, &form->Label7, &form->Label8, &form->Label9, &form->Label10, &form->Label13}) {
      out.push_back(l->Text());
    }
    return out;
  }
  bool RowButtonsEnabled() {
    for (TButton* b : {&form->SpeedButton1, &form->SpeedButton2, &form->SpeedButton3, &form->SpeedButton4,
                       &form->SpeedButton5, &form->SpeedButton6, &form->BitBtn1}) {
      if (!b->Enabled()) return false;
    }
    return true;
  }
};

TEST(Megabytes, RoundHalvesToEvenAndShowAsDigitsAndMB) {
  EXPECT_EQ(ToMegabytes(524288), 0);      // half: to the even 0
  EXPECT_EQ(ToMegabytes(524289), 1);
  EXPECT_EQ(ToMegabytes(1572864), 2);     // 1.5: to the even 2
  EXPECT_EQ(ToMegabytes(2621440), 2);     // 2.5: to the even 2
  EXPECT_EQ(ToMegabytes(5368709120), 5120);
  EXPECT_EQ(MegabyteFigure(5120), "5120 MB");
  EXPECT_EQ(MegabyteFigure(0), "0 MB");
}

TEST_F(Form2Test, ShowingTheDialogMakesItFresh) {
  form->Show();
  EXPECT_EQ(form->Caption(), " Освобождение места");
  EXPECT_EQ(form->ClientWidth(), 525);
  EXPECT_EQ(form->ClientHeight(), 258);
  EXPECT_TRUE(form->Button1.Enabled());
  EXPECT_FALSE(form->Label14.Visible());
  EXPECT_FALSE(form->SpeedButton1.Enabled());
  EXPECT_FALSE(form->BitBtn1.Enabled());
  EXPECT_EQ(SizeTexts(), std::vector<std::string>(6, "неоценено"));
  EXPECT_EQ(form->Label11.Text(), "неоценено");  // the layout's "итого" is never seen
  EXPECT_EQ(form->Label5.Text(), "C:\\Users\\%UserName%\\AppData\\Local\\Temp");
}

TEST_F(Form2Test, TheCountMeasuresEveryRowInMegabytesAndTheTotalFromTheBytes) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\windows\\temp"] = {File("a.tmp", 524288)};
  folders->tree[share + "\\temp"] = {File("b", 1048576), Dir("sub")};
  folders->tree[share + "\\temp\\sub"] = {File("c", 524288)};  // 1.5 MB in all
  folders->tree[share + "\\Windows\\SoftwareDistribution\\Download"] = {File("d", 2621440)};
  folders->tree[share + "\\inetpub\\logs"] = {File("huge.log", 5368709120)};
  folders->tree[share + "\\users"] = {Dir("Default", kDirectory | kHidden), Dir("All Users", kDirectory | kSystem),
                                      Dir("admin"), Dir("Иванов"), File("desktop.ini", 282)};
  folders->tree[share + "\\users\\admin\\AppData\\Local\\Temp"] = {File("x", 1048576)};
  folders->tree[share + "\\users\\Иванов\\AppData\\Local\\Temp"] = {File("y", 1048576)};
  folders->tree[share + "\\users\\Default\\AppData\\Local\\Temp"] = {File("z", 999999999)};  // hidden: left out
  folders->tree[share + "\\ProgramData\\Microsoft\\Windows\\WER"] = {File("w", 524288)};
  form->Show();
  form->Button1.Click();
  EXPECT_TRUE(form->Label14.Visible());  // counting
  EXPECT_FALSE(form->Button1.Enabled());
  EXPECT_FALSE(RowButtonsEnabled());
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveCounts() == 0; }));
  dispatcher->RunPending();
  EXPECT_EQ(SizeTexts(), (std::vector<std::string>{"0 MB", "2 MB", "2 MB", "5120 MB", "2 MB", "0 MB"}));
  // The total rounds the summed bytes (exactly 5127 MB), the figures add up to 5126.
  EXPECT_EQ(form->Label11.Text(), "5127 MB");
  EXPECT_EQ(form->Label1.Text(), "\\\\srv01\\c$\\windows\\temp\\");
  EXPECT_EQ(form->Label5.Text(), "\\\\srv01\\c$\\users\\%users%\\AppData\\Local\\Temp");
  EXPECT_EQ(form->Label12.Text(), "\\\\srv01\\c$\\ProgramData\\Microsoft\\Windows\\WER\\");
  EXPECT_FALSE(form->Label14.Visible());
  EXPECT_FALSE(form->Button1.Enabled());  // until shown again
  EXPECT_TRUE(RowButtonsEnabled());
  // The profile root in listing order, a plain file tried as a profile and adding nothing.
  std::vector<std::string> calls = folders->Calls();
  auto listed = [&](const std::string& folder) {
    return std::find(calls.begin(), calls.end(), "list " + share + folder + "\\*.*") != calls.end();
  };
  EXPECT_TRUE(listed("\\users\\admin\\AppData\\Local\\Temp"));
  EXPECT_TRUE(listed("\\users\\Иванов\\AppData\\Local\\Temp"));
  EXPECT_FALSE(listed("\\users\\desktop.ini\\AppData\\Local\\Temp"));  // a file holds no temp folder
  EXPECT_FALSE(listed("\\users\\Default\\AppData\\Local\\Temp"));
  EXPECT_FALSE(listed("\\users\\All Users\\AppData\\Local\\Temp"));
}

TEST_F(Form2Test, AfterARowButtonTheTotalIsTheSumOfTheShownFigures) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\temp"] = {File("b", 1572864)};           // 1.5 MB: 2
  folders->tree[share + "\\inetpub\\logs"] = {File("l", 2621440)};  // 2.5 MB: 2
  folders->tree[share + "\\windows\\temp"] = {File("t", 1572864)};  // 1.5 MB: 2
  form->Show();
  Count();
  EXPECT_EQ(form->Label11.Text(), "6 MB");  // 5.5 MB of bytes rounds to 6, the figures add up to 6
  form->SpeedButton1.Click();               // C:\windows\temp emptied
  EXPECT_EQ(form->Label6.Text(), "0 MB");
  EXPECT_EQ(form->Label11.Text(), "4 MB");  // the sum of the figures now
  EXPECT_EQ(folders->Calls().back(), "list \\\\srv01\\c$\\windows\\temp\\*.*");  // measured again
  EXPECT_TRUE(folders->tree[share + "\\windows\\temp"].empty());
  EXPECT_EQ(folders->tree[share + "\\temp"].size(), 1u);  // only its own row's folder
}

TEST_F(Form2Test, LinksAreNeitherEnteredNorCountedAndGoAsLinksBeforeAnythingElse) {
  const std::string temp = "\\\\srv01\\c$\\temp";
  folders->tree[temp] = {File("a", 1048576), Link("loop"), Dir("deep"), Link("wine", 0)};
  folders->tree[temp + "\\loop"] = {File("again", 1048576 * 100)};  // what a followed link would reach
  folders->tree[temp + "\\deep"] = {Link("Application Data"), File("b", 1048576)};
  folders->tree[temp + "\\deep\\Application Data"] = {File("c", 1048576 * 100)};
  form->Show();
  Count();
  EXPECT_EQ(form->Label7.Text(), "2 MB");
  for (const std::string& call : folders->Calls()) EXPECT_EQ(call.find("loop\\"), std::string::npos) << call;
  folders->calls.clear();
  form->SpeedButton2.Click();
  std::vector<std::string> calls = folders->Calls();
  ASSERT_GE(calls.size(), 6u);
  auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
  const auto deleted = at("delete " + temp + "\\a");
  EXPECT_LT(at("delete " + temp + "\\loop"), deleted);
  EXPECT_LT(at("delete " + temp + "\\wine"), deleted);
  EXPECT_LT(at("delete " + temp + "\\deep\\Application Data"), deleted);
  for (const std::string& call : calls) EXPECT_EQ(call.rfind("THROUGH LINK", 0), std::string::npos) << call;
  EXPECT_EQ(form->Label7.Text(), "0 MB");
  EXPECT_EQ(folders->Detached(temp + "\\loop"), 1u);  // what lay behind the links is whole
  EXPECT_EQ(folders->Detached(temp + "\\deep\\Application Data"), 1u);
}

// Links where the share's own folders should be: the row folder, a folder on the way to one, a
// profile, and a folder inside a profile. Behind each lies a folder of another place.
TEST_F(Form2Test, AFolderReachedThroughALinkIsNeitherCountedNorEmptied) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share] = {Link("temp"), Dir("Windows"), Dir("inetpub")};
  folders->tree[share + "\\inetpub"] = {Link("logs")};  // a volume mounted there
  folders->volumes.insert(share + "\\inetpub\\logs");
  folders->tree[share + "\\inetpub\\logs"] = {File("l", 1048576 * 10)};
  folders->tree[share + "\\temp"] = {File("data", 1048576 * 50)};  // C:\temp -> D:\data
  folders->tree[share + "\\Windows"] = {Link("SoftwareDistribution")};
  folders->tree[share + "\\Windows\\SoftwareDistribution\\Download"] = {File("d", 1048576 * 40)};
  folders->tree[share + "\\users"] = {Dir("admin"), Link("evil"), Dir("moved")};
  folders->tree[share + "\\users\\admin\\AppData\\Local\\Temp"] = {File("x", 1048576 * 2)};
  folders->tree[share + "\\users\\evil\\AppData\\Local\\Temp"] = {File("e", 1048576 * 30)};
  folders->tree[share + "\\users\\moved\\AppData"] = {Link("Local", 0)};  // as Wine lists a link
  folders->tree[share + "\\users\\moved\\AppData\\Local\\Temp"] = {File("m", 1048576 * 20)};
  form->Show();
  Count();
  EXPECT_EQ(SizeTexts(), (std::vector<std::string>{"0 MB", "0 MB", "0 MB", "0 MB", "2 MB", "0 MB"}));
  EXPECT_EQ(form->Label11.Text(), "2 MB");

  form->SpeedButton2.Click();
  form->SpeedButton3.Click();
  form->SpeedButton4.Click();
  EXPECT_EQ(dialogs.information,
            (std::vector<std::string>{
                "Папка «\\\\srv01\\c$\\temp» — ссылка на другую папку. Файлы не удалены.",
                "Путь к папке «\\\\srv01\\c$\\Windows\\SoftwareDistribution\\Download» проходит через ссылку "
                "«\\\\srv01\\c$\\Windows\\SoftwareDistribution». Файлы не удалены.",
                "Папка «\\\\srv01\\c$\\inetpub\\logs» — точка подключения тома. Файлы не удалены."}));
  EXPECT_FALSE(folders->Deleted());
  EXPECT_EQ(form->Label7.Text(), "0 MB");
  form->SpeedButton5.Click();
  EXPECT_EQ(dialogs.information.back(),
            "Ссылки на другие папки пропущены, файлы за ними не удалены:\r\n\\\\srv01\\c$\\users\\evil\r\n"
            "\\\\srv01\\c$\\users\\moved\\AppData\\Local");
  EXPECT_EQ(folders->Count(share + "\\users\\admin\\AppData\\Local\\Temp"), 0u);
  EXPECT_EQ(form->Label10.Text(), "0 MB");
  EXPECT_TRUE(folders->Faults().empty()) << folders->Faults()[0];
  for (const char* target : {"\\temp", "\\Windows\\SoftwareDistribution\\Download", "\\users\\evil\\AppData\\Local\\Temp",
                             "\\users\\moved\\AppData\\Local\\Temp"}) {
    EXPECT_EQ(folders->Count(share + target), 1u) << target;
  }
}

// A link that cannot be removed (Wine opens its target), one that stays although its removal said
// yes, a volume mounted below, a folder that cannot be looked into: the row deletes nothing at
// all, not even the links that could have gone, and says why.
TEST_F(Form2Test, WhenALinkBelowCannotBeRemovedOrCheckedNothingIsDeleted) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\windows\\temp"] = {File("a", 1048576), Link("early"), Dir("sub")};
  folders->tree[share + "\\windows\\temp\\sub"] = {Link("out")};
  folders->tree[share + "\\windows\\temp\\sub\\out"] = {File("precious", 1048576)};
  folders->tree[share + "\\users\\a\\AppData\\Local\\Temp"] = {File("x", 1048576)};
  folders->tree[share + "\\users\\b\\AppData\\Local\\Temp"] = {Link("out")};
  form->Show();
  Count();
  for (auto removal : {FakeFolders::Removal::Fails, FakeFolders::Removal::LeavesTheLink}) {
    folders->removal = removal;
    form->SpeedButton1.Click();
    form->SpeedButton5.Click();
  }
  folders->removal = FakeFolders::Removal::Removes;
  folders->volumes.insert(share + "\\windows\\temp\\sub\\out");
  form->SpeedButton1.Click();
  folders->unlistable.insert(share + "\\windows\\temp\\sub");
  form->SpeedButton1.Click();
  EXPECT_FALSE(folders->Deleted());
  const std::string failed = "Возникла ошибка! Файлы не удалены.\r\n";
  EXPECT_EQ(dialogs.information,
            (std::vector<std::string>{failed + "Не удалось удалить ссылку «\\\\srv01\\c$\\windows\\temp\\early».",
                                      failed + "Ссылка в папке «\\\\srv01\\c$\\windows\\temp» осталась после удаления.",
                                      failed + "Папка «\\\\srv01\\c$\\windows\\temp\\sub\\out» — точка подключения тома.",
                                      failed + "Не удалось проверить папку «\\\\srv01\\c$\\windows\\temp\\sub»."}));
  EXPECT_EQ(dialogs.errors,
            (std::vector<std::string>{
                "Не удалось удалить ссылку «\\\\srv01\\c$\\users\\b\\AppData\\Local\\Temp\\out». Файлы не удалены.",
                "Ссылка в папке «\\\\srv01\\c$\\users\\b\\AppData\\Local\\Temp» осталась после удаления. Файлы не удалены."}));
  EXPECT_EQ(form->Label6.Text(), "1 MB");  // labels keep their text
  EXPECT_EQ(folders->Count(share + "\\windows\\temp"), 3u);  // "early" too
  EXPECT_EQ(folders->Count(share + "\\users\\a\\AppData\\Local\\Temp"), 1u);  // profile a waited for b
}

// The count saw real folders; by the time a button is pressed one of them has become a link and
// a new link has appeared below another.
TEST_F(Form2Test, TheButtonsCheckWhatTheFoldersHoldWhenPressed) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\temp"] = {File("t", 1048576)};
  folders->tree[share + "\\windows\\temp"] = {File("a", 1048576)};
  form->Show();
  Count();
  folders->tree[share] = {Link("temp")};
  folders->tree[share + "\\windows\\temp"].push_back(Link("new"));
  folders->tree[share + "\\windows\\temp\\new"] = {File("precious", 1048576)};
  form->SpeedButton2.Click();
  EXPECT_FALSE(folders->Deleted());
  form->SpeedButton1.Click();
  std::vector<std::string> calls = folders->Calls();
  auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
  EXPECT_LT(at("delete " + share + "\\windows\\temp\\new"), at("delete " + share + "\\windows\\temp\\a"));
  EXPECT_TRUE(folders->Faults().empty()) << folders->Faults()[0];
  EXPECT_EQ(folders->Detached(share + "\\windows\\temp\\new"), 1u);
  EXPECT_EQ(SizeTexts()[0], "0 MB");
  EXPECT_EQ(SizeTexts()[1], "0 MB");
}

// While a button sweeps the links below a folder, someone on the server renames the folder away and
// puts a link to another place under its name: that place must not be emptied.
TEST_F(Form2Test, AFolderSwappedForALinkDuringTheButtonsWorkIsNotEmptied) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\temp"] = {File("t", 1048576)};
  folders->tree[share + "\\users\\aaa\\AppData\\Local\\Temp"] = {File("a", 1048576)};
  folders->tree[share + "\\users\\zed\\AppData\\Local\\Temp"] = {File("z", 1048576)};
  form->Show();
  Count();
  auto swapOnSweep = [&](const std::string& sweep, const std::string& folder) {
    folders->onList = [=, this, done = false](const std::string& pattern) mutable {
      if (done || pattern != sweep) return;
      done = true;
      folders->Swap(folder, {File("precious", 1048576)});
    };
  };
  swapOnSweep(share + "\\temp\\*.*", share + "\\temp");
  form->SpeedButton2.Click();
  // aaa's Temp is swapped while zed's is still being swept.
  swapOnSweep(share + "\\users\\zed\\AppData\\Local\\Temp\\*.*", share + "\\users\\aaa\\AppData\\Local\\Temp");
  form->SpeedButton5.Click();
  EXPECT_FALSE(folders->Deleted());
  EXPECT_EQ(dialogs.information, std::vector<std::string>{"Возникла ошибка! Файлы не удалены.\r\n"
                                                          "Папку «\\\\srv01\\c$\\temp» подменили во время проверки."});
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Папку «\\\\srv01\\c$\\users\\aaa\\AppData\\Local\\Temp» "
                                                     "подменили во время проверки. Файлы не удалены."});
}

// The links are gone and the deletion has begun when a subfolder not yet reached is swapped for a
// link, and a link is made in another: the swapped one stops the deletion, the new link goes as a
// link; nothing behind either is touched.
TEST_F(Form2Test, WhatChangesWhileTheButtonDeletesIsNeverFollowed) {
  const std::string share = "\\\\srv01\\c$";
  folders->tree[share + "\\windows\\temp"] = {File("a", 1048576), Dir("deep"), Dir("sub"), File("z", 1048576)};
  folders->tree[share + "\\windows\\temp\\deep"] = {File("b", 1048576)};
  folders->tree[share + "\\windows\\temp\\sub"] = {File("c", 1048576)};
  form->Show();
  Count();
  EXPECT_EQ(SizeTexts()[0], "4 MB");
  folders->onOpen = [&](const std::string& path) {
    if (path != share + "\\windows\\temp\\a") return;  // the first file deleted
    folders->tree[share + "\\windows\\temp\\deep"].push_back(Link("new"));
    folders->tree[share + "\\windows\\temp\\deep\\new"] = {File("precious", 1048576)};
    folders->Swap(share + "\\windows\\temp\\sub", {File("precious", 1048576)});
  };
  form->SpeedButton1.Click();
  // A folder being emptied is made a junction (its entries were moved out meanwhile): what its
  // path now leads to is not touched.
  folders->tree[share + "\\temp\\held"] = {File("x", 1048576)};
  folders->onOpen = [&](const std::string& path) {
    if (path == share + "\\temp\\held\\x") folders->madeLinks.insert(share + "\\temp\\held");
  };
  form->SpeedButton2.Click();
  EXPECT_EQ(folders->Count(share + "\\temp\\held"), 1u);
  EXPECT_TRUE(folders->Faults().empty()) << folders->Faults()[0];
  EXPECT_EQ(folders->Detached(share + "\\windows\\temp\\deep\\new"), 1u);
  EXPECT_EQ(folders->Count(share + "\\windows\\temp\\sub"), 1u);  // behind the link that took sub's place
  EXPECT_EQ(dialogs.information,
            (std::vector<std::string>{
                "Возникла ошибка! Удалены не все файлы.\r\nНа месте «\\\\srv01\\c$\\windows\\temp\\sub» оказалась ссылка.",
                "Возникла ошибка! Файлы не удалены.\r\nПапку «\\\\srv01\\c$\\temp\\held» подменили во время удаления."}));
  EXPECT_EQ(SizeTexts()[0], "0 MB");  // measured again: the files went, sub's link is not counted
}

TEST_F(Form2Test, AFailedDeletionSaysSoAndKeepsTheLabelsRowFiveGoesToTheErrorBox) {
  folders->tree["\\\\srv01\\c$\\temp"] = {File("b", 1048576 * 3)};
  folders->tree["\\\\srv01\\c$\\users\\admin\\AppData\\Local\\Temp"] = {File("x", 100)};
  form->Show();
  Count();
  folders->failOpen = true;
  form->SpeedButton2.Click();
  EXPECT_EQ(dialogs.information, std::vector<std::string>{"Возникла ошибка! Файлы не удалены."});
  EXPECT_EQ(form->Label7.Text(), "3 MB");
  EXPECT_EQ(form->Label11.Text(), "3 MB");
  form->SpeedButton5.Click();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"The network path was not found."});
  EXPECT_EQ(dialogs.information.size(), 1u);
  // The same failure once a file has gone says so, and the row shows what is left.
  folders->failOpen = false;
  folders->tree["\\\\srv01\\c$\\windows\\temp"] = {File("a", 1048576), File("c", 1048576)};
  folders->onOpen = [&](const std::string& path) { folders->failOpen = path.back() == 'c'; };
  form->SpeedButton1.Click();
  EXPECT_EQ(dialogs.information.back(), "Возникла ошибка! Удалены не все файлы.\r\nThe network path was not found.");
  EXPECT_EQ(form->Label6.Text(), "1 MB");
}

TEST_F(Form2Test, ACountOvertakenByANewShowNeverWritesIntoTheNewFigures) {
  folders->tree["\\\\srv01\\c$\\temp"] = {File("b", 1048576 * 3)};
  form->Show();
  folders->gate = true;
  form->Button1.Click();  // the worker waits in its first listing
  form->Hide();
  form->Show();  // Fresh again while the old count runs
  EXPECT_TRUE(form->Button1.Enabled());
  folders->Release();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveCounts() == 0; }));
  dispatcher->RunPending();
  EXPECT_EQ(SizeTexts(), std::vector<std::string>(6, "неоценено"));
  EXPECT_EQ(form->Label11.Text(), "неоценено");
  EXPECT_FALSE(RowButtonsEnabled());
  Count();  // a new count from Fresh
  EXPECT_EQ(form->Label7.Text(), "3 MB");
}

TEST_F(Form2Test, ATextThatIsNoHostNameCountsNothing) {
  for (const char* name : {"", "srv01 /s", "..\\x", "srv\\c$"}) {
    server = name;
    form->Hide();
    form->Show();
    form->Button1.Click();
    EXPECT_TRUE(form->Button1.Enabled()) << name;  // still fresh
    EXPECT_FALSE(form->Label14.Visible());
  }
  EXPECT_EQ(dialogs.errors.size(), 4u);
  EXPECT_NE(dialogs.errors[0].find("«»"), std::string::npos);
  EXPECT_TRUE(folders->Calls().empty());
  server = "fe80::1";  // an IPv6 address in its share form
  form->Button1.Click();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveCounts() == 0; }));
  EXPECT_EQ(form->RowPaths()[1], "\\\\fe80--1.ipv6-literal.net\\c$\\temp\\");
}

TEST_F(Form1Test, TheTableMenuOpensTheCleanupDialogForTheCurrentRow) {
  int opened = 0;
  services.openCleanup = [&] { ++opened; };
  Create();
  form->StringGrid1.SetCell(3, 0, "srv01");
  form->StringGrid1.SetViewport(700, 400);
  form->StringGrid1.MouseDown(MouseButton::Right, 60, 5);
  EXPECT_EQ(form->FreeUp.caption, "Освободить место на сервере srv01");
  form->FreeUp.Click();
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace kestrane
