// A recording file system for the clean-up: folders by path, links, holds and entries opened
// through handles, changes made by someone else at any step, and any call made to fail.
#pragma once

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cleanup/listing.h"
#include "platform/folders.h"

namespace kestrane {

inline constexpr std::uint32_t kJunction = 0xA0000003;

inline FolderEntry File(const std::string& name, std::int64_t size, std::uint32_t attrs = 0x20) {
  return FolderEntry{name, attrs, 0, static_cast<std::uint32_t>(size >> 32), static_cast<std::uint32_t>(size)};
}
inline FolderEntry Dir(const std::string& name, std::uint32_t attrs = attributes::kDirectory) { return FolderEntry{name, attrs}; }
inline FolderEntry Link(const std::string& name, std::uint32_t tag = kJunction) {
  return FolderEntry{name, attributes::kDirectory | attributes::kReparsePoint, tag};
}

// Folders by their path without the trailing backslash, matched without case. A folder named as a
// key holds its entries; every folder above it lists the next step down as a folder. An entry
// that is a link makes what is stored under its path the link's target: reaching that through the
// link is noted, and a handle opened there names the place it truly is ("\\elsewhere\..."). An
// entry is deleted through its handle, when that closes. Holds and open entries go along when
// their folder is renamed.
class FakeFolders : public FolderService {
 public:
  std::map<std::string, std::vector<FolderEntry>> tree;
  std::map<std::string, std::vector<FolderEntry>> detached;  // the targets of links removed, by link path
  std::vector<std::string> calls;
  std::set<std::string> unlistable;  // folders whose listing cannot be opened
  std::set<std::string> volumes;     // links that are folders where a volume is mounted
  std::set<std::string> madeLinks;   // held folders emptied and made junctions by someone else
  // Entries listed as plain files that open as another (Wine lists a link to a file so, and opens
  // its target), by path.
  std::map<std::string, std::string> opensAs;
  // Calls that fail, by their record ("open P", "mark P", "name P", "still there P", "still a
  // folder P", "hold P", "list P\*.*", "list held P"), at the n-th time they are made (0: every time).
  std::map<std::string, int> failing;
  bool failOpen = false;
  // Fails: opening a link opens its target, as Wine does; LeavesTheLink: its removal says yes and
  // it stays.
  enum class Removal { Removes, Fails, LeavesTheLink } removal = Removal::Removes;
  bool gate = false;  // listings wait until released
  std::function<void(const std::string& pattern)> onList;  // what happens on the server meanwhile
  std::function<void(const std::string& path)> onOpen;
  std::function<void(const std::string& call)> onCall;  // before any call, by its record

  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override {
    return ListAs("list " + pattern, pattern, each);
  }
  std::unique_ptr<HeldEntry> OpenEntry(const std::string& asked) override {
    if (onOpen) onOpen(asked);
    const bool fails = Fails("open " + asked);
    std::lock_guard lock(mutex_);
    if (failOpen) throw std::runtime_error("The network path was not found");
    const std::string path = opensAs.count(asked) ? opensAs[asked] : asked;
    const std::string parent = ParentOf(path), name = NameOf(path);
    if (ThroughLink(parent)) calls.push_back("THROUGH LINK open " + path);
    struct Entry : HeldEntry {
      FakeFolders* fake;
      std::string path;
      EntryKind kind;
      bool elsewhere = false;  // opened what a link leads to: its handle names another place
      bool marked = false;
      EntryKind Kind() override { return kind; }
      bool StillAFolder() override {
        if (fake->Fails("still a folder " + path)) return false;
        std::lock_guard lock(fake->mutex_);
        return kind == EntryKind::Folder && !fake->madeLinks.count(path);
      }
      std::string Name() override {
        if (fake->Fails("name " + path)) return "";
        return elsewhere ? "\\\\elsewhere\\" + NameOf(path) : path;
      }
      bool List(const std::function<void(const FolderEntry&)>& each) override {
        return kind == EntryKind::Folder && fake->ListAs("list held " + path, path + "\\*.*", each);
      }
      bool MarkDeleted(bool deleted) override {
        if (fake->Fails("mark " + path)) return false;
        marked = deleted;
        return true;
      }
      ~Entry() override {
        if (marked) fake->Delete(path, kind);
        fake->Forget(path);
      }
    };
    if (fails) return nullptr;
    for (const FolderEntry& e : EntriesOf(parent)) {
      if (!Same(e.name, name)) continue;
      auto entry = std::make_unique<Entry>();
      entry->fake = this;
      entry->path = path;
      const bool target = IsLink(e) && !volumes.count(path) && removal == Removal::Fails;
      entry->elsewhere = target || ThroughLink(parent);
      entry->kind = !IsLink(e)           ? ((e.attributes & attributes::kDirectory) ? EntryKind::Folder : EntryKind::File)
                    : volumes.count(path) ? EntryKind::MountedVolume
                    : target              ? EntryKind::Folder
                                          : EntryKind::Link;
      live_.insert(&entry->path);
      return entry;
    }
    return nullptr;
  }
  // Holds a folder; the test's changes to it (Swap, Rename) show on the hold.
  std::unique_ptr<FolderHold> Hold(const std::string& folder) override {
    const bool fails = Fails("hold " + folder);
    std::lock_guard lock(mutex_);
    if (fails || ThroughLink(folder) || !Exists(folder)) return nullptr;
    struct Held : FolderHold {
      FakeFolders* fake;
      std::string folder, path;  // as held, and where it is now
      int generation;
      bool StillThere() override {
        if (fake->Fails("still there " + folder)) return false;
        std::lock_guard lock(fake->mutex_);
        return path == folder && fake->generations_[Lower(folder)] == generation && !fake->ThroughLink(folder) &&
               fake->Exists(folder);
      }
      bool StillAFolder() override { return !fake->Fails("still a folder " + path); }  // what is held stays what it is
      std::string Name() override { return fake->Fails("name " + path) ? "" : path; }
      bool List(const std::function<void(const FolderEntry&)>& each) override {
        return fake->ListAs("list held " + path, path + "\\*.*", each);
      }
      ~Held() override { fake->Forget(path); }
    };
    auto held = std::make_unique<Held>();
    held->fake = this;
    held->folder = held->path = folder;
    held->generation = generations_[Lower(folder)];
    live_.insert(&held->path);
    return held;
  }
  // The folder is renamed away and a link to `target`'s content put in its place, as someone with
  // rights on its parent could do on the server while a button is at work.
  void Swap(const std::string& folder, std::vector<FolderEntry> target) {
    const std::string parent = ParentOf(folder), name = NameOf(folder);
    std::vector<FolderEntry> siblings = EntriesOf(parent);
    std::erase_if(siblings, [&](const FolderEntry& e) { return Same(e.name, name); });
    siblings.push_back(Link(name));
    std::erase_if(tree, [&](const auto& item) { return Same(item.first.substr(0, folder.size()), folder); });
    tree[parent] = siblings;
    tree[folder] = std::move(target);
    ++generations_[Lower(folder)];
  }
  // `from` renamed to `to` in the same folder; what is held or open in it goes along.
  void Rename(const std::string& from, const std::string& to) {
    std::lock_guard lock(mutex_);
    std::vector<FolderEntry> siblings = EntriesOf(ParentOf(from));
    for (FolderEntry& e : siblings) {
      if (Same(e.name, NameOf(from))) e.name = NameOf(to);
    }
    Stored(ParentOf(from)) = siblings;
    std::map<std::string, std::vector<FolderEntry>> moved;
    for (auto item = tree.begin(); item != tree.end();) {
      if (!Under(item->first, from)) {
        ++item;
        continue;
      }
      moved[to + item->first.substr(from.size())] = item->second;
      item = tree.erase(item);
    }
    tree.merge(moved);
    for (std::string* path : live_) {
      if (Under(*path, from)) *path = to + path->substr(from.size());
    }
    ++generations_[Lower(from)];
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      gate = false;
    }
    released_.notify_all();
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls;
  }
  std::vector<std::string> Faults() {
    std::vector<std::string> out;
    for (const std::string& call : Calls()) {
      if (call.rfind("THROUGH LINK", 0) == 0) out.push_back(call);
    }
    return out;
  }
  bool Deleted() {
    for (const std::string& call : Calls()) {
      if (call.rfind("delete ", 0) == 0) return true;
    }
    return false;
  }
  std::size_t Detached(const std::string& folder) {
    std::lock_guard lock(mutex_);
    return detached.count(folder) ? detached[folder].size() : 0;
  }
  std::size_t Count(const std::string& folder) {
    std::lock_guard lock(mutex_);
    return EntriesOf(folder).size();
  }

 private:
  static bool Same(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  }
  static bool Under(const std::string& path, const std::string& folder) {
    return Same(path, folder) || Same(path.substr(0, folder.size() + 1), folder + "\\");
  }
  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  static std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }
  static std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
  static std::string Trim(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    // "\\srv\c$\temp\\*.*": the doubled backslash before the name counts as one.
    for (std::size_t i; (i = path.find("\\\\", 2)) != std::string::npos;) path.erase(i, 1);
    return path;
  }
  static std::string FolderOf(const std::string& pattern) { return Trim(pattern.substr(0, pattern.rfind('\\'))); }
  // Records the call and tells whether it fails.
  bool Fails(const std::string& call) {
    if (onCall) onCall(call);
    std::lock_guard lock(mutex_);
    return Made(call);
  }
  bool Made(const std::string& call) {
    calls.push_back(call);
    const int made = ++made_[call];
    const auto fail = failing.find(call);
    return fail != failing.end() && (fail->second == 0 || fail->second == made);
  }
  bool ListAs(const std::string& call, const std::string& pattern, const std::function<void(const FolderEntry&)>& each) {
    if (onList) onList(pattern);
    if (onCall) onCall(call);
    std::vector<FolderEntry> entries;
    {
      std::unique_lock lock(mutex_);
      released_.wait(lock, [&] { return !gate; });
      const bool fails = Made(call);
      const std::string folder = FolderOf(pattern);
      if (ThroughLink(folder)) calls.push_back("THROUGH LINK list " + folder);
      if (fails || unlistable.count(folder) || !Exists(folder)) return false;
      entries = EntriesOf(folder);
    }
    each(Dir("."));
    each(Dir(".."));
    for (const FolderEntry& e : entries) each(e);
    return true;
  }
  void Forget(std::string& path) {
    std::lock_guard lock(mutex_);
    live_.erase(&path);
  }
  const std::vector<FolderEntry>* Find(const std::string& folder) const {
    for (const auto& [key, entries] : tree) {
      if (Same(key, folder)) return &entries;
    }
    return nullptr;
  }
  std::vector<FolderEntry>& Stored(const std::string& folder) {
    for (auto& [key, entries] : tree) {
      if (Same(key, folder)) return entries;
    }
    return tree[folder];
  }
  // The next step down of every stored folder below `folder`.
  std::vector<std::string> Below(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [key, entries] : tree) {
      if (key.size() <= folder.size() + 1 || !Same(key.substr(0, folder.size() + 1), folder + "\\")) continue;
      std::string rest = key.substr(folder.size() + 1);
      names.push_back(rest.substr(0, rest.find('\\')));
    }
    return names;
  }
  bool Exists(const std::string& folder) { return Find(folder) || !Below(folder).empty(); }
  std::vector<FolderEntry> EntriesOf(const std::string& folder) {
    std::vector<FolderEntry> entries = Find(folder) ? *Find(folder) : std::vector<FolderEntry>{};
    for (const std::string& name : Below(folder)) {
      if (std::none_of(entries.begin(), entries.end(), [&](const FolderEntry& e) { return Same(e.name, name); })) {
        entries.push_back(Dir(name));
      }
    }
    return entries;
  }
  // Whether a step on the way to `path`, below "\\\\server\\share", is stored as a link.
  bool ThroughLink(const std::string& path) const {
    std::size_t at = path.find('\\', path.find('\\', 2) + 1);
    while (at != std::string::npos) {
      const std::size_t next = path.find('\\', at + 1);
      const std::string name = path.substr(at + 1, next == std::string::npos ? next : next - at - 1);
      if (const auto* entries = Find(path.substr(0, at))) {
        for (const FolderEntry& e : *entries) {
          if (Same(e.name, name) && IsLink(e)) return true;
        }
      }
      at = next;
    }
    return false;
  }
  // An entry marked through its handle goes as the handle closes: a folder only when empty, a link
  // as a link (what lay behind it is kept aside, whole).
  void Delete(const std::string& path, EntryKind kind) {
    std::lock_guard lock(mutex_);
    if ((kind == EntryKind::Folder && !EntriesOf(path).empty()) ||
        (kind == EntryKind::Link && removal == Removal::LeavesTheLink)) {
      calls.push_back("kept " + path);
      return;
    }
    calls.push_back("delete " + path);
    std::vector<FolderEntry> siblings = EntriesOf(ParentOf(path));
    std::erase_if(siblings, [&](const FolderEntry& e) { return Same(e.name, NameOf(path)); });
    Stored(ParentOf(path)) = siblings;
    for (auto item = tree.begin(); item != tree.end();) {
      if (Under(item->first, path)) {
        detached[item->first] = item->second;
        item = tree.erase(item);
      } else {
        ++item;
      }
    }
  }
  std::mutex mutex_;
  std::condition_variable released_;
  std::map<std::string, int> generations_;
  std::map<std::string, int> made_;
  std::set<std::string*> live_;  // the paths of the holds and entries open now
};

}  // namespace kestrane
