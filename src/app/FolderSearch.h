// The search slots: a registered folder's pictures, thinned by one size threshold. The
// thinning step is shared with the browser-cache search and the batch rename.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/FileList.h"
#include "app/Settings.h"
#include "platform/Platform.h"

namespace verid {

inline constexpr const char* kRangeAtLeast = "以上";
inline constexpr const char* kRangeAtMost = "以下";

// Keeps the entries whose file has at least ("以上") or at most ("以下") k x 1000 bytes;
// a file of exactly that size stays either way, and any other range word keeps every
// entry. The selection is left on the last entry. Returns how many entries were taken out.
int SizeFilter(FileList& list, const std::string& range, uint16_t k);

// Lists the slot's folder, thinned by SearchRange and SearchSizeK, with entry 0
// selected. The list first goes through the program's folder so the slot's folder is
// read from disk again; `detour` runs while the list shows the program's folder (the
// window repaints there). Throws when the slot's folder cannot be read: the list then
// still shows the program's folder.
void SearchSlot(FileList& list, const AppSettings& settings, Platform& platform,
                const std::string& folder, const std::function<void()>& detour = {});

}  // namespace verid
