#include "imaging/DEZStream.h"

#include <algorithm>
#include <cstring>

namespace verid {

// --- progress -----------------------------------------------------------------------------

namespace {

void StageStart(TProgressState& p) {
  p = TProgressState{};
}

void StageNew(TProgressState& p, TProgressMode mode, int64_t total, int share, int64_t position,
              int64_t dataLength) {
  p.Base += p.Span;
  p.Last = p.Base;
  p.Remaining -= p.Span;
  if (p.Remaining < 0) p.Remaining = 0;
  p.Mode = mode;
  if (mode == TProgressMode::Items) {
    p.Total = total;
  } else {
    p.Total = dataLength;
    p.StageStart = position;
  }
  if (p.Total <= 0) p.Total = 1;
  p.Span = (share >= 1 && share <= 99) ? share * p.Remaining / 100 : p.Remaining;
  p.LastItem = 0;
}

// Returns the percent to report, or -1 when it did not grow.
int StagePoint(TProgressState& p, int64_t item, int64_t position) {
  int64_t done;
  if (p.Mode == TProgressMode::Items) {
    p.LastItem = item;
    done = item >= p.Total ? p.Span : p.Span * item / p.Total;
  } else {
    done = p.Span * std::max<int64_t>(0, position - p.StageStart) / p.Total;
    if (done > p.Span) done = p.Span;
  }
  int value = p.Base + static_cast<int>(done);
  if (value <= p.Last) return -1;
  p.Last = value;
  return value;
}

void ForwardProgress(TBitmap* raster, int percent) {
  if (!raster || !raster->OnProgress) return;
  TProgressStage stage = percent <= 0    ? TProgressStage::Starting
                         : percent < 100 ? TProgressStage::Running
                                         : TProgressStage::Ending;
  raster->OnProgress(*raster, stage, static_cast<uint8_t>(std::min(percent, 100)), false, TRect{},
                     std::string());
}

}  // namespace

// --- reader -------------------------------------------------------------------------------

bool TQBZCustomReadStream::NotifyProgress(int) {
  return false;
}

void TQBZCustomReadStream::ProgressStart() {
  StageStart(progress_);
  NotifyProgress(0);
}

void TQBZCustomReadStream::ProgressNewStage(TProgressMode mode, int64_t total, int share) {
  StageNew(progress_, mode, total, share, position_, dataLength_);
}

void TQBZCustomReadStream::ProgressPoint(int64_t item) {
  int v = StagePoint(progress_, item, position_);
  if (v >= 0) stop_ = NotifyProgress(v) || stop_;
}

void TQBZCustomReadStream::ProgressEnd() {
  NotifyProgress(100);
}

void TQBZCustomReadStream::Begin(TStream& stream, int64_t limit) {
  stream_ = &stream;
  start_ = stream.Position();
  dataLength_ = limit > 0 ? limit : stream.Size() - start_;
  position_ = 0;
  window_ = nullptr;
  windowCount_ = 0;
  endOfData_ = false;
  stop_ = false;
  macBinaryFound_ = false;
  inPlace_ = false;
  if (dataLength_ <= 0) {
    dataLength_ = 0;
    endOfData_ = true;
    return;
  }
  if (const uint8_t* memory = stream.Memory()) {
    // Never look past the memory the stream really holds.
    int64_t held = stream.Size() - start_;
    if (dataLength_ > held) dataLength_ = std::max<int64_t>(0, held);
    inPlace_ = true;
    window_ = memory + start_;
    windowCount_ = dataLength_;
  } else {
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<uint8_t[]>(kDezBufferSize);
    Refill(0);
  }
  if (CheckMacBinary && dataLength_ > 128 && windowCount_ > 74 && window_[0] == 0 &&
      window_[74] == 0) {
    macBinaryFound_ = true;
    Consume(128);
  }
}

void TQBZCustomReadStream::End() {
  buffer_.reset();
  window_ = nullptr;
  windowCount_ = 0;
  if (stream_) stream_->SetPosition(start_ + position_);
}

void TQBZCustomReadStream::Refill(int64_t kept) {
  int64_t want = std::min<int64_t>(kDezBufferSize - kept, dataLength_ - position_ - kept);
  int64_t got = 0;
  if (want > 0) {
    stream_->ReadBuffer(buffer_.get() + kept, want);
    got = want;
  }
  window_ = buffer_.get();
  windowCount_ = kept + got;
}

bool TQBZCustomReadStream::Ensure(int64_t count) {
  if (windowCount_ >= count) return true;
  if (inPlace_) return false;
  if (windowCount_ > 0) std::memmove(buffer_.get(), window_, static_cast<size_t>(windowCount_));
  Refill(windowCount_);
  return windowCount_ >= count;
}

const uint8_t* TQBZCustomReadStream::Window(int64_t& count) {
  if (windowCount_ == 0 && !inPlace_ && position_ < dataLength_ && !Failed()) Refill(0);
  count = windowCount_;
  return window_;
}

void TQBZCustomReadStream::ReadBytes(void* destination, int64_t count) {
  if (Failed()) return;
  if (count <= 0) {
    stop_ = true;
    return;
  }
  if (position_ + count > dataLength_) {
    endOfData_ = true;
    return;
  }
  auto* out = static_cast<uint8_t*>(destination);
  int64_t take = std::min(count, windowCount_);
  if (take > 0) {
    std::memcpy(out, window_, static_cast<size_t>(take));
    Consume(take);
  }
  count -= take;
  out += take;
  if (count == 0) return;
  if (count > kDezBufferSize - 1) {
    int64_t direct = count - kDezBufferSize;
    stream_->ReadBuffer(out, direct);
    position_ += direct;
    out += direct;
    count -= direct;
  }
  Refill(0);
  std::memcpy(out, window_, static_cast<size_t>(count));
  Consume(count);
}

void TQBZCustomReadStream::Skip(int64_t count) {
  if (Failed()) return;
  if (count <= 0) {
    stop_ = true;
    return;
  }
  if (position_ + count > dataLength_) {
    endOfData_ = true;
    return;
  }
  if (count <= windowCount_) {
    Consume(count);
    return;
  }
  int64_t beyond = count - windowCount_;
  stream_->Seek(beyond, TSeekOrigin::Current);
  position_ += count;
  window_ = buffer_.get();
  windowCount_ = 0;
}

uint8_t TQBZCustomReadStream::ReadByte() {
  if (Failed()) return 0;
  if (position_ + 1 > dataLength_ || !Ensure(1)) {
    endOfData_ = true;
    return 0;
  }
  uint8_t v = window_[0];
  Consume(1);
  return v;
}

uint16_t TQBZCustomReadStream::ReadU16() {
  if (Failed()) return 0;
  if (position_ + 2 > dataLength_ || !Ensure(2)) {
    endOfData_ = true;
    return 0;
  }
  auto v = static_cast<uint16_t>(window_[0] << 8 | window_[1]);
  Consume(2);
  return v;
}

uint32_t TQBZCustomReadStream::ReadU32() {
  if (Failed()) return 0;
  if (position_ + 4 > dataLength_ || !Ensure(4)) {
    endOfData_ = true;
    return 0;
  }
  uint32_t v = uint32_t(window_[0]) << 24 | uint32_t(window_[1]) << 16 | uint32_t(window_[2]) << 8 |
               window_[3];
  Consume(4);
  return v;
}

// --- graphic reader -----------------------------------------------------------------------

bool TQBZCustomGraphicReadStream::NotifyProgress(int percent) {
  ForwardProgress(raster_, percent);
  return false;
}

uint8_t* TQBZCustomGraphicReadStream::PaletteBuffer() {
  if (!palette_) palette_ = std::make_unique<uint8_t[]>(1024);
  return palette_.get();
}

void TQBZCustomGraphicReadStream::Read(TBitmap& raster, TStream& stream, int64_t limit) {
  raster_ = &raster;
  auto onChange = std::move(raster.OnChange);
  raster.OnChange = nullptr;
  struct Restore {
    TQBZCustomGraphicReadStream& self;
    TBitmap& raster;
    std::function<void(TGraphic&)>& onChange;
    ~Restore() {
      self.End();
      self.palette_.reset();
      raster.OnChange = std::move(onChange);
    }
  } restore{*this, raster, onChange};
  Begin(stream, limit);
  Text.clear();
  PaletteCount = 0;
  ReadImage();
}

void TQBZCustomGraphicReadStream::SetupTargetRaster() {
  TBitmap& r = *raster_;
  r.Clear();
  r.SetTransparent(false);
  TPixelFormat format;
  switch (OutputBits) {
    case 1:
      format = TPixelFormat::pf1bit;
      break;
    case 4:
      format = TPixelFormat::pf4bit;
      break;
    case 8:
      format = TPixelFormat::pf8bit;
      break;
    case 15:
      format = TPixelFormat::pf15bit;
      break;
    case 16:
      format = TPixelFormat::pf16bit;
      break;
    case 32:
      format = TPixelFormat::pf32bit;
      break;
    default:
      format = TPixelFormat::pf24bit;
      break;
  }
  r.Allocate(ImageWidth, ImageHeight, format, !RowsCoverRaster);
  if (RowsCoverRaster && r.Bits()) {
    // Every pixel byte is written by the reader; only the row padding needs clearing.
    int64_t used = (int64_t(ImageWidth) * BitsOf(format) + 7) / 8;
    if (format == TPixelFormat::pf15bit) used = int64_t(ImageWidth) * 2;
    for (int y = 0; y < ImageHeight; ++y)
      std::memset(r.ScanLine(y) + used, 0, size_t(r.Stride() - used));
  }
  if (palette_) {
    std::vector<TRGBQuad> pal(static_cast<size_t>(std::clamp(PaletteCount, 0, 256)));
    for (size_t i = 0; i < pal.size(); ++i)
      pal[i] = TRGBQuad{palette_[i * 4], palette_[i * 4 + 1], palette_[i * 4 + 2], 0};
    r.SetPalette(std::move(pal));
  } else {
    r.SetPalette({});
  }
}

// --- writer -------------------------------------------------------------------------------

TQBZCustomWriteStream::TQBZCustomWriteStream()
    : buffer_(std::make_unique_for_overwrite<uint8_t[]>(kDezBufferSize)) {}

bool TQBZCustomWriteStream::NotifyProgress(int) {
  return false;
}

void TQBZCustomWriteStream::ProgressStart() {
  StageStart(progress_);
  NotifyProgress(0);
}

void TQBZCustomWriteStream::ProgressNewStage(TProgressMode mode, int64_t total, int share) {
  StageNew(progress_, mode, total, share, TotalWritten(), total);
}

void TQBZCustomWriteStream::ProgressPoint(int64_t item) {
  int v = StagePoint(progress_, item, TotalWritten());
  if (v >= 0) stop_ = NotifyProgress(v) || stop_;
}

void TQBZCustomWriteStream::ProgressEnd() {
  NotifyProgress(100);
}

void TQBZCustomWriteStream::Begin(TStream& stream) {
  stream_ = &stream;
  held_ = 0;
  total_ = 0;
  stop_ = false;
}

void TQBZCustomWriteStream::Flush() {
  if (held_ > 0) {
    stream_->WriteBuffer(buffer_.get(), held_);
    total_ += held_;
    held_ = 0;
  }
}

void TQBZCustomWriteStream::WriteBytes(const void* data, int64_t count) {
  if (stop_) return;
  if (count <= 0) {
    stop_ = true;
    return;
  }
  if (count < kDezBufferSize - 16) {
    if (held_ + count > kDezBufferSize - 1) Flush();
    std::memcpy(buffer_.get() + held_, data, static_cast<size_t>(count));
    held_ += count;
    return;
  }
  Flush();
  stream_->WriteBuffer(data, count);
  total_ += count;
}

void TQBZCustomWriteStream::WriteU32(uint32_t value) {
  if (stop_) return;
  if (held_ + 4 > kDezBufferSize - 1) Flush();
  uint8_t* p = buffer_.get() + held_;
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
  held_ += 4;
}

bool TQBZCustomGraphicWriteStream::NotifyProgress(int percent) {
  ForwardProgress(raster_, percent);
  return false;
}

void TQBZCustomGraphicWriteStream::Write(TBitmap& raster, TStream& stream) {
  Begin(stream);
  raster_ = &raster;
  WriteImage();
  Flush();
}

}  // namespace verid
