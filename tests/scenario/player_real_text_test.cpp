// SPDX-License-Identifier: MIT
// Real Japanese prose from others, played as a scenario page by page.
#include "scenario_fixture.h"
#include "support/code_points.h"

namespace tavrin::testing {
namespace {

using test_support::CodePoints;

using PlayerRealText = ScenarioTest;

// Plays the whole scenario with clicks at page ends and ticks otherwise, and returns every
// line as it appeared: the last row of the window after each step.
std::vector<std::string> PlayAndCollect(Player& player) {
  std::vector<std::string> shown;
  auto collect = [&] {
    const std::string& text = player.MessageText();
    if (text.empty()) return;
    std::string row = text.substr(text.rfind("\r\n") + 2);
    if (player.Prompt() == kPagePrompt) row.resize(row.size() - kPagePrompt.size());
    shown.push_back(row);
  };
  collect();
  for (int steps = 0; player.MessageVisible() && steps < 100000; ++steps) {
    DeliverEvent(player, {.kind = player.Prompt() == kPagePrompt ? PlayerEvent::Kind::Click
                                                                 : PlayerEvent::Kind::Tick});
    collect();
  }
  return shown;
}

TEST_F(PlayerRealText, TwoShortStoriesPlayLineForLineWithEveryCharacter) {
  struct Text {
    std::string file;
    std::string first_line;
    size_t text_lines;  // lines that are not empty
    size_t characters;  // of all lines, without line ends
  };
  // Character counts from outside: rashomon as its independent mirror publishes it (7,065
  // with its 68 line feeds), jigokuhen as Python's cp932 codec decodes it.
  for (const Text& t : {Text{"rashomon.txt", "羅生門", 60, 7065 - 68},
                        Text{"jigokuhen_shohan.txt", "地獄變", 188, 29727}}) {
    SCOPED_TRACE(t.file);
    WriteBytes(test_support::ReadFileBytes(std::string(TAVRIN_TESTDATA_DIR) + "/text/" + t.file));
    Start();
    const std::vector<std::string> shown = PlayAndCollect(player_);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), t.first_line);
    EXPECT_EQ(shown.size(), t.text_lines);
    size_t characters = 0;
    for (const std::string& line : shown) {
      characters += CodePoints(line);
      EXPECT_EQ(line.find("\uFFFD"), std::string::npos) << line;
    }
    EXPECT_EQ(characters, t.characters);
    EXPECT_FALSE(player_.ScriptOpen()) << "the end of the file ended the scenario";
    EXPECT_TRUE(presentation_.alerts.empty());
  }
}

}  // namespace
}  // namespace tavrin::testing
