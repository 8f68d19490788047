#include "support/ImageBuilders.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace verid::test {

void Poke16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2);
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Poke32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  Poke16(bytes, offset, static_cast<uint16_t>(value));
  Poke16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

std::vector<uint8_t> MakeBmp(const BmpSpec& spec) {
  const bool core = spec.HeaderSize == 12;
  std::vector<uint8_t> b(14 + spec.HeaderSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  Poke32(b, 14, spec.HeaderSize);
  if (core) {
    Poke16(b, 18, static_cast<uint16_t>(spec.Width));
    Poke16(b, 20, static_cast<uint16_t>(spec.Height));
    Poke16(b, 22, 1);
    Poke16(b, 24, spec.BitCount);
  } else {
    Poke32(b, 18, static_cast<uint32_t>(spec.Width));
    Poke32(b, 22, static_cast<uint32_t>(spec.Height));
    Poke16(b, 26, 1);
    Poke16(b, 28, spec.BitCount);
    Poke32(b, 30, spec.Compression);
    Poke32(b, 34, static_cast<uint32_t>(spec.Pixels.size()));
    Poke32(b, 46, spec.ClrUsed);
    if (spec.HeaderSize >= 52) {
      for (size_t i = 0; i < spec.Masks.size() && i < 4; ++i) Poke32(b, 54 + 4 * i, spec.Masks[i]);
    }
  }
  b.resize(14 + spec.HeaderSize);
  if (!core && spec.HeaderSize < 52)
    for (uint32_t m : spec.Masks) Poke32(b, b.size(), m);
  for (const TRGBQuad& q : spec.Palette) {
    b.push_back(q.Blue);
    b.push_back(q.Green);
    b.push_back(q.Red);
    if (!core) b.push_back(0);
  }
  Poke32(b, 10, spec.ZeroOffBits ? 0 : static_cast<uint32_t>(b.size()));
  b.insert(b.end(), spec.Pixels.begin(), spec.Pixels.end());
  Poke32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

TBitmap Pattern(int width, int height, TPixelFormat format, uint32_t seed) {
  TBitmap bmp(width, height, format);
  uint32_t state = seed * 2654435761u + 12345u;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  if (bmp.Indexed()) {
    size_t n = size_t(1) << bmp.BitsPerPixel();
    std::vector<TRGBQuad> pal(n);
    for (size_t i = 0; i < n; ++i) {
      uint32_t v = next();
      pal[i] = TRGBQuad{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(i), 0};
    }
    bmp.SetPalette(pal);
  }
  // Fill the pixel bits only, leaving row padding at zero.
  const int64_t rowBits = int64_t(width) * (bmp.BitsPerPixel() == 15 ? 16 : bmp.BitsPerPixel());
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int64_t i = 0; i < rowBits / 8; ++i) row[i] = static_cast<uint8_t>(next());
    if (rowBits % 8) row[rowBits / 8] = static_cast<uint8_t>(next() & (0xFF << (8 - rowBits % 8)));
    if (format == TPixelFormat::pf15bit)
      for (int x = 0; x < width; ++x) row[2 * x + 1] &= 0x7F;
  }
  return bmp;
}

std::string CompareRGB(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    std::ostringstream s;
    s << "size " << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x" << b.Height();
    return s.str();
  }
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.PixelRGB(x, y) != b.PixelRGB(x, y)) {
        std::ostringstream s;
        s << "pixel (" << x << ", " << y << "): " << std::hex << a.PixelRGB(x, y) << " vs "
          << b.PixelRGB(x, y);
        return s.str();
      }
  return {};
}

TBitmap ReadPnm(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  char magic[3] = {};
  int w = 0, h = 0, maxval = 0;
  TBitmap bmp;
  if (std::fscanf(f, "%2s %d %d %d", magic, &w, &h, &maxval) == 4 && maxval == 255 &&
      std::fgetc(f) != EOF) {
    const bool grey = magic[1] == '5';
    bmp.Allocate(w, h, grey ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    if (grey) bmp.SetPalette(TBitmap::GreyPalette(256));
    std::vector<uint8_t> row(size_t(w) * (grey ? 1 : 3));
    for (int y = 0; y < h; ++y) {
      if (std::fread(row.data(), 1, row.size(), f) != row.size()) {
        bmp = TBitmap();
        break;
      }
      uint8_t* d = bmp.ScanLine(y);
      if (grey) {
        std::copy(row.begin(), row.end(), d);
      } else {
        for (int x = 0; x < w; ++x) {
          d[3 * x] = row[3 * x + 2];
          d[3 * x + 1] = row[3 * x + 1];
          d[3 * x + 2] = row[3 * x];
        }
      }
    }
  }
  std::fclose(f);
  return bmp;
}

void WritePnm(const std::string& path, const TBitmap& bmp, bool grey) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "%s\n%d %d\n255\n", grey ? "P5" : "P6", bmp.Width(), bmp.Height());
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      uint32_t c = bmp.PixelRGB(x, y);
      if (grey) {
        std::fputc(int(c & 0xFF), f);
      } else {
        std::fputc(int(c >> 16 & 0xFF), f);
        std::fputc(int(c >> 8 & 0xFF), f);
        std::fputc(int(c & 0xFF), f);
      }
    }
  std::fclose(f);
}

size_t FindJpegSegment(const std::vector<uint8_t>& bytes, uint8_t marker) {
  size_t i = 2;  // after SOI
  while (i + 4 <= bytes.size() && bytes[i] == 0xFF) {
    if (bytes[i + 1] == marker) return i;
    i += 2 + (size_t(bytes[i + 2]) << 8 | bytes[i + 3]);
  }
  return std::string::npos;
}

bool CanRunShellTools() {
#ifdef _WIN32
  return false;
#else
  return true;
#endif
}

bool UnderWine() {
#ifdef _WIN32
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
#else
  return false;
#endif
}

int Run(const std::string& command) {
  int rc = std::system(command.c_str());
#ifdef _WIN32
  return rc;
#else
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

}  // namespace verid::test
