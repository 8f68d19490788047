// The browser-cache search: the JPEG and PNG files kept in the browser's cache folders,
// listed as "entry/name" below the cache folder and thinned by the cache size threshold;
// and the attribute pass over the cache folders at start and at exit.
#pragma once

#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Settings.h"
#include "platform/Platform.h"

namespace verid {

inline constexpr const char* kCacheVersionWarning =
    "使用しているIEのﾊﾞｰｼﾞｮﾝを指定して下さい\r\n(「ｵﾌﾟｼｮﾝ｜ﾌﾟﾛﾊﾟﾃｨ｜IEｷｬｯｼｭ検索」から\r\n"
    "指定できます）";
inline constexpr const char* kNoCacheFolderWarning = "ｷｬｯｼｭﾌｫﾙﾀﾞが見つかりません";

inline constexpr const char* kMachineCacheKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Content";
inline constexpr const char* kMachineCacheValue = "CachePath";
inline constexpr const char* kUserCacheKey =
    ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kUserCacheValue = "Cache";
inline constexpr const char* kIe5Folder = "content.ie5";

enum class RegistryRoot { LocalMachine, Users };

// A string value as the registry holds it: up to its first NUL, at most 255 bytes; the
// empty string for a missing key or value, or one too long to be read.
std::string ReadRegistryString(Platform& platform, RegistryRoot root, const std::string& key,
                               const std::string& name);

// A: the machine's cache path (the older browser); B: the default user's cache folder;
// C: B's "content.ie5" (the newer browser). Empty where the registry gives nothing.
struct CacheFolderSet {
  std::string A, B, C;
};
CacheFolderSet CacheFolders(Platform& platform);
// A, B and C in that order, the empty ones left out.
std::vector<std::string> CacheFolderList(Platform& platform);

// The relative paths "E/name" of the images in the entries E of `folder` ("." is the
// folder itself), by CacheKinds: 0 "*.jp*", 1 "*.png", 2 both, anything else nothing.
// Only the entries' own files are looked at, not deeper levels. Sorted as the list sorts.
std::vector<std::string> CollectCache(const std::string& folder, int kinds);

enum class CacheSearchOutcome {
  Listed,     // the list holds the cache's images, entry 0 selected
  NoVersion,  // the browser generation is not chosen: warned, list untouched
  NoFolder,   // the cache folder is unknown or missing: warned, list untouched
  Filtered,   // an unknown generation: the list kept its folder and was only thinned
};
// The search by CacheVersion, CacheKinds, CacheRange and CacheSizeK.
CacheSearchOutcome CacheSearch(FileList& list, const AppSettings& settings, Dialogs& dialogs,
                               Platform& platform);

// Sets the attributes of each existing folder's own entry and of its direct entries:
// cleared at start, the system attribute alone at exit. Failures are ignored.
void CacheAttributes(Platform& platform, const std::vector<std::string>& folders, bool system);

}  // namespace verid
