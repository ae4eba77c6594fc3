// The server list from a file and from the directory, against fakes of the dialog, the file
// system and the directory.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "forms/form1_fixture.h"
#include "forms/list_sources.h"

namespace kestrane {
namespace {

class FakeOpenDialog : public OpenFileDialog {
 public:
  std::optional<std::string> answer;
  std::vector<std::string> shownIn;
  std::optional<std::string> Choose(const std::string& initialDir) override {
    shownIn.push_back(initialDir);
    return answer;
  }
};

// A directory that answers with its records, failing at the named step when asked to.
class FakeDirectory : public DirectoryQuery {
 public:
  std::vector<std::string> records;
  std::string failAt;  // "connect", "open", "name 2", "count", ...
  std::vector<std::string> calls;
  int count = -2;  // what RecordCount says; -2: the number of records

  void Connect() override { Step("connect"); }
  void SetText(const std::string& text) override {
    Step("text " + text);
    at_ = 0;
  }
  void Open() override { Step("open"); }
  bool Eof() override { return at_ >= records.size(); }
  std::string Name() override {
    Step("name " + std::to_string(at_));
    return records[at_];
  }
  void Next() override { ++at_; }
  int RecordCount() override {
    Step("count");
    return count == -2 ? static_cast<int>(records.size()) : count;
  }

 private:
  void Step(const std::string& call) {
    calls.push_back(call);
    if (call == failAt || call.rfind(failAt + " ", 0) == 0) throw std::runtime_error("Table does not exist.");
  }
  std::size_t at_ = 0;
};

class ListSourcesTest : public Form1Test {
 protected:
  FakeOpenDialog dialog;
  FakeDirectory directory;
  std::map<std::string, std::string> files;
  std::string user = "corp.example\\admin";

  void SetUp() override {
    services.programFolder = "C:\\Tools\\Kestrane";
    services.openDialog = &dialog;
    services.directory = &directory;
    services.readFile = [this](const std::string& path) {
      auto it = files.find(path);
      if (it == files.end()) {
        throw std::runtime_error("Cannot open file \"" + path + "\". The system cannot find the file specified");
      }
      return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    };
    services.ansi = [](std::string_view bytes) { return std::string(bytes); };
    services.userName = [this](int format) { return format == kNameDnsDomain ? user : std::string(); };
  }
};

TEST_F(ListSourcesTest, AFileReplacesTheListAndTheLabelCountsItsEntries) {
  Create();
  files["C:\\lists\\three.txt"] = "srv1\nsrv2\nsrv3\n";
  files["C:\\lists\\gap.txt"] = "srv1\r\n\r\nsrv2\r";
  form->Memo2.SetText("old1\r\nold2");
  dialog.answer = "C:\\lists\\three.txt";
  form->Button1.Click();
  EXPECT_EQ(dialog.shownIn, std::vector<std::string>{"C:\\Tools\\Kestrane\\"});
  EXPECT_EQ(form->Memo2.Text(), "srv1\r\nsrv2\r\nsrv3\r\n");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 3");
  dialog.answer = "C:\\lists\\gap.txt";
  form->Button1.Click();
  EXPECT_EQ(form->Memo2.Lines(), (std::vector<std::string>{"srv1", "", "srv2"}));
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 3");
  EXPECT_EQ(dialog.shownIn.size(), 2u);  // the folder is set anew each time
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ListSourcesTest, ACancelledDialogKeepsTheListAndStillCountsIt) {
  Create();
  EXPECT_EQ(form->Label1.Text(), "Количество объектов:");  // the designed caption until a command
  form->Memo2.SetText("typed1\r\ntyped2\r\n");
  form->Button1.Click();
  EXPECT_EQ(form->Memo2.Text(), "typed1\r\ntyped2\r\n");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 2");
  form->Memo2.SetText("");
  form->Button1.Click();
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 0");
}

TEST_F(ListSourcesTest, AMissingFileIsReportedAndChangesNothing) {
  Create();
  form->Memo2.SetText("keep");
  form->Label1.SetText("Количество объектов: 7");
  dialog.answer = "C:\\lists\\missing.txt";
  form->Button1.Click();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0],
            "Cannot open file \"C:\\lists\\missing.txt\". The system cannot find the file specified.");
  EXPECT_EQ(form->Memo2.Text(), "keep");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 7");
}

TEST_F(ListSourcesTest, TheDirectoryListsTheServersOfTheUsersDomain) {
  directory.records = {"SRV01", "SRV02", "DC1"};
  Create();
  EXPECT_EQ(directory.calls, std::vector<std::string>{"connect"});  // opened with the window
  form->Memo2.SetText("old");
  form->Button2.Click();
  EXPECT_EQ(form->Memo2.Text(), "SRV01\r\nSRV02\r\nDC1\r\n");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 3");
  EXPECT_EQ(directory.calls,
            (std::vector<std::string>{"connect",
                                      "text select Name, operatingsystem from 'LDAP://corp.example' where "
                                      "objectclass='computer' and operatingsystem='*server*'",
                                      "open", "name 0", "name 1", "name 2", "count"}));
  directory.records = {"SRV09"};  // pressed again: the second answer only
  form->Button2.Click();
  EXPECT_EQ(form->Memo2.Text(), "SRV09\r\n");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 1");
  EXPECT_TRUE(dialogs.information.empty());
}

TEST_F(ListSourcesTest, ANameWithoutADomainQueriesTheEmptyDomain) {
  EXPECT_EQ(DomainOf("corp.example\\admin\\x"), "corp.example");
  EXPECT_EQ(DomainOf("admin"), "");
  EXPECT_EQ(DomainOf(""), "");
  EXPECT_EQ(ServerQueryText(""),
            "select Name, operatingsystem from 'LDAP://' where objectclass='computer' and operatingsystem='*server*'");
  user = "";  // the name cannot be had: a local account
  Create();
  form->Button2.Click();
  EXPECT_NE(directory.calls[1].find("from 'LDAP://' where"), std::string::npos);
}

TEST_F(ListSourcesTest, AFailedQueryEmptiesTheListKeepsTheLabelAndSaysSo) {
  directory.records = {"SRV01", "SRV02", "SRV03"};
  Create();
  form->Memo2.SetText("old1\r\nold2");
  form->Label1.SetText("Количество объектов: 2");
  directory.failAt = "open";
  form->Button2.Click();
  EXPECT_EQ(form->Memo2.Text(), "");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 2");
  EXPECT_EQ(dialogs.information, std::vector<std::string>{"Не могу получить список серверов из вашего домена!"});
  EXPECT_TRUE(dialogs.errors.empty());

  directory.failAt = "name 2";  // fails while reading: what was read stays
  form->Button2.Click();
  EXPECT_EQ(form->Memo2.Text(), "SRV01\r\nSRV02\r\n");
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 2");
  directory.failAt = "count";
  form->Button2.Click();
  EXPECT_EQ(form->Memo2.Lines().size(), 3u);
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 2");
  EXPECT_EQ(dialogs.information.size(), 3u);
}

TEST_F(ListSourcesTest, AConnectionThatFailsAtStartIsReportedAndTheWindowComesUp) {
  directory.failAt = "connect";
  Create();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Table does not exist."});
  EXPECT_EQ(form->Timer1.Interval(), 1800000u);  // the rest of the creation went on
  directory.failAt = "";
  directory.records = {"SRV01"};
  form->Button2.Click();  // the query opens a closed connection itself
  EXPECT_EQ(form->Memo2.Text(), "SRV01\r\n");
}

TEST_F(ListSourcesTest, AnUnknownRecordCountCountsTheNamesRead) {
  directory.records = {"A", "B"};
  directory.count = -1;
  Create();
  form->Button2.Click();
  EXPECT_EQ(form->Label1.Text(), "Количество объектов: 2");
}

}  // namespace
}  // namespace kestrane
