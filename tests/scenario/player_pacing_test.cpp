// SPDX-License-Identifier: MIT
// Normal and fast pacing, and what the mouse buttons on the message window do to them.
#include "scenario_fixture.h"

namespace tavrin::testing {
namespace {

class PlayerPacing : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WriteScript({"p1 a", "p1 b", "", "p2 a", "p2 b", "", "p3 a", "", "p4 a", "-qst", "＞x", "＞y",
                 "＞x", "in x", "", "＞y", "in y", "", "●", "", "after"});
    Start();
    Tick();
    ASSERT_EQ(Text(), Page({"p1 a", "p1 b"}, true));
  }
};

TEST_F(PlayerPacing, ARightClickRunsThroughPageEndsEachShownForOneTick) {
  Click(MouseButton::Right);
  EXPECT_EQ(Text(), Page({"p2 a"}, false));
  EXPECT_EQ(player_.TimSay().interval_ms, kFastIntervalMs);
  Tick();
  EXPECT_EQ(Text(), Page({"p2 a", "p2 b"}, true));
  EXPECT_TRUE(player_.TimSay().enabled) << "fast pacing does not stop at a page end";
  Tick();
  EXPECT_EQ(Text(), Page({"p3 a"}, true));
}

TEST_F(PlayerPacing, ALeftOrMiddleClickReturnsToNormalPacing) {
  for (MouseButton back : {MouseButton::Left, MouseButton::Middle}) {
    Start();
    Tick();
    Click(MouseButton::Right);
    Click(back);
    EXPECT_TRUE(player_.PauseAtPageEnd());
    EXPECT_EQ(player_.TimSay().interval_ms, kNormalIntervalMs);
    EXPECT_EQ(Text(), Page({"p2 a", "p2 b"}, true));
    EXPECT_FALSE(player_.TimSay().enabled) << "the next page end waits again";
  }
}

TEST_F(PlayerPacing, APressWithoutAClickOnlyChangesThePacing) {
  Click(MouseButton::Right);
  Tick();
  ASSERT_EQ(Text(), Page({"p2 a", "p2 b"}, true));
  player_.Lbl_MouseDown(MouseButton::Left);  // released elsewhere: no click follows
  EXPECT_TRUE(player_.TimSay().enabled);
  Tick();
  Tick();
  EXPECT_EQ(Text(), Page({"p2 a", "p2 b"}, true)) << "ticks wait while the page shows its prompt";
  player_.Lbl_Click();
  EXPECT_EQ(Text(), Page({"p3 a"}, true));
}

TEST_F(PlayerPacing, PressesOnTheWindowAreIgnoredWhileAChoiceCoversIt) {
  Click(MouseButton::Right);
  Run();
  ASSERT_TRUE(player_.ChoiceShown());
  const std::string question = Text();
  player_.Lbl_MouseDown(MouseButton::Left);
  player_.Lbl_Click();
  EXPECT_FALSE(player_.PauseAtPageEnd());
  EXPECT_FALSE(player_.TimSay().enabled);
  EXPECT_EQ(Text(), question);
  player_.Com_Click(0);
  EXPECT_EQ(Text(), Page({"in x"}, true));
  EXPECT_TRUE(player_.TimSay().enabled) << "fast pacing survives the choice";
  Tick();  // the other label skips to the "●" and restores normal pacing
  EXPECT_TRUE(player_.PauseAtPageEnd());
  EXPECT_EQ(Text(), Page({"after"}, true));
}

TEST_F(PlayerPacing, ARestartReturnsToNormalPacingWithTheScoreAtZero) {
  WriteScript({"+7", "a", ">end"});
  Start();
  EXPECT_EQ(player_.Score(), 7);
  Click(MouseButton::Right);
  // The restart ran the first step of the scenario again, within this click.
  EXPECT_EQ(Text(), Page({"a"}, true));
  EXPECT_TRUE(player_.PauseAtPageEnd());
  EXPECT_EQ(player_.TimSay().interval_ms, kNormalIntervalMs);
  EXPECT_EQ(player_.Score(), 7) << "zero at the restart, then its first step adds 7 again";
}

}  // namespace
}  // namespace tavrin::testing
