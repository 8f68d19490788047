#include "app/FolderSearch.h"

#include <vector>

#include "app/Hanyou.h"

namespace verid {

int SizeFilter(FileList& list, const std::string& range, uint16_t k) {
  const bool atLeast = range == kRangeAtLeast;
  const bool atMost = range == kRangeAtMost;
  const int count = list.Count();
  if (!atLeast && !atMost) {
    list.SetItemIndex(count - 1);
    return 0;
  }
  const int64_t limit = static_cast<int64_t>(k) * 1000;
  std::vector<std::string> kept;
  kept.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int64_t size = FileSizeOf(list.PathOf(i));
    const bool drop = atLeast ? size < limit : size > limit;
    if (!drop) kept.push_back(list.Entry(i));
  }
  const int removed = count - static_cast<int>(kept.size());
  // One replacement instead of a deletion per entry: linear in the list's size.
  if (removed > 0) list.SetEntries(std::move(kept));
  list.SetItemIndex(list.Count() - 1);
  return removed;
}

void SearchSlot(FileList& list, const AppSettings& settings, Platform& platform,
                const std::string& folder, const std::function<void()>& detour) {
  list.SetFolder(ExcludeTrailingDelim(ProgramFolder(platform)));
  if (detour) detour();
  list.SetFolder(folder);
  SizeFilter(list, settings.SearchRange, settings.SearchSizeK);
  list.SetItemIndex(0);
}

}  // namespace verid
