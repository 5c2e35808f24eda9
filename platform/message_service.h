#pragma once
// Message, warning and confirmation boxes as the programs ask for them. The programs show them
// with the toolkit's boxes; tests answer from a script and read back what was shown, so that no
// test ever waits on a box.
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace qg::platform {

enum class BoxKind { Message, Warning, Confirmation };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

// The answer given when a box is closed without choosing: the first button of the set for a
// box that has only OK, else the one that does least (Cancel, No, Abort).
Answer CloseAnswer(Buttons buttons);
// Whether `answer` is one of the buttons of `buttons`.
bool HasButton(Buttons buttons, Answer answer);

class MessageService {
 public:
  virtual ~MessageService() = default;
  // `title` empty: the application's title.
  virtual Answer Show(BoxKind kind, const std::string& title, const std::string& text,
                      Buttons buttons) = 0;

  void Message(const std::string& text) { Show(BoxKind::Message, {}, text, Buttons::Ok); }
  void Warning(const std::string& text, const std::string& title = {}) {
    Show(BoxKind::Warning, title, text, Buttons::Ok);
  }
  Answer Confirm(const std::string& text, Buttons buttons, const std::string& title = {}) {
    return Show(BoxKind::Confirmation, title, text, buttons);
  }
};

// Answers from a script, in order, and records every box. A box with no scripted answer left,
// or whose scripted answer is not among its buttons, is answered as if it had been closed.
class ScriptedMessageService final : public MessageService {
 public:
  struct Shown {
    BoxKind kind;
    std::string title;
    std::string text;
    Buttons buttons;
    Answer answer;
  };

  Answer Show(BoxKind kind, const std::string& title, const std::string& text,
              Buttons buttons) override;

  void Script(Answer answer) { script_.push_back(answer); }
  const std::vector<Shown>& History() const { return shown_; }
  std::vector<std::string> Texts() const;
  std::size_t Count() const { return shown_.size(); }
  std::size_t Unused() const { return script_.size(); }
  void Clear() {
    shown_.clear();
    script_.clear();
  }

 private:
  std::deque<Answer> script_;
  std::vector<Shown> shown_;
};

}  // namespace qg::platform
