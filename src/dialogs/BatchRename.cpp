#include "dialogs/BatchRename.h"

#include "app/Browse.h"
#include "app/FileOps.h"
#include "app/FolderSearch.h"
#include "app/Hanyou.h"

namespace verid {

namespace {

constexpr size_t kMaxNamesShown = 10;

int32_t PowerOfTen(int digits) {
  return digits <= 1 ? 10 : digits == 2 ? 100 : 1000;
}

// A name in `folder` that no file has: `name`, else FreeName's "0" insertions.
std::string FreePath(const std::string& folder, const std::string& name) {
  return JoinPath(folder, FreeName(folder, name));
}

struct Planned {
  std::string Original;   // full path before
  std::string Temporary;  // full path after the first pass, empty when that failed
};

std::string FailureText(const std::vector<BatchRenameResult::Failure>& failed) {
  std::string text = kBatchRenameFailed;
  for (size_t i = 0; i < failed.size() && i < kMaxNamesShown; ++i) {
    text += "\r\n" + failed[i].Before;
    if (failed[i].Now.empty())
      text += " (ﾌｧｲﾙがありません)";
    else if (failed[i].Now != failed[i].Before)
      text += " → " + failed[i].Now;
  }
  if (failed.size() > kMaxNamesShown)
    text += "\r\nほか " + std::to_string(failed.size() - kMaxNamesShown) + " 個";
  return text;
}

}  // namespace

bool SerialsFit(int count, int32_t start, int digits) {
  // More files than serial numbers would give two files one name.
  if (start < 0 || count > PowerOfTen(digits)) return false;
  const uint16_t last = static_cast<uint16_t>(start + count - 1);
  return last <= PowerOfTen(digits) - 1;
}

std::string SerialText(int32_t start, int index, int digits) {
  return RightStr(std::to_string(static_cast<int64_t>(start) + index + PowerOfTen(digits)), digits);
}

BatchRenameResult BatchRename(FileList& list, const AppSettings& settings, Dialogs& dialogs,
                              const BatchRenameRequest& request) {
  BatchRenameResult result;
  const int32_t start = StrToInt(request.StartText);
  const int count = list.Count();
  // Nothing listed: nothing to rename, and the dialog has done its work.
  if (count == 0) {
    result.Done = true;
    return result;
  }
  const int digits = request.Digits < 1 ? 1 : request.Digits > 3 ? 3 : request.Digits;
  if (!SerialsFit(count, start, digits)) {
    dialogs.Error(kBatchRenameTooMany);
    return result;
  }
  const int selected = list.ItemIndex();

  // First pass: every file to a temporary name in its own folder, remembered here, so
  // the second pass reaches each of them whatever a re-read of the folder would show.
  std::vector<Planned> plan(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    Planned& p = plan[static_cast<size_t>(i)];
    p.Original = list.PathOf(i);
    const std::string folder = ExtractFilePath(p.Original);
    const std::string temp =
        kBatchRenameTempPrefix + std::to_string(10000 + i) + ExtractFileExt(p.Original);
    std::string target = FreePath(folder, temp);
    if (RenameNoReplace(p.Original, target)) p.Temporary = target;
  }
  if (request.BetweenPasses) request.BetweenPasses();

  // Second pass: the temporary names to their serial names. A file whose new name is
  // taken goes back to its own name, or to a free one made from it.
  for (int i = 0; i < count; ++i) {
    const Planned& p = plan[static_cast<size_t>(i)];
    const std::string before = ExtractFileName(p.Original);
    if (p.Temporary.empty()) {
      result.Failed.push_back({before, FileExists(p.Original) ? before : std::string()});
      continue;
    }
    const std::string folder = ExtractFilePath(p.Original);
    const std::string name =
        request.Prefix + SerialText(start, i, digits) + ExtractFileExt(p.Original);
    const std::string target = JoinPath(folder, name);
    // A separator in the prefix would put the file elsewhere.
    bool plain = !HasPathDelim(name);
    if (plain && RenameNoReplace(p.Temporary, target)) continue;
    std::string now;
    if (RenameNoReplace(p.Temporary, p.Original))
      now = before;
    else if (std::string free = FreePath(folder, before); RenameNoReplace(p.Temporary, free))
      now = ExtractFileName(free);
    else if (FileExists(p.Temporary))
      now = ExtractFileName(p.Temporary);
    result.Failed.push_back({before, now});
  }

  list.Refresh();
  SizeFilter(list, settings.SearchRange, settings.SearchSizeK);
  list.SetItemIndex(selected);
  if (HasCurrentFile(list)) {
    result.StatusPath = list.CurrentFile();
    result.StatusSize = FormatThousands(FileSizeOf(result.StatusPath)) + kByteSuffix;
  }
  if (!result.Failed.empty()) dialogs.Error(FailureText(result.Failed));
  result.Done = true;
  return result;
}

}  // namespace verid
