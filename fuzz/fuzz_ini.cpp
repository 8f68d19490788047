// Parses arbitrary bytes as an INI document, queries it, writes into it and checks that
// serialising is stable and that a written value reads back unchanged.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using verid::TIniFile;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TIniFile ini = TIniFile::FromBytes(bytes);

  // Names and a value taken from the input itself, so queries hit what it holds.
  std::string_view head = bytes.substr(0, bytes.find_first_of("\r\n"));
  size_t eq = head.find('=');
  std::string section(head.substr(0, std::min<size_t>(eq, 16)));
  std::string key(eq == std::string_view::npos ? "k" : head.substr(eq + 1, 8));
  std::string value(bytes.substr(bytes.size() / 2, 64));

  (void)ini.ReadString(section, key, "");
  (void)ini.ReadInteger(section, key, 0);
  (void)ini.ReadString("[" + section + "]", "=", "");
  (void)verid::ParseIniInteger(head);

  std::string once = ini.Serialize();
  if (TIniFile::FromBytes(once).Serialize() != once) std::abort();

  try {
    ini.WriteString(section, key, value);
  } catch (const std::runtime_error&) {
    return 0;  // a name or value no line can hold
  }
  if (ini.ReadString(section, key, "<none>") != value) std::abort();
  TIniFile again = TIniFile::FromBytes(ini.Serialize());
  if (again.ReadString(section, key, "<none>") != value) std::abort();
  return 0;
}
