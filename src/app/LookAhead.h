// Pictures made ahead: while one picture of the list is shown, its neighbours in the
// direction of travel are read and made ready for the same display on a worker thread,
// so that the next step costs only the paint. The preview, the view window and the
// full-screen slide show each keep one.
//
// The rule, all of it here: after entry k is shown, entries k + d and k + 2d are made (d
// is +1 at first, -1 after a step back); at most two made pictures wait, within a memory
// bound; a waiting picture is used only for the display it was made for, while the list
// still holds its file and the file is as it was when it was read (size and modification
// time). Anything else is made where it is wanted, as it would be without the worker, so
// a file that fails shows its failure when it is reached and never earlier.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/FileList.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"

namespace verid {

inline constexpr size_t kLookAheadBytes = size_t(256) << 20;
inline constexpr int kLookAheadPictures = 2;

// A file's picture made ready for one display.
struct TMadePicture {
  // The file's picture as loaded (a JPEG decoded at the scale its display needs); null
  // when the display keeps only the rendering.
  std::unique_ptr<TPicture> Picture;
  TBitmap Rendered;           // drawn for the display (empty when it shows nothing drawn)
  TRect Place;                // where the display puts it
  int Width = 0, Height = 0;  // the picture's own size, upright

  // The memory it holds.
  size_t Bytes() const;
};

// Makes a file's picture for one display. It runs on the worker thread as well as on the
// caller's, so it may use nothing but what it holds by value: no window, no settings
// object, no list. Throws as loading the picture does.
using TPictureMaker = std::function<TMadePicture(const std::string& path)>;

// What tells a file's content apart: its size and modification time.
struct TFileStamp {
  long long Size = -1, Time = 0;
  bool operator==(const TFileStamp&) const = default;
  // Size -1 when the file cannot be looked at.
  static TFileStamp Of(const std::string& path);
};

class TLookAhead {
 public:
  // `enabled` false makes every picture where it is wanted (no worker).
  explicit TLookAhead(FileList& list, bool enabled = true, size_t bound = kLookAheadBytes);
  ~TLookAhead();  // waits for the picture being made
  TLookAhead(const TLookAhead&) = delete;
  TLookAhead& operator=(const TLookAhead&) = delete;

  // What is made from now on and for which display: `display` names it (mode, size,
  // colours). Another name drops what was made for the old one.
  void SetMaker(const std::string& display, TPictureMaker maker);
  // Whether stepping past either end goes on at the other (slide shows).
  void SetWrap(bool wrap);

  // The picture of `path` for the current display: made ahead and still good, or made
  // here and now. When the worker is still on it, this thread makes the next picture
  // wanted meanwhile instead of idling. Errors of making it here propagate.
  TMadePicture Take(const std::string& path);
  // After entry `index` of the list was shown: the neighbours in the direction of travel
  // are made next, and waiting pictures that are no longer wanted go.
  void Shown(int index);
  // Drops every waiting picture and stops making more until the next Shown.
  void Clear();

  // For tests and measurements.
  int Reused() const { return reused_; }
  int Ready() const;
  size_t ReadyBytes() const;
  // Waits until the worker has nothing left to make.
  void WaitIdle();

 private:
  struct Job {
    std::string Path;
    uint64_t Display = 0;
    TPictureMaker Maker;
  };
  struct Made {
    std::string Path;
    uint64_t Display = 0;
    TFileStamp Before;
    TMadePicture Picture;
    bool Ok = false;
  };
  void Work();
  // The rest under the lock. Whether the worker may start the next job: room for one
  // more picture about as large as the last.
  bool CanStart() const;
  // The waiting picture of `path`, if still good; removed from the waiting ones.
  bool TakeReady(const std::string& path, TMadePicture& out);
  bool Wanted(const std::string& path) const;
  // Keeps a picture made for the current display while it is wanted and fits.
  void Keep(Made&& made);
  static Made MakeNow(const Job& job);

  const FileList& list_;
  const bool enabled_;
  const size_t bound_;
  TListSubscription listChanges_;
  bool wrap_ = false;
  int lastIndex_ = -1;
  int direction_ = 1;
  int reused_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string displayName_;
  uint64_t display_ = 0;
  TPictureMaker maker_;
  std::vector<std::string> wanted_;  // in the order they are wanted
  std::deque<Job> queue_;
  std::vector<Made> ready_;
  std::string making_;  // what the worker is on ("" for nothing)
  uint64_t makingDisplay_ = 0;
  size_t lastBytes_ = 0;  // the size of the last picture made: what the next will need
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace verid
