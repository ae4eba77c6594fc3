// Emptying a row's folder against a file system that changes or fails at a chosen step: every check
// before the first delete fails closed, and during the deletion an entry goes only as what its
// folder's handle listed and its own handle names.
#include <gtest/gtest.h>

#include "cleanup/fake_folders.h"
#include "cleanup/messages.h"
#include "cleanup/row_folders.h"

namespace kestrane {
namespace {

const std::string kTemp = "\\\\srv\\c$\\windows\\temp";

struct Outcome {
  std::string text;  // the refusal's reason, or the notice ("" when emptied)
  bool deletedSome = false;
};
Outcome Empty(FolderService& folders, const std::string& folder) {
  try {
    return {EmptyShareFolder(folders, folder)};
  } catch (const CleanupRefused& refused) {
    return {refused.Reason(), refused.DeletedSome()};
  }
}

// Reaching and holding the way, the link sweep (all links marked or none), the look for links left
// and the way walked again: each call failing at its step stops the row before any file goes; links
// go only once the sweep has removed all of them.
TEST(BeforeTheFirstDelete, ACheckThatFailsDeletesNothing) {
  const std::string early = kTemp + "\\early", sub = kTemp + "\\sub", out = sub + "\\out";
  struct Case {
    std::string call;
    int time;
    std::string reason;
    bool linksGone = false;
  };
  for (const Case& test : std::vector<Case>{
           {"list \\\\srv\\c$\\*.*", 1, FolderUnchecked("\\\\srv\\c$")},
           {"hold \\\\srv\\c$\\windows", 1, FolderUnchecked("\\\\srv\\c$\\windows")},
           {"name " + kTemp, 1, FolderUnchecked(kTemp)},
           {"open " + early, 1, LinkNotRemoved(early)},
           {"open " + sub, 1, FolderUnchecked(sub)},
           {"list held " + sub, 1, FolderUnchecked(sub)},
           {"name " + early, 1, EntryUnchecked(early)},
           {"mark " + out, 1, LinkNotRemoved(out)},  // `early` was marked first
           {"list " + sub + "\\*.*", 1, FolderUnchecked(sub), true},
           {"list \\\\srv\\c$\\*.*", 2, FolderSwapped(kTemp, Stage::Check), true},
           {"still there \\\\srv\\c$\\windows", 1, FolderSwapped("\\\\srv\\c$\\windows", Stage::Check), true},
       }) {
    FakeFolders folders;
    folders.tree[kTemp] = {File("a", 1), Link("early"), Dir("sub")};
    folders.tree[early] = {File("precious", 1)};
    folders.tree[sub] = {Link("out"), File("b", 1)};
    folders.tree[out] = {File("precious", 1)};
    folders.failing[test.call] = test.time;
    EXPECT_EQ(Empty(folders, kTemp + "\\").text, test.reason) << test.call;
    for (const std::string& call : folders.Calls()) {
      const bool link = call == "delete " + early || call == "delete " + out;
      EXPECT_TRUE(call.rfind("delete ", 0) != 0 || (link && test.linksGone)) << test.call << ": " << call;
    }
  }
}

// Wine lists a link to a file as a plain file and opens its target: only the handle's own path
// tells that the entry is elsewhere.
TEST(DuringTheDeletion, AnEntryWhoseHandleNamesAnotherPlaceStays) {
  FakeFolders folders;
  folders.tree[kTemp] = {File("f", 1)};
  folders.tree["\\\\srv\\c$\\secret"] = {File("f", 1)};
  folders.opensAs[kTemp + "\\f"] = "\\\\srv\\c$\\secret\\f";
  EXPECT_EQ(Empty(folders, kTemp).text, LinkInPlace(kTemp + "\\f"));
  EXPECT_EQ(folders.Count("\\\\srv\\c$\\secret"), 1u);
}

// A subfolder already held and checked is renamed away and a link put under its name before it is
// listed (a Unix process under Wine is not bound by the hold): it is listed through its handle, and
// what the link leads to is neither listed nor deleted.
TEST(DuringTheDeletion, AHeldSubfolderIsListedThroughItsHandle) {
  FakeFolders folders;
  const std::string sub = kTemp + "\\sub";
  folders.tree[sub] = {File("s", 1)};
  folders.onCall = [&, checks = 0](const std::string& call) mutable {
    if (call != "still a folder " + kTemp || ++checks != 2) return;  // the deletion has opened sub
    folders.Rename(sub, sub + ".moved");
    folders.tree[kTemp].push_back(Link("sub"));
    folders.tree[sub] = {File("s", 1)};  // the link's target
  };
  EXPECT_EQ(Empty(folders, kTemp).text, LinkInPlace(sub + "\\s"));
  for (const std::string& fault : folders.Faults()) EXPECT_EQ(fault.rfind("THROUGH LINK list", 0), std::string::npos) << fault;
  EXPECT_EQ(folders.Count(sub), 1u);
  EXPECT_EQ(folders.Count(sub + ".moved"), 1u);
}

// The row's folder is moved away while it is emptied: what is left cannot be opened by its path,
// and the row must not say it was emptied.
TEST(DuringTheDeletion, AFolderMovedAwayIsNotReportedEmptied) {
  FakeFolders folders;
  const std::string logs = "\\\\srv\\c$\\inetpub\\logs";
  folders.tree[logs] = {File("l1", 1), File("l2", 1)};
  folders.onOpen = [&](const std::string& path) {
    if (path == logs + "\\l2") folders.Rename("\\\\srv\\c$\\inetpub", "\\\\srv\\c$\\inetpub.moved");
  };
  const Outcome outcome = Empty(folders, logs);
  EXPECT_EQ(outcome.text, FolderSwapped(logs, Stage::Deletion));
  EXPECT_TRUE(outcome.deletedSome);
  EXPECT_EQ(folders.Count("\\\\srv\\c$\\inetpub.moved\\logs"), 1u);
}

}  // namespace
}  // namespace kestrane
