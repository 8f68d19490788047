#include "dialogs/SelectDir.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Hanyou.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

// Whether `folder` is `drive` or lies below it.
bool IsOnDrive(const std::string& folder, const std::string& drive) {
  std::string root = AddSlash(ExcludeTrailingDelim(drive));
  return folder == ExcludeTrailingDelim(drive) || folder.compare(0, root.size(), root) == 0;
}

// Names of the entries of a folder that are (or are not) folders, in name order; dot
// entries are left out as file managers do.
std::vector<std::string> EntriesOf(const std::string& folder, bool folders) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(FsPath(folder), fs::directory_options::skip_permission_denied, ec);
  if (ec) return names;
  for (const fs::directory_entry& entry : it) {
    std::string name = Utf8Of(entry.path().filename());
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeError;
    if (entry.is_directory(typeError) == folders) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
  return names;
}

}  // namespace

std::string StartFolder(const std::string& start) {
  std::error_code ec;
  fs::path path = start.empty() ? fs::current_path(ec) : fs::absolute(FsPath(start), ec);
  if (ec) return std::string(1, PathDelim);
  path = path.lexically_normal();
  while (!DirectoryExists(Utf8Of(path)) && path.has_relative_path()) path = path.parent_path();
  return ExcludeTrailingDelim(Utf8Of(path));
}

SelectDirState MakeSelectDirState(const std::string& folder,
                                  const std::vector<std::string>& drives) {
  SelectDirState state;
  state.Folder = ExcludeTrailingDelim(folder);
  size_t best = 0;
  for (size_t i = 0; i < drives.size(); ++i) {
    std::string drive = ExcludeTrailingDelim(drives[i]);
    if (IsOnDrive(state.Folder, drive) && (state.DriveIndex < 0 || drive.size() > best)) {
      state.DriveIndex = static_cast<int>(i);
      best = drive.size();
    }
  }
  std::string root = state.DriveIndex >= 0
                         ? ExcludeTrailingDelim(drives[static_cast<size_t>(state.DriveIndex)])
                         : std::string(1, PathDelim);

  // The drive, then one open folder per component down to the folder itself.
  state.Rows.push_back({root, root, 0, true});
  std::string path = root;
  std::string rest = state.Folder.substr(std::min(root.size(), state.Folder.size()));
  int depth = 0;
  size_t at = 0;
  while (at < rest.size()) {
    size_t end = std::min(rest.size(), rest.find_first_of(IsPathDelim('\\') ? "/\\" : "/", at));
    if (end == std::string::npos) end = rest.size();
    if (end > at) {
      std::string name = rest.substr(at, end - at);
      path = JoinPath(path, name);
      state.Rows.push_back({path, name, ++depth, true});
    }
    at = end + 1;
  }
  state.CurrentRow = static_cast<int>(state.Rows.size()) - 1;
  for (const std::string& name : EntriesOf(state.Folder, true))
    state.Rows.push_back({JoinPath(state.Folder, name), name, depth + 1, false});
  state.Files = EntriesOf(state.Folder, false);
  return state;
}

std::string ResolveTypedFolder(const std::string& current, const std::string& typed) {
  // Blanks are kept: on this system they may belong to a name.
  if (typed.find_first_not_of(" \t") == std::string::npos) return {};
  fs::path path = FsPath(typed);
  if (path.is_relative()) path = FsPath(current) / path;
  return ExcludeTrailingDelim(Utf8Of(path.lexically_normal()));
}

}  // namespace verid
