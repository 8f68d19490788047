// The one list of files in the program: a folder, its image entries in name order, and
// the selection. Its selected entry joined to the folder is the current file of every
// window.
#pragma once

#include <string>
#include <vector>

namespace verid {

inline constexpr const char* kImagePatterns = "*.jpg;*.jpeg;*.bmp;*.png";

class FileList {
 public:
  // The list's folder as given, made absolute when it was relative (no trailing
  // separator added).
  const std::string& Folder() const { return folder_; }
  // Changes the process's working folder to `folder` and re-reads the entries: the
  // folder's files matching kImagePatterns (extension without regard to case, hidden
  // files included, sub-folders never), sorted without regard to case. Nothing is
  // selected afterwards. Throws EFileError when the folder cannot be entered or read;
  // the list then keeps its previous folder and entries, and the working folder stays.
  void SetFolder(const std::string& folder);
  // Re-reads the current folder.
  void Refresh();

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::vector<std::string>& Entries() const { return entries_; }
  const std::string& Entry(int index) const { return entries_.at(static_cast<size_t>(index)); }
  // Replaces the entries (search results); the selection is cleared. Entries may be
  // relative paths ("sub/name.jpg").
  void SetEntries(std::vector<std::string> entries);
  void SetEntry(int index, const std::string& name);
  void Delete(int index);
  // Inserts keeping the name order; returns the new index.
  int Add(const std::string& name);

  int ItemIndex() const { return itemIndex_; }
  // -1 or an index out of range selects nothing.
  void SetItemIndex(int index);
  // The index of the entry equal to `name` without regard to case, or -1.
  int IndexOf(const std::string& name) const;

  // Folder + separator + selected entry; empty when nothing is selected.
  std::string CurrentFile() const;
  // Folder + separator + entry `index`.
  std::string PathOf(int index) const;
  // "I/N": selected index + 1 (0 when nothing is selected) and the count.
  std::string PositionText() const;

  // Whether a file name is one of the listed image kinds (by extension, any case).
  static bool IsImageName(const std::string& name);

 private:
  std::string folder_;
  std::vector<std::string> entries_;
  int itemIndex_ = -1;
};

}  // namespace verid
