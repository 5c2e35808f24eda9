#include "platform/message_service.h"

namespace qg::platform {

Answer CloseAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    case Buttons::YesNo: return Answer::No;
    case Buttons::AbortRetryIgnore: return Answer::Abort;
  }
  return Answer::Cancel;
}

bool HasButton(Buttons buttons, Answer answer) {
  switch (buttons) {
    case Buttons::Ok: return answer == Answer::Ok;
    case Buttons::OkCancel: return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel:
      return answer == Answer::Yes || answer == Answer::No || answer == Answer::Cancel;
    case Buttons::AbortRetryIgnore:
      return answer == Answer::Abort || answer == Answer::Retry || answer == Answer::Ignore;
  }
  return false;
}

Answer ScriptedMessageService::Show(BoxKind kind, const std::string& title,
                                    const std::string& text, Buttons buttons) {
  Answer answer = CloseAnswer(buttons);
  if (!script_.empty()) {
    if (HasButton(buttons, script_.front())) answer = script_.front();
    script_.pop_front();
  }
  shown_.push_back({kind, title, text, buttons, answer});
  return answer;
}

std::vector<std::string> ScriptedMessageService::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(shown_.size());
  for (const auto& s : shown_) texts.push_back(s.text);
  return texts;
}

}  // namespace qg::platform
