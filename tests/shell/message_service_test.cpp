#include "platform/message_service.h"

#include <gtest/gtest.h>

namespace qg::platform {
namespace {

TEST(ScriptedMessageServiceTest, AnswersFromTheScriptAndRecords) {
  ScriptedMessageService s;
  s.Script(Answer::No);
  s.Script(Answer::Retry);
  EXPECT_EQ(s.Confirm("q1", Buttons::YesNoCancel), Answer::No);
  EXPECT_EQ(s.Confirm("q2", Buttons::AbortRetryIgnore, "t"), Answer::Retry);
  s.Warning("w");
  ASSERT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.History()[1].title, "t");
  EXPECT_EQ(s.History()[1].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(s.History()[2].kind, BoxKind::Warning);
  EXPECT_EQ(s.Texts(), (std::vector<std::string>{"q1", "q2", "w"}));
}

// Without an answer, or with one the box does not have, a box is answered as if closed: the
// choice that does least.
TEST(ScriptedMessageServiceTest, UnscriptedOrImpossibleAnswersAreTheCloseAnswer) {
  struct Case {
    Buttons buttons;
    Answer closed;
  } cases[] = {{Buttons::Ok, Answer::Ok},
               {Buttons::OkCancel, Answer::Cancel},
               {Buttons::YesNo, Answer::No},
               {Buttons::YesNoCancel, Answer::Cancel},
               {Buttons::AbortRetryIgnore, Answer::Abort}};
  for (const auto& c : cases) {
    ScriptedMessageService s;
    EXPECT_EQ(s.Confirm("x", c.buttons), c.closed);
    s.Script(Answer::Ignore);
    const Answer a = s.Confirm("x", c.buttons);
    EXPECT_EQ(a, c.buttons == Buttons::AbortRetryIgnore ? Answer::Ignore : c.closed);
    EXPECT_EQ(s.Unused(), 0u);
  }
}

}  // namespace
}  // namespace qg::platform
