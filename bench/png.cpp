// PNG decoding and encoding: our codec against libpng and libspng on the same pictures in
// one run. Prints times (best of several runs), ratios to libpng and IDAT sizes.
//
//   bench_png [--quick] [--decode | --encode] [--level N] [--busy]
//   bench_png --repeat PICTURE ours|libpng N   N decodes of one picture (0 photo, 1 palette,
//                                              2 grey, 3 alpha, 4 interlaced) by one side
//                                              alone, for perf stat and callgrind
//
// Our encoder runs at the standard level (or N) against libpng at level 6. With --busy
// another process keeps one core busy meanwhile.
#include <png.h>
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#if __has_include(<spng.h>)
#include <spng.h>
#define HAVE_SPNG 1
#endif

#include "BenchSupport.h"
#include "imaging/ZUDIRA.h"

using namespace verid;

namespace {

struct Picture {
  std::string Name;
  int Width = 0, Height = 0;
  int ColorType = 2;  // PNG colour type of the file
  bool Interlaced = false;
  std::vector<uint8_t> Rgb;  // rows as PNG samples (8-bit)
  std::vector<png_color> Palette;
};

size_t Channels(int ct) {
  return ct == 0 ? 1 : ct == 2 ? 3 : ct == 3 ? 1 : ct == 4 ? 2 : 4;
}

// Smooth shapes with fine noise: compresses like a photograph, not like a test chart.
// put(x, y, channel, value) receives the samples in row order.
template <class Put>
void PhotoSamples(int w, int h, int ct, Put put) {
  size_t ch = Channels(ct);
  std::mt19937 rng(42);
  std::normal_distribution<double> noise(0.0, 3.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double fx = double(x) / w, fy = double(y) / h;
      double base[4] = {
          128 + 90 * std::sin(fx * 7.0 + fy * 3.0) * std::cos(fy * 5.0),
          120 + 80 * std::sin(fx * 4.0 - fy * 6.0 + 1.0),
          110 + 100 * std::cos((fx - 0.5) * (fy - 0.3) * 20.0),
          200 + 55 * std::sin(fx * 11.0),
      };
      for (size_t c = 0; c < ch; ++c) {
        double v = base[ct == 4 && c == 1 ? 3 : c] + noise(rng);
        put(x, y, c, uint8_t(std::clamp(v, 0.0, 255.0)));
      }
    }
}

Picture PhotoLike(const std::string& name, int w, int h, int ct, bool interlaced) {
  Picture p{name, w, h, ct, interlaced, {}, {}};
  size_t ch = Channels(ct);
  p.Rgb.resize(size_t(w) * h * ch);
  PhotoSamples(w, h, ct,
               [&](int x, int y, size_t c, uint8_t v) { p.Rgb[(size_t(y) * w + x) * ch + c] = v; });
  return p;
}

Picture PaletteLike(int w, int h) {
  Picture p{"palette 8-bit", w, h, 3, false, {}, {}};
  p.Rgb.resize(size_t(w) * h);
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v = int(((x / 37) * 7 + (y / 23) * 13 + ((x * y) >> 9)) & 0xFF);
      if (rng() % 16 == 0) v = int(rng() & 0xFF);
      p.Rgb[size_t(y) * w + x] = uint8_t(v);
    }
  for (int i = 0; i < 256; ++i)
    p.Palette.push_back(png_color{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
  return p;
}

double Seconds(const std::function<void()>& f, int runs) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

// --- libpng -------------------------------------------------------------------------------

struct Buf {
  std::vector<uint8_t> Data;
  size_t At = 0;
};
void WriteCb(png_structp png, png_bytep d, png_size_t n) {
  auto* b = static_cast<Buf*>(png_get_io_ptr(png));
  b->Data.insert(b->Data.end(), d, d + n);
}
void FlushCb(png_structp) {}
void ReadCb(png_structp png, png_bytep out, png_size_t n) {
  auto* b = static_cast<Buf*>(png_get_io_ptr(png));
  if (b->At + n > b->Data.size()) png_error(png, "short");
  std::memcpy(out, b->Data.data() + b->At, n);
  b->At += n;
}

// filters: a PNG_FILTER_* mask.
std::vector<uint8_t> LibpngEncode(const Picture& p, int level, int filters) {
  Buf out;
  out.Data.reserve(p.Rgb.size() / 2);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fprintf(stderr, "libpng write failed\n");
    return {};
  }
  png_set_write_fn(png, &out, WriteCb, FlushCb);
  png_set_IHDR(png, info, png_uint_32(p.Width), png_uint_32(p.Height), 8, p.ColorType,
               p.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!p.Palette.empty()) png_set_PLTE(png, info, p.Palette.data(), int(p.Palette.size()));
  png_set_compression_level(png, level);
  png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
  png_write_info(png, info);
  int passes = png_set_interlace_handling(png);
  size_t rb = size_t(p.Width) * Channels(p.ColorType);
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < p.Height; ++y)
      png_write_row(png, const_cast<png_bytep>(p.Rgb.data() + size_t(y) * rb));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out.Data;
}

void LibpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels) {
  Buf in{file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fprintf(stderr, "libpng read failed\n");
    return;
  }
  png_set_read_fn(png, &in, ReadCb);
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  size_t rb = png_get_rowbytes(png, info);
  int h = int(png_get_image_height(png, info));
  pixels.resize(rb * size_t(h));
  rows.resize(size_t(h));
  for (int y = 0; y < h; ++y) rows[size_t(y)] = pixels.data() + rb * size_t(y);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

#ifdef HAVE_SPNG
void SpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  size_t size = 0;
  spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
  pixels.resize(size);
  if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_PNG, 0) != 0)
    std::fprintf(stderr, "spng failed\n");
  spng_ctx_free(ctx);
}
#endif

// --- ours ---------------------------------------------------------------------------------

ZOVIDUD ToGraphic(const Picture& p) {
  ZOVIDUD g;
  TBitmap& b = g.Bitmap();
  bool alpha = p.ColorType == 4 || p.ColorType == 6;
  if (p.ColorType == 3 || p.ColorType == 0 || p.ColorType == 4) {
    b.Allocate(p.Width, p.Height, TPixelFormat::pf8bit);
    std::vector<TRGBQuad> pal;
    if (p.ColorType == 3)
      for (auto c : p.Palette) pal.push_back(TRGBQuad{c.blue, c.green, c.red, 0});
    else
      pal = TBitmap::GreyPalette(256);
    b.SetPalette(pal);
    g.Grayscale = p.ColorType != 3;
  } else {
    b.Allocate(p.Width, p.Height, TPixelFormat::pf24bit);
  }
  if (alpha) {
    g.AlphaBitmap().Allocate(p.Width, p.Height, TPixelFormat::pf8bit);
    g.HasAlpha = true;
  }
  size_t ch = Channels(p.ColorType);
  for (int y = 0; y < p.Height; ++y) {
    const uint8_t* s = p.Rgb.data() + size_t(y) * p.Width * ch;
    uint8_t* d = b.ScanLine(y);
    uint8_t* a = alpha ? g.AlphaBitmap().ScanLine(y) : nullptr;
    for (int x = 0; x < p.Width; ++x) {
      if (ch >= 3) {
        d[3 * x] = s[ch * x + 2];
        d[3 * x + 1] = s[ch * x + 1];
        d[3 * x + 2] = s[ch * x];
      } else {
        d[x] = s[ch * x];
      }
      if (a) a[x] = uint8_t(255 - s[ch * x + ch - 1]);
    }
  }
  g.Interlaced = p.Interlaced;
  return g;
}

size_t IdatBytes(const std::vector<uint8_t>& png);

// Our filters through zlib at level 6, row by row: what our files were before.
size_t ZlibIdatBytes(ZOVIDUD& g) {
  ZOVIDUDWriteStream writer;
  TPngProperties props = g;
  props.CompressionLevel = 6;
  writer.SetProperties(props);
  writer.WholeImageLimit = 0;
  writer.AlphaPlane = g.HasAlpha ? &g.AlphaBitmap() : nullptr;
  TMemoryStream out;
  writer.Write(g.Bitmap(), out);
  return IdatBytes(out.Bytes());
}

size_t IdatBytes(const std::vector<uint8_t>& png) {
  size_t at = 8, total = 0;
  while (at + 12 <= png.size()) {
    uint32_t len = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 |
                   uint32_t(png[at + 2]) << 8 | png[at + 3];
    if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0) total += len;
    at += 12 + len;
  }
  return total;
}

}  // namespace

std::vector<Picture> Pictures(int scale) {
  std::vector<Picture> pictures;
  pictures.push_back(PhotoLike("photo 24-bit", 4000 / scale, 3000 / scale, 2, false));
  pictures.push_back(PaletteLike(2000 / scale, 1500 / scale));
  pictures.push_back(PhotoLike("grey 8-bit", 2000 / scale, 1500 / scale, 0, false));
  pictures.push_back(PhotoLike("alpha 32-bit", 2000 / scale, 1500 / scale, 6, false));
  pictures.push_back(PhotoLike("interlaced 24-bit", 2000 / scale, 1500 / scale, 2, true));
  return pictures;
}

long MinorFaults() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

void OurDecode(const std::vector<uint8_t>& file) {
  ZOVIDUD g;
  TMemoryViewStream s(file.data(), int64_t(file.size()));
  g.LoadFromStream(s);
}

// `n` decodes of one picture by one side, nothing else timed: what perf stat and callgrind
// are pointed at.
int Repeat(int index, const std::string& side, int n) {
  const char* names[] = {"photo 24-bit", "palette 8-bit", "grey 8-bit", "alpha 32-bit",
                         "interlaced 24-bit"};
  if (index < 0 || index > 4 || (side != "ours" && side != "libpng")) return 2;
  // Made once and kept, so that a profile shows the decoding alone.
  const std::string cached = (std::filesystem::temp_directory_path() /
                              ("verid_bench_png_" + std::to_string(index) + ".png"))
                                 .string();
  std::vector<uint8_t> file;
  if (std::ifstream in{cached, std::ios::binary}) {
    file.assign(std::istreambuf_iterator<char>(in), {});
  } else {
    file = LibpngEncode(Pictures(1)[size_t(index)], 6, PNG_ALL_FILTERS);
    std::ofstream(cached, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  }
  const long faultsBefore = MinorFaults();
  const double ms = Seconds(
                        [&] {
                          for (int i = 0; i < n; ++i) {
                            if (side == "ours") {
                              OurDecode(file);
                            } else {
                              std::vector<uint8_t> pixels;
                              LibpngDecode(file, pixels);
                            }
                          }
                        },
                        1) *
                    1e3 / n;
  std::printf("%s, %s: %.2f ms and %ld page faults per decode\n", names[index], side.c_str(), ms,
              (MinorFaults() - faultsBefore) / n);
  return 0;
}

// One decode or one encode of the photo, for measuring a process's peak memory:
//   bench_png --save-photo FILE    write the photo as libpng does (level 6, adaptive)
//   bench_png --decode-once FILE   load FILE as the program does
//   bench_png --encode-once FILE   save the photo at the standard level, adaptive filters
//   bench_png --idle               nothing (the process's own footprint)
int OneShot(const std::string& mode, const char* file) {
  if (mode == "--idle") return 0;
  if (mode == "--save-photo") {
    std::vector<uint8_t> png =
        LibpngEncode(PhotoLike("photo", 4000, 3000, 2, false), 6, PNG_ALL_FILTERS);
    std::FILE* f = std::fopen(file, "wb");
    if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size()) return 1;
    return std::fclose(f) == 0 ? 0 : 1;
  }
  ZOVIDUD g;
  if (mode == "--decode-once") {
    g.LoadFromFile(file);
    return g.Width() == 4000 ? 0 : 1;
  }
  if (mode == "--encode-once") {
    // The raster is filled in place so that only the encoder's own memory comes on top.
    TBitmap& b = g.Bitmap();
    b.Allocate(4000, 3000, TPixelFormat::pf24bit);
    PhotoSamples(4000, 3000, 2,
                 [&](int x, int y, size_t c, uint8_t v) { b.ScanLine(y)[3 * x + 2 - int(c)] = v; });
    g.FilterMode = 0;
    g.SaveToFile(file);
    return 0;
  }
  return 2;
}

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strncmp(argv[1], "--save", 6) == 0 ||
                    std::strcmp(argv[1], "--idle") == 0 || std::strstr(argv[1], "-once")))
    return OneShot(argv[1], argc >= 3 ? argv[2] : "");
  bool quick = false, decodeOnly = false, encodeOnly = false;
  int level = -1;  // ours; libpng always at 6
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    if (std::strcmp(argv[i], "--decode") == 0) decodeOnly = true;
    if (std::strcmp(argv[i], "--encode") == 0) encodeOnly = true;
    if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) level = std::atoi(argv[++i]);
  }
  int runs = quick ? 1 : 3;
  const int scale = quick ? 4 : 1;
  if (argc >= 5 && std::strcmp(argv[1], "--repeat") == 0)
    return Repeat(std::atoi(argv[2]), argv[3], std::atoi(argv[4]));

  const std::vector<Picture> pictures = Pictures(scale);
  bench::BusyCore busy(bench::BusyRequested(argc, argv));
  bench::PrintMachine("before", &busy);

  if (!encodeOnly) {
    std::printf("Decoding (best of %d; files written by libpng, level 6, adaptive filters)\n",
                runs);
    std::printf("%-20s %10s %10s %10s %10s %10s\n", "picture", "ours ms", "libpng ms", "spng ms",
                "ours/png", "ours/spng");
    for (const Picture& p : pictures) {
      std::vector<uint8_t> file = LibpngEncode(p, 6, PNG_ALL_FILTERS);
      // Every decoder makes a new image each time, as a viewer would; the sides take turns,
      // so that all of them see the machine in the same state.
      double ours = 1e30, lib = 1e30, sp = 1e30;
      for (int run = 0; run < runs; ++run) {
        ours = std::min(ours, Seconds([&] { OurDecode(file); }, 1));
        lib = std::min(lib, Seconds(
                                [&] {
                                  std::vector<uint8_t> pixels;
                                  LibpngDecode(file, pixels);
                                },
                                1));
#ifdef HAVE_SPNG
        sp = std::min(sp, Seconds(
                              [&] {
                                std::vector<uint8_t> pixels;
                                SpngDecode(file, pixels);
                              },
                              1));
#else
        sp = NAN;
#endif
      }
      const double target = &p == &pictures[0] ? 0.75 : 0.90;
      std::printf("%-20s %10.1f %10.1f %10.1f %10.3f %10.3f  (target <= %.2f) %s\n", p.Name.c_str(),
                  ours * 1e3, lib * 1e3, sp * 1e3, ours / lib, ours / sp, target,
                  ours / lib <= target ? "ok" : "MISSED");
    }
    bench::PrintMachine("after", &busy);
  }
  if (decodeOnly) return 0;
  std::printf("\nEncoding the photo, ours at level %d, libpng at level 6 (best of %d)\n", level,
              runs);
  std::printf("%-10s %10s %10s %10s %12s %12s %8s %12s\n", "filter", "ours ms", "libpng ms",
              "ratio", "ours IDAT", "libpng IDAT", "size %", "zlib-6 IDAT");
  const Picture& photo = pictures[0];
  ZOVIDUD g = ToGraphic(photo);
  g.CompressionLevel = level;
  struct Mode {
    const char* Name;
    int Ours;
    int Libpng;
  };
  const Mode modes[] = {{"None", 1, PNG_FILTER_NONE},   {"Sub", 2, PNG_FILTER_SUB},
                        {"Up", 3, PNG_FILTER_UP},       {"Average", 4, PNG_FILTER_AVG},
                        {"Paeth", 5, PNG_FILTER_PAETH}, {"adaptive", 0, PNG_ALL_FILTERS}};
  for (const Mode& m : modes) {
    g.FilterMode = uint8_t(m.Ours);
    std::vector<uint8_t> ourFile, libFile;
    double ours = Seconds(
        [&] {
          TMemoryStream out;
          out.Bytes().reserve(photo.Rgb.size() / 2);
          g.SaveToStream(out);
          ourFile = std::move(out.Bytes());
        },
        runs);
    double lib = Seconds([&] { libFile = LibpngEncode(photo, 6, m.Libpng); }, runs);
    size_t a = IdatBytes(ourFile), b = IdatBytes(libFile);
    std::printf("%-10s %10.1f %10.1f %10.3f %12zu %12zu %+8.2f %12zu\n", m.Name, ours * 1e3,
                lib * 1e3, ours / lib, a, b, (double(a) / double(b) - 1) * 100, ZlibIdatBytes(g));
  }

  std::printf("\nEncoding the other pictures, adaptive filters (best of %d)\n", runs);
  std::printf("%-20s %10s %10s %10s %12s %12s %8s %12s\n", "picture", "ours ms", "libpng ms",
              "ratio", "ours IDAT", "libpng IDAT", "size %", "zlib-6 IDAT");
  for (size_t i = 1; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    ZOVIDUD other = ToGraphic(p);
    other.CompressionLevel = level;
    other.FilterMode = 0;
    std::vector<uint8_t> ourFile, libFile;
    double ours = Seconds(
        [&] {
          TMemoryStream out;
          other.SaveToStream(out);
          ourFile = std::move(out.Bytes());
        },
        runs);
    double lib = Seconds([&] { libFile = LibpngEncode(p, 6, PNG_ALL_FILTERS); }, runs);
    size_t a = IdatBytes(ourFile), b = IdatBytes(libFile);
    std::printf("%-20s %10.1f %10.1f %10.3f %12zu %12zu %+8.2f %12zu\n", p.Name.c_str(), ours * 1e3,
                lib * 1e3, ours / lib, a, b, (double(a) / double(b) - 1) * 100,
                ZlibIdatBytes(other));
  }
  return 0;
}
