// SPDX-License-Identifier: MIT
// The lines of an event script: each event with the name its state line reports, and the
// lines that are not events, which stop the run.
#include "app/headless_event.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using tavrin::MouseButton;
using tavrin::PlayerEvent;

TEST(HeadlessEvent, ReadsEachEventWithTheNameItIsReportedBy) {
  struct Case {
    std::string line;
    PlayerEvent::Kind kind;
    long count;
    MouseButton button;
    int choice;
    std::string name;
  };
  using Kind = PlayerEvent::Kind;
  const Case cases[] = {
      {"tick", Kind::Tick, 1, MouseButton::Left, 0, "tick"},
      {"ticks 1", Kind::Tick, 1, MouseButton::Left, 0, "ticks 1"},
      {"ticks 1000000", Kind::Tick, 1000000, MouseButton::Left, 0, "ticks 1000000"},
      {"run", Kind::Run, 1000000, MouseButton::Left, 0, "run"},
      {"click", Kind::Click, 1, MouseButton::Left, 0, "click left"},
      {"click right", Kind::Click, 1, MouseButton::Right, 0, "click right"},
      {"click middle", Kind::Click, 1, MouseButton::Middle, 0, "click middle"},
      {"press left", Kind::Press, 1, MouseButton::Left, 0, "press left"},
      {"press right", Kind::Press, 1, MouseButton::Right, 0, "press right"},
      {"choose 0", Kind::Choose, 1, MouseButton::Left, 0, "choose 0"},
      {"choose 1", Kind::Choose, 1, MouseButton::Left, 1, "choose 1"},
      {"close", Kind::Close, 1, MouseButton::Left, 0, "close"},
  };
  for (const Case& c : cases) {
    const std::optional<tavrin::HeadlessEvent> parsed = tavrin::ParseHeadlessEvent(c.line);
    ASSERT_TRUE(parsed.has_value()) << c.line;
    EXPECT_EQ(parsed->event.kind, c.kind) << c.line;
    EXPECT_EQ(parsed->event.count, c.count) << c.line;
    EXPECT_EQ(parsed->event.button, c.button) << c.line;
    EXPECT_EQ(parsed->event.choice, c.choice) << c.line;
    EXPECT_EQ(parsed->name, c.name) << c.line;
  }
}

TEST(HeadlessEvent, RefusesWhatIsNotAnEvent) {
  for (const std::string line :
       {"jump", "ticks 0", "ticks 1000001", "ticks -1", "ticks x", "ticks 2x", "ticks", "tick 3",
        "run 5", "choose 2", "choose", "click sideways", "click left left", "press", "close now",
        " tick", "tick ", "Tick"}) {
    EXPECT_FALSE(tavrin::ParseHeadlessEvent(line).has_value()) << '"' << line << '"';
  }
}

TEST(HeadlessEvent, SkipsOnlyEmptyLinesAndComments) {
  EXPECT_TRUE(tavrin::IsSkippedEventLine(""));
  EXPECT_TRUE(tavrin::IsSkippedEventLine("#"));
  EXPECT_TRUE(tavrin::IsSkippedEventLine("# tick"));
  EXPECT_FALSE(tavrin::IsSkippedEventLine(" "));
  EXPECT_FALSE(tavrin::IsSkippedEventLine(" # tick"));
}

}  // namespace
