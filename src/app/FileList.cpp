#include "app/FileList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Hanyou.h"
#include "base/Stream.h"

namespace verid {

namespace fs = std::filesystem;

struct TListSubscription::Listeners {
  int nextId = 1;
  std::vector<std::pair<int, std::function<void(TListChange)>>> rows;
};

void TListSubscription::Reset() {
  if (auto listeners = listeners_.lock()) {
    auto& rows = listeners->rows;
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](const auto& row) { return row.first == id_; }),
               rows.end());
  }
  listeners_.reset();
}

FileList::FileList() : listeners_(std::make_shared<TListSubscription::Listeners>()) {}

FileList::FileList(const FileList& other)
    : listeners_(std::make_shared<TListSubscription::Listeners>()),
      folder_(other.folder_),
      entries_(other.entries_),
      itemIndex_(other.itemIndex_) {}

FileList& FileList::operator=(const FileList& other) {
  if (this == &other) return *this;
  folder_ = other.folder_;
  entries_ = other.entries_;
  itemIndex_ = other.itemIndex_;
  Notify(TListChange::Entries);
  return *this;
}

FileList::~FileList() = default;

TListSubscription FileList::Subscribe(std::function<void(TListChange)> changed) {
  const int id = listeners_->nextId++;
  listeners_->rows.emplace_back(id, std::move(changed));
  return TListSubscription(listeners_, id);
}

void FileList::Notify(TListChange change) {
  // A copy: a view may end its subscription while it is told.
  const auto rows = listeners_->rows;
  for (const auto& row : rows) row.second(change);
}

static void SortEntries(std::vector<std::string>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
}

static bool HasImageExt(std::string_view ext) {
  for (std::string_view known : {".jpg", ".jpeg", ".bmp", ".png"})
    if (SameText(ext, known)) return true;
  return false;
}

void FileList::SetFolder(const std::string& folder) {
  // Entries are joined to the folder later, after the working folder has changed, so a
  // relative folder is made absolute first.
  std::error_code ec;
  fs::path target = FsPath(folder);
  std::string absolute = folder;
  if (target.is_relative()) {
    absolute = Utf8Of(fs::absolute(target, ec));
    if (ec) throw EFileError(folder + ": " + ec.message());
  }
  fs::path previous = fs::current_path(ec);
  fs::current_path(FsPath(absolute), ec);
  if (ec) throw EFileError(folder + ": " + ec.message());

  // One pass over the directory. The extension is checked first, and the entry's cached
  // type answers "is it a file" without a stat; only links need one.
  std::vector<std::string> entries;
  try {
    fs::directory_iterator it(fs::path("."), ec);
    if (ec) throw EFileError(folder + ": " + ec.message());
    for (auto end = fs::directory_iterator(); it != end; it.increment(ec)) {
      if (ec) throw EFileError(folder + ": " + ec.message());
      const fs::directory_entry& entry = *it;
      // Paths read from "." are "./name": the name is what follows "./".
      const std::string path = Utf8Of(entry.path());
      std::string_view name(path);
      if (name.size() > 2 && name[0] == '.' && IsPathDelim(name[1])) name.remove_prefix(2);
      auto dot = name.rfind('.');
      if (dot == std::string_view::npos || !HasImageExt(name.substr(dot))) continue;
      std::error_code typeError;
      if (!entry.is_regular_file(typeError)) continue;
      entries.emplace_back(name);
    }
    if (ec) throw EFileError(folder + ": " + ec.message());
  } catch (...) {
    std::error_code ignored;
    if (!previous.empty()) fs::current_path(previous, ignored);
    throw;
  }
  SortEntries(entries);
  folder_ = absolute;
  entries_ = std::move(entries);
  itemIndex_ = -1;
  Notify(TListChange::Entries);
}

bool FileList::IsImageName(const std::string& name) {
  std::string_view tail(name);
  tail = tail.substr(tail.size() - ExtractFileName(name).size());
  auto dot = tail.rfind('.');
  return dot != std::string_view::npos && HasImageExt(tail.substr(dot));
}

void FileList::Refresh() {
  if (!folder_.empty()) SetFolder(folder_);
}

void FileList::SetEntries(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  itemIndex_ = -1;
  Notify(TListChange::Entries);
}

void FileList::SetEntry(int index, const std::string& name) {
  entries_.at(static_cast<size_t>(index)) = name;
  Notify(TListChange::Entries);
}

void FileList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
  if (itemIndex_ >= Count()) itemIndex_ = Count() - 1;
  if (index < itemIndex_) --itemIndex_;
  Notify(TListChange::Entries);
}

int FileList::Add(const std::string& name) {
  auto pos =
      std::upper_bound(entries_.begin(), entries_.end(), name,
                       [](const std::string& a, const std::string& b) { return LessText(a, b); });
  int index = static_cast<int>(pos - entries_.begin());
  entries_.insert(pos, name);
  if (itemIndex_ >= index) ++itemIndex_;
  Notify(TListChange::Entries);
  return index;
}

void FileList::SetItemIndex(int index) {
  const int before = itemIndex_;
  itemIndex_ = (index >= 0 && index < Count()) ? index : -1;
  if (itemIndex_ != before) Notify(TListChange::Selection);
}

int FileList::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(entries_[static_cast<size_t>(i)], name)) return i;
  return -1;
}

std::string FileList::PathOf(int index) const {
  return JoinPath(folder_, Entry(index));
}

std::string FileList::CurrentFile() const {
  if (itemIndex_ < 0 || itemIndex_ >= Count()) return std::string();
  return PathOf(itemIndex_);
}

std::string FileList::PositionText() const {
  return std::to_string(itemIndex_ + 1) + "/" + std::to_string(Count());
}

}  // namespace verid
