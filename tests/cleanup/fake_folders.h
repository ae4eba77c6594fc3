// A recording file system for the clean-up: folders by path, links, holds and entries opened
// through handles, and changes made by someone else meanwhile.
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
// link is noted. An entry is deleted through its handle, when that closes.
class FakeFolders : public FolderService {
 public:
  std::map<std::string, std::vector<FolderEntry>> tree;
  std::map<std::string, std::vector<FolderEntry>> detached;  // the targets of links removed, by link path
  std::vector<std::string> calls;
  std::set<std::string> unlistable;  // folders whose listing cannot be opened
  std::set<std::string> volumes;     // links that are folders where a volume is mounted
  std::set<std::string> madeLinks;   // held folders emptied and made junctions by someone else
  bool failOpen = false;
  // Fails: opening a link opens its target, as Wine does; LeavesTheLink: its removal says yes and
  // it stays.
  enum class Removal { Removes, Fails, LeavesTheLink } removal = Removal::Removes;
  bool gate = false;  // listings wait until released
  std::function<void(const std::string& pattern)> onList;  // what happens on the server meanwhile
  std::function<void(const std::string& path)> onOpen;

  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override {
    if (onList) onList(pattern);
    std::vector<FolderEntry> entries;
    {
      std::unique_lock lock(mutex_);
      released_.wait(lock, [&] { return !gate; });
      calls.push_back("list " + pattern);
      const std::string folder = FolderOf(pattern);
      if (ThroughLink(folder)) calls.push_back("THROUGH LINK list " + folder);
      if (unlistable.count(folder) || !Exists(folder)) return false;
      entries = EntriesOf(folder);
    }
    each(Dir("."));
    each(Dir(".."));
    for (const FolderEntry& e : entries) each(e);
    return true;
  }
  std::unique_ptr<HeldEntry> OpenEntry(const std::string& path) override {
    if (onOpen) onOpen(path);
    std::lock_guard lock(mutex_);
    calls.push_back("open " + path);
    if (failOpen) throw std::runtime_error("The network path was not found");
    const std::string parent = path.substr(0, path.rfind('\\')), name = path.substr(path.rfind('\\') + 1);
    if (ThroughLink(parent)) calls.push_back("THROUGH LINK open " + path);
    struct Entry : HeldEntry {
      FakeFolders* fake;
      std::string path, parent, name;
      EntryKind kind;
      bool target = false;  // opened what a link leads to, as Wine does
      bool marked = false;
      EntryKind Kind() override { return kind; }
      bool StillAFolder() override {
        std::lock_guard lock(fake->mutex_);
        return kind == EntryKind::Folder && !fake->madeLinks.count(path);
      }
      std::string Name() override { return target ? "\\\\elsewhere\\" + name : path; }
      bool List(const std::function<void(const FolderEntry&)>& each) override {
        return kind == EntryKind::Folder && fake->List(path + "\\*.*", each);
      }
      bool MarkDeleted(bool deleted) override {
        marked = deleted;
        return true;
      }
      ~Entry() override {
        if (marked) fake->Delete(*this);
      }
    };
    for (const FolderEntry& e : EntriesOf(parent)) {
      if (!Same(e.name, name)) continue;
      auto entry = std::make_unique<Entry>();
      entry->fake = this;
      entry->path = path;
      entry->parent = parent;
      entry->name = e.name;
      entry->target = IsLink(e) && !volumes.count(path) && removal == Removal::Fails;
      entry->kind = !IsLink(e)           ? ((e.attributes & attributes::kDirectory) ? EntryKind::Folder : EntryKind::File)
                    : volumes.count(path) ? EntryKind::MountedVolume
                    : entry->target       ? EntryKind::Folder
                                          : EntryKind::Link;
      return entry;
    }
    return nullptr;
  }
  // Holds a folder; the test's changes to it (Swap) show on the hold.
  std::unique_ptr<FolderHold> Hold(const std::string& folder) override {
    std::lock_guard lock(mutex_);
    calls.push_back("hold " + folder);
    if (ThroughLink(folder) || !Exists(folder)) return nullptr;
    struct Held : FolderHold {
      FakeFolders* fake;
      std::string folder;
      int generation;
      bool StillThere() override {
        std::lock_guard lock(fake->mutex_);
        return fake->generations_[Lower(folder)] == generation && !fake->ThroughLink(folder) && fake->Exists(folder);
      }
      bool StillAFolder() override { return true; }  // what is held stays what it is
      std::string Name() override { return folder; }
      bool List(const std::function<void(const FolderEntry&)>& each) override {
        return fake->List(folder + "\\*.*", each);
      }
    };
    auto held = std::make_unique<Held>();
    held->fake = this;
    held->folder = folder;
    held->generation = generations_[Lower(folder)];
    return held;
  }
  // The folder is renamed away and a link to `target`'s content put in its place, as someone with
  // rights on its parent could do on the server while a button is at work.
  void Swap(const std::string& folder, std::vector<FolderEntry> target) {
    const std::string parent = folder.substr(0, folder.rfind('\\')), name = folder.substr(folder.rfind('\\') + 1);
    std::vector<FolderEntry> siblings = EntriesOf(parent);
    std::erase_if(siblings, [&](const FolderEntry& e) { return Same(e.name, name); });
    siblings.push_back(Link(name));
    std::erase_if(tree, [&](const auto& item) { return Same(item.first.substr(0, folder.size()), folder); });
    tree[parent] = siblings;
    tree[folder] = std::move(target);
    ++generations_[Lower(folder)];
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
  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  static std::string Trim(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    // "\\srv\c$\temp\\*.*": the doubled backslash before the name counts as one.
    for (std::size_t i; (i = path.find("\\\\", 2)) != std::string::npos;) path.erase(i, 1);
    return path;
  }
  static std::string FolderOf(const std::string& pattern) { return Trim(pattern.substr(0, pattern.rfind('\\'))); }
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
  template <typename Entry>
  void Delete(const Entry& entry) {
    std::lock_guard lock(mutex_);
    if ((entry.kind == EntryKind::Folder && !EntriesOf(entry.path).empty()) ||
        (entry.kind == EntryKind::Link && removal == Removal::LeavesTheLink)) {
      calls.push_back("kept " + entry.path);
      return;
    }
    calls.push_back("delete " + entry.path);
    std::vector<FolderEntry> siblings = EntriesOf(entry.parent);
    std::erase_if(siblings, [&](const FolderEntry& e) { return Same(e.name, entry.name); });
    Stored(entry.parent) = siblings;
    for (auto item = tree.begin(); item != tree.end();) {
      if (Same(item->first, entry.path) || Same(item->first.substr(0, entry.path.size() + 1), entry.path + "\\")) {
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
};

}  // namespace kestrane
