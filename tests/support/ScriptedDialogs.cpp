#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace verid::test {

MsgButton ScriptedDialogs::Message(const MessageRequest& request) {
  Call call;
  call.Kind = "message";
  call.Message = request;
  calls_.push_back(call);
  if (!messageAnswers_.empty()) {
    MsgButton answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    return answer;
  }
  bool onlyOk = request.Buttons.size() == 1 && request.Buttons[0] == MsgButton::Ok;
  if (!(autoOk && onlyOk)) ADD_FAILURE() << "unexpected question: " << request.Text;
  return request.Buttons.empty() ? MsgButton::Ok : request.Buttons.front();
}

template <typename T>
static T Take(std::deque<T>& queue, const char* what) {
  if (queue.empty()) {
    ADD_FAILURE() << "unexpected " << what << " dialog";
    return T{};
  }
  T answer = queue.front();
  queue.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::SelectDirectory(const DirectoryRequest& request) {
  Call call;
  call.Kind = "directory";
  call.Directory = request;
  calls_.push_back(call);
  return Take(directoryAnswers_, "directory");
}

std::optional<FileDialogResult> ScriptedDialogs::OpenFile(const FileDialogRequest& request) {
  Call call;
  call.Kind = "open";
  call.File = request;
  calls_.push_back(call);
  return Take(openAnswers_, "open-file");
}

std::optional<FileDialogResult> ScriptedDialogs::SaveFile(const FileDialogRequest& request) {
  Call call;
  call.Kind = "save";
  call.File = request;
  calls_.push_back(call);
  return Take(saveAnswers_, "save-file");
}

std::optional<TColor> ScriptedDialogs::SelectColor(TColor) {
  Call call;
  call.Kind = "color";
  calls_.push_back(call);
  return Take(colorAnswers_, "colour");
}

std::vector<std::string> ScriptedDialogs::MessageTexts() const {
  std::vector<std::string> texts;
  for (const Call& call : calls_)
    if (call.Kind == "message") texts.push_back(call.Message.Text);
  return texts;
}

const MessageRequest& ScriptedDialogs::LastMessage() const {
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (it->Kind == "message") return it->Message;
  ADD_FAILURE() << "no message box was shown";
  static MessageRequest none;
  return none;
}

bool ScriptedDialogs::AllAnswersUsed() const {
  return messageAnswers_.empty() && directoryAnswers_.empty() && openAnswers_.empty() &&
         saveAnswers_.empty() && colorAnswers_.empty();
}

}  // namespace verid::test
