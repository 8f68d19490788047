// Where the freedesktop.org conventions put a user's folders: the XDG base directories
// and the user directories of user-dirs.dirs (desktop, pictures, ...).
#pragma once

#include <string>
#include <string_view>

namespace verid::posix {

// $HOME, else the password database's home folder.
std::string HomeDir();
// $XDG_CONFIG_HOME / $XDG_DATA_HOME when absolute, else ~/.config / ~/.local/share.
std::string ConfigHome();
std::string DataHome();

// The value of `key` (e.g. "XDG_DESKTOP_DIR") in the text of a user-dirs.dirs file, with
// "$HOME" expanded; empty when the key is absent or its value is not usable.
std::string ParseUserDir(std::string_view fileText, std::string_view key, const std::string& home);
// The desktop folder from user-dirs.dirs, else ~/Desktop.
std::string DesktopDir();

// Text of the desktop entry that starts `target` (with the selected files appended) in
// `workDir`. `mimeTypes` adds the MimeType line when not empty.
std::string DesktopEntryText(const std::string& name, const std::string& target,
                             const std::string& workDir, const std::string& mimeTypes);

}  // namespace verid::posix
