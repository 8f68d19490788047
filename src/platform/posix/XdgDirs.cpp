#include "platform/posix/XdgDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace verid::posix {
namespace {

std::string EnvDir(const char* name) {
  const char* v = std::getenv(name);
  // Relative values are invalid by the base directory rules and are ignored.
  return (v && v[0] == '/') ? std::string(v) : std::string();
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A desktop entry string value: backslash, line breaks and a leading blank escaped.
std::string EscapeValue(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One argument of an Exec line: quoted when it holds a reserved character, with the
// characters that stay special inside quotes escaped, and "%" doubled so it is not
// taken for a field code.
std::string ExecArgument(std::string_view s) {
  std::string arg;
  bool quote = s.empty() || s.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
  if (quote) arg += '"';
  for (char c : s) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) arg += '\\';
    if (c == '%') arg += '%';
    arg += c;
  }
  if (quote) arg += '"';
  return arg;
}

}  // namespace

std::string HomeDir() {
  std::string home = EnvDir("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string ConfigHome() {
  std::string dir = EnvDir("XDG_CONFIG_HOME");
  return dir.empty() ? HomeDir() + "/.config" : dir;
}

std::string DataHome() {
  std::string dir = EnvDir("XDG_DATA_HOME");
  return dir.empty() ? HomeDir() + "/.local/share" : dir;
}

std::string ParseUserDir(std::string_view text, std::string_view key, const std::string& home) {
  std::string result;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || TrimBlanks(line.substr(0, eq)) != key) continue;
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    std::string path;
    if (value.substr(0, 5) == "$HOME" && (value.size() == 5 || value[5] == '/')) {
      path = home;
      value.remove_prefix(5);
    } else if (value.empty() || value.front() != '/') {
      continue;  // only absolute paths or paths below $HOME are allowed
    }
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) ++i;
      path += value[i];
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    result = path;  // the last assignment wins, as when the file is sourced by a shell
  }
  return result;
}

std::string DesktopDir() {
  std::string home = HomeDir();
  std::string dir =
      ParseUserDir(ReadFileText(ConfigHome() + "/user-dirs.dirs"), "XDG_DESKTOP_DIR", home);
  return dir.empty() ? home + "/Desktop" : dir;
}

std::string DesktopEntryText(const std::string& name, const std::string& target,
                             const std::string& workDir, const std::string& mimeTypes) {
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + EscapeValue(ExecArgument(target)) + " %F\n";
  text += "TryExec=" + EscapeValue(target) + "\n";
  text += "Path=" + EscapeValue(workDir) + "\n";
  text += "Icon=image-x-generic\n";
  text += "Terminal=false\n";
  if (!mimeTypes.empty()) text += "MimeType=" + mimeTypes + "\n";
  return text;
}

}  // namespace verid::posix
