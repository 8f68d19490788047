#include "app/Hanyou.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

namespace verid {

int RoundEven(double x) {
  if (std::isnan(x)) return 0;
  // nearbyint rounds in the current mode, which is to-nearest-even unless changed.
  double r = std::nearbyint(x);
  if (r >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (r <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

TFitRect FitRect(uint16_t w, uint16_t h, uint16_t cw, uint16_t ch) {
  // All values are 16-bit unsigned; a box smaller than its 2-pixel margins wraps as such
  // arithmetic does.
  auto u16 = [](int v) { return static_cast<uint16_t>(v); };
  auto half = [](int v) { return RoundEven(v / 2.0); };
  int halfW = cw / 2, halfH = ch / 2;
  TFitRect r;
  if ((h > w && h < ch) || (h <= w && w < cw)) {  // fits: own size, centred
    r.Width = w;
    r.Height = h;
    r.Left = u16(halfW - half(w));
    r.Top = u16(halfH - half(h));
  } else if (h > w) {  // portrait, as tall as the box allows
    r.Height = u16(ch - 4);
    r.Width = u16(RoundEven(static_cast<double>(w) * (ch - 4) / h));
    r.Left = u16(halfW - half(r.Width));
    r.Top = 2;
  } else {  // landscape or square, as wide as the box allows
    r.Width = u16(cw - 4);
    r.Height = w == 0 ? 0 : u16(RoundEven(static_cast<double>(h) * (cw - 4) / w));
    r.Left = 2;
    r.Top = u16(halfH - half(r.Height));
  }
  return r;
}

std::string FormatThousands(int64_t n) {
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  std::string digits = std::to_string(magnitude);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 + 1);
  if (n < 0) out += '-';
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

static std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int32_t StrToInt(const std::string& text) {
  std::string_view t = TrimBlanks(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.size() > 1 && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  int64_t value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value, base);
  int64_t signedValue = negative ? -value : value;
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() ||
      signedValue < std::numeric_limits<int32_t>::min() ||
      signedValue > std::numeric_limits<int32_t>::max())
    throw std::runtime_error("'" + text + "' は整数値ではありません");
  return static_cast<int32_t>(signedValue);
}

double StrToFloat(const std::string& text) {
  std::string_view t = TrimBlanks(text);
  double value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
    throw std::runtime_error("'" + text + "' は数値ではありません");
  return value;
}

std::string RightStr(const std::string& text, int n) {
  if (n <= 0) return {};
  size_t pos = text.size();
  int count = 0;
  while (pos > 0 && count < n) {
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) --pos;
    ++count;
  }
  return text.substr(pos);
}

namespace {

// Whether the existing entry `folder` + `name` is known to be spelt exactly so: letter
// case counts there, because the spelling with the letters' case swapped is missing or is
// another entry. False where case may be ignored: then only the folder's names can tell.
bool SpeltAsTyped(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  std::string swapped = name;
  for (char& c : swapped) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 32);
  }
  // Without letters every spelling that matches is this one.
  if (swapped == name) return true;
  std::error_code ec;
  const fs::path other = FsPath(folder + swapped);
  if (fs::symlink_status(other, ec).type() == fs::file_type::not_found) return true;
  const bool same = fs::equivalent(FsPath(folder + name), other, ec);
  return !ec && !same;
}

}  // namespace

std::string LongName(const std::string& path) {
  namespace fs = std::filesystem;
  std::string folder = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  if (name.empty()) return folder;
  std::error_code ec;
  const bool exists = fs::exists(fs::symlink_status(FsPath(path), ec));
  // A large folder takes a while to read: not needed when the name typed is the entry.
  if (exists && SpeltAsTyped(folder, name)) return path;
  // The spelling on disk: the name itself when an entry has it (a case-sensitive file
  // system may hold several spellings), else the first match in byte order, so the
  // answer does not depend on the directory's order. Where case is ignored, the name
  // found exists under the spelling typed too.
  std::string best;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : FsPath(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string entry = Utf8Of(it->path().filename());
    if (entry == name) return path;
    if (SameText(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  // A folder that cannot be listed still has the entry it holds.
  if (best.empty() && exists) return path;
  return folder + best;
}

int64_t FileSizeOf(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(FsPath(path), ec);
  if (ec || !std::filesystem::is_regular_file(status)) return 0;
  auto size = std::filesystem::file_size(FsPath(path), ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

void Delay(Platform& platform, uint32_t ms) {
  // Elapsed time is summed from wrap-safe differences, so a wait across the counter's
  // wrap (or longer than its period) still lasts long enough.
  uint32_t last = platform.TickCount();
  uint64_t elapsed = 0;
  for (;;) {
    platform.ProcessPendingEvents();
    uint32_t now = platform.TickCount();
    elapsed += static_cast<uint32_t>(now - last);
    last = now;
    if (elapsed > ms) return;
    platform.WaitForEvents(static_cast<uint32_t>(std::min<uint64_t>(ms - elapsed + 1, UINT32_MAX)));
  }
}

void HideTaskBar(Platform& platform) {
  platform.HideTaskBar();
}
void ShowTaskBar(Platform& platform) {
  platform.ShowTaskBar();
}

void CreateShortcut(Platform& platform, ShortcutPlace place) {
  // The target's name is fixed: a renamed copy of the program still links to "verid".
  std::string folder = ProgramFolder(platform);
  platform.WriteShortcut(place, "Verid", folder + "verid", ExcludeTrailingDelim(folder));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(FsPath(path), ec);
}

std::string ProgramFolder(Platform& platform) {
  return ExtractFilePath(platform.ExecutablePath());
}

}  // namespace verid
