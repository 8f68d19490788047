#include "app/FileOps.h"

#include <algorithm>
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
  return fs::exists(fs::symlink_status(FsPath(path), ec));
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

std::string WithDelim(const std::string& folder) {
  if (folder.empty() || IsPathDelim(folder.back())) return folder;
  return folder + PathDelim;
}

// Copies the bytes into a temporary file beside the target (TFileReplacement), so a
// failed copy never leaves a partial file under the target name, and returns it ready to
// be placed. A copy gets its source's time, and its mode unless it replaces a file, whose
// mode, owner and group it keeps as writing into that file would; a move keeps its
// source's mode, owner and group where permitted, as a rename does. Without `sync` the
// caller makes the content durable (SyncFileSystem) before placing it.
std::unique_ptr<TFileReplacement> PrepareCopy(const std::string& source, const std::string& target,
                                              bool replace, bool moving, bool sync) {
  TFileStream in(source, FileMode::Read);
  auto out = std::make_unique<TFileReplacement>(target, replace);
  // One buffer per thread, sized to the file: small files cost no large allocation.
  thread_local std::vector<uint8_t> buffer;
  const int64_t size = in.Size();
  const size_t want = static_cast<size_t>(std::clamp<int64_t>(size + 1, 4096, 1 << 20));
  if (buffer.size() < want) buffer.resize(want);
  for (;;) {
    int64_t n = in.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
    if (n <= 0) break;
    out->Stream().WriteBuffer(buffer.data(), n);
  }
  if (moving || !out->Replaces()) out->TakeModeOf(source, moving);
  out->TakeTimeOf(source);
  out->Complete(sync);
  return out;
}

template <typename Step>
bool Guarded(FsError* error, Step&& step) {
  try {
    step();
  } catch (const EFileError& e) {
    return Fail(error, e.what(), e.Code() == EEXIST);
  } catch (const std::exception& e) {
    return Fail(error, e.what());
  }
  return true;
}

bool CopyThrough(const std::string& source, const std::string& target, bool replace, bool moving,
                 FsError* error) {
  return Guarded(error, [&] { PrepareCopy(source, target, replace, moving, true)->Place(); });
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

std::string NotDoneText(int failed) {
  return std::to_string(failed) + kNotDoneSuffix;
}

// A failure box names the first few files; for a batch it counts them all.
constexpr size_t kListedFailures = 10;
std::string FailureText(const char* what, const std::vector<std::string>& lines, bool batch) {
  std::string text = what;
  for (size_t i = 0; i < lines.size() && i < kListedFailures; ++i) text += "\r\n" + lines[i];
  if (lines.size() > kListedFailures) text += "\r\n...";
  if (batch) text += "\r\n" + NotDoneText(static_cast<int>(lines.size()));
  return text;
}

void ReportFailures(Dialogs& dialogs, const char* what, const std::vector<std::string>& lines,
                    bool batch) {
  if (!lines.empty()) dialogs.Error(FailureText(what, lines, batch));
}

// The end of a batch: its message when every file was handled; otherwise a warning that
// names the first failed files, each with the system's reason, and counts them all.
void ReportBatchEnd(Dialogs& dialogs, const char* message, const char* failedMessage,
                    const std::vector<std::string>& failures) {
  if (failures.empty())
    dialogs.Information(message);
  else
    dialogs.Warning(FailureText(failedMessage, failures, true));
}

// The clash question of a batch: はい, いいえ or すべていいえ.
MsgButton AskBatchClash(Dialogs& dialogs, const std::string& name) {
  return dialogs.Show(MsgKind::Warning, BatchClashQuestion(name),
                      {MsgButton::Yes, MsgButton::No, MsgButton::NoToAll});
}

// What one entry of a copy-all or move-all came to.
enum class Step { Done, Skipped, Failed };

// Entries from `begin` on (at most kAheadFiles of them, and no more than about kAheadBytes
// of data) copied into F under temporary names, for the names that are free now, and
// flushed to disk together; a null entry where that was not done. The result covers the
// entries [begin, begin + its size).
constexpr int kAheadFiles = 64;
constexpr int64_t kAheadBytes = 64 << 20;
std::vector<std::unique_ptr<TFileReplacement>> CopiesAhead(const FileList& list, int begin,
                                                           const std::string& folder) {
  std::vector<std::unique_ptr<TFileReplacement>> ahead;
  bool any = false;
  int64_t bytes = 0;
  for (int i = begin; i < list.Count() && i < begin + kAheadFiles && bytes < kAheadBytes; ++i) {
    ahead.emplace_back();
    const std::string source = list.PathOf(i);
    const std::string target = TargetPath(folder, ExtractFileName(source));
    if (NameTaken(target)) continue;
    try {
      ahead.back() = PrepareCopy(source, target, false, false, false);
      bytes += FileSizeOf(source);
      any = true;
    } catch (const std::exception&) {
      // The plain path tries again and reports.
    }
  }
  if (any) {
    try {
      SyncFileSystem(folder);
    } catch (const std::exception&) {
      for (auto& file : ahead) file.reset();
    }
  }
  return ahead;
}

// A batch's entry after its first attempt failed with `error`. Only a taken name brings
// the clash rules; any other failure is the entry's failure as it stands. `retry(target,
// replace, error)` makes the next attempt. A file the user or the mode leaves alone is
// skipped. On failure `error` holds the reason.
Step BatchClash(uint16_t mode, const std::string& folder, const std::string& name, FsError& error,
                bool& noToAll, Dialogs& dialogs,
                const std::function<bool(const std::string&, bool, FsError*)>& retry) {
  if (!error.Exists) return Step::Failed;
  switch (mode) {
    case 1:
      return retry(TargetPath(folder, FreeName(folder, name)), false, &error) ? Step::Done
                                                                              : Step::Failed;
    case 0: {
      if (noToAll) return Step::Skipped;
      MsgButton answer = AskBatchClash(dialogs, name);
      if (answer == MsgButton::Yes)
        return retry(TargetPath(folder, name), true, &error) ? Step::Done : Step::Failed;
      if (answer == MsgButton::NoToAll) noToAll = true;
      return Step::Skipped;
    }
    default:
      return Step::Skipped;
  }
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
    fs::rename(FsPath(source), FsPath(resolved), ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) return FailCode(error, resolved, ec);
    if (!CopyThrough(source, resolved, true, true, error)) return false;
    fs::remove(FsPath(source), ec);
    if (ec) return FailCode(error, source, ec);
    return true;
  }

  if (NameTaken(target))
    return Fail(error, target + ": " + std::make_error_code(std::errc::file_exists).message(),
                true);
  // A hard link is a rename that refuses an existing target.
  fs::create_hard_link(FsPath(source), FsPath(target), ec);
  if (!ec) {
    fs::remove(FsPath(source), ec);
    if (!ec) return true;
    std::error_code ignored;
    fs::remove(FsPath(target), ignored);
    return FailCode(error, source, ec);
  }
  if (ec == std::errc::file_exists) return FailCode(error, target, ec);
  if (ec == std::errc::cross_device_link) {
    if (!CopyThrough(source, target, false, true, error)) return false;
    fs::remove(FsPath(source), ec);
    if (!ec) return true;
    std::error_code ignored;
    fs::remove(FsPath(target), ignored);
    return FailCode(error, source, ec);
  }
  // No hard links here (some removable media): check, then rename.
  fs::rename(FsPath(source), FsPath(target), ec);
  if (ec) return FailCode(error, target, ec);
  return true;
}

bool RenameNoReplace(const std::string& source, const std::string& target, FsError* error) {
  if (source == target) return true;
  if (NameTaken(target) && SameFile(source, target)) {
    // The same file under another spelling: a case-insensitive file system.
    std::error_code ec;
    fs::rename(FsPath(source), FsPath(target), ec);
    return !ec || FailCode(error, target, ec);
  }
  return MoveFileTo(source, target, false, error);
}

bool DeleteFileNow(const std::string& path, FsError* error) {
  std::error_code ec;
  auto status = fs::symlink_status(FsPath(path), ec);
  if (fs::is_directory(status))
    return FailCode(error, path, std::make_error_code(std::errc::is_a_directory));
  if (!fs::remove(FsPath(path), ec) || ec)
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
  FsError error;
  if (CopyFileTo(source, target, false, &error)) {
    env.Dlg.Information(kCopiedMessage);
    return OpResult::Done;
  }
  // Only a taken name brings the clash rules; any other failure is told as it is.
  if (!error.Exists) {
    ReportFailure(env.Dlg, kCopyFailedMessage, error);
    return OpResult::Failed;
  }
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

  FsError error;
  if (MoveFileTo(source, target, false, &error)) {
    if (removal.MessageBeforeRemovalOnPlainMove) {
      env.Dlg.Information(kMovedMessage);
      RemoveFollowing(env.List, removal, count, index);
    } else {
      RemoveFollowing(env.List, removal, count, index);
      env.Dlg.Information(kMovedMessage);
    }
    return OpResult::Done;
  }
  if (!error.Exists) {
    ReportFailure(env.Dlg, kMoveFailedMessage, error);
    return OpResult::Failed;
  }
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

// --- the whole list ---------------------------------------------------------------------

std::string CopyAllQuestion(size_t count, const std::string& folder) {
  return CountText(count) + "を " + folder + " にｺﾋﾟｰしますか？";
}

std::string MoveAllQuestion(size_t count, const std::string& folder) {
  return CountText(count) + "を " + folder + " に移動しますか？";
}

std::string DeleteAllQuestion(size_t count) {
  return "これらの" + std::to_string(count) + "個のﾌｧｲﾙを削除しますか";
}

std::string BatchClashQuestion(const std::string& name) {
  return name + "という" + kClashQuestion;
}

BatchResult CopyAll(FileOpEnv env, const std::string& folder) {
  BatchResult result;
  const int count = env.List.Count();
  if (count == 0) return result;
  if (env.Dlg.Show(MsgKind::Confirmation, CopyAllQuestion(static_cast<size_t>(count), folder),
                   {MsgButton::Ok, MsgButton::Cancel}) != MsgButton::Ok) {
    result.Result = OpResult::Cancelled;
    return result;
  }
  bool noToAll = false;
  std::vector<std::string> failures;
  const int selected = env.List.ItemIndex();
  // Copies to free names are written ahead a group at a time and made durable with one
  // flush of the file system for the group, instead of one per file; each is then placed
  // in list order, and whatever could not be written ahead takes the plain path.
  std::vector<std::unique_ptr<TFileReplacement>> ahead;
  int aheadBegin = 0;
  for (int i = 0; i < count; ++i) {
    if (i == aheadBegin + static_cast<int>(ahead.size())) {
      aheadBegin = i;
      ahead = CopiesAhead(env.List, i, folder);
    }
    env.List.SetItemIndex(i);
    const std::string source = env.List.PathOf(i);
    const std::string name = ExtractFileName(source);
    const std::string target = TargetPath(folder, name);
    FsError first;
    Step step = Step::Done;
    std::unique_ptr<TFileReplacement> written =
        std::move(ahead[static_cast<size_t>(i - aheadBegin)]);
    const bool placed = written ? Guarded(&first, [&] { written->Place(); })
                                : CopyFileTo(source, target, false, &first);
    if (!placed) {
      step = BatchClash(env.Settings.CopyClashMode, folder, name, first, noToAll, env.Dlg,
                        [&](const std::string& target, bool replace, FsError* error) {
                          return CopyFileTo(source, target, replace, error);
                        });
    }
    if (step == Step::Done) ++result.Done;
    if (step == Step::Failed) failures.push_back(first.Message);
  }
  result.Failed = static_cast<int>(failures.size());
  ReportBatchEnd(env.Dlg, kCopyAllDoneMessage, kCopyFailedMessage, failures);
  env.List.SetItemIndex(selected);
  result.Result = OpResult::Done;
  return result;
}

BatchResult MoveAll(FileOpEnv env, const std::string& folder,
                    const std::function<void()>& followUp) {
  BatchResult result;
  const int count = env.List.Count();
  if (count == 0) return result;
  if (env.Dlg.Show(MsgKind::Confirmation, MoveAllQuestion(static_cast<size_t>(count), folder),
                   {MsgButton::Ok, MsgButton::Cancel}) != MsgButton::Ok) {
    result.Result = OpResult::Cancelled;
    return result;
  }
  bool noToAll = false;
  std::vector<std::string> failures;
  std::vector<bool> moved(static_cast<size_t>(count), false);
  for (int i = 0; i < count; ++i) {
    env.List.SetItemIndex(i);
    const std::string source = env.List.PathOf(i);
    const std::string name = ExtractFileName(source);
    FsError first;
    Step step = Step::Done;
    if (!MoveFileTo(source, TargetPath(folder, name), false, &first)) {
      // Replacing is one rename over the old target; a free name is a move that refuses
      // a taken name. Either way a failure leaves every file where it was.
      step = BatchClash(env.Settings.MoveClashMode, folder, name, first, noToAll, env.Dlg,
                        [&](const std::string& target, bool replace, FsError* error) {
                          return MoveFileTo(source, target, replace, error);
                        });
    }
    if (step == Step::Done) {
      moved[static_cast<size_t>(i)] = true;
      ++result.Done;
    }
    if (step == Step::Failed) failures.push_back(first.Message);
  }
  result.Failed = static_cast<int>(failures.size());
  // The moved entries leave the list in one pass.
  std::vector<std::string> kept;
  kept.reserve(static_cast<size_t>(count - result.Done));
  for (int i = 0; i < count; ++i)
    if (!moved[static_cast<size_t>(i)]) kept.push_back(env.List.Entry(i));
  env.List.SetEntries(std::move(kept));
  ReportBatchEnd(env.Dlg, kMovedMessage, kMoveFailedMessage, failures);
  env.List.SetItemIndex(0);
  if (followUp) followUp();
  result.Result = OpResult::Done;
  return result;
}

BatchResult DeleteAll(FileOpEnv env, const std::function<void()>& followUp) {
  BatchResult result;
  if (!HasCurrentFile(env.List)) return result;
  const int count = env.List.Count();
  const int selected = env.List.ItemIndex();
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) paths.push_back(env.List.PathOf(i));

  switch (env.Settings.DeleteMethod) {
    case 1:
      // One question for the batch; each file goes to the trash on its own.
      result.Done = ShellDelete(paths, env.Settings, env.Dlg, env.Plat);
      break;
    case 2: {
      if (!env.Settings.DeleteNoConfirm &&
          env.Dlg.Show(MsgKind::Confirmation, DeleteAllQuestion(paths.size()),
                       {MsgButton::Ok, MsgButton::Cancel}) != MsgButton::Ok) {
        result.Result = OpResult::Cancelled;
        return result;
      }
      std::vector<std::string> errors;
      for (int i = count - 1; i >= 0; --i) {
        FsError error;
        if (DeleteFileNow(paths[static_cast<size_t>(i)], &error))
          ++result.Done;
        else
          errors.push_back(error.Message);
      }
      std::reverse(errors.begin(), errors.end());
      result.Failed = static_cast<int>(errors.size());
      ReportFailures(env.Dlg, kDeleteFailedMessage, errors, true);
      break;
    }
    default:
      return result;
  }

  // Whatever is still there stays listed.
  std::vector<std::string> kept;
  int keptSelected = -1;
  for (int i = 0; i < count; ++i) {
    if (!NameTaken(paths[static_cast<size_t>(i)])) continue;
    if (i == selected) keptSelected = static_cast<int>(kept.size());
    kept.push_back(env.List.Entry(i));
  }
  if (static_cast<int>(kept.size()) != count) {
    const bool any = !kept.empty();
    env.List.SetEntries(std::move(kept));
    env.List.SetItemIndex(keptSelected >= 0 ? keptSelected : (any ? 0 : -1));
    if (followUp) followUp();
  } else {
    env.List.SetItemIndex(selected);
  }
  if (result.Result == OpResult::Nothing) result.Result = OpResult::Done;
  return result;
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
  std::vector<std::string> trashErrors, deleteErrors;
  for (const std::string& path : trashable) {
    TrashOutcome outcome = platform.MoveToTrash(path);
    if (outcome.Ok)
      ++removed;
    else
      trashErrors.push_back(path + (outcome.Error.empty() ? "" : ": " + outcome.Error));
  }
  if (deleteForGood) {
    for (const std::string& path : untrashable) {
      FsError error;
      if (DeleteFileNow(path, &error))
        ++removed;
      else
        deleteErrors.push_back(error.Message);
    }
  }
  const bool batch = paths.size() > 1;
  ReportFailures(dialogs, kTrashFailedMessage, trashErrors, batch);
  ReportFailures(dialogs, kDeleteFailedMessage, deleteErrors, batch);
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
    fs::create_directories(FsPath(folder), ec);
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
