#include "cleanup/messages.h"

#include "cleanup/share_path.h"

namespace kestrane {
namespace {

std::string Quoted(const std::string& path) { return "«" + WithoutBackslash(path) + "»"; }

// The reason, then whether files had gone.
std::string WithOutcome(const std::string& reason, bool deletedSome) {
  return reason + ' ' + (deletedSome ? "Удаление остановлено, часть файлов уже удалена." : "Файлы не удалены.");
}

std::string Unchecked(const std::string& what) { return "Не удалось проверить " + what + "."; }
std::string FolderIs(const std::string& folder, const std::string& what) {
  return "Папка " + Quoted(folder) + " — " + what + ".";
}
std::string Swapped(const std::string& what, Stage stage) {
  return what + " подменили во время " + (stage == Stage::Check ? "проверки" : "удаления") + ".";
}

}  // namespace

CleanupRefused::CleanupRefused(const std::string& reason, bool deletedSome)
    : std::runtime_error(WithOutcome(reason, deletedSome)), reason_(reason), deletedSome_(deletedSome) {}

std::string FolderUnchecked(const std::string& folder) { return Unchecked("папку " + Quoted(folder)); }
std::string EntryUnchecked(const std::string& path) { return Unchecked(Quoted(path)); }
std::string LinkNotRemoved(const std::string& path) { return "Не удалось удалить ссылку " + Quoted(path) + "."; }
std::string LinkLeft(const std::string& folder) { return "Ссылка в папке " + Quoted(folder) + " осталась после удаления."; }
std::string MountedVolume(const std::string& path) { return FolderIs(path, "точка подключения тома"); }
std::string LinkInPlace(const std::string& path) { return "На месте " + Quoted(path) + " оказалась ссылка."; }
std::string EntrySwapped(const std::string& path) { return Swapped(Quoted(path), Stage::Deletion); }
std::string FolderSwapped(const std::string& folder, Stage stage) { return Swapped("Папку " + Quoted(folder), stage); }

std::string FolderIsLinkNotice(const std::string& folder) {
  return WithOutcome(FolderIs(folder, "ссылка на другую папку"), false);
}
std::string PathThroughLinkNotice(const std::string& folder, const std::string& link) {
  return WithOutcome("Путь к папке " + Quoted(folder) + " проходит через ссылку " + Quoted(link) + ".", false);
}
std::string MountedVolumeNotice(const std::string& folder) { return WithOutcome(MountedVolume(folder), false); }

std::string LinksSkippedNotice(const std::vector<std::string>& links) {
  std::string text = "Ссылки на другие папки пропущены, файлы за ними не удалены:";
  for (const std::string& link : links) text += "\r\n" + link;
  return text;
}

}  // namespace kestrane
