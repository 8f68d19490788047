#include "dialogs/Rename.h"

#include "app/Browse.h"
#include "app/FileOps.h"
#include "app/Hanyou.h"

namespace verid {

RenameProposal ProposeRename(const std::string& path) {
  std::string name = ExtractFileName(path);
  auto dot = name.rfind('.');
  if (dot == std::string::npos) return {name, std::string()};
  return {name.substr(0, dot), LowerCase(name.substr(dot))};
}

RenameResult ApplyRename(FileList& list, const std::string& base, Dialogs& dialogs) {
  RenameResult result;
  if (base.empty()) {
    dialogs.Error(kRenameEmptyMessage);
    return result;
  }
  if (!HasCurrentFile(list)) return result;
  const int index = list.ItemIndex();
  std::string path = list.CurrentFile();
  std::string newName = base + ProposeRename(path).Ext;
  // A separator would move the file elsewhere instead of renaming it.
  if (HasPathDelim(newName) || newName == "." || newName == "..") {
    dialogs.Error(kRenameFailedMessage);
    return result;
  }
  std::string newPath = ExtractFilePath(path) + newName;
  if (!RenameNoReplace(path, newPath)) {
    dialogs.Error(kRenameFailedMessage);
    return result;
  }
  // An entry may carry a sub-folder (search results); only its last part changes.
  list.SetEntry(index, ExtractFilePath(list.Entry(index)) + newName);
  list.SetItemIndex(index);
  result.Renamed = true;
  result.NewPath = newPath;
  result.StatusSize = FormatThousands(FileSizeOf(newPath)) + kByteSuffix;
  return result;
}

}  // namespace verid
