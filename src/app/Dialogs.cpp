#include "app/Dialogs.h"

#include "base/Paths.h"

namespace verid {

std::string FilterRowExtension(const std::string& filter, int index) {
  // Rows are description|patterns pairs.
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = filter.find('|', start);
    parts.push_back(
        filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  const size_t patterns = 2 * static_cast<size_t>(index) - 1;
  if (index < 1 || patterns >= parts.size()) return {};
  std::string first = parts[patterns].substr(0, parts[patterns].find(';'));
  if (first.size() < 3 || first.compare(0, 2, "*.") != 0) return {};
  first.erase(0, 2);
  if (first.find_first_of("*?.") != std::string::npos) return {};
  return first;
}

std::string WithChosenExtension(const std::string& fileName, const FileDialogRequest& request,
                                int chosenIndex) {
  if (request.DefaultExt.empty() || fileName.empty() || !ExtractFileExt(fileName).empty())
    return fileName;
  std::string ext = FilterRowExtension(request.Filter, chosenIndex);
  if (ext.empty()) ext = request.DefaultExt;
  return fileName + "." + ext;
}

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
