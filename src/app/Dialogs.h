// Every question, message and file dialog the program shows goes through this Qt-free
// interface, so the logic can be driven by tests (tests/support/ScriptedDialogs) and the
// window layer supplies the real boxes (ui/QtDialogs).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Types.h"

namespace verid {

enum class MsgKind { Plain, Warning, Error, Information, Confirmation };

enum class MsgButton { Yes, No, Ok, Cancel, NoToAll };

// Titles and button captions exactly as the program shows them.
inline constexpr const char* kTitlePlain = "Verid";
inline constexpr const char* kTitleWarning = "警告";
inline constexpr const char* kTitleError = "エラー";
inline constexpr const char* kTitleInformation = "情報";
inline constexpr const char* kTitleConfirmation = "確認";
inline constexpr const char* kCaptionYes = "はい(&Y)";
inline constexpr const char* kCaptionNo = "いいえ(&N)";
inline constexpr const char* kCaptionOk = "OK";
inline constexpr const char* kCaptionCancel = "キャンセル";
inline constexpr const char* kCaptionNoToAll = "すべていいえ(&O)";

const char* TitleOf(MsgKind kind);
const char* CaptionOf(MsgButton button);

struct MessageRequest {
  MsgKind Kind = MsgKind::Plain;
  std::string Title;  // empty: the kind's own title
  std::string Text;   // may hold "\r\n"
  std::vector<MsgButton> Buttons{MsgButton::Ok};
  // Some boxes carry a caption of their own for a button (e.g. "ｷｬﾝｾﾙ"); same length as
  // Buttons when used, an empty entry keeps the standard caption.
  std::vector<std::string> ButtonCaptions;
  int DefaultButton = 0;  // index into Buttons
};

// Filters use the "Description|pattern;pattern|Description|pattern" form.
struct FileDialogRequest {
  std::string Title;
  std::string InitialDir;
  std::string FileName;  // proposed name (may be empty)
  std::string Filter;
  int FilterIndex = 1;     // 1-based row of Filter
  std::string DefaultExt;  // without the dot
  bool OverwritePrompt = false;
};

struct FileDialogResult {
  std::string FileName;  // full path
  int FilterIndex = 1;
};

// The extension (without the dot) of the first pattern of row `index` (1-based) of a
// filter: "jpg" for "JPEG(*.jpg,*.jpeg)|*.jpg;*.jpeg"; empty for "*.*", a pattern that is
// no plain extension, or a row that is not there.
std::string FilterRowExtension(const std::string& filter, int index);
// What a save dialog does with a name typed without an extension: it gets the extension of
// the type chosen in the dialog, or the request's default extension when that type names
// none. Names with an extension, and requests without a default extension, stay as typed.
std::string WithChosenExtension(const std::string& fileName, const FileDialogRequest& request,
                                int chosenIndex);

struct DirectoryRequest {
  std::string Caption;  // the dialog's title
  std::string InitialDir;
  // Further captions some directory dialogs show (labels of the folder and drive lists,
  // buttons); the Qt layer uses what it can.
  std::vector<std::string> Labels;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MsgButton Message(const MessageRequest& request) = 0;
  virtual std::optional<std::string> SelectDirectory(const DirectoryRequest& request) = 0;
  virtual std::optional<FileDialogResult> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<FileDialogResult> SaveFile(const FileDialogRequest& request) = 0;
  virtual std::optional<TColor> SelectColor(TColor initial) = 0;

  // Shorthands for the common boxes.
  MsgButton Show(MsgKind kind, const std::string& text, std::vector<MsgButton> buttons,
                 int defaultButton = 0);
  void Warning(const std::string& text) { Show(MsgKind::Warning, text, {MsgButton::Ok}); }
  void Error(const std::string& text) { Show(MsgKind::Error, text, {MsgButton::Ok}); }
  void Information(const std::string& text) { Show(MsgKind::Information, text, {MsgButton::Ok}); }
  bool ConfirmYesNo(const std::string& text) {
    return Show(MsgKind::Confirmation, text, {MsgButton::Yes, MsgButton::No}) == MsgButton::Yes;
  }
};

}  // namespace verid
