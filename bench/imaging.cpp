// Imaging timings against peers, measured in one run on a 4000 x 3000 photo-like picture
// and printed as ratios (ours / theirs): JPEG decode against a bare libjpeg-turbo loop,
// quarter-scale against full decode, BMP reading against stb_image, and the quarter turn
// against a naive per-pixel loop.
// jpeglib.h needs size_t and FILE declared first.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <stb/stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "BenchSupport.h"
#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"

using namespace verid;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Best of `runs` timings, in milliseconds.
double Time(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

volatile uint32_t gSink;

void BareLibjpegDecode(const std::vector<uint8_t>& data) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const size_t stride = size_t(cinfo.output_width) * 3;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[stride * cinfo.output_height]);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = buffer.get() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  gSink = buffer[stride];
}

uint32_t OurDecode(const std::vector<uint8_t>& data, TJPEGScale scale) {
  TJPEGImage j;
  j.LoadFromMemory(data.data(), data.size());
  j.SetScale(scale);
  return j.ColorRaster().ScanLine(1)[0];
}

TBitmap NaiveRotateRight(const TBitmap& src) {
  const int w = src.Width(), h = src.Height();
  TBitmap out(h, w, src.PixelFormat());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::memcpy(out.ScanLine(x) + int64_t(h - 1 - y) * 3, src.ScanLine(y) + int64_t(x) * 3, 3);
  return out;
}

void Report(const char* what, double ours, double theirs, double target) {
  bench::Report(what, ours, theirs, target, 44, 8);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = bench::CountArgument(argc, argv, 5);
  bench::BusyCore busy(bench::BusyRequested(argc, argv));
  bench::PrintMachine("before", &busy);
  const TBitmap photo = bench::GradientPhoto(kWidth, kHeight, 7);

  TJPEGImage encoder;
  encoder.Assign(photo);
  encoder.SetCompressionQuality(90);  // libjpeg's defaults: 4:2:0
  encoder.Compress();
  const std::vector<uint8_t> jpeg = encoder.Data();

  TBitmap bmpSource = photo;
  TMemoryStream bmpStream;
  bmpSource.SaveToStream(bmpStream);
  const std::vector<uint8_t>& bmp = bmpStream.Bytes();

  std::printf("picture %d x %d, JPEG %zu bytes, BMP %zu bytes, best of %d runs\n", kWidth, kHeight,
              jpeg.size(), bmp.size(), runs);

  // Interleaved, so both sides see the same machine state.
  double ours = 1e300, bare = 1e300, quarter = 1e300;
  for (int i = 0; i < runs; ++i) {
    bare = std::min(bare, Time(1, [&] { BareLibjpegDecode(jpeg); }));
    ours = std::min(ours, Time(1, [&] { gSink = OurDecode(jpeg, TJPEGScale::jsFullSize); }));
    quarter = std::min(quarter, Time(1, [&] { gSink = OurDecode(jpeg, TJPEGScale::jsQuarter); }));
  }
  Report("JPEG full decode vs bare libjpeg-turbo", ours, bare, 1.05);
  Report("JPEG 1/4 decode vs our full decode", quarter, ours, 0.75);

  double ourBmp = 1e300, stb = 1e300;
  for (int i = 0; i < runs; ++i) {
    stb = std::min(stb, Time(1, [&] {
                     int w, h, n;
                     uint8_t* p = stbi_load_from_memory(bmp.data(), int(bmp.size()), &w, &h, &n, 3);
                     gSink = p ? p[5] : 0;
                     stbi_image_free(p);
                   }));
    ourBmp = std::min(ourBmp, Time(1, [&] {
                        TBitmap b;
                        b.LoadFromMemory(bmp.data(), bmp.size());
                        gSink = b.ScanLine(1)[0];
                      }));
  }
  Report("24-bit BMP read vs stb_image", ourBmp, stb, 0.67);

  double tiled = 1e300, naive = 1e300;
  for (int i = 0; i < runs; ++i) {
    naive = std::min(naive, Time(1, [&] { gSink = NaiveRotateRight(photo).ScanLine(1)[0]; }));
    tiled = std::min(tiled, Time(1, [&] { gSink = RotateRight90(photo).ScanLine(1)[0]; }));
  }
  Report("Rotate right 90 vs naive per-pixel loop", tiled, naive, 0.60);
  bench::PrintMachine("after", &busy);
  return 0;
}
