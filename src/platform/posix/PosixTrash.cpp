#include "platform/posix/PosixTrash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/posix/GioLibrary.h"

namespace verid::posix {

namespace {

std::string ParentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The home trash takes files of the home's file system, but only when its folder is (or
// can be made) on that same file system: a rename into it must not cross devices.
bool HomeTrashCanTake(dev_t fileDevice) {
  std::string folder = std::string(g_get_user_data_dir()) + "/Trash/files";
  for (;;) {
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0) {
      return S_ISDIR(st.st_mode) && st.st_dev == fileDevice &&
             ::access(folder.c_str(), W_OK | X_OK) == 0;
    }
    if (errno != ENOENT) return false;
    std::string parent = ParentOf(folder);
    if (parent == folder) return false;
    folder = parent;
  }
}

struct GObjectDeleter {
  void operator()(gpointer object) const {
    if (object) Gio()->g_object_unref(object);
  }
};

}  // namespace

bool CanTrash(const std::string& path) {
  struct stat st;
  const GioLibrary* gio = Gio();
  if (!gio || path.empty() || ::lstat(path.c_str(), &st) != 0) return false;

  // GIO answers for the per-volume trash (.Trash/$uid, .Trash-$uid) and refuses system
  // mounts; for the home file system it assumes the trash can always be made.
  std::unique_ptr<GFile, GObjectDeleter> file(gio->g_file_new_for_path(path.c_str()));
  GError* error = nullptr;
  std::unique_ptr<GFileInfo, GObjectDeleter> info(
      gio->g_file_query_info(file.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                             G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, &error));
  if (!info) {
    g_clear_error(&error);
    return false;
  }
  if (!gio->g_file_info_get_attribute_boolean(info.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH))
    return false;

  struct stat home;
  if (::stat(g_get_home_dir(), &home) == 0 && home.st_dev == st.st_dev)
    return HomeTrashCanTake(st.st_dev);
  return true;
}

TrashOutcome MoveToTrash(const std::string& path) {
  const GioLibrary* gio = Gio();
  if (!gio) return {false, "trash failed: GIO is missing"};
  std::unique_ptr<GFile, GObjectDeleter> file(gio->g_file_new_for_path(path.c_str()));
  GError* error = nullptr;
  if (gio->g_file_trash(file.get(), nullptr, &error)) return {true, {}};
  TrashOutcome outcome;
  outcome.Error = error && error->message ? error->message : "trash failed";
  g_clear_error(&error);
  return outcome;
}

}  // namespace verid::posix
