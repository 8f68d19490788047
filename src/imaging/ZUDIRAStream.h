// PNG reading and writing on top of the buffered image streams.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "imaging/DEZStream.h"

namespace verid {

struct TPngTime {
  uint16_t Year = 0;
  uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool operator==(const TPngTime&) const = default;
};

// The current time in UTC.
TPngTime PngTimeNow();

// Row transform for protected files: the row's bytes after the filter byte, the password,
// the row number over all passes (from 0) and the row length.
using TPngRowEvent =
    std::function<void(uint8_t* row, const std::string& password, int rowNumber, int length)>;
using TPngPasswordEvent = std::function<void(std::string& password)>;

// The PNG properties a graphic carries between reading and writing.
struct TPngProperties {
  bool HasAlpha = false;
  int IdatSize = 32768;
  int CompressionLevel = -1;
  uint8_t FilterMode = 1;
  bool Interlaced = false;
  bool Grayscale = false;
  std::string Comment;
  TColor BackgroundColor = -1;
  TColor TransparentKey = -1;
  double Gamma = 0.45455;
  uint32_t SignificantBits = 0;  // red | green << 8 | blue << 16 | alpha << 24
  uint8_t PhysUnit = 0;
  int32_t PhysX = 0, PhysY = 0;
  int SourceBitsPerPixel = 0;
  bool UseCurrentTime = true;
  TPngTime ModifiedTime;
  std::array<uint32_t, 8> Chromaticity{};
  std::array<uint8_t, 4> GifControl{};
  bool CheckMacBinary = true;
  bool Read16BitRgb = false;
  std::string Password;
  TPngPasswordEvent OnPassword;
  TPngRowEvent OnDecodeRow;
  TPngRowEvent OnEncodeRow;
};

inline constexpr int kMinIdatSize = 256;
inline constexpr int kMaxIdatSize = 100000;
// Images whose filtered rows (filter bytes included) fit in this many bytes are inflated
// and deflated in one piece; larger ones row by row.
inline constexpr int64_t kPngWholeImageLimit = int64_t(512) << 20;

class ZOVIDUDReadStream : public TQBZCustomGraphicReadStream {
 public:
  ZOVIDUDReadStream();
  ~ZOVIDUDReadStream() override;

  bool Read16BitRgb = false;
  std::string Password;
  TPngPasswordEvent OnPassword;
  TPngRowEvent OnDecodeRow;
  int64_t WholeImageLimit = kPngWholeImageLimit;

  // Reads one PNG from the stream's position. `alpha` may be null.
  void Read(TBitmap& raster, TBitmap* alpha, TStream& stream, int64_t limit = 0);

  // What the file said; valid after a successful Read.
  bool HasAlpha = false;
  TColor BackgroundColor = -1;
  TColor TransparentKey = -1;
  bool Interlaced = false;
  double Gamma = 0;
  uint8_t PhysUnit = 0;
  int32_t PhysX = 0, PhysY = 0;
  uint32_t SignificantBits = 0;
  int SourceBitsPerPixel = 0;
  bool Grayscale = false;
  TPngTime ModifiedTime;
  std::array<uint32_t, 8> Chromaticity{};
  std::array<uint8_t, 4> GifControl{};
  // Whether the image data was inflated in one piece rather than row by row.
  bool InflatedWhole = false;

 protected:
  void ReadImage() override;

 private:
  struct State;
  void ReadHeader(uint32_t length);
  void ReadPalette(uint32_t length);
  void ReadTransparency(uint32_t length);
  void ReadBackground();
  void ReadText(uint32_t length);
  void ReadPrivate(uint32_t length);
  void ReadImageData();
  void Finish();
  bool NextIdatChunk();
  struct WholeRows;
  bool InflateWhole(WholeRows& rows, int64_t size);
  void Rewind(const WholeRows& rows);
  uint8_t Level8(uint16_t sample) const;

  TBitmap* alpha_ = nullptr;
  int64_t chunkLeft_ = 0;
  uint32_t crc_ = 0;
  bool checkCrc_ = false;
  std::unique_ptr<State> s_;
};

class ZOVIDUDWriteStream : public TQBZCustomGraphicWriteStream {
 public:
  ZOVIDUDWriteStream();
  ~ZOVIDUDWriteStream() override;

  // Takes every writer parameter from the properties (the IDAT size is checked).
  void SetProperties(const TPngProperties& props);
  // Outside 256..100000 fails at once.
  void SetIdatSize(int size);
  int IdatSize() const { return idatSize_; }

  int CompressionLevel = -1;
  uint8_t FilterMode = 1;
  bool Interlaced = false;
  bool Grayscale = false;
  std::string Comment;
  TColor BackgroundColor = -1;
  TColor TransparentKey = -1;
  double Gamma = 0.45455;
  uint32_t SignificantBits = 0;
  uint8_t PhysUnit = 0;
  int32_t PhysX = 0, PhysY = 0;
  bool UseCurrentTime = true;
  TPngTime ModifiedTime;
  std::array<uint32_t, 8> Chromaticity{};
  std::array<uint8_t, 4> GifControl{};
  std::string Password;
  TPngRowEvent OnEncodeRow;
  int64_t WholeImageLimit = kPngWholeImageLimit;
  // The alpha plane (255 - alpha per pixel); used only when it fits the raster.
  const TBitmap* AlphaPlane = nullptr;

 protected:
  void WriteImage() override;

 private:
  struct State;
  void WriteChunk(const char* type, const uint8_t* data, uint32_t length);
  void WriteImageData();
  int idatSize_ = 32768;
  std::unique_ptr<State> s_;
};

// Filter scoring used by the adaptive mode (exposed for tests): -1 means "take this one".
int PngFilterScore(const uint8_t* row, int length, int rowBits, uint32_t* counts);

// The version text of the zlib the PNG codec runs on, for the credits.
const char* ZlibVersionText();

}  // namespace verid
