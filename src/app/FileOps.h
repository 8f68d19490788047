// Copy, move and delete of the current file, the free-name rule, the choice of another
// folder, and the file-system steps under them. The main, view and catalog windows all
// call these; what differs between them (how the list follows a removal, the order of
// the "moved" message) comes in as a RemovalStep.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Settings.h"
#include "platform/Platform.h"

namespace verid {

inline constexpr const char* kCopiedMessage = "ｺﾋﾟｰしました";
inline constexpr const char* kMovedMessage = "移動しました";
inline constexpr const char* kClashQuestion = "同名のﾌｧｲﾙが既に存在しています\r\n上書きしますか？";
inline constexpr const char* kDeleteQuestionSuffix = "を削除しますか";
inline constexpr const char* kCopyFailedMessage = "ｺﾋﾟｰできませんでした";
inline constexpr const char* kMoveFailedMessage = "移動できませんでした";
inline constexpr const char* kDeleteFailedMessage = "削除できませんでした";
inline constexpr const char* kTrashQuestionSuffix = " をゴミ箱に移動しますか";
inline constexpr const char* kNoTrashQuestion = "ゴミ箱に移動できません\r\n完全に削除しますか";
inline constexpr const char* kTrashFailedMessage = "ゴミ箱に移動できませんでした";

inline constexpr const char* kChooseFolderCaption = "ディレクトリの選択";
inline constexpr const char* kCreateFolderQuestion =
    "指定されたディレクトリが存在しません。作成しますか？";
inline constexpr const char* kCreateFolderFailed = "ディレクトリを作成することができません";

// What the windows hand in.
struct FileOpEnv {
  FileList& List;
  AppSettings& Settings;
  Dialogs& Dlg;
  Platform& Plat;
};

// How a window follows a file that left the list's folder.
struct RemovalStep {
  // Takes the entry out; null means RemoveEntry(list, countBefore, index).
  std::function<void(int countBefore, int index)> Remove;
  // Runs after Remove: the main window's preview step, the view window's redisplay.
  std::function<void()> FollowUp;
  // The view and catalog windows show "移動しました" before the removal when the plain
  // move worked; the main window always shows it afterwards. The clash paths show it
  // after the removal everywhere.
  bool MessageBeforeRemovalOnPlainMove = false;
};

enum class OpResult {
  Nothing,    // no current file, the clash was left alone, or the method does nothing
  Done,       // the file was copied / moved / deleted
  Cancelled,  // the user declined a question
  Failed,     // the last attempt failed (reported to the user)
};

// --- rules ------------------------------------------------------------------------------
// F joined with the last component of `name`, with exactly one separator between them.
std::string TargetPath(const std::string& folder, const std::string& name);
// "a.jpg" -> "a0.jpg" -> "a00.jpg" ... until F joined with it does not exist.
std::string FreeName(const std::string& folder, const std::string& name);
// Takes entry `index` out of the list and selects its follower: the entry now at
// `index`, or the one before when the removed entry was the last.
void RemoveEntry(FileList& list, int countBefore, int index);

// --- file-system steps ------------------------------------------------------------------
// Each returns false with the system's reason in *error (when given). `exists` is set
// when the failure was an existing target.
struct FsError {
  std::string Message;
  bool Exists = false;
};
// Copies through a temporary file in the target folder renamed into place, so a failed
// copy never leaves a partial file under the target name. Keeps the source's
// modification time, and its permissions for a new file; a replaced file keeps its own
// mode, owner and group where permitted. Without `replace` an existing target is never
// touched; with it a symbolic link is followed (the file it names is replaced, the link
// stays) and a target that may not be written is refused with the system's reason.
bool CopyFileTo(const std::string& source, const std::string& target, bool replace,
                FsError* error = nullptr);
// Renames (one atomic rename over the target when `replace`, which treats links and
// read-only targets as a copy does); across file systems it copies as above, keeping the
// owner and group where permitted, and deletes the source only after the copy is in
// place.
bool MoveFileTo(const std::string& source, const std::string& target, bool replace,
                FsError* error = nullptr);
// Renames within a folder, failing when another file has the new name. A change of case
// only (IMG.JPG -> IMG.jpg) works on case-insensitive file systems too.
bool RenameNoReplace(const std::string& source, const std::string& target,
                     FsError* error = nullptr);
// Deletes a file for good.
bool DeleteFileNow(const std::string& path, FsError* error = nullptr);

// --- commands ---------------------------------------------------------------------------
OpResult CopyToFolder(FileOpEnv env, const std::string& folder);
OpResult MoveToFolder(FileOpEnv env, const std::string& folder, const RemovalStep& removal);
// By DeleteMethod: 1 trash, 2 direct, anything else nothing. The caller then updates its
// command states.
OpResult DeleteCurrent(FileOpEnv env, const RemovalStep& removal);

// --- the whole list ---------------------------------------------------------------------
inline constexpr const char* kCopyAllDoneMessage = "ｺﾋﾟｰが完了しました";
inline constexpr const char* kNotDoneSuffix = " 個のﾌｧｲﾙを処理できませんでした";

// "これら12個のﾌｧｲﾙを /backup/ にｺﾋﾟｰしますか？" and the move and delete variants.
std::string CopyAllQuestion(size_t count, const std::string& folder);
std::string MoveAllQuestion(size_t count, const std::string& folder);
std::string DeleteAllQuestion(size_t count);
// name + "という" + the clash question; answered はい / いいえ / すべていいえ(&O).
std::string BatchClashQuestion(const std::string& name);

struct BatchResult {
  OpResult Result = OpResult::Nothing;  // Done once the batch ran
  int Done = 0;                         // files copied / moved / deleted
  int Failed = 0;                       // files an attempt failed for (not those skipped)
};

// Copies every entry into F: one question first, then per entry the clash rules of
// CopyClashMode (only where the target name is taken), where ask mode can answer no for
// every later clash. Ends with "ｺﾋﾟｰが完了しました", or, when files failed, a warning that
// names them with the system's reasons and counts them; the list and its selection are
// as before.
BatchResult CopyAll(FileOpEnv env, const std::string& folder);
// Moves every entry into F with the rules of MoveClashMode; the entries whose file left
// the folder are taken out in one step, "移動しました" (or the warning naming the
// failures) is shown, entry 0 is selected and `followUp` runs (the window's preview step).
BatchResult MoveAll(FileOpEnv env, const std::string& folder,
                    const std::function<void()>& followUp);
// By DeleteMethod: 1 hands every file to the trash (one question for the batch unless
// DeleteNoConfirm), 2 deletes them directly after "これらのN個のﾌｧｲﾙを削除しますか"
// (unless DeleteNoConfirm), anything else does nothing. Entries whose file is still there
// stay in the list; the selected one stays selected if its file remains, else the first
// remaining entry. `followUp` runs after the list changed; the caller then updates its
// command states.
BatchResult DeleteAll(FileOpEnv env, const std::function<void()>& followUp);

// Moves the files to the trash. Asks first unless DeleteNoConfirm; a file no trash can
// take is named in a question of its own (asked whatever DeleteNoConfirm says) before it
// is deleted for good. Returns how many files left their folder.
int ShellDelete(const std::vector<std::string>& paths, const AppSettings& settings,
                Dialogs& dialogs, Platform& platform);

// The directory dialog for "上の指定先以外", starting at OtherFolder. On OK OtherFolder
// becomes the chosen folder ending in a separator and true is returned. With
// `appendDelim` false OtherFolder takes the folder as the dialog gives it (the batch
// conversion window's variant); `chosen` receives it in any case.
bool ChooseOtherFolder(AppSettings& settings, Dialogs& dialogs, bool appendDelim = true,
                       std::string* chosen = nullptr);
DirectoryRequest OtherFolderRequest(const AppSettings& settings);

// The single-file conversion submenu, enabled by the current file's extension; indexed
// by ConvertKind (0 BMP->JPEG, 1 BMP->PNG, 2 JPEG->BMP, 3 JPEG->PNG, 4 PNG->BMP,
// 5 PNG->JPEG).
struct ConvertMenuState {
  bool Enabled[6] = {};
};
ConvertMenuState ConvertEntriesFor(const std::string& path);

}  // namespace verid
