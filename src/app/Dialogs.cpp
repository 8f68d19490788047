#include "app/Dialogs.h"

namespace verid {

const char* TitleOf(MsgKind kind) {
  switch (kind) {
    case MsgKind::Warning:
      return kTitleWarning;
    case MsgKind::Error:
      return kTitleError;
    case MsgKind::Information:
      return kTitleInformation;
    case MsgKind::Confirmation:
      return kTitleConfirmation;
    case MsgKind::Plain:
      break;
  }
  return kTitlePlain;
}

const char* CaptionOf(MsgButton button) {
  switch (button) {
    case MsgButton::Yes:
      return kCaptionYes;
    case MsgButton::No:
      return kCaptionNo;
    case MsgButton::Ok:
      return kCaptionOk;
    case MsgButton::Cancel:
      return kCaptionCancel;
    case MsgButton::NoToAll:
      return kCaptionNoToAll;
  }
  return kCaptionOk;
}

MsgButton Dialogs::Show(MsgKind kind, const std::string& text, std::vector<MsgButton> buttons,
                        int defaultButton) {
  MessageRequest request;
  request.Kind = kind;
  request.Title = TitleOf(kind);
  request.Text = text;
  request.Buttons = std::move(buttons);
  request.DefaultButton = defaultButton;
  return Message(request);
}

}  // namespace verid
