// A Dialogs that records every call and answers from a queue. A question with no answer
// queued fails the test (and answers the box's first button).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"

namespace verid::test {

class ScriptedDialogs : public Dialogs {
 public:
  struct Call {
    std::string Kind;  // "message", "directory", "open", "save", "color"
    MessageRequest Message;
    DirectoryRequest Directory;
    FileDialogRequest File;
  };

  // Answers, consumed in order by their kind of dialog.
  void AnswerMessage(MsgButton button) { messageAnswers_.push_back(button); }
  void AnswerDirectory(std::optional<std::string> folder) { directoryAnswers_.push_back(folder); }
  void AnswerOpen(std::optional<FileDialogResult> result) { openAnswers_.push_back(result); }
  void AnswerSave(std::optional<FileDialogResult> result) { saveAnswers_.push_back(result); }
  void AnswerColor(std::optional<TColor> color) { colorAnswers_.push_back(color); }
  // Message boxes with a single OK button are answered OK without a queued answer.
  bool autoOk = true;

  MsgButton Message(const MessageRequest& request) override;
  std::optional<std::string> SelectDirectory(const DirectoryRequest& request) override;
  std::optional<FileDialogResult> OpenFile(const FileDialogRequest& request) override;
  std::optional<FileDialogResult> SaveFile(const FileDialogRequest& request) override;
  std::optional<TColor> SelectColor(TColor initial) override;

  const std::vector<Call>& Calls() const { return calls_; }
  // Texts of every message box shown, in order.
  std::vector<std::string> MessageTexts() const;
  // The last message box (fails the test when there was none).
  const MessageRequest& LastMessage() const;
  void Clear() { calls_.clear(); }
  // True when every queued answer was used.
  bool AllAnswersUsed() const;

 private:
  std::vector<Call> calls_;
  std::deque<MsgButton> messageAnswers_;
  std::deque<std::optional<std::string>> directoryAnswers_;
  std::deque<std::optional<FileDialogResult>> openAnswers_;
  std::deque<std::optional<FileDialogResult>> saveAnswers_;
  std::deque<std::optional<TColor>> colorAnswers_;
};

}  // namespace verid::test
