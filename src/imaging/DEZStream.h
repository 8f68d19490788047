// Buffered image streams: a 64 KiB buffer between a codec and its stream, big-endian
// integers, the stop and end-of-data flags, and progress stages fed to the raster.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Stream.h"
#include "imaging/Bitmap.h"

namespace verid {

inline constexpr int kDezBufferSize = 65536;

enum class TProgressMode : uint8_t { Bytes, Items };

// Percent bookkeeping shared by readers and writers: stages take a share of what is left
// of 0..99, and a value is reported only when it grows.
struct TProgressState {
  int Base = 0;
  int Last = 0;
  int Span = 0;
  int Remaining = 99;
  int64_t Total = 1;
  TProgressMode Mode = TProgressMode::Bytes;
  int64_t StageStart = 0;
  int64_t LastItem = 0;
};

class TQBZCustomReadStream {
 public:
  TQBZCustomReadStream() = default;
  TQBZCustomReadStream(const TQBZCustomReadStream&) = delete;
  TQBZCustomReadStream& operator=(const TQBZCustomReadStream&) = delete;
  virtual ~TQBZCustomReadStream() = default;

  // Starts reading `stream` at its position; limit > 0 caps the data length.
  void Begin(TStream& stream, int64_t limit = 0);
  // Puts the stream just after the consumed bytes and releases the buffer.
  void End();

  void ReadBytes(void* destination, int64_t count);
  void Skip(int64_t count);
  uint8_t ReadByte();
  uint16_t ReadU16();
  uint32_t ReadU32();

  bool EndOfData() const { return endOfData_; }
  bool Stopped() const { return stop_; }
  bool Failed() const { return endOfData_ || stop_; }
  int64_t Position() const { return position_; }
  int64_t DataLength() const { return dataLength_; }
  int64_t RemainingData() const { return dataLength_ - position_; }

  bool CheckMacBinary = true;
  bool MacBinaryFound() const { return macBinaryFound_; }

  // Progress stages.
  void ProgressStart();
  void ProgressNewStage(TProgressMode mode, int64_t total, int share);
  void ProgressPoint(int64_t item = 0);
  void ProgressEnd();
  const TProgressState& ProgressInfo() const { return progress_; }

 protected:
  // Returns true to stop.
  virtual bool NotifyProgress(int percent);

  // Direct access for hot loops: makes at least one unconsumed byte visible (unless the
  // data is exhausted) and returns the window; Consume advances over bytes taken from it.
  const uint8_t* Window(int64_t& count);
  void Consume(int64_t count) {
    window_ += count;
    windowCount_ -= count;
    position_ += count;
  }

  void Refill(int64_t kept);

  TStream* stream_ = nullptr;
  int64_t start_ = 0;
  int64_t dataLength_ = 0;
  int64_t position_ = 0;
  const uint8_t* window_ = nullptr;
  int64_t windowCount_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  bool inPlace_ = false;
  bool endOfData_ = false;
  bool stop_ = false;
  bool macBinaryFound_ = false;
  TProgressState progress_;

 private:
  bool Ensure(int64_t count);
};

class TQBZCustomGraphicReadStream : public TQBZCustomReadStream {
 public:
  // Reads the image into `raster`; the stream ends up just after the consumed bytes, also
  // after a failure.
  void Read(TBitmap& raster, TStream& stream, int64_t limit = 0);

  std::string Text;
  int ImageWidth = 0;
  int ImageHeight = 0;
  int OutputBits = 24;
  int PaletteCount = 0;
  // Set by a format reader that writes every pixel byte of every row itself.
  bool RowsCoverRaster = false;

 protected:
  bool NotifyProgress(int percent) override;
  virtual void ReadImage() = 0;
  virtual void SetupTargetRaster();
  uint8_t* PaletteBuffer();  // 256 entries of blue, green, red, zero

  TBitmap* raster_ = nullptr;
  std::unique_ptr<uint8_t[]> palette_;
};

class TQBZCustomWriteStream {
 public:
  TQBZCustomWriteStream();
  TQBZCustomWriteStream(const TQBZCustomWriteStream&) = delete;
  TQBZCustomWriteStream& operator=(const TQBZCustomWriteStream&) = delete;
  virtual ~TQBZCustomWriteStream() = default;

  void Begin(TStream& stream);
  void WriteBytes(const void* data, int64_t count);
  void WriteU32(uint32_t value);
  void Flush();

  bool Stopped() const { return stop_; }
  int64_t TotalWritten() const { return total_ + held_; }

  void ProgressStart();
  void ProgressNewStage(TProgressMode mode, int64_t total, int share);
  void ProgressPoint(int64_t item = 0);
  void ProgressEnd();

 protected:
  virtual bool NotifyProgress(int percent);

  TStream* stream_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t held_ = 0;
  int64_t total_ = 0;
  bool stop_ = false;
  TProgressState progress_;
};

class TQBZCustomGraphicWriteStream : public TQBZCustomWriteStream {
 public:
  void Write(TBitmap& raster, TStream& stream);

 protected:
  bool NotifyProgress(int percent) override;
  virtual void WriteImage() = 0;

  TBitmap* raster_ = nullptr;
};

}  // namespace verid
