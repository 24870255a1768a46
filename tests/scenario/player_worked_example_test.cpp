// SPDX-License-Identifier: MIT
// A whole little scenario, shaped like the ones authors write: a picture, a page, a
// question whose branches score differently, a common continuation, the ending the score
// picks, and a restart. Played down both branches.
#include "scenario_fixture.h"

namespace tavrin::testing {
namespace {

const std::vector<std::string> kLighthouse = {
    ">img harbour",
    "The ferry leaves at dusk.",
    "A lantern swings at the pier.",
    "",
    "Where will you spend the night?",
    "-qst",
    "＞The inn",
    "＞The lighthouse",
    "＞The inn",
    "+5",
    "The inn is warm and loud.",
    "",
    "＞The lighthouse",
    "+25",
    "The keeper lets you watch the sea.",
    "",
    "●",
    "",
    "Morning comes over the water.",
    "",
    "-end",
    "＞グッド",
    "You sail home rested.",
    "",
    "＞バッド",
    "You miss the morning boat.",
    "",
    "●",
    "",
    ">end",
};

class WorkedExample : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WriteScript(kLighthouse);
    Start();
  }

  // The part both branches share up to the question.
  void PlayToQuestion() {
    EXPECT_EQ(presentation_.pictures, std::vector<std::string>{"harbour"});
    EXPECT_EQ(Text(), Page({"The ferry leaves at dusk."}, false));
    EXPECT_TRUE(player_.TimSay().enabled);
    Tick();
    EXPECT_EQ(Text(), Page({"The ferry leaves at dusk.", "A lantern swings at the pier."}, true));
    EXPECT_FALSE(player_.TimSay().enabled);
    Click();
    EXPECT_EQ(Text(), Page({"Where will you spend the night?"}, false));
    EXPECT_FALSE(player_.ChoiceShown());
    Tick();
    ASSERT_TRUE(player_.ChoiceShown());
    EXPECT_EQ(player_.Choice(0).caption, "＞The inn");
    EXPECT_EQ(player_.Choice(1).caption, "＞The lighthouse");
    EXPECT_TRUE(player_.Choice(1).visible);
    EXPECT_FALSE(player_.TimSay().enabled);
    EXPECT_EQ(Text(), Page({"Where will you spend the night?"}, false));  // the question stays
  }

  // From the shared morning page on, through the ending and the restart.
  void PlayToRestart(const std::string& ending) {
    EXPECT_EQ(Text(), Page({"Morning comes over the water."}, true));
    Click();
    EXPECT_EQ(Text(), Page({ending}, true));
    Click();
    // The restart reopened the scenario: the first page again, the score back at zero, and
    // the picture line shown once more.
    EXPECT_EQ(Text(), Page({"The ferry leaves at dusk."}, false));
    EXPECT_EQ(player_.Score(), 0);
    EXPECT_TRUE(player_.ScriptOpen());
    EXPECT_FALSE(player_.ChoiceShown());
    EXPECT_EQ(presentation_.pictures.size(), 2u);
    EXPECT_TRUE(presentation_.alerts.empty());
  }
};

TEST_F(WorkedExample, FirstChoiceScoresLowAndEndsBadly) {
  PlayToQuestion();
  player_.Com_Click(0);
  EXPECT_FALSE(player_.ChoiceShown());
  EXPECT_EQ(Text(), Page({"The inn is warm and loud."}, true));
  EXPECT_EQ(player_.Score(), 5);
  // The flow runs into the other branch's label, which skips to the "●".
  Click();
  PlayToRestart("You miss the morning boat.");
}

TEST_F(WorkedExample, SecondChoiceScoresHighAndEndsWell) {
  PlayToQuestion();
  player_.Com_Click(1);
  EXPECT_EQ(Text(), Page({"The keeper lets you watch the sea."}, true));
  EXPECT_EQ(player_.Score(), 25);  // the first branch's "+5" was passed over unseen
  // The "●" itself is reached and drops the empty line after it.
  Click();
  PlayToRestart("You sail home rested.");
}

TEST_F(WorkedExample, FastPacingRunsThroughPagesUntilTheQuestion) {
  Click(MouseButton::Right);
  EXPECT_FALSE(player_.PauseAtPageEnd());
  EXPECT_EQ(player_.TimSay().interval_ms, kFastIntervalMs);
  Run();  // page ends pass without stopping, up to the question
  ASSERT_TRUE(player_.ChoiceShown());
  player_.Com_Click(1);
  EXPECT_FALSE(player_.PauseAtPageEnd()) << "a choice keeps the pacing chosen before it";
  Tick();  // the "●" restores normal pacing
  EXPECT_TRUE(player_.PauseAtPageEnd());
  EXPECT_EQ(player_.TimSay().interval_ms, kNormalIntervalMs);
  EXPECT_EQ(Text(), Page({"Morning comes over the water."}, true));
}

}  // namespace
}  // namespace tavrin::testing
