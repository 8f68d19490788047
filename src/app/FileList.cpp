#include "app/FileList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Hanyou.h"
#include "imaging/Stream.h"

namespace verid {

namespace fs = std::filesystem;

bool FileList::IsImageName(const std::string& name) {
  std::string ext = LowerCase(ExtractFileExt(name));
  return ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".png";
}

static void SortEntries(std::vector<std::string>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
}

void FileList::SetFolder(const std::string& folder) {
  std::error_code ec;
  fs::current_path(fs::path(folder), ec);
  if (ec) throw EFileError(folder + ": " + ec.message());

  // One pass over the directory; the entry's cached type answers "is it a file" without
  // a stat for most file systems.
  std::vector<std::string> entries;
  fs::directory_iterator it(fs::path("."), fs::directory_options::skip_permission_denied, ec);
  if (ec) throw EFileError(folder + ": " + ec.message());
  for (const fs::directory_entry& entry : it) {
    std::string name = entry.path().filename().string();
    if (!IsImageName(name)) continue;
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    entries.push_back(std::move(name));
  }
  SortEntries(entries);
  folder_ = folder;
  entries_ = std::move(entries);
  itemIndex_ = -1;
}

void FileList::Refresh() {
  if (!folder_.empty()) SetFolder(folder_);
}

void FileList::SetEntries(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  itemIndex_ = -1;
}

void FileList::SetEntry(int index, const std::string& name) {
  entries_.at(static_cast<size_t>(index)) = name;
}

void FileList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
  if (itemIndex_ >= Count()) itemIndex_ = Count() - 1;
  if (index < itemIndex_) --itemIndex_;
}

int FileList::Add(const std::string& name) {
  auto pos = std::upper_bound(entries_.begin(), entries_.end(), name,
                              [](const std::string& a, const std::string& b) { return LessText(a, b); });
  int index = static_cast<int>(pos - entries_.begin());
  entries_.insert(pos, name);
  if (itemIndex_ >= index) ++itemIndex_;
  return index;
}

void FileList::SetItemIndex(int index) {
  itemIndex_ = (index >= 0 && index < Count()) ? index : -1;
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
