// The one list of files in the program: a folder, its image entries in name order, and
// the selection. Its selected entry joined to the folder is the current file of every
// window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace verid {

inline constexpr const char* kImagePatterns = "*.jpg;*.jpeg;*.bmp;*.png";

// What changed in a list: its entries (and with them, maybe, the selection), or only the
// selection.
enum class TListChange { Entries, Selection };

// A view's hold on a list's notifications; they stop when it goes away. It may outlive
// the list.
class TListSubscription {
 public:
  TListSubscription() = default;
  TListSubscription(TListSubscription&&) = default;
  TListSubscription& operator=(TListSubscription&&) = default;
  ~TListSubscription() { Reset(); }
  void Reset();

 private:
  friend class FileList;
  struct Listeners;
  TListSubscription(std::weak_ptr<Listeners> listeners, int id)
      : listeners_(std::move(listeners)), id_(id) {}
  std::weak_ptr<Listeners> listeners_;
  int id_ = 0;
};

class FileList {
 public:
  FileList();
  // A copy has the entries and the selection, not the views.
  FileList(const FileList& other);
  FileList& operator=(const FileList& other);
  ~FileList();

  // Calls `changed` after every change of the entries or of the selection, so that the
  // views showing the list follow it, until the subscription goes away.
  [[nodiscard]] TListSubscription Subscribe(std::function<void(TListChange)> changed);

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
  void Notify(TListChange change);
  std::shared_ptr<TListSubscription::Listeners> listeners_;
  std::string folder_;
  std::vector<std::string> entries_;
  int itemIndex_ = -1;
};

}  // namespace verid
