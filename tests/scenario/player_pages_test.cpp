// SPDX-License-Identifier: MIT
// How text lines gather into pages, and where a page ends and waits.
#include "scenario_fixture.h"

namespace tavrin::testing {
namespace {

using PlayerPages = ScenarioTest;

std::vector<std::string> Numbered(const std::string& prefix, int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(prefix + std::to_string(i));
  return lines;
}

TEST_F(PlayerPages, LinesFollowOneATickAndThePageEndsBeforeAnEmptyLine) {
  WriteScript({"一行目です。", "二行目です。", "", "次のページ。"});
  Start();
  EXPECT_EQ(Text(), Page({"一行目です。"}, false));
  EXPECT_EQ(player_.TimSay().interval_ms, kNormalIntervalMs);
  Tick();
  EXPECT_EQ(Text(), Page({"一行目です。", "二行目です。"}, true));
  EXPECT_EQ(player_.Prompt(), "\u25BC");
  EXPECT_TRUE(player_.TickWouldIdle());
  Tick();  // the timer is off; even a stray tick changes nothing while "▼" waits
  player_.TimSay_Timer();
  EXPECT_EQ(Text(), Page({"一行目です。", "二行目です。"}, true));
  Click();
  EXPECT_EQ(Text(), Page({"次のページ。"}, true));  // the end of the file ends the page
}

TEST_F(PlayerPages, WhichNextLinesEndAPage) {
  struct Case {
    std::string next;
    bool ends_page;
  };
  const std::vector<Case> cases = {
      {">game over", true}, {">end", true},     {"tugi", true},   {"", true},
      {"-qst", false},      {"＞label", false}, {"●", false},     {"+1", false},
      {">img pic", false},  {"   ", false},     {">GAME", false}, {"more text", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("next line: \"" + c.next + "\"");
    WriteScript({"line", c.next, "x", "y", "●", "", "z"});
    Start();
    EXPECT_EQ(player_.Prompt() == "\u25BC", c.ends_page);
    EXPECT_EQ(player_.TimSay().enabled, !c.ends_page);
  }
}

TEST_F(PlayerPages, AFullPageHoldsTenLinesAfterAPromptAndElevenAfterAnEmptyLine) {
  std::vector<std::string> lines = Numbered("a", 10);
  lines.push_back("b1");  // joins the next page: the first page is full at ten
  lines.push_back("");
  for (const auto& line : Numbered("c", 12)) lines.push_back(line);
  WriteScript(lines);
  Start();
  Run();
  EXPECT_EQ(Text(), Page(Numbered("a", 10), true));
  Click();
  EXPECT_EQ(Text(), Page({"b1"}, true));
  Click();
  Run();
  EXPECT_EQ(Text(), Page(Numbered("c", 11), true));
  Click();
  EXPECT_EQ(Text(), Page({"c12"}, true));
}

TEST_F(PlayerPages, LinesThatShowNothingJoinThePageOrLetItGoOnATick) {
  WriteScript({"+1", ">img one", "first", ">img two", "+2", "second", "+3", "", "third", "＞skip",
               "hidden", "●", "dropped", "after the branch"});
  Start();
  // The first step goes on past the score and picture lines to the first text line.
  EXPECT_EQ(Text(), Page({"first"}, false));
  EXPECT_EQ(player_.Score(), 1);
  Tick();
  EXPECT_EQ(Text(), Page({"first", "second"}, false));  // "+3" leads to an empty line: no wait
  EXPECT_EQ(presentation_.pictures, (std::vector<std::string>{"one", "two"}));
  Tick();
  EXPECT_EQ(Text(), Page({"third"}, false));
  EXPECT_EQ(player_.Score(), 6);
  Tick();  // the label skips to "●"; the line after it is read normally
  EXPECT_EQ(Text(), Page({"dropped"}, false));
  Tick();
  EXPECT_EQ(Text(), Page({"dropped", "after the branch"}, true));
}

TEST_F(PlayerPages, APictureIsToldAheadOnlyWhenTheNextStepStartsWithIt) {
  WriteScript({"first", ">img a", ">img b", "second", "", ">img c", "third", "-qst", "＞x", "＞y",
               ">img d", "＞y", "chosen", ">img e"});
  using Names = std::vector<std::string>;
  Start();
  EXPECT_EQ(presentation_.pictures_ahead, Names{"a"});
  EXPECT_TRUE(presentation_.pictures.empty()) << "told before the picture line is reached";
  // "b" follows a picture, "c" an empty line, in the step that shows them.
  Tick();
  Click();
  EXPECT_EQ(presentation_.pictures, (Names{"a", "b", "c"}));
  // "d" follows the question's captions, and the choice reads past it.
  Tick();
  player_.Com_Click(1);
  EXPECT_EQ(Text(), Page({"chosen"}, false));
  EXPECT_EQ(presentation_.pictures_ahead, (Names{"a", "e"}));
  EXPECT_EQ(presentation_.pictures, (Names{"a", "b", "c"}));
}

TEST_F(PlayerPages, ABlockEndReachedInTheFlowDropsTheLineAfterIt) {
  WriteScript({"before", "●", "never shown", "shown"});
  Start();
  Tick();
  EXPECT_EQ(Text(), Page({"shown"}, true));
}

TEST_F(PlayerPages, GameLinesBlankLinesAndUpperCaseDirectivesAreText) {
  WriteScript({"line", "   ", "-QST", ">IMG x", ">game"});
  Start();
  Run();
  // ">game" is shown like text; its only other effect is to end the page before it.
  EXPECT_EQ(Text(), Page({"line", "   ", "-QST", ">IMG x"}, true));
  Click();
  EXPECT_EQ(Text(), Page({">game"}, true));
  EXPECT_TRUE(presentation_.pictures.empty());
}

TEST_F(PlayerPages, AMillionLinesThatShowNothingAreOneStep) {
  std::string bytes;
  for (int i = 0; i < 1000000; ++i)
    bytes += (i % 3 == 0) ? "+0\r\n" : (i % 3 == 1) ? "\r\n" : ">img x\r\n";
  bytes += "at last";
  WriteBytes(bytes);
  presentation_.pictures.reserve(340000);
  Start();
  EXPECT_EQ(Text(), Page({"at last"}, true));
  EXPECT_EQ(presentation_.pictures.size(), 333333u);
}

TEST_F(PlayerPages, TheEndOfTheScriptHidesTheWindowAndKeepsThePicture) {
  WriteScript({">img last", "goodbye", "tugi", "never read"});
  Start();
  EXPECT_EQ(Text(), Page({"goodbye"}, true));
  Click();
  EXPECT_FALSE(player_.MessageVisible());
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(player_.ScriptOpen());
  EXPECT_FALSE(player_.TimSay().enabled);
  EXPECT_FALSE(player_.MessageWindowTakesInput());
  Click();  // a hidden window takes no clicks
  EXPECT_FALSE(player_.TimSay().enabled);
  EXPECT_EQ(presentation_.pictures, std::vector<std::string>{"last"});
}

TEST_F(PlayerPages, LineEndsOfAnyKindAndAMissingFinalLineEndPlayAlike) {
  const std::vector<std::string> files = {"one\r\ntwo\r\n\r\nthree", "one\r\ntwo\r\n\r\nthree\r\n",
                                          "one\ntwo\n\nthree\n", "one\rtwo\r\rthree"};
  for (const std::string& bytes : files) {
    WriteBytes(bytes);
    Start();
    Run();
    EXPECT_EQ(Text(), Page({"one", "two"}, true));
    Click();
    EXPECT_EQ(Text(), Page({"three"}, true));
    Click();
    EXPECT_FALSE(player_.MessageVisible()) << "the end of the file ends the scenario";
  }
}

TEST_F(PlayerPages, AFinalEmptyLineClearsThePageBeforeTheEnd) {
  WriteBytes("last words\r\n\r\n");
  Start();
  EXPECT_EQ(Text(), Page({"last words"}, true));
  Click();  // the empty line clears the window, then the end of the file ends the scenario
  EXPECT_FALSE(player_.MessageVisible());
  EXPECT_EQ(presentation_.message_changes, 1 + 1 + 1 + 1);  // open, line, empty, end
}

}  // namespace
}  // namespace tavrin::testing
