#include "app/IECache.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/FolderSearch.h"
#include "app/Hanyou.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

constexpr size_t kRegistryBuffer = 256;

// "*.jp*": a dot followed by "jp" anywhere in the name; "*.png": the name ends so.
bool MatchesJp(const std::string& name) {
  std::string lower = LowerCase(name);
  return lower.find(".jp") != std::string::npos;
}
bool MatchesPng(const std::string& name) {
  std::string lower = LowerCase(name);
  return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".png") == 0;
}

// Names of the files (not folders) directly in `folder`, hidden ones included.
std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(Utf8Of(it->path().filename()));
  }
  return names;
}

}  // namespace

std::string ReadRegistryString(Platform& platform, RegistryRoot root, const std::string& key,
                               const std::string& name) {
  const char* hive = root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
  std::string value = platform.RegistryString(std::string(hive) + "\\" + key, name);
  value = value.substr(0, value.find('\0'));
  // A value that does not fit the buffer cannot be read; a cut path would name another
  // folder.
  if (value.size() >= kRegistryBuffer) return {};
  return value;
}

CacheFolderSet CacheFolders(Platform& platform) {
  CacheFolderSet set;
  set.A = ReadRegistryString(platform, RegistryRoot::LocalMachine, kMachineCacheKey,
                             kMachineCacheValue);
  set.B = ReadRegistryString(platform, RegistryRoot::Users, kUserCacheKey, kUserCacheValue);
  if (!set.B.empty()) set.C = JoinPath(set.B, kIe5Folder);
  return set;
}

std::vector<std::string> CacheFolderList(Platform& platform) {
  CacheFolderSet set = CacheFolders(platform);
  std::vector<std::string> folders;
  for (const std::string* f : {&set.A, &set.B, &set.C})
    if (!f->empty()) folders.push_back(*f);
  return folders;
}

std::vector<std::string> CollectCache(const std::string& folder, int kinds) {
  std::vector<std::string> collected;
  if (kinds < 0 || kinds > 2) return collected;
  // The folder itself first, as "."; then its entries (a file entry finds nothing).
  std::vector<std::string> entries{"."};
  std::error_code ec;
  fs::directory_iterator it(FsPath(folder), fs::directory_options::skip_permission_denied, ec);
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) entries.push_back(Utf8Of(it->path().filename()));
  }
  for (const std::string& entry : entries) {
    std::vector<std::string> files = FilesIn(FsPath(JoinPath(folder, entry)));
    // The JPEG pattern first, then the PNG one; a name both patterns match is listed once.
    for (const std::string& name : files)
      if ((kinds == 0 || kinds == 2) && MatchesJp(name))
        collected.push_back(entry + PathDelim + name);
    for (const std::string& name : files)
      if ((kinds == 1 || (kinds == 2 && !MatchesJp(name))) && MatchesPng(name))
        collected.push_back(entry + PathDelim + name);
  }
  std::sort(collected.begin(), collected.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
  return collected;
}

CacheSearchOutcome CacheSearch(FileList& list, const AppSettings& settings, Dialogs& dialogs,
                               Platform& platform) {
  if (settings.CacheVersion == 0) {
    dialogs.Warning(kCacheVersionWarning);
    return CacheSearchOutcome::NoVersion;
  }
  CacheSearchOutcome outcome = CacheSearchOutcome::Filtered;
  if (settings.CacheVersion == 4 || settings.CacheVersion == 5) {
    CacheFolderSet set = CacheFolders(platform);
    const std::string& folder = settings.CacheVersion == 4 ? set.A : set.C;
    // Without a cache folder the list stays as it was.
    if (!DirectoryExists(folder)) {
      dialogs.Warning(kNoCacheFolderWarning);
      return CacheSearchOutcome::NoFolder;
    }
    list.SetFolder(folder);
    list.SetEntries(CollectCache(list.Folder(), settings.CacheKinds));
    outcome = CacheSearchOutcome::Listed;
  }
  SizeFilter(list, settings.CacheRange, settings.CacheSizeK);
  list.SetItemIndex(0);
  return outcome;
}

void CacheAttributes(Platform& platform, const std::vector<std::string>& folders, bool system) {
  auto set = [&](const std::string& path) {
    if (system)
      platform.SetSystemAttribute(path);
    else
      platform.ClearAttributes(path);
  };
  for (const std::string& folder : folders) {
    if (!DirectoryExists(folder)) continue;
    // "." stands for the folder itself.
    set(folder);
    std::error_code ec;
    fs::directory_iterator it(FsPath(folder), fs::directory_options::skip_permission_denied, ec);
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) set(Utf8Of(it->path()));
  }
}

}  // namespace verid
