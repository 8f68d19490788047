// Conversions between BMP, JPEG and PNG: the six kinds, the one step that converts a
// file, the single-file command the main, view and catalog windows share, and what the
// batch conversion window decides and runs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FileOps.h"
#include "app/Settings.h"
#include "base/Stream.h"

namespace verid {

inline constexpr const char* kConvertFormCaption = "画像形式の一括ｺﾝﾊﾞｰﾄ";
inline constexpr const char* kConvertPrompt = "変換ﾌｧｲﾙの作成先を指定して，開始を押して下さい";
inline constexpr const char* kConvertNothing = "変換できるﾌｧｲﾙが見つかりません";
inline constexpr const char* kConvertDestinationPrefix = "作成先:";
inline constexpr const char* kConvertFolderButton = "作成先(&F)";
inline constexpr const char* kConvertStartButton = "開始(&S)";
inline constexpr const char* kConvertCancelButton = "ｷｬﾝｾﾙ(&C)";

enum class ImageFormat { Bmp, Jpeg, Png };

// ConvertKind 0..5, in menu order.
struct ConvertKindInfo {
  const char* Caption;  // "BMP->JPEG"
  ImageFormat From;
  ImageFormat To;
  const char* Mask;    // the batch window's source mask, "*.jpg;*.jpeg"
  const char* NewExt;  // ".jpg": JPEG output is never named ".jpeg"
};
inline constexpr int kConvertKindCount = 6;
const ConvertKindInfo& ConvertKindOf(int kind);  // throws std::out_of_range

// The format an extension names (".bmp", "jpg", ".JPEG", "png"); none for any other.
std::optional<ImageFormat> FormatOfExtension(const std::string& extension);

// "変換ﾌｧｲﾙを " + folder + " に作成しました".
std::string ConvertDoneMessage(const std::string& folder);

// --- the conversion step ----------------------------------------------------------------
// Loads `source` as `from` whatever its extension, encodes it as `to` with the encoder
// settings (JpegQuality, PngCompressLevel) and writes it under a temporary name beside
// `target`. Nothing is under the target name until the caller places the result; if it
// is dropped unplaced the temporary file goes with it. Without `sync` the caller flushes
// it to disk (SyncFileSystem) before placing it. Throws EInvalidGraphic for a source that
// does not decode, EFileError when the file system refuses.
std::unique_ptr<TFileReplacement> WriteConverted(const std::string& source, ImageFormat from,
                                                 const std::string& target, ImageFormat to,
                                                 const AppSettings& settings, bool sync = true);
// The same, put in place at once (an existing target is replaced).
void ConvertImageFile(const std::string& source, ImageFormat from, const std::string& target,
                      ImageFormat to, const AppSettings& settings);

// --- single file ------------------------------------------------------------------------
// Converts the list's current file by `kind` (0..5), read from disk. ConvertTarget 0
// writes it beside the source, 1 asks for a folder (ChooseOtherFolder; cancelling writes
// nothing and shows nothing), any other value does nothing. Success is reported with
// ConvertDoneMessage. A source that does not decode or a target that cannot be written
// throws and leaves nothing behind; the list is not read again in any case. The view and
// catalog windows call this for their own conversion items, after making the list select
// their file.
OpResult ConvertCurrent(FileOpEnv env, int kind);

// --- the batch window -------------------------------------------------------------------
// The files of `folder` the kind converts, matched by its mask without regard to case,
// hidden files left out, sorted by name without regard to case.
std::vector<std::string> ConvertSources(const std::string& folder, int kind);

enum class ConvertPhase {
  Idle,     // before a run and after one that ended well
  Running,  // converting
  Stopped,  // a run stopped at a failing file
};

struct ConvertFormState {
  std::string Label;
  bool FolderEnabled = false;  // "作成先(&F)"
  bool StartEnabled = false;   // "開始(&S)"
  bool CancelEnabled = true;   // "ｷｬﾝｾﾙ(&C)"
};
// No files: only closing; files but no destination: "開始" disabled; else ready.
ConvertFormState MakeConvertFormState(int fileCount, const std::string& destination,
                                      ConvertPhase phase);

// "作成先(&F)": the directory dialog starting at OtherFolder. On OK OtherFolder takes
// the folder as the dialog gives it and the destination (the return value) is it with a
// separator at the end; nothing on cancel.
std::optional<std::string> ChooseConvertDestination(AppSettings& settings, Dialogs& dialogs);

// What a run shows as it goes.
class ConvertRunHost {
 public:
  virtual ~ConvertRunHost() = default;
  // Entry `index` of the source list is being converted.
  virtual void Select(int index) = 0;
  // Its new file (name without folder) is in place.
  virtual void Added(const std::string& name) = 0;
};

// Converts names[0..] of `folder` in order into `destination` (ending in a separator),
// replacing files of the same name, then shows ConvertDoneMessage(destination). A file
// that fails stops the run with its error (thrown): the files before it stay, no file
// after it is written and no success box is shown. `workers` threads (0: none) may
// decode and encode ahead; each file still comes into place only when the run reaches
// it in order.
void RunBatchConvert(int kind, const std::string& folder, const std::vector<std::string>& names,
                     const std::string& destination, const AppSettings& settings, Dialogs& dialogs,
                     ConvertRunHost& host, int workers = 0);
// Worker threads for a run: one per hardware thread (the run itself mostly waits).
int DefaultConvertWorkers();

}  // namespace verid
