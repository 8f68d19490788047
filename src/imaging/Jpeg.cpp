#include "imaging/Jpeg.h"

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/Exif.h"
#include "imaging/JpegTurn.h"

namespace verid {

// --- libjpeg boundary -------------------------------------------------------------------
// libjpeg reports failures through error_exit, which must not return. We longjmp back
// into Guarded(), the only function that calls setjmp; the work functions it runs hold
// nothing but plain data, so skipping their frames is safe. Guarded() destroys the libjpeg
// object and returns libjpeg's message number; the C++ caller then throws.

namespace {

struct ErrorState {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  int code;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
  state->code = cinfo->err->msg_code;
  std::longjmp(state->jump, 1);
}

// Warnings (a file cut short, corrupt entropy data, odd scan parameters) let the decode
// go on, as libjpeg intends: a damaged picture shows what can be decoded, the missing
// rows grey. Only error_exit ends it.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) cinfo->err->num_warnings++;
}

void OutputMessage(j_common_ptr) {}

void InitErrors(ErrorState& state) {
  jpeg_std_error(&state.mgr);
  state.mgr.error_exit = ErrorExit;
  state.mgr.emit_message = EmitMessage;
  state.mgr.output_message = OutputMessage;
  state.code = 0;
}

int Guarded(ErrorState& err, j_common_ptr object, void (*work)(void*), void* arg) {
  if (setjmp(err.jump)) {
    jpeg_destroy(object);
    return err.code ? err.code : JERR_UNKNOWN_MARKER;
  }
  work(arg);
  jpeg_destroy(object);
  return 0;
}

struct Source {
  const uint8_t* data;
  size_t size;
};

void FillHeader(jpeg_decompress_struct& cinfo, TJPEGHeader& h) {
  h.Width = static_cast<int>(cinfo.image_width);
  h.Height = static_cast<int>(cinfo.image_height);
  h.Components = cinfo.num_components;
  h.Progressive = cinfo.progressive_mode != 0;
  h.ColorSpace = cinfo.jpeg_color_space;
  h.JFIF = cinfo.saw_JFIF_marker != 0;
  h.DensityUnit = cinfo.density_unit;
  h.XDensity = cinfo.X_density;
  h.YDensity = cinfo.Y_density;
}

struct HeaderJob {
  jpeg_decompress_struct* cinfo;
  Source src;
  TJPEGHeader* header;
};

void ReadHeaderWork(void* arg) {
  auto* job = static_cast<HeaderJob*>(arg);
  jpeg_create_decompress(job->cinfo);
  jpeg_mem_src(job->cinfo, job->src.data, static_cast<unsigned long>(job->src.size));
  jpeg_read_header(job->cinfo, TRUE);
  FillHeader(*job->cinfo, *job->header);
}

// Gives the decoder its output rows; returns null when the raster cannot be made.
using BeginFn = uint8_t* (*)(void* ctx, int width, int height, int components, int64_t* stride);

struct DecodeJob {
  jpeg_decompress_struct* cinfo;
  Source src;
  int denominator;
  BeginFn begin;
  void* ctx;
  int components;  // of the output
  bool cmyk, adobe;
};

void DecodeWork(void* arg) {
  auto* job = static_cast<DecodeJob*>(arg);
  jpeg_decompress_struct* cinfo = job->cinfo;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, job->src.data, static_cast<unsigned long>(job->src.size));
  jpeg_read_header(cinfo, TRUE);
  cinfo->scale_num = 1;
  cinfo->scale_denom = static_cast<unsigned>(job->denominator);
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo->out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      break;
    default:
      cinfo->out_color_space = JCS_EXT_BGR;
  }
  jpeg_start_decompress(cinfo);
  job->components = cinfo->output_components;
  job->cmyk = cinfo->out_color_space == JCS_CMYK;
  job->adobe = cinfo->saw_Adobe_marker != 0;
  int64_t stride = 0;
  uint8_t* base =
      job->begin(job->ctx, static_cast<int>(cinfo->output_width),
                 static_cast<int>(cinfo->output_height), cinfo->output_components, &stride);
  if (!base) ERREXIT(cinfo, JERR_IMAGE_TOO_BIG);
  JSAMPROW rows[16];
  while (cinfo->output_scanline < cinfo->output_height) {
    JDIMENSION y = cinfo->output_scanline;
    JDIMENSION n = cinfo->output_height - y;
    if (n > 16) n = 16;
    for (JDIMENSION i = 0; i < n; ++i) rows[i] = base + int64_t(y + i) * stride;
    jpeg_read_scanlines(cinfo, rows, n);
  }
  jpeg_finish_decompress(cinfo);
}

struct EncodeJob {
  jpeg_compress_struct* cinfo;
  const uint8_t* base;
  int64_t stride;
  int width, height, quality;
  // Whole segments (marker, length, payload) written after the file's own header.
  const std::vector<uint8_t>* segments;
  size_t segmentCount;
  unsigned char* out;
  unsigned long outSize;
};

void EncodeWork(void* arg) {
  auto* job = static_cast<EncodeJob*>(arg);
  jpeg_compress_struct* cinfo = job->cinfo;
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, &job->out, &job->outSize);
  cinfo->image_width = static_cast<JDIMENSION>(job->width);
  cinfo->image_height = static_cast<JDIMENSION>(job->height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;  // the raster's byte order
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, job->quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  for (size_t i = 0; i < job->segmentCount; ++i) {
    const std::vector<uint8_t>& segment = job->segments[i];
    jpeg_write_marker(cinfo, segment[1], segment.data() + 4,
                      static_cast<unsigned>(segment.size() - 4));
  }
  JSAMPROW rows[16];
  while (cinfo->next_scanline < cinfo->image_height) {
    JDIMENSION y = cinfo->next_scanline;
    JDIMENSION n = cinfo->image_height - y;
    if (n > 16) n = 16;
    for (JDIMENSION i = 0; i < n; ++i)
      rows[i] = const_cast<JSAMPROW>(job->base + int64_t(y + i) * job->stride);
    jpeg_write_scanlines(cinfo, rows, n);
  }
  jpeg_finish_compress(cinfo);
}

int ReadHeader(const uint8_t* data, size_t size, TJPEGHeader& header) {
  ErrorState err;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InitErrors(err);
  cinfo.err = &err.mgr;
  HeaderJob job{&cinfo, {data, size}, &header};
  return Guarded(err, reinterpret_cast<j_common_ptr>(&cinfo), ReadHeaderWork, &job);
}

int DecodePixels(DecodeJob& job) {
  ErrorState err;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InitErrors(err);
  cinfo.err = &err.mgr;
  job.cinfo = &cinfo;
  return Guarded(err, reinterpret_cast<j_common_ptr>(&cinfo), DecodeWork, &job);
}

int EncodePixels(EncodeJob& job) {
  ErrorState err;
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InitErrors(err);
  cinfo.err = &err.mgr;
  job.cinfo = &cinfo;
  return Guarded(err, reinterpret_cast<j_common_ptr>(&cinfo), EncodeWork, &job);
}

uint8_t* BeginRaster(void* ctx, int width, int height, int components, int64_t* stride) {
  auto* bmp = static_cast<TBitmap*>(ctx);
  TPixelFormat format = components == 1   ? TPixelFormat::pf8bit
                        : components == 3 ? TPixelFormat::pf24bit
                                          : TPixelFormat::pf32bit;
  try {
    bmp->Allocate(width, height, format, false);
  } catch (...) {
    return nullptr;
  }
  *stride = bmp->Stride();
  return bmp->Bits();
}

constexpr uint8_t kIccSignature[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};

std::vector<uint8_t> Segment(uint8_t marker, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> segment(payload.size() + 4);
  segment[0] = 0xFF;
  segment[1] = marker;
  segment[2] = uint8_t((payload.size() + 2) >> 8);
  segment[3] = uint8_t((payload.size() + 2) & 0xFF);
  std::copy(payload.begin(), payload.end(), segment.begin() + 4);
  return segment;
}

// Where a new file's kept segments go: after SOI and the JFIF header when there is one, as
// libjpeg places markers written after it has started a file.
size_t SegmentsAt(const uint8_t* data, size_t size) {
  size_t at = 2;
  if (size >= at + 9 && data[at] == 0xFF && data[at + 1] == 0xE0 &&
      std::memcmp(data + at + 4, "JFIF", 5) == 0) {
    const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
    if (at + 2 + length <= size) at += 2 + length;
  }
  return at;
}

}  // namespace

std::shared_ptr<const TJPEGMarkers> ReadJpegMarkers(const uint8_t* data, size_t size) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return nullptr;
  std::shared_ptr<TJPEGMarkers> found;
  size_t at = 2;
  // Every segment until the first scan: a marker, a two-byte length that counts itself,
  // the payload. Anything that does not fit ends the walk; the decoder judges the rest.
  while (at + 4 <= size && data[at] == 0xFF) {
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;
    const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
    if (length < 2 || length > size - at - 2) break;
    const uint8_t* payload = data + at + 4;
    const size_t n = length - 2;
    const bool exif = marker == 0xE1 && n >= sizeof kExifSignature &&
                      std::memcmp(payload, kExifSignature, sizeof kExifSignature) == 0;
    const bool icc = marker == 0xE2 && n > sizeof kIccSignature &&
                     std::memcmp(payload, kIccSignature, sizeof kIccSignature) == 0;
    if ((exif && (!found || found->Exif.empty())) || icc) {
      if (!found) found = std::make_shared<TJPEGMarkers>();
      if (exif)
        found->Exif.assign(payload, payload + n);
      else
        found->Icc.emplace_back(payload, payload + n);
    }
    at += 2 + length;
  }
  return found;
}

int JpegErrorImageTooBig() {
  return JERR_IMAGE_TOO_BIG;
}

// --- TJPEGImage ---------------------------------------------------------------------------

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

TJPEGImage::TJPEGImage(const TJPEGImage& other)
    : TGraphic(other),
      data_(other.data_),
      header_(other.header_),
      orientation_(other.orientation_),
      turn_(other.turn_),
      markers_(other.markers_),
      quality_(other.quality_),
      scale_(other.scale_),
      raster_(other.raster_ ? std::make_unique<TBitmap>(*other.raster_) : nullptr) {}

TJPEGImage& TJPEGImage::operator=(const TJPEGImage& other) {
  if (this != &other) {
    TJPEGImage copy(other);
    TGraphic::operator=(copy);
    data_ = std::move(copy.data_);
    header_ = copy.header_;
    orientation_ = copy.orientation_;
    turn_ = copy.turn_;
    markers_ = std::move(copy.markers_);
    quality_ = copy.quality_;
    scale_ = copy.scale_;
    raster_ = std::move(copy.raster_);
  }
  return *this;
}

bool TJPEGImage::Empty() const {
  if (raster_) return raster_->Empty();
  return data_.empty() || header_.Width == 0 || header_.Height == 0;
}

TTurn TJPEGImage::Shape() const {
  return Then(TurnOfOrientation(orientation_), turn_.value_or(TTurn::None));
}

int TJPEGImage::FullWidth() const {
  return SwapsSides(Shape()) ? header_.Height : header_.Width;
}

int TJPEGImage::FullHeight() const {
  return SwapsSides(Shape()) ? header_.Width : header_.Height;
}

int TJPEGImage::Width() const {
  if (raster_) return raster_->Width();
  int d = ScaleDenominator(scale_);
  return (FullWidth() + d - 1) / d;
}

int TJPEGImage::Height() const {
  if (raster_) return raster_->Height();
  int d = ScaleDenominator(scale_);
  return (FullHeight() + d - 1) / d;
}

void TJPEGImage::SetWidth(int width) {
  if (raster_ && data_.empty()) {
    raster_->SetWidth(width);
    Changed();
  }
}

void TJPEGImage::SetHeight(int height) {
  if (raster_ && data_.empty()) {
    raster_->SetHeight(height);
    Changed();
  }
}

void TJPEGImage::SetCompressionQuality(int quality) {
  quality_ = quality < 0 ? 0 : quality > 100 ? 100 : quality;
}

void TJPEGImage::SetScale(TJPEGScale scale) {
  if (scale == scale_) return;
  scale_ = scale;
  if (!data_.empty()) raster_.reset();
  Changed();
}

void TJPEGImage::Decode() const {
  auto raster = std::make_unique<TBitmap>();
  DecodeJob job{};
  job.src = {data_.data(), data_.size()};
  job.denominator = ScaleDenominator(scale_);
  job.begin = BeginRaster;
  job.ctx = raster.get();
  if (int code = DecodePixels(job)) throw EJPEG(code);

  const int w = raster->Width(), h = raster->Height();
  if (job.cmyk) {
    // Four-component data: to BGR, then down to 24 bits. Adobe files store it inverted.
    for (int y = 0; y < h; ++y) {
      uint8_t* p = raster->ScanLine(y);
      for (int x = 0; x < w; ++x, p += 4) {
        unsigned c = p[0], m = p[1], ye = p[2], k = p[3];
        if (!job.adobe) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
        p[0] = static_cast<uint8_t>((ye * k + 127) / 255);
        p[1] = static_cast<uint8_t>((m * k + 127) / 255);
        p[2] = static_cast<uint8_t>((c * k + 127) / 255);
        p[3] = 0;
      }
    }
    raster->SetPixelFormat(TPixelFormat::pf24bit);
  } else {
    // libjpeg writes the pixels only; clear the row padding so saved copies are stable.
    const int64_t used = int64_t(w) * job.components;
    if (used < raster->Stride())
      for (int y = 0; y < h; ++y)
        std::memset(raster->ScanLine(y) + used, 0, static_cast<size_t>(raster->Stride() - used));
  }
  if (job.components == 1) raster->SetPalette(TBitmap::GreyPalette(256));
  // Turned after any scaling: the scaled decode is the cheap part.
  if (const TTurn shape = Shape(); shape != TTurn::None) *raster = ApplyTurn(*raster, shape);
  raster->Modified = false;
  raster_ = std::move(raster);
}

const TBitmap& TJPEGImage::ColorRaster() const {
  if (!raster_) {
    if (data_.empty()) {
      raster_ = std::make_unique<TBitmap>();
    } else {
      Decode();
    }
  }
  return *raster_;
}

void TJPEGImage::Assign(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
    data_ = jpeg->data_;
    header_ = jpeg->header_;
    orientation_ = jpeg->orientation_;
    turn_ = jpeg->turn_;
    markers_ = jpeg->markers_;
    quality_ = jpeg->quality_;
    scale_ = jpeg->scale_;
    raster_ = jpeg->raster_ ? std::make_unique<TBitmap>(*jpeg->raster_) : nullptr;
  } else {
    const TBitmap& from = source.ColorRaster();
    auto raster = std::make_unique<TBitmap>();
    raster->Assign(from);
    raster->SetTransparent(false);
    data_.clear();
    header_ = TJPEGHeader{};
    header_.Width = raster->Width();
    header_.Height = raster->Height();
    header_.Components = 3;
    orientation_ = 1;
    turn_.reset();
    markers_.reset();  // a picture of another kind brings no markers
    scale_ = TJPEGScale::jsFullSize;
    raster_ = std::move(raster);
  }
  Changed();
}

void TJPEGImage::Edited(TBitmap raster, std::optional<TTurn> turn) {
  const bool keepData = turn && !data_.empty() && scale_ == TJPEGScale::jsFullSize && HasExif();
  if (keepData) {
    turn_ = Then(turn_.value_or(TTurn::None), *turn);
  } else {
    data_.clear();
    header_ = TJPEGHeader{};
    header_.Width = raster.Width();
    header_.Height = raster.Height();
    header_.Components = 3;
    orientation_ = 1;
    turn_.reset();
    scale_ = TJPEGScale::jsFullSize;
  }
  raster.Modified = false;
  raster_ = std::make_unique<TBitmap>(std::move(raster));
  Changed();
}

void TJPEGImage::LoadFromMemory(const uint8_t* data, size_t size) {
  TJPEGHeader header;
  if (int code = ReadHeader(data, size, header)) throw EJPEG(code);
  std::shared_ptr<const TJPEGMarkers> markers = ReadJpegMarkers(data, size);
  data_.assign(data, data + size);
  header_ = header;
  markers_ = std::move(markers);
  orientation_ = HasExif() ? ExifOrientation(markers_->Exif.data(), markers_->Exif.size()) : 1;
  turn_.reset();
  raster_.reset();
  Changed();
  Modified = false;
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  UseRemainingBytes(stream,
                    [this](const uint8_t* data, size_t size) { LoadFromMemory(data, size); });
}

std::vector<std::vector<uint8_t>> TJPEGImage::SegmentsFor(int w, int h) const {
  std::vector<std::vector<uint8_t>> segments;
  if (!markers_) return segments;
  if (!markers_->Exif.empty()) {
    // A block that cannot be read is left out: it might turn the picture once more.
    std::vector<uint8_t> exif = UprightExif(markers_->Exif.data(), markers_->Exif.size(), w, h);
    if (!exif.empty()) segments.push_back(Segment(0xE1, exif));
  }
  for (const std::vector<uint8_t>& icc : markers_->Icc) segments.push_back(Segment(0xE2, icc));
  return segments;
}

std::vector<uint8_t> TJPEGImage::Encode(int quality) const {
  const TBitmap& raster = ColorRaster();
  TBitmap converted;
  const TBitmap* src = &raster;
  if (raster.PixelFormat() != TPixelFormat::pf24bit) {
    converted = raster;
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    src = &converted;
  }
  const std::vector<std::vector<uint8_t>> segments = SegmentsFor(src->Width(), src->Height());
  EncodeJob job{};
  job.base = src->Bits();
  job.stride = src->Stride();
  job.width = src->Width();
  job.height = src->Height();
  job.quality = quality < 0 ? 0 : quality > 100 ? 100 : quality;
  job.segments = segments.data();
  job.segmentCount = segments.size();
  int code = EncodePixels(job);
  std::vector<uint8_t> bytes;
  if (code == 0) bytes.assign(job.out, job.out + job.outSize);
  std::free(job.out);
  if (code) throw EJPEG(code);
  return bytes;
}

void TJPEGImage::Compress() {
  data_ = Encode(quality_);
  // The new data holds the picture upright.
  orientation_ = 1;
  turn_.reset();
  TJPEGHeader header;
  if (ReadHeader(data_.data(), data_.size(), header) == 0) header_ = header;
}

bool TJPEGImage::WriteTurned(TStream& stream) const {
  const std::vector<std::vector<uint8_t>> segments = SegmentsFor(FullWidth(), FullHeight());
  return TurnJpegLosslessly(data_.data(), data_.size(), Shape(),
                            [&](const uint8_t* out, size_t size) {
                              const size_t at = SegmentsAt(out, size);
                              stream.WriteBuffer(out, int64_t(at));
                              for (const std::vector<uint8_t>& segment : segments)
                                stream.WriteBuffer(segment.data(), int64_t(segment.size()));
                              stream.WriteBuffer(out + at, int64_t(size - at));
                            });
}

void TJPEGImage::SaveCopyToStream(TStream& stream, int quality) const {
  // A size that allows no perfect turn is compressed again whole: nothing is cropped.
  if (turn_ && !data_.empty() && WriteTurned(stream)) return;
  const std::vector<uint8_t> bytes = Encode(quality);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (turn_ && !data_.empty()) {
    SaveCopyToStream(stream, quality_);
    return;
  }
  if (data_.empty()) Compress();
  stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

int JpegScaleFor(int iw, int ih, int tw, int th) {
  if (tw <= 0 || th <= 0 || iw <= 2 * tw || ih <= 2 * th) return 1;
  for (int d : {8, 4, 2})
    if ((iw + d - 1) / d >= tw && (ih + d - 1) / d >= th) return d;
  return 1;
}

void ScaleJpegFor(TGraphic* graphic, int tw, int th) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(graphic);
  if (!jpeg) return;
  switch (JpegScaleFor(jpeg->FullWidth(), jpeg->FullHeight(), tw, th)) {
    case 8:
      jpeg->SetScale(TJPEGScale::jsEighth);
      break;
    case 4:
      jpeg->SetScale(TJPEGScale::jsQuarter);
      break;
    case 2:
      jpeg->SetScale(TJPEGScale::jsHalf);
      break;
    default:
      jpeg->SetScale(TJPEGScale::jsFullSize);
  }
}

}  // namespace verid
