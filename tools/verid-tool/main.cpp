// verid-tool: the program's image and catalog code from the command line.
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "Catalog.h"
#include "Info.h"
#include "app/CommandLine.h"
#include "app/Hanyou.h"
#include "app/PictureOps.h"
#include "app/Settings.h"
#include "catalog/CatalogBuild.h"
#include "dialogs/Convert.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"

namespace verid::tool {
namespace {

// A mistake on the command line: message and usage go to stderr, exit status 2.
struct UsageError {
  std::string message;
};

const char* const kMainHelp =
    "Usage: verid-tool COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info FILE              print the picture's format, size and properties\n"
    "  orientation FILE       print a JPEG's EXIF orientation, 1..8\n"
    "  decode FILE OUT.pam    write the decoded pixels as a PAM file\n"
    "  convert SRC DST        convert between BMP, JPEG and PNG by extension\n"
    "  catalog FOLDER OUT.doz make a catalog of the folder's pictures\n"
    "  catalog-list FILE.doz  list a catalog's entries and thumbnails\n"
    "\n"
    "Options:\n"
    "  -h, --help             print this text and exit\n"
    "  --version              print the version and exit\n"
    "\n"
    "Run 'verid-tool COMMAND --help' for a command's options.\n";

const char* const kInfoHelp =
    "Usage: verid-tool info FILE\n"
    "\n"
    "Loads FILE by its extension and prints one 'name: value' line each for format,\n"
    "width, height and bits, then the format's own properties. A JPEG's size is its\n"
    "upright size, as its EXIF orientation says.\n";

const char* const kOrientationHelp =
    "Usage: verid-tool orientation FILE\n"
    "\n"
    "Prints the EXIF orientation of a JPEG file, 1..8: 1 upright, 6 stored lying on its\n"
    "left side, and so on. A file without EXIF, or with a damaged block, prints 1. The\n"
    "other commands show and write the picture upright already.\n";

const char* const kDecodeHelp =
    "Usage: verid-tool decode FILE OUT.pam [--alpha] [--scale 2|4|8]\n"
    "\n"
    "Writes the decoded colour raster as PAM (P7, TUPLTYPE RGB, 8 bits per sample);\n"
    "indexed pictures are expanded through their palette, JPEGs turned upright by their\n"
    "EXIF orientation.\n"
    "  --alpha        write RGB_ALPHA when the picture has an alpha plane\n"
    "  --scale N      decode a JPEG at 1/N size (2, 4 or 8)\n";

const char* const kConvertHelp =
    "Usage: verid-tool convert SRC DST [--quality N] [--level N] [--filter N] [--interlace]\n"
    "                          [--idat N]\n"
    "\n"
    "Loads SRC by its extension and saves DST in the format its extension names\n"
    "(.bmp, .jpg, .jpeg, .png). An existing DST is replaced.\n"
    "  --quality N    JPEG quality 0..100 (default 80)\n"
    "  --level N      PNG compression level -1..9 (default -1, zlib's default)\n"
    "  --filter N     PNG filters: 0 adaptive, 1 None, 2 Sub, 3 Up, 4 Average, 5 Paeth\n"
    "  --interlace    write PNG with Adam7 interlacing\n"
    "  --idat N       PNG image data chunk size 256..100000 (default 32768)\n";

const char* const kCatalogHelp =
    "Usage: verid-tool catalog FOLDER OUT.doz [--size S] [--workers N]\n"
    "\n"
    "Makes a catalog of the folder's BMP, JPEG and PNG files in name order, as the\n"
    "program's catalog command does, and saves it as OUT.doz (replacing it).\n"
    "  --size S       thumbnail edge in pixels, 1..255 (default 80; the program offers\n"
    "                 65, 80, 100 and 120)\n"
    "  --workers N    threads that load pictures ahead, 0..64 (default: one fewer than\n"
    "                 the hardware threads, at least one)\n";

const char* const kCatalogListHelp =
    "Usage: verid-tool catalog-list FILE.doz\n"
    "\n"
    "Prints the thumbnail size, the number of thumbnails and of entries, then one line\n"
    "per entry: its thumbnail index, a tab and its caption.\n";

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

int ParseInt(const std::string& option, const std::string& text, int lo, int hi) {
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < lo || v > hi)
    throw UsageError{option + " needs a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not '" + text + "'."};
  return static_cast<int>(v);
}

// Splits arguments into positionals and "--name value" options.
struct Parsed {
  std::vector<std::string> files;
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> flags;
};

Parsed Parse(const std::vector<std::string>& args, const std::vector<std::string>& valued,
             const std::vector<std::string>& flags) {
  Parsed p;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-') {
      bool known = false;
      for (const auto& v : valued)
        if (a == v) {
          if (i + 1 >= args.size()) throw UsageError{a + " needs a value."};
          p.options.push_back({a, args[++i]});
          known = true;
        }
      for (const auto& f : flags)
        if (a == f) {
          p.flags.push_back(a);
          known = true;
        }
      if (!known) throw UsageError{"Unknown option '" + a + "'."};
    } else {
      p.files.push_back(a);
    }
  }
  return p;
}

TPicture LoadPicture(const std::string& path, int scale = 1) {
  if (!FileExists(path)) throw EFileError("Cannot open '" + path + "': no such file.");
  TPicture picture;
  picture.LoadFromFile(path);
  if (scale != 1) {
    auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
    if (!jpeg) throw UsageError{"--scale applies to JPEG pictures only."};
    jpeg->SetScale(scale == 2   ? TJPEGScale::jsHalf
                   : scale == 4 ? TJPEGScale::jsQuarter
                                : TJPEGScale::jsEighth);
  }
  return picture;
}

int Info(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kInfoHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {}, {});
  if (p.files.size() != 1) throw UsageError{"info takes exactly one file."};
  TPicture picture = LoadPicture(p.files[0]);
  for (const auto& [name, value] : DescribeGraphic(*picture.Graphic()))
    std::printf("%s: %s\n", name.c_str(), value.c_str());
  return 0;
}

int Orientation(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kOrientationHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {}, {});
  if (p.files.size() != 1) throw UsageError{"orientation takes exactly one file."};
  if (!FileExists(p.files[0])) throw EFileError("Cannot open '" + p.files[0] + "': no such file.");
  TJPEGImage jpeg;
  LoadAsKind(jpeg, p.files[0]);
  std::printf("%d\n", jpeg.Orientation());
  return 0;
}

int Decode(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kDecodeHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {"--scale"}, {"--alpha"});
  if (p.files.size() != 2) throw UsageError{"decode takes a picture and an output file."};
  int scale = 1;
  for (const auto& [name, value] : p.options) {
    scale = ParseInt(name, value, 1, 8);
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
      throw UsageError{"--scale must be 2, 4 or 8."};
  }
  const bool wantAlpha = !p.flags.empty();
  TPicture picture = LoadPicture(p.files[0], scale);
  const TGraphic& graphic = *picture.Graphic();
  const TBitmap& raster = graphic.ColorRaster();
  std::vector<uint8_t> alpha;
  const bool withAlpha = wantAlpha && AlphaValues(graphic, alpha);
  const int w = raster.Width(), h = raster.Height();
  const int depth = withAlpha ? 4 : 3;

  std::string header = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                       "\nDEPTH " + std::to_string(depth) + "\nMAXVAL 255\nTUPLTYPE " +
                       (withAlpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  WriteFileAtomically(p.files[1], [&](TStream& out) {
    out.WriteBuffer(header.data(), int64_t(header.size()));
    std::vector<uint8_t> row(size_t(w) * size_t(depth));
    for (int y = 0; y < h; ++y) {
      uint8_t* d = row.data();
      for (int x = 0; x < w; ++x) {
        const uint32_t c = raster.PixelRGB(x, y);
        *d++ = static_cast<uint8_t>(c >> 16);
        *d++ = static_cast<uint8_t>(c >> 8);
        *d++ = static_cast<uint8_t>(c);
        if (withAlpha) *d++ = alpha[size_t(y) * size_t(w) + size_t(x)];
      }
      out.WriteBuffer(row.data(), int64_t(row.size()));
    }
  });
  return 0;
}

int Convert(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kConvertHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {"--quality", "--level", "--filter", "--idat"}, {"--interlace"});
  if (p.files.size() != 2) throw UsageError{"convert takes a source and a destination file."};
  AppSettings settings;
  PngWriteOptions png;
  png.Interlace = !p.flags.empty();
  for (const auto& [name, value] : p.options) {
    if (name == "--quality")
      settings.JpegQuality = static_cast<uint8_t>(ParseInt(name, value, 0, 100));
    else if (name == "--filter")
      png.Filter = ParseInt(name, value, 0, 5);
    else if (name == "--idat")
      png.Idat = ParseInt(name, value, 256, 100000);
    else
      settings.PngCompressLevel = static_cast<int8_t>(ParseInt(name, value, -1, 9));
  }
  const std::string ext = ExtractFileExt(p.files[1]);
  if (!IsRegisteredExtension(ext)) throw EInvalidGraphic(UnknownExtensionMessage(ext));
  if (png.Any() && LowerCase(ext) != ".png")
    throw UsageError{"--filter, --interlace and --idat apply to PNG targets only."};
  if (png.Any()) {
    TPicture picture = LoadPicture(p.files[0]);
    SavePng(*picture.Graphic(), p.files[1], png, settings);
    return 0;
  }
  // The same step as the program's conversion commands.
  const std::string sourceExt = ExtractFileExt(p.files[0]);
  std::optional<ImageFormat> from = FormatOfExtension(sourceExt);
  if (!from) throw EInvalidGraphic(UnknownExtensionMessage(sourceExt));
  if (!FileExists(p.files[0])) throw EFileError("Cannot open '" + p.files[0] + "': no such file.");
  ConvertImageFile(p.files[0], *from, p.files[1], *FormatOfExtension(ext), settings);
  return 0;
}

int MakeCatalogCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kCatalogHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {"--size", "--workers"}, {});
  if (p.files.size() != 2) throw UsageError{"catalog takes a folder and an output file."};
  int size = 80, workers = kAutoWorkers;
  for (const auto& [name, value] : p.options) {
    if (name == "--size")
      size = ParseInt(name, value, 1, 255);
    else
      workers = ParseInt(name, value, 0, 64);
  }
  const int entries = MakeCatalog(p.files[0], p.files[1], size, workers);
  std::printf("%d entries\n", entries);
  return 0;
}

int ListCatalogCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kCatalogListHelp, stdout);
    return 0;
  }
  Parsed p = Parse(args, {}, {});
  if (p.files.size() != 1) throw UsageError{"catalog-list takes exactly one file."};
  std::fputs(ListCatalog(p.files[0]).c_str(), stdout);
  return 0;
}

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.empty()) throw UsageError{"No command given."};
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kMainHelp, stdout);
      return 0;
    }
    if (command == "--version") {
      std::printf("verid-tool %s\n", VersionNumber());
      return 0;
    }
    if (command == "info") return Info(args);
    if (command == "orientation") return Orientation(args);
    if (command == "decode") return Decode(args);
    if (command == "convert") return Convert(args);
    if (command == "catalog") return MakeCatalogCommand(args);
    if (command == "catalog-list") return ListCatalogCommand(args);
    throw UsageError{"Unknown command '" + command + "'."};
  } catch (const UsageError& e) {
    std::fprintf(stderr, "verid-tool: %s\n\n%s", e.message.c_str(), kMainHelp);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "verid-tool: %s\n", e.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "verid-tool: unexpected failure\n");
    return 1;
  }
}

}  // namespace
}  // namespace verid::tool

int main(int argc, char** argv) {
  return verid::tool::Main(argc, argv);
}
