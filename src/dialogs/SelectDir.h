// What the directory-selection dialog shows: the folder's path from its drive down as
// open folders, its sub-folders below them, the folder's files, and which of the drives
// it is on. The dialog window (ui/SelectDirDlg) paints this and forwards clicks.
#pragma once

#include <string>
#include <vector>

namespace verid {

struct SelectDirRow {
  std::string Path;
  std::string Name;  // the file system's bytes; the drive's path for the first row
  int Depth = 0;
  bool Open = false;  // the folder or one of the folders above it
};

struct SelectDirState {
  std::string Folder;
  std::vector<SelectDirRow> Rows;
  int CurrentRow = -1;             // the folder's own row
  std::vector<std::string> Files;  // names of the folder's files ("*.*"), in name order
  int DriveIndex = -1;             // the drive the folder is on
};

// Where the dialog opens: `start`, else the nearest existing folder above it, else the
// working folder (also when `start` is empty).
std::string StartFolder(const std::string& start);

// The state for an existing folder. `drives` are folders; the one with the longest match
// is the folder's drive, and the rows start there.
SelectDirState MakeSelectDirState(const std::string& folder,
                                  const std::vector<std::string>& drives);

// A folder name as typed, made absolute against the folder the dialog shows: "." and ".."
// resolved, separators at the end dropped. Empty for an entry of blanks only.
std::string ResolveTypedFolder(const std::string& current, const std::string& typed);

}  // namespace verid
