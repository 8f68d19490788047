// Pieces of the desktop session on Linux that the window layer needs: the mounted drives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verid::posix {

// Mount points under /media, /mnt and /run/media in the text of /proc/self/mounts, with
// the octal escapes (\040 for a blank) decoded, in name order and without repeats.
std::vector<std::string> RemovableMounts(std::string_view mountsText);

// Whether a session bus would have to be launched and cannot be: no bus address given
// (`address` null or empty), no bus socket in `runtimeDir` and no dbus-launch in
// /usr/bin or on `searchPath` (a PATH value).
bool BusLaunchWouldFail(const char* address, const std::string& runtimeDir,
                        const std::string& searchPath);

}  // namespace verid::posix
