#include "app/FileList.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/Hanyou.h"
#include "base/BigBuffer.h"
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

namespace {

// A name in the listing, with its first 16 bytes lower-cased as two big-endian numbers
// padded with zeros: in the order LessText gives wherever they differ (a name has no zero
// byte, so a shorter name that is a prefix of another sorts first here too).
struct SortKey {
  uint64_t High = 0, Low = 0;
  uint32_t Offset = 0, Length = 0;
};

SortKey KeyOf(std::string_view name, size_t offset) {
  SortKey key;
  key.Offset = static_cast<uint32_t>(offset);
  key.Length = static_cast<uint32_t>(name.size());
  for (size_t i = 0; i < 16; ++i) {
    uint64_t c = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (i < 8)
      key.High |= c << (8 * (7 - i));
    else
      key.Low |= c << (8 * (15 - i));
  }
  return key;
}

}  // namespace

// The names of a listing (each ended by a zero byte), sorted by LessText. Comparing whole
// names character by character is most of the cost of listing a large folder; the numeric
// keys decide almost every comparison.
static std::vector<std::string> SortedEntries(const std::string& names) {
  const size_t count = size_t(std::count(names.begin(), names.end(), '\0'));
  // In large pages: a hundred thousand keys in small ones cost more in page faults than
  // the sort itself.
  TBigBuffer memory;
  if (!memory.Allocate(count * sizeof(SortKey) + 1, true)) throw std::bad_alloc();
  SortKey* keys = reinterpret_cast<SortKey*>(memory.Data());
  size_t n = 0;
  for (size_t at = 0; at < names.size() && n < count;) {
    const size_t end = names.find('\0', at);
    keys[n++] = KeyOf(std::string_view(names).substr(at, end - at), at);
    at = end + 1;
  }
  auto name = [&names](const SortKey& key) {
    return std::string_view(names).substr(key.Offset, key.Length);
  };
  std::sort(keys, keys + n, [&name](const SortKey& a, const SortKey& b) {
    if (a.High != b.High) return a.High < b.High;
    if (a.Low != b.Low) return a.Low < b.Low;
    return LessText(name(a), name(b));
  });
  std::vector<std::string> entries;
  entries.reserve(n);
  for (size_t i = 0; i < n; ++i) entries.emplace_back(name(keys[i]));
  return entries;
}

static bool HasImageExt(std::string_view ext) {
  for (std::string_view known : {".jpg", ".jpeg", ".bmp", ".png"})
    if (SameText(ext, known)) return true;
  return false;
}

static bool IsImageFileName(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot != std::string_view::npos && HasImageExt(name.substr(dot));
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

  // One pass over the folder; the name is checked first, and only links need a stat.
  std::string names;
  if (!ListFolderFiles(".", IsImageFileName, names, ec)) {
    std::error_code ignored;
    if (!previous.empty()) fs::current_path(previous, ignored);
    throw EFileError(folder + ": " + ec.message());
  }
  std::vector<std::string> entries = SortedEntries(names);
  names = std::string();
  folder_ = absolute;
  entries_ = std::move(entries);
  itemIndex_ = -1;
  Notify(TListChange::Entries);
}

bool FileList::IsImageName(const std::string& name) {
  std::string_view tail(name);
  tail = tail.substr(tail.size() - ExtractFileName(name).size());
  return IsImageFileName(tail);
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
