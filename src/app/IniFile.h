// An INI file kept as an in-memory document: sections in brackets, lines of key, "=" and
// value. Lookups are trimmed and case-insensitive and the first match wins; lines whose
// first non-blank character is ";" are comments. Writing replaces a value in place, adds
// a new key at the end of its section and a new section at the end of the document, and
// keeps every other line as it was. On disk names and values are CP932 with CRLF line
// ends; in memory they are UTF-8 (bytes that are neither CP932 nor UTF-8 are kept as
// they are, like file names). Nothing touches the disk until UpdateFile, which
// replaces the whole file in one atomic step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verid {

// Longest value ReadString returns, in bytes of the file's encoding.
inline constexpr size_t kIniValueLimit = 2047;

class TIniFile {
 public:
  // Reads the file. A missing file gives an empty document (created on UpdateFile); a
  // file that exists but cannot be read also gives an empty document, and UpdateFile
  // then refuses to replace it.
  explicit TIniFile(std::string path);
  // A document parsed from the bytes of a file, not tied to a path.
  static TIniFile FromBytes(std::string_view bytes);

  const std::string& FileName() const { return path_; }

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value, trimmed, with one pair of matching quotes removed; `def` when missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Decimal, or hexadecimal after "0x", "0X" or "$"; `def` when missing or not a number.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Sets a value. Throws std::runtime_error("<path> に書き込めません") for a name or
  // value that cannot be stored in a line (line breaks, a "=" in a key or one starting
  // with ";" or "[", a "]" in a section name).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // The document as its file holds it.
  std::string Serialize() const;
  // Writes the document to its file: a temporary file beside it replaces it only when
  // complete, so the file is either entirely old or entirely new. Throws
  // std::runtime_error("<path> に書き込めません") when the file cannot be written,
  // including a read-only file that the folder would let us replace.
  void UpdateFile() const;

 private:
  enum class Kind { Other, Section, Pair };
  struct Line {
    std::string raw;  // bytes as on disk, without the line end
    Kind kind = Kind::Other;
    std::string name;       // section or key name, trimmed, UTF-8
    size_t valueStart = 0;  // Pair: offset of the byte after "="
  };

  TIniFile() = default;
  void Parse(std::string_view bytes);
  static Line ParseLine(std::string raw);
  // Index of the section's header line, or npos.
  size_t FindSection(std::string_view section) const;
  // End of the section starting at header index (index of the next header or size).
  size_t SectionEnd(size_t header) const;
  size_t FindKey(size_t header, std::string_view key) const;
  [[noreturn]] void ThrowCannotWrite() const;

  std::string path_;
  bool unreadable_ = false;
  std::vector<Line> lines_;
};

// The integer rule of ReadInteger on an already trimmed text.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace verid
