// Building a catalog: one thumbnail cell per file of the list, in list order, made in a
// loop on the window thread that handles pending events once per file and reports to a
// small host (the progress window). Pictures may be loaded and shrunk ahead by worker
// threads; only the loop touches the list, the catalog and the host.
#pragma once

#include <cstdint>
#include <string>

#include "app/FileList.h"
#include "catalog/CatalogFile.h"
#include "catalog/ImageList.h"
#include "imaging/Bitmap.h"
#include "platform/Platform.h"

namespace verid {

inline constexpr int kCatalogSizes[4] = {65, 80, 100, 120};
// The panel pictures live in cells of this size.
inline constexpr int kPanelCellSize = 120;
inline constexpr int kNoPictureIndex = 4;
inline constexpr int kNoPictureLabelWidth = 50, kNoPictureLabelHeight = 10;
inline constexpr TColor kPanelFace = 0xBDBDBD;  // RGB (189, 189, 189)
// JPEG files up to this many bytes are decoded whole, larger ones at a quarter.
inline constexpr int64_t kFullDecodeLimit = 5000;
// Positions and the strip's image count are 16-bit.
inline constexpr int kMaxCatalogEntries = 65535;

// Panel background of a catalog size: 65 -> 0, 80 -> 1, 100 -> 2, 120 -> 3, else -1.
int PanelIndexFor(int size);
// Panel picture 0..4 as a 24-bit 120 x 120 cell: 0..3 raised panels of 65, 80, 100 and
// 120 pixels at the top left, 4 the 50 x 10 NoPicture label; the rest is white.
const TBitmap& PanelImage(int index);
// The five panel pictures as an image list, and the strip layout that list is kept in.
TImageList PanelImageList();
StripLayout PanelListLayout();

// The cell of one file: the panel background, then the picture placed by FitRect (a JPEG
// over kFullDecodeLimit bytes decoded at a quarter), or the NoPicture label when the file
// is no readable picture. Other failures (the file is gone or unreadable) throw.
TBitmap MakeThumbnail(const std::string& path, int size);

struct BuildProgress {
  int Gauge = 0;  // percent
  std::string LoadNumber, TotalNumber;
  bool operator==(const BuildProgress&) const = default;
};
BuildProgress ProgressAfter(int done, int total);

class CatalogBuildHost {
 public:
  virtual ~CatalogBuildHost() = default;
  // Shown with the gauge at 0 and no picture.
  virtual void BuildStarted() = 0;
  // After each file: the cell just added and the progress to show (repaint now).
  virtual void FileDone(const TBitmap& thumbnail, const BuildProgress& progress) = 0;
  // Read once per file, after that file was added.
  virtual bool StopRequested() = 0;
  // Closes the progress display; also called when the build ends with an error.
  virtual void BuildEnded() = 0;
};

inline constexpr int kAutoWorkers = -1;
struct BuildOptions {
  // Threads that prepare cells ahead of the loop; 0 makes each cell in the loop itself,
  // kAutoWorkers uses DefaultWorkerCount().
  int Workers = kAutoWorkers;
  // While the next cell is not ready, the loop makes cells of later files itself rather
  // than wait (it handles events once per file all the same).
  bool LoopHelps = true;
};
// One fewer than the hardware threads, at least one.
int DefaultWorkerCount();

struct BuildResult {
  int Added = 0;
  bool Stopped = false;
};

// Empties the catalog and builds it from the list at cell size `size`: the store gets
// cells of size x size and a growth step of the file count, entry k stands for list entry
// k. Each turn handles pending events, makes the entry current, adds its cell and entry and
// reports; a stop request ends the loop after that file. At most kMaxCatalogEntries files.
// A failure other than an unreadable picture ends the build at that file: the entries made
// so far stay, the host is closed and the error propagates.
BuildResult BuildCatalog(FileList& list, int size, Catalog& catalog, CatalogBuildHost& host,
                         Platform& platform, const BuildOptions& options = {});
// The same from a catalog that may hold entries: they are freed, last first, then built.
BuildResult RemakeCatalog(FileList& list, int size, Catalog& catalog, CatalogBuildHost& host,
                          Platform& platform, const BuildOptions& options = {});

}  // namespace verid
