#include "app/FileOps.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "base/Stream.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

bool Fail(FsError* error, std::string message, bool exists = false) {
  if (error) {
    error->Message = std::move(message);
    error->Exists = exists;
  }
  return false;
}

bool FailCode(FsError* error, const std::string& path, const std::error_code& ec) {
  return Fail(error, path + ": " + ec.message(), ec == std::errc::file_exists);
}

// Anything under that name, dangling links included.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

std::string WithDelim(const std::string& folder) {
  if (folder.empty() || folder.back() == PathDelim) return folder;
  return folder + PathDelim;
}

// Copies the bytes through a temporary file beside the target (TFileReplacement), so a
// failed copy never leaves a partial file under the target name. A copy gets its
// source's time, and its mode unless it replaces a file, whose mode, owner and group it
// keeps as writing into that file would; a move keeps its source's mode, owner and group
// where permitted, as a rename does.
bool CopyThrough(const std::string& source, const std::string& target, bool replace, bool moving,
                 FsError* error) {
  try {
    TFileStream in(source, FileMode::Read);
    TFileReplacement out(target, replace);
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
      int64_t n = in.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
      if (n <= 0) break;
      out.Stream().WriteBuffer(buffer.data(), n);
    }
    if (moving || !out.Replaces()) out.TakeModeOf(source, moving);
    out.TakeTimeOf(source);
    out.Place();
  } catch (const EFileError& e) {
    return Fail(error, e.what(), e.Code() == EEXIST);
  } catch (const std::exception& e) {
    return Fail(error, e.what());
  }
  return true;
}

void RemoveFollowing(FileList& list, const RemovalStep& removal, int count, int index) {
  if (removal.Remove)
    removal.Remove(count, index);
  else
    RemoveEntry(list, count, index);
  if (removal.FollowUp) removal.FollowUp();
}

void ReportFailure(Dialogs& dialogs, const char* what, const FsError& error) {
  dialogs.Error(error.Message.empty() ? std::string(what)
                                      : std::string(what) + "\r\n" + error.Message);
}

std::string CountText(size_t n) {
  return "これら" + std::to_string(n) + "個のﾌｧｲﾙ";
}

}  // namespace

// --- rules ------------------------------------------------------------------------------

std::string TargetPath(const std::string& folder, const std::string& name) {
  return JoinPath(folder, ExtractFileName(name));
}

std::string FreeName(const std::string& folder, const std::string& name) {
  std::string result = ExtractFileName(name);
  while (NameTaken(TargetPath(folder, result))) {
    std::string ext = ExtractFileExt(result);
    result = result.substr(0, result.size() - ext.size()) + "0" + ext;
  }
  return result;
}

void RemoveEntry(FileList& list, int countBefore, int index) {
  list.Delete(index);
  list.SetItemIndex(countBefore == index + 1 ? index - 1 : index);
}

// --- file-system steps ------------------------------------------------------------------

bool CopyFileTo(const std::string& source, const std::string& target, bool replace,
                FsError* error) {
  if (!replace && NameTaken(target))
    return Fail(error, target + ": " + std::make_error_code(std::errc::file_exists).message(),
                true);
  return CopyThrough(source, target, replace, false, error);
}

bool MoveFileTo(const std::string& source, const std::string& target, bool replace,
                FsError* error) {
  std::error_code ec;
  if (!NameTaken(source))
    return FailCode(error, source, std::make_error_code(std::errc::no_such_file_or_directory));
  if (NameTaken(target) && SameFile(source, target))
    return Fail(error, target + ": 移動元と移動先が同じﾌｧｲﾙです", !replace);

  if (replace) {
    // The file a link names is replaced and the link stays; a file that may not be
    // written is not replaced either.
    std::string resolved;
    try {
      resolved = CheckReplaceable(target);
    } catch (const EFileError& e) {
      return Fail(error, e.what());
    }
    // One rename over the target: either both names change or neither does.
    fs::rename(source, resolved, ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) return FailCode(error, resolved, ec);
    if (!CopyThrough(source, resolved, true, true, error)) return false;
    fs::remove(source, ec);
    if (ec) return FailCode(error, source, ec);
    return true;
  }

  if (NameTaken(target))
    return Fail(error, target + ": " + std::make_error_code(std::errc::file_exists).message(),
                true);
  // A hard link is a rename that refuses an existing target.
  fs::create_hard_link(source, target, ec);
  if (!ec) {
    fs::remove(source, ec);
    if (!ec) return true;
    std::error_code ignored;
    fs::remove(target, ignored);
    return FailCode(error, source, ec);
  }
  if (ec == std::errc::file_exists) return FailCode(error, target, ec);
  if (ec == std::errc::cross_device_link) {
    if (!CopyThrough(source, target, false, true, error)) return false;
    fs::remove(source, ec);
    if (!ec) return true;
    std::error_code ignored;
    fs::remove(target, ignored);
    return FailCode(error, source, ec);
  }
  // No hard links here (some removable media): check, then rename.
  fs::rename(source, target, ec);
  if (ec) return FailCode(error, target, ec);
  return true;
}

bool RenameNoReplace(const std::string& source, const std::string& target, FsError* error) {
  if (source == target) return true;
  if (NameTaken(target) && SameFile(source, target)) {
    // The same file under another spelling: a case-insensitive file system.
    std::error_code ec;
    fs::rename(source, target, ec);
    return !ec || FailCode(error, target, ec);
  }
  return MoveFileTo(source, target, false, error);
}

bool DeleteFileNow(const std::string& path, FsError* error) {
  std::error_code ec;
  auto status = fs::symlink_status(path, ec);
  if (fs::is_directory(status))
    return FailCode(error, path, std::make_error_code(std::errc::is_a_directory));
  if (!fs::remove(path, ec) || ec)
    return FailCode(error, path,
                    ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory));
  return true;
}

// --- commands ---------------------------------------------------------------------------

OpResult CopyToFolder(FileOpEnv env, const std::string& folder) {
  if (!HasCurrentFile(env.List)) return OpResult::Nothing;
  std::string source = env.List.CurrentFile();
  std::string name = ExtractFileName(source);
  std::string target = TargetPath(folder, name);
  if (CopyFileTo(source, target, false)) {
    env.Dlg.Information(kCopiedMessage);
    return OpResult::Done;
  }
  // Whatever made the first attempt fail, the clash mode decides.
  FsError error;
  switch (env.Settings.CopyClashMode) {
    case 0:
      if (env.Dlg.Show(MsgKind::Warning, kClashQuestion, {MsgButton::Ok, MsgButton::Cancel}) !=
          MsgButton::Ok)
        return OpResult::Cancelled;
      if (!CopyFileTo(source, target, true, &error)) break;
      env.Dlg.Information(kCopiedMessage);
      return OpResult::Done;
    case 1:
      if (!CopyFileTo(source, TargetPath(folder, FreeName(folder, name)), false, &error)) break;
      env.Dlg.Information(kCopiedMessage);
      return OpResult::Done;
    default:
      return OpResult::Nothing;
  }
  ReportFailure(env.Dlg, kCopyFailedMessage, error);
  return OpResult::Failed;
}

OpResult MoveToFolder(FileOpEnv env, const std::string& folder, const RemovalStep& removal) {
  if (!HasCurrentFile(env.List)) return OpResult::Nothing;
  const int count = env.List.Count();
  const int index = env.List.ItemIndex();
  std::string source = env.List.CurrentFile();
  std::string name = ExtractFileName(source);
  std::string target = TargetPath(folder, name);

  if (MoveFileTo(source, target, false)) {
    if (removal.MessageBeforeRemovalOnPlainMove) {
      env.Dlg.Information(kMovedMessage);
      RemoveFollowing(env.List, removal, count, index);
    } else {
      RemoveFollowing(env.List, removal, count, index);
      env.Dlg.Information(kMovedMessage);
    }
    return OpResult::Done;
  }

  FsError error;
  switch (env.Settings.MoveClashMode) {
    case 0:
      if (env.Dlg.Show(MsgKind::Warning, kClashQuestion, {MsgButton::Ok, MsgButton::Cancel}) !=
          MsgButton::Ok)
        return OpResult::Cancelled;
      // Replacing is one rename over the old target, so a failure leaves both files.
      if (!MoveFileTo(source, target, true, &error)) break;
      RemoveFollowing(env.List, removal, count, index);
      env.Dlg.Information(kMovedMessage);
      return OpResult::Done;
    case 1:
      if (!MoveFileTo(source, TargetPath(folder, FreeName(folder, name)), false, &error)) break;
      RemoveFollowing(env.List, removal, count, index);
      env.Dlg.Information(kMovedMessage);
      return OpResult::Done;
    default:
      return OpResult::Nothing;
  }
  ReportFailure(env.Dlg, kMoveFailedMessage, error);
  return OpResult::Failed;
}

OpResult DeleteCurrent(FileOpEnv env, const RemovalStep& removal) {
  if (!HasCurrentFile(env.List)) return OpResult::Nothing;
  const int count = env.List.Count();
  const int index = env.List.ItemIndex();
  std::string path = env.List.CurrentFile();

  switch (env.Settings.DeleteMethod) {
    case 1:
      ShellDelete({path}, env.Settings, env.Dlg, env.Plat);
      break;
    case 2: {
      if (!env.Settings.DeleteNoConfirm &&
          env.Dlg.Show(MsgKind::Confirmation, path + kDeleteQuestionSuffix,
                       {MsgButton::Ok, MsgButton::Cancel}) != MsgButton::Ok)
        return OpResult::Cancelled;
      FsError error;
      if (!DeleteFileNow(path, &error)) {
        ReportFailure(env.Dlg, kDeleteFailedMessage, error);
        return OpResult::Failed;
      }
      break;
    }
    default:
      return OpResult::Nothing;
  }
  if (NameTaken(path)) return OpResult::Cancelled;
  RemoveFollowing(env.List, removal, count, index);
  return OpResult::Done;
}

int ShellDelete(const std::vector<std::string>& paths, const AppSettings& settings,
                Dialogs& dialogs, Platform& platform) {
  std::vector<std::string> trashable, untrashable;
  for (const std::string& path : paths)
    (platform.CanTrash(path) ? trashable : untrashable).push_back(path);

  if (!trashable.empty() && !settings.DeleteNoConfirm) {
    std::string text = trashable.size() == 1
                           ? trashable[0] + kTrashQuestionSuffix
                           : CountText(trashable.size()) + "をゴミ箱に移動しますか";
    if (!dialogs.ConfirmYesNo(text)) return 0;
  }
  // Deleting for good is never done without asking, whatever DeleteNoConfirm says.
  bool deleteForGood = false;
  if (!untrashable.empty()) {
    std::string who =
        untrashable.size() == 1 ? untrashable[0] + "\r\n" : CountText(untrashable.size()) + "は";
    deleteForGood = dialogs.Show(MsgKind::Confirmation, who + kNoTrashQuestion,
                                 {MsgButton::Yes, MsgButton::No}, 1) == MsgButton::Yes;
  }

  int removed = 0;
  std::string trashErrors, deleteErrors;
  for (const std::string& path : trashable) {
    TrashOutcome outcome = platform.MoveToTrash(path);
    if (outcome.Ok)
      ++removed;
    else
      trashErrors += "\r\n" + path + (outcome.Error.empty() ? "" : ": " + outcome.Error);
  }
  if (deleteForGood) {
    for (const std::string& path : untrashable) {
      FsError error;
      if (DeleteFileNow(path, &error))
        ++removed;
      else
        deleteErrors += "\r\n" + error.Message;
    }
  }
  if (!trashErrors.empty()) dialogs.Error(kTrashFailedMessage + trashErrors);
  if (!deleteErrors.empty()) dialogs.Error(kDeleteFailedMessage + deleteErrors);
  return removed;
}

DirectoryRequest OtherFolderRequest(const AppSettings& settings) {
  DirectoryRequest request;
  request.Caption = kChooseFolderCaption;
  request.InitialDir = settings.OtherFolder;
  request.Labels = {
      "ディレクトリ名(&N):", "ディレクトリ(&D):", "ドライブ(&R):", "ファイル(&F): (*.*)",
      "ネットワーク(&N)...", kCaptionOk,          kCaptionCancel};
  return request;
}

bool ChooseOtherFolder(AppSettings& settings, Dialogs& dialogs, bool appendDelim,
                       std::string* chosen) {
  std::optional<std::string> answer = dialogs.SelectDirectory(OtherFolderRequest(settings));
  if (!answer || answer->empty()) return false;
  const std::string& folder = *answer;
  if (!DirectoryExists(folder)) {
    if (!dialogs.ConfirmYesNo(kCreateFolderQuestion)) return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!DirectoryExists(folder)) {
      dialogs.Error(kCreateFolderFailed);
      return false;
    }
  }
  settings.OtherFolder = appendDelim ? WithDelim(folder) : folder;
  if (chosen) *chosen = folder;
  return true;
}

ConvertMenuState ConvertEntriesFor(const std::string& path) {
  ConvertMenuState state;
  std::string ext = LowerCase(ExtractFileExt(path));
  if (ext == ".jpg" || ext == ".jpeg") {
    state.Enabled[2] = state.Enabled[3] = true;
  } else if (ext == ".png") {
    state.Enabled[4] = state.Enabled[5] = true;
  } else {
    state.Enabled[0] = state.Enabled[1] = true;
  }
  return state;
}

}  // namespace verid
