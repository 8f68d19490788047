#include "app/IniFile.h"

#include <filesystem>
#include <stdexcept>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "base/Stream.h"

namespace verid {
namespace {

// Text that CP932 cannot hold (characters outside its table, or bytes of a file name in
// no known encoding) is stored as its UTF-8 bytes behind this marker, so it reads back
// unchanged. The marker's first two bytes are not a valid CP932 character, so no real
// CP932 text can be mistaken for it.
constexpr std::string_view kRawMarker = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// File bytes of a name or value to UTF-8.
std::string Decode(std::string_view raw) {
  if (raw.substr(0, kRawMarker.size()) == kRawMarker)
    return std::string(raw.substr(kRawMarker.size()));
  if (auto text = Cp932ToUtf8(raw)) return *text;
  // Hand-edited files are sometimes saved as UTF-8; bytes in neither encoding are kept as
  // they are, like a file name's bytes, so a path still names its folder.
  return std::string(raw);
}

std::optional<std::string> Encode(std::string_view text) {
  if (text.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  if (auto bytes = Utf8ToCp932(text)) return *bytes;
  return std::string(kRawMarker) + std::string(text);
}

// Position of `ch` (an ASCII byte) in a name starting at `from`, skipping the second
// bytes of CP932 double-byte characters, which may have the same value.
size_t FindCp932(std::string_view s, char ch, size_t from) {
  size_t start = from;
  while (start < s.size() && IsBlank(s[start])) ++start;
  bool raw = s.substr(start, kRawMarker.size()) == kRawMarker;
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] == ch) return i;
    if (!raw && IsCp932LeadByte(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string_view::npos;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// A value is quoted on writing when reading would otherwise change it: blanks at either
// end would be trimmed, and a value already in matching quotes would lose them.
std::string QuoteIfNeeded(const std::string& bytes) {
  bool blankEnds = !bytes.empty() && (IsBlank(bytes.front()) || IsBlank(bytes.back()));
  bool quoted = bytes.size() >= 2 && IsQuote(bytes.front()) && bytes.front() == bytes.back();
  if (!blankEnds && !quoted) return bytes;
  std::string out;
  out.reserve(bytes.size() + 2);
  out.push_back('"');
  out.append(bytes);
  out.push_back('"');
  return out;
}

// Cuts CP932 bytes to at most `limit` bytes without splitting a character.
std::string_view CutValue(std::string_view raw, size_t limit) {
  if (raw.size() <= limit) return raw;
  bool marked = raw.substr(0, kRawMarker.size()) == kRawMarker;
  if (marked) {
    size_t end = kRawMarker.size() + limit;
    while (end > kRawMarker.size() && (static_cast<unsigned char>(raw[end]) & 0xC0) == 0x80) --end;
    return raw.substr(0, end);
  }
  size_t i = 0;
  while (i < raw.size()) {
    size_t len = IsCp932LeadByte(static_cast<unsigned char>(raw[i])) ? 2 : 1;
    if (i + len > limit) break;
    i += len;
  }
  return raw.substr(0, i);
}

}  // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) {
    // Hexadecimal covers the 32 bits: $FFFFFFFF is -1.
    auto bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<int32_t>(value);
}

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  std::string bytes;
  const TReadResult read = ReadFileBytes(path_, bytes);
  unreadable_ = read == TReadResult::Unreadable;
  if (read == TReadResult::Read) Parse(bytes);
}

TIniFile TIniFile::FromBytes(std::string_view bytes) {
  TIniFile ini;
  ini.Parse(bytes);
  return ini;
}

void TIniFile::Parse(std::string_view bytes) {
  lines_.clear();
  // An editor may have put a byte-order mark in front; it would hide the first section.
  // (Only there: a key line of our own may start with the same bytes.)
  if (bytes.substr(0, kRawMarker.size()) == kRawMarker &&
      (bytes.size() == kRawMarker.size() ||
       std::string_view("[; \t\r\n").find(bytes[kRawMarker.size()]) != std::string_view::npos))
    bytes.remove_prefix(kRawMarker.size());
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines_.push_back(ParseLine(std::string(bytes.substr(start))));
      break;
    }
    lines_.push_back(ParseLine(std::string(bytes.substr(start, end - start))));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
}

TIniFile::Line TIniFile::ParseLine(std::string raw) {
  Line line;
  line.raw = std::move(raw);
  std::string_view t = Trim(line.raw);
  if (t.empty() || t.front() == ';') return line;
  if (t.front() == '[') {
    size_t close = FindCp932(t, ']', 1);
    if (close != std::string_view::npos) {
      line.kind = Kind::Section;
      line.name = Decode(Trim(t.substr(1, close - 1)));
      return line;
    }
  }
  size_t eq = line.raw.find('=');  // "=" is never the second byte of a CP932 character
  if (eq == std::string::npos) return line;
  line.kind = Kind::Pair;
  line.name = Decode(Trim(std::string_view(line.raw).substr(0, eq)));
  line.valueStart = eq + 1;
  return line;
}

size_t TIniFile::FindSection(std::string_view section) const {
  section = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section && SameText(lines_[i].name, section)) return i;
  return std::string::npos;
}

size_t TIniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
  return i;
}

size_t TIniFile::FindKey(size_t header, std::string_view key) const {
  key = Trim(key);
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::Pair && SameText(lines_[i].name, key)) return i;
  return std::string::npos;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != std::string::npos;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  size_t header = FindSection(section);
  return header != std::string::npos && FindKey(header, key) != std::string::npos;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  size_t header = FindSection(section);
  if (header == std::string::npos) return std::string(def);
  size_t at = FindKey(header, key);
  if (at == std::string::npos) return std::string(def);
  const Line& line = lines_[at];
  std::string_view value = Trim(std::string_view(line.raw).substr(line.valueStart));
  if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
    value = value.substr(1, value.size() - 2);
  return Decode(CutValue(value, kIniValueLimit));
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  if (!ValueExists(section, key)) return def;
  return ParseIniInteger(Trim(ReadString(section, key, ""))).value_or(def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::ThrowCannotWrite() const {
  throw std::runtime_error(path_ + " に書き込めません");
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  auto bytes = Encode(value);
  // A key line must not read as a comment or a section header.
  if (!bytes || key.find('=') != std::string_view::npos ||
      (!key.empty() && (key.front() == ';' || key.front() == '[')))
    ThrowCannotWrite();
  std::string valueBytes = QuoteIfNeeded(*bytes);

  size_t header = FindSection(section);
  if (header != std::string::npos) {
    size_t at = FindKey(header, key);
    if (at != std::string::npos) {
      Line& line = lines_[at];
      // Keep the key as the file spells it; only the value changes.
      std::string keyBytes(Trim(std::string_view(line.raw).substr(0, line.valueStart - 1)));
      line = ParseLine(keyBytes + "=" + valueBytes);
      return;
    }
  }
  auto keyBytes = Encode(key);
  if (!keyBytes) ThrowCannotWrite();
  Line pair = ParseLine(*keyBytes + "=" + valueBytes);
  if (header == std::string::npos) {
    auto sectionBytes = Encode(section);
    if (!sectionBytes || FindCp932(*sectionBytes, ']', 0) != std::string::npos) ThrowCannotWrite();
    lines_.push_back(ParseLine("[" + *sectionBytes + "]"));
    lines_.push_back(std::move(pair));
    return;
  }
  // After the section's last non-blank line, so blank lines before the next section stay
  // where they are.
  size_t insert = SectionEnd(header);
  while (insert > header + 1 && Trim(lines_[insert - 1].raw).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), std::move(pair));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.raw;
    out += "\r\n";
  }
  return out;
}

void TIniFile::UpdateFile() const {
  namespace fs = std::filesystem;
  if (path_.empty() || unreadable_) ThrowCannotWrite();
  std::string bytes = Serialize();
  try {
    // The replacement follows links and refuses what a plain open for writing refuses. A
    // file nobody may write counts as read-only for root too, as the user meant it.
    std::error_code ec;
    fs::file_status status = fs::status(FsPath(CheckReplaceable(path_)), ec);
    bool anyWrite = (status.permissions() & (fs::perms::owner_write | fs::perms::group_write |
                                             fs::perms::others_write)) != fs::perms::none;
    if (fs::exists(status) && !anyWrite) ThrowCannotWrite();
    WriteFileAtomically(path_, [&](TStream& out) {
      out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    });
  } catch (const std::exception&) {
    ThrowCannotWrite();
  }
}

}  // namespace verid
