#include "app/LookAhead.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/Paths.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"

namespace verid {

namespace {

size_t RasterBytes(const TBitmap& raster) {
  return raster.Empty() ? 0 : size_t(raster.Stride()) * size_t(raster.Height());
}

size_t GraphicBytes(const TGraphic& graphic) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic)) return RasterBytes(*bitmap);
  if (const auto* png = dynamic_cast<const ZOVIDUD*>(&graphic))
    return RasterBytes(png->ColorRaster()) + RasterBytes(png->AlphaBitmap());
  // Decoded or not, a JPEG will hold its raster at the scale it was set to.
  const size_t pixels =
      size_t(std::max(graphic.Width(), 0)) * size_t(std::max(graphic.Height(), 0));
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&graphic))
    return jpeg->Data().size() + pixels * 3;
  return pixels * 4;
}

// Whether the list has an entry for `path`.
bool Holds(const FileList& list, const std::string& path) {
  const std::vector<std::string>& entries = list.Entries();
  for (int i = 0; i < list.Count(); ++i) {
    const std::string& entry = entries[size_t(i)];
    if (path.size() >= entry.size() &&
        path.compare(path.size() - entry.size(), entry.size(), entry) == 0 &&
        list.PathOf(i) == path)
      return true;
  }
  return false;
}

}  // namespace

size_t TMadePicture::Bytes() const {
  size_t bytes = RasterBytes(Rendered);
  if (Picture && Picture->Graphic()) bytes += GraphicBytes(*Picture->Graphic());
  return bytes;
}

TFileStamp TFileStamp::Of(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(FsPath(path), ec);
  if (ec) return {};
  const auto time = std::filesystem::last_write_time(FsPath(path), ec);
  if (ec) return {};
  return {static_cast<long long>(size), static_cast<long long>(time.time_since_epoch().count())};
}

TLookAhead::TLookAhead(FileList& list, bool enabled, size_t bound)
    : list_(list), enabled_(enabled), bound_(bound) {
  listChanges_ = list.Subscribe([this](TListChange change) {
    if (change != TListChange::Entries) return;
    // Positions mean other files now: nothing is wanted until the next picture is shown,
    // and what was made for a file the list no longer holds goes.
    std::lock_guard lock(mutex_);
    wanted_.clear();
    queue_.clear();
    std::erase_if(ready_, [this](const Made& made) { return !Holds(list_, made.Path); });
    lastIndex_ = -1;
  });
}

TLookAhead::~TLookAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void TLookAhead::SetMaker(const std::string& display, TPictureMaker maker) {
  std::lock_guard lock(mutex_);
  maker_ = std::move(maker);
  if (display == displayName_ && display_ != 0) return;
  displayName_ = display;
  ++display_;
  std::erase_if(ready_, [this](const Made& made) { return made.Display != display_; });
  queue_.clear();
}

void TLookAhead::SetWrap(bool wrap) {
  std::lock_guard lock(mutex_);
  wrap_ = wrap;
}

int TLookAhead::Ready() const {
  std::lock_guard lock(mutex_);
  return int(ready_.size());
}

size_t TLookAhead::ReadyBytes() const {
  std::lock_guard lock(mutex_);
  size_t bytes = 0;
  for (const Made& made : ready_) bytes += made.Picture.Bytes();
  return bytes;
}

bool TLookAhead::Wanted(const std::string& path) const {
  return std::find(wanted_.begin(), wanted_.end(), path) != wanted_.end();
}

TLookAhead::Made TLookAhead::MakeNow(const Job& job) {
  Made made;
  made.Path = job.Path;
  made.Display = job.Display;
  made.Before = TFileStamp::Of(job.Path);
  if (made.Before.Size < 0) return made;
  try {
    made.Picture = job.Maker(job.Path);
    made.Ok = true;
  } catch (...) {
    // Made again where it is wanted, so that the failure is met there and then.
  }
  return made;
}

void TLookAhead::Keep(Made&& made) {
  if (!made.Ok) return;
  const size_t bytes = made.Picture.Bytes();
  lastBytes_ = bytes;
  if (made.Display != display_ || !Wanted(made.Path)) return;
  size_t held = 0;
  for (const Made& other : ready_) held += other.Picture.Bytes();
  if (int(ready_.size()) >= kLookAheadPictures || held + bytes > bound_) return;
  ready_.push_back(std::move(made));
}

bool TLookAhead::TakeReady(const std::string& path, TMadePicture& out) {
  auto it = std::find_if(ready_.begin(), ready_.end(), [&](const Made& made) {
    return made.Path == path && made.Display == display_;
  });
  if (it == ready_.end()) return false;
  Made made = std::move(*it);
  ready_.erase(it);
  // Changed since it was read, or gone: read it again.
  const TFileStamp now = TFileStamp::Of(path);
  if (now.Size < 0 || !(now == made.Before)) return false;
  out = std::move(made.Picture);
  ++reused_;
  return true;
}

TMadePicture TLookAhead::Take(const std::string& path) {
  TPictureMaker maker;
  {
    std::unique_lock lock(mutex_);
    maker = maker_;
    TMadePicture out;
    if (TakeReady(path, out)) return out;
    if (making_ == path && makingDisplay_ == display_) {
      // The worker is on it: rather than idle, make the next wanted picture meanwhile.
      auto help = std::find_if(queue_.begin(), queue_.end(),
                               [&](const Job& job) { return job.Path != path; });
      if (help != queue_.end()) {
        Job job = std::move(*help);
        queue_.erase(help);
        lock.unlock();
        Made made = MakeNow(job);
        lock.lock();
        Keep(std::move(made));
      }
      changed_.wait(lock, [&] { return making_ != path || stop_; });
      if (TakeReady(path, out)) return out;
    }
    // Not begun yet: made here, and not once more by the worker.
    std::erase_if(queue_, [&](const Job& job) { return job.Path == path; });
  }
  if (!maker) throw std::logic_error("no picture maker");
  return maker(path);
}

void TLookAhead::Shown(int index) {
  if (!enabled_) return;
  const int count = list_.Count();
  if (index < 0 || index >= count) return;
  if (lastIndex_ >= 0) {
    if (index == lastIndex_ + 1 || (lastIndex_ == count - 1 && index == 0))
      direction_ = 1;
    else if (index == lastIndex_ - 1 || (lastIndex_ == 0 && index == count - 1))
      direction_ = -1;
  }
  lastIndex_ = index;
  std::vector<std::string> wanted;
  for (int k = 1; k <= kLookAheadPictures; ++k) {
    int i = index + k * direction_;
    if (wrap_)
      i = ((i % count) + count) % count;
    else if (i < 0 || i >= count)
      break;
    if (i == index) break;
    std::string path = list_.PathOf(i);
    if (std::find(wanted.begin(), wanted.end(), path) == wanted.end())
      wanted.push_back(std::move(path));
  }

  std::lock_guard lock(mutex_);
  wanted_ = std::move(wanted);
  std::erase_if(
      ready_, [this](const Made& made) { return made.Display != display_ || !Wanted(made.Path); });
  queue_.clear();
  if (!maker_) return;
  for (const std::string& path : wanted_) {
    const bool made =
        std::any_of(ready_.begin(), ready_.end(), [&](const Made& m) { return m.Path == path; });
    const bool making = making_ == path && makingDisplay_ == display_;
    if (!made && !making) queue_.push_back(Job{path, display_, maker_});
  }
  if (queue_.empty()) return;
  if (!worker_.joinable()) {
    try {
      worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      // No thread to be had: everything is made where it is wanted.
      queue_.clear();
      return;
    }
  }
  changed_.notify_all();
}

void TLookAhead::Clear() {
  std::lock_guard lock(mutex_);
  ready_.clear();
  queue_.clear();
  wanted_.clear();
}

void TLookAhead::WaitIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || (making_.empty() && !CanStart()); });
}

bool TLookAhead::CanStart() const {
  if (queue_.empty() || int(ready_.size()) >= kLookAheadPictures) return false;
  size_t held = 0;
  for (const Made& made : ready_) held += made.Picture.Bytes();
  // The next picture will be about as large as the last one.
  return held + lastBytes_ <= bound_;
}

void TLookAhead::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || CanStart(); });
    if (stop_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    making_ = job.Path;
    makingDisplay_ = job.Display;
    lock.unlock();
    Made made = MakeNow(job);
    lock.lock();
    making_.clear();
    Keep(std::move(made));
    changed_.notify_all();
  }
}

}  // namespace verid
