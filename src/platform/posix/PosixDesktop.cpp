#include "platform/posix/PosixDesktop.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/Platform.h"
#include "platform/posix/XdgDirs.h"

namespace verid {

namespace posix {

namespace {

std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

bool Below(const std::string& path, std::string_view folder) {
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

}  // namespace

std::vector<std::string> RemovableMounts(std::string_view mountsText) {
  std::vector<std::string> mounts;
  size_t start = 0;
  while (start < mountsText.size()) {
    size_t end = mountsText.find('\n', start);
    if (end == std::string_view::npos) end = mountsText.size();
    std::string_view line = mountsText.substr(start, end - start);
    start = end + 1;
    // device, mount point, type, options, ...
    size_t a = line.find(' ');
    if (a == std::string_view::npos) continue;
    size_t b = line.find(' ', a + 1);
    std::string point = Unescape(line.substr(a + 1, b == std::string_view::npos ? b : b - a - 1));
    if (point == "/mnt" || Below(point, "/mnt") || Below(point, "/media") ||
        Below(point, "/run/media"))
      mounts.push_back(point);
  }
  std::sort(mounts.begin(), mounts.end());
  mounts.erase(std::unique(mounts.begin(), mounts.end()), mounts.end());
  return mounts;
}

bool BusLaunchWouldFail(const char* address, const std::string& runtimeDir,
                        const std::string& searchPath) {
  if (address && *address) return false;
  if (!runtimeDir.empty() && ::access((runtimeDir + "/bus").c_str(), F_OK) == 0) return false;
  if (::access("/usr/bin/dbus-launch", X_OK) == 0) return false;
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    const std::string folder = searchPath.substr(start, end - start);
    if (!folder.empty() && ::access((folder + "/dbus-launch").c_str(), X_OK) == 0) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace posix

void AvoidHopelessBusLaunch() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* path = std::getenv("PATH");
  if (!posix::BusLaunchWouldFail(std::getenv("DBUS_SESSION_BUS_ADDRESS"), runtime ? runtime : "",
                                 path ? path : ""))
    return;
  // The toolkit's accessibility bridge asks for the session bus while the main window is
  // made; without one, the bus library tries to launch one, a fork and a wait that end
  // in failure anyway. An address of no known kind fails at once, here and in helpers.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

bool PrepareWindowSystem() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (!wayland || !*wayland || (chosen && *chosen)) return false;
  // Wayland stays as the fallback for a session without XWayland.
  ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
  return true;
}

void WarmUpFonts() {
  // Reading the configuration is safe on any thread; the first text measured then finds
  // it ready. The thread may still run when the program ends.
  std::thread([] { FcInit(); }).detach();
}

// Kept as the bytes the shell gave: file names need not be UTF-8.
std::string FirstArgument(int argc, char* argv[]) {
  return argc > 1 && argv[1] ? std::string(argv[1]) : std::string();
}

std::string HomeFolder() {
  std::string home = posix::HomeDir();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> drives{"/"};
  std::string home = HomeFolder();
  if (!home.empty() && home != "/") drives.push_back(home);
  std::ifstream in("/proc/self/mounts");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::string& mount : posix::RemovableMounts(text))
    if (std::find(drives.begin(), drives.end(), mount) == drives.end())
      drives.push_back(std::move(mount));
  return drives;
}

}  // namespace verid
