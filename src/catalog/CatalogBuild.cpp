#include "catalog/CatalogBuild.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/Hanyou.h"
#include "imaging/Draw.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"

namespace verid {

namespace {

constexpr TColor kWhite = 0xFFFFFF, kBlack = 0x000000;

// The letters of "NoPicture", 7 rows high, drawn one column apart.
struct Letter {
  int Width;
  const char* Rows[7];
};
constexpr Letter kNoPictureFont[] = {
    {5, {"X...X", "XX..X", "X.X.X", "X.X.X", "X..XX", "X...X", "X...X"}},  // N
    {4, {"....", "....", ".XX.", "X..X", "X..X", "X..X", ".XX."}},         // o
    {4, {"XXX.", "X..X", "X..X", "XXX.", "X...", "X...", "X..."}},         // P
    {1, {"X", ".", "X", "X", "X", "X", "X"}},                              // i
    {4, {"....", "....", ".XXX", "X...", "X...", "X...", ".XXX"}},         // c
    {3, {".X.", ".X.", "XXX", ".X.", ".X.", ".X.", "..X"}},                // t
    {4, {"....", "....", "X..X", "X..X", "X..X", "X..X", ".XXX"}},         // u
    {3, {"...", "...", "X.X", "XX.", "X..", "X..", "X.."}},                // r
    {4, {"....", "....", ".XX.", "X..X", "XXXX", "X...", ".XXX"}},         // e
};

void Put(TBitmap& b, int x, int y, TColor c) {
  uint8_t* p = b.ScanLine(y) + 3 * x;
  p[0] = BlueOf(c);
  p[1] = GreenOf(c);
  p[2] = RedOf(c);
}

TBitmap MakePanel(int index) {
  TBitmap cell(kPanelCellSize, kPanelCellSize, TPixelFormat::pf24bit);
  FillRect(cell, Bounds(0, 0, kPanelCellSize, kPanelCellSize), kWhite);
  if (index == kNoPictureIndex) {
    FillRect(cell, Bounds(0, 0, kNoPictureLabelWidth, kNoPictureLabelHeight), kPanelFace);
    int x = 2;
    for (const Letter& letter : kNoPictureFont) {
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < letter.Width; ++col)
          if (letter.Rows[row][col] == 'X') Put(cell, x + col, 2 + row, kBlack);
      x += letter.Width + 1;
    }
    return cell;
  }
  // A raised panel: white top and left edges, black bottom and right edges.
  const int s = kCatalogSizes[index];
  FillRect(cell, Bounds(0, 0, s, s), kPanelFace);
  FillRect(cell, Bounds(0, 0, s - 1, 1), kWhite);
  FillRect(cell, Bounds(0, 0, 1, s - 1), kWhite);
  FillRect(cell, Bounds(0, s - 1, s, 1), kBlack);
  FillRect(cell, Bounds(s - 1, 0, 1, s), kBlack);
  return cell;
}

const std::array<TBitmap, 5>& Panels() {
  static const std::array<TBitmap, 5> panels = {MakePanel(0), MakePanel(1), MakePanel(2),
                                                MakePanel(3), MakePanel(4)};
  return panels;
}

// FitRect takes 16-bit sides; a larger picture is scaled into that range first so its
// shape, and so its placement, stays right.
TRect Placement(int w, int h, int size) {
  if (w > 0xFFFF || h > 0xFFFF) {
    const double k = double(0xFFFF) / std::max(w, h);
    w = std::max(1, static_cast<int>(w * k));
    h = std::max(1, static_cast<int>(h * k));
  }
  const TFitRect r =
      FitRect(static_cast<uint16_t>(std::max(w, 0)), static_cast<uint16_t>(std::max(h, 0)),
              static_cast<uint16_t>(size), static_cast<uint16_t>(size));
  return Bounds(r.Left, r.Top, r.Width, r.Height);
}

// Makes cells ahead of the loop on worker threads, at most `window` files ahead of the
// one the loop takes next. Workers see only the paths and the size.
class Prefetcher {
 public:
  Prefetcher(std::vector<std::string> paths, int size, int workers)
      : paths_(std::move(paths)),
        size_(size),
        window_(std::max(8, 4 * workers)),
        slots_(static_cast<size_t>(window_)) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~Prefetcher() {
    {
      std::lock_guard lock(m_);
      cancel_ = true;
    }
    cv_.notify_all();
    for (auto& t : threads_) t.join();
  }
  Prefetcher(const Prefetcher&) = delete;
  Prefetcher& operator=(const Prefetcher&) = delete;

  const std::string& PathOf(int i) const {
    static const std::string none;
    return i < Count() ? paths_[size_t(i)] : none;
  }
  int Count() const { return static_cast<int>(paths_.size()); }

  // The cell of file i (taken in order), or the failure that making it raised. With
  // `use` false the result is dropped. With `help`, the calling thread makes the next
  // unclaimed cells itself while file i is not ready, instead of sitting idle.
  TBitmap Take(int i, bool use, bool help) {
    if (i >= Count()) return {};
    std::unique_lock lock(m_);
    Slot& s = slots_[size_t(i % window_)];
    while (!(s.Ready && s.Index == i)) {
      if (help && CanClaim())
        MakeNext(lock);
      else
        cv_.wait(lock);
    }
    Slot out = std::move(s);
    s.Ready = false;
    s.Index = -1;
    taken_ = i + 1;
    lock.unlock();
    cv_.notify_all();
    if (use && out.Error) std::rethrow_exception(out.Error);
    return std::move(out.Cell);
  }

 private:
  struct Slot {
    int Index = -1;
    bool Ready = false;
    TBitmap Cell;
    std::exception_ptr Error;
  };

  // A file is left and its slot is free (the window holds no cell not yet taken).
  bool CanClaim() const { return next_ < Count() && next_ < taken_ + window_; }

  // Claims the next file, makes its cell with the lock released, and stores it.
  void MakeNext(std::unique_lock<std::mutex>& lock) {
    const int k = next_++;
    lock.unlock();
    Slot made;
    try {
      made.Cell = MakeThumbnail(paths_[size_t(k)], size_);
    } catch (...) {
      made.Error = std::current_exception();
    }
    lock.lock();
    Slot& s = slots_[size_t(k % window_)];
    s = std::move(made);
    s.Index = k;
    s.Ready = true;
    cv_.notify_all();
  }

  void Work() {
    std::unique_lock lock(m_);
    for (;;) {
      cv_.wait(lock, [&] { return cancel_ || next_ >= Count() || CanClaim(); });
      if (cancel_ || next_ >= Count()) return;
      MakeNext(lock);
    }
  }

  const std::vector<std::string> paths_;
  const int size_;
  const int window_;
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<Slot> slots_;
  int next_ = 0, taken_ = 0;
  bool cancel_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

int PanelIndexFor(int size) {
  for (int i = 0; i < 4; ++i)
    if (kCatalogSizes[i] == size) return i;
  return -1;
}

const TBitmap& PanelImage(int index) {
  return Panels().at(static_cast<size_t>(index));
}

TImageList PanelImageList() {
  TImageList list;
  list.SetSize(kPanelCellSize, kPanelCellSize);
  list.Flags = 0x10FF;
  for (const TBitmap& panel : Panels()) list.Add(panel);
  return list;
}

StripLayout PanelListLayout() {
  StripLayout layout;
  layout.Depth = 16;
  layout.Capacity = 9;
  layout.Grow = 4;
  layout.TrailingZeros = 22;
  return layout;
}

TBitmap MakeThumbnail(const std::string& path, int size) {
  TBitmap cell(size, size, TPixelFormat::pf24bit);
  FillRect(cell, Bounds(0, 0, size, size), kWhite);
  if (int panel = PanelIndexFor(size); panel >= 0) {
    const TBitmap& src = PanelImage(panel);
    for (int y = 0; y < size; ++y) std::memcpy(cell.ScanLine(y), src.ScanLine(y), size_t(size) * 3);
  }
  try {
    TPicture picture;
    picture.LoadFromFile(path);
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic()))
      if (FileSizeOf(path) > kFullDecodeLimit) jpeg->SetScale(TJPEGScale::jsQuarter);
    StretchDraw(cell, Placement(picture.Width(), picture.Height(), size), *picture.Graphic());
  } catch (const EInvalidGraphic&) {
    // The label is drawn from its own 50 x 10 picture, so nothing else of its cell shows.
    TBitmap label(kNoPictureLabelWidth, kNoPictureLabelHeight, TPixelFormat::pf24bit);
    const TBitmap& src = PanelImage(kNoPictureIndex);
    for (int y = 0; y < kNoPictureLabelHeight; ++y)
      std::memcpy(label.ScanLine(y), src.ScanLine(y), size_t(kNoPictureLabelWidth) * 3);
    StretchDrawRaster(cell, Placement(kNoPictureLabelWidth, kNoPictureLabelHeight, size), label,
                      false);
  }
  return cell;
}

BuildProgress ProgressAfter(int done, int total) {
  BuildProgress p;
  p.Gauge = total > 0 ? RoundEven(static_cast<double>(done) / total * 100) : 0;
  p.LoadNumber = std::to_string(done);
  p.TotalNumber = std::to_string(total);
  return p;
}

int DefaultWorkerCount() {
  const unsigned hw = std::thread::hardware_concurrency();
  return hw > 1 ? static_cast<int>(hw) - 1 : 1;
}

BuildResult BuildCatalog(FileList& list, int size, Catalog& catalog, CatalogBuildHost& host,
                         Platform& platform, const BuildOptions& options) {
  catalog.Clear();
  auto limit = [&] { return std::min(list.Count(), kMaxCatalogEntries); };
  const int n = limit();
  catalog.Images = TImageList();  // a remake of an opened catalog keeps nothing of its file
  catalog.Images.SetSize(size, size);
  catalog.Images.SetAllocBy(n);
  catalog.View.AllocBy = n;
  catalog.Items.reserve(static_cast<size_t>(n));

  BuildResult result;
  host.BuildStarted();
  try {
    std::unique_ptr<Prefetcher> ahead;
    const int workers = options.Workers < 0 ? DefaultWorkerCount() : options.Workers;
    if (workers > 0 && n > 1) {
      // The format registry sets itself up on first use: let that happen on this thread.
      (void)IsRegisteredExtension("bmp");
      std::vector<std::string> paths;
      paths.reserve(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) paths.push_back(list.PathOf(i));
      ahead = std::make_unique<Prefetcher>(std::move(paths), size, workers);
    }
    int i = 0;
    while (i < limit()) {
      platform.ProcessPendingEvents();
      if (i >= limit()) break;
      list.SetItemIndex(i);
      const std::string path = list.PathOf(i);
      TBitmap cell;
      if (ahead && ahead->PathOf(i) == path) {
        cell = ahead->Take(i, true, options.LoopHelps);
      } else {
        // The list changed under the build: this file is made here.
        if (ahead) ahead->Take(i, false, false);
        cell = MakeThumbnail(path, size);
      }
      const int index = catalog.Images.Add(std::move(cell));
      CatalogEntry entry;
      entry.Caption = ExtractFileName(path);
      entry.ImageIndex = index;
      catalog.Items.push_back(std::move(entry));
      ++i;
      result.Added = i;
      host.FileDone(catalog.Images.Image(index), ProgressAfter(i, limit()));
      if (host.StopRequested()) {
        result.Stopped = true;
        break;
      }
    }
  } catch (...) {
    host.BuildEnded();
    throw;
  }
  host.BuildEnded();
  return result;
}

BuildResult RemakeCatalog(FileList& list, int size, Catalog& catalog, CatalogBuildHost& host,
                          Platform& platform, const BuildOptions& options) {
  catalog.Clear();
  return BuildCatalog(list, size, catalog, host, platform, options);
}

}  // namespace verid
