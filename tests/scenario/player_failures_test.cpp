// SPDX-License-Identifier: MIT
// Broken game folders: each ends cleanly with one message, and the program plays on.
#include "scenario_fixture.h"

namespace tavrin::testing {
namespace {

using Stops = std::vector<std::pair<StopReason, std::string>>;

// Keeps each stop the trace is told, as its reason and what it concerns.
class StopLog : public ScriptTrace {
 public:
  void LineReached(uint64_t, LineKind, const std::string&) override {}
  void LineTaken(uint64_t, Use, const std::string&) override {}
  void ScenarioStopped(const ScenarioStop& stop) override {
    stops.emplace_back(stop.Reason(), stop.Detail());
  }
  Stops stops;
};

class PlayerFailures : public ScenarioTest {
 protected:
  PlayerFailures() { player_.SetTrace(&stop_log_); }
  StopLog stop_log_;
};

void ExpectEndedQuietly(const Player& player) {
  EXPECT_FALSE(player.ScriptOpen());
  EXPECT_FALSE(player.MessageVisible());
  EXPECT_EQ(player.MessageText(), "");
  EXPECT_FALSE(player.TimSay().enabled);
  EXPECT_FALSE(player.ChoiceShown());
}

TEST_F(PlayerFailures, AMissingEmptyOrUnreadableScenarioIsReportedAsNotFound) {
  Start();                                              // no dat.dat at all
  std::filesystem::create_directory(dir_ / "dat.dat");  // a folder by that name
  Start();
  std::filesystem::remove(dir_ / "dat.dat");
  WriteBytes("");  // present but empty
  Start();
  EXPECT_EQ(presentation_.alerts, std::vector<std::string>(3, "dat not found"));
  EXPECT_TRUE(stop_log_.stops.empty()) << "a scenario that never opened did not stop";
  EXPECT_FALSE(player_.ScriptOpen());
  EXPECT_TRUE(player_.MessageVisible());
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(player_.ChoiceShown());
  EXPECT_FALSE(player_.TimSay().enabled) << "nothing advances by itself";
  Click();  // with no scenario open a step does nothing
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(presentation_.alerts.size(), 3u);
}

TEST_F(PlayerFailures, TheScenarioFileIsFoundWhateverTheCaseOfItsName) {
  WriteScript({"hello"}, "DAT.DAT");
  Start();
  EXPECT_EQ(Text(), Page({"hello"}, true));
  EXPECT_TRUE(presentation_.alerts.empty());
}

TEST_F(PlayerFailures, AFileThatEndsWhereALineIsNeededEndsTheScenarioWithOneMessage) {
  struct Case {
    std::string name;
    std::vector<std::string> lines;
    std::vector<std::string> events;  // "tick", "click" or "choose N"
    std::string looked_for;           // the rest of the message
  };
  const std::vector<Case> cases = {
      {"question without its captions",
       {"ask", "-qst", "＞only one"},
       {"tick"},
       "the two choices of a question and the line after them"},
      {"label with no closing block",
       {"text", "＞skipped", "never", "closed"},
       {"tick"},
       "\"\u25CF\" to close a branch"},
      {"ending label missing",
       {"+19", "text", "-end", "＞グッド", "good"},
       {"tick"},
       "the ending \"＞バッド\""},
      {"choice label missing",
       {"ask", "-qst", "＞a", "＞b", "＞a", "in a"},
       {"tick", "choose 1"},
       "the choice \"＞b\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    presentation_.alerts.clear();
    stop_log_.stops.clear();
    WriteScript(c.lines);
    Start();
    for (const std::string& event : c.events) {
      if (event == "tick") Tick();
      if (event == "choose 1") player_.Com_Click(1);
    }
    EXPECT_EQ(presentation_.alerts,
              std::vector<std::string>{"dat.dat ended while looking for " + c.looked_for + "."});
    EXPECT_EQ(stop_log_.stops, (Stops{{StopReason::FileEnded, c.looked_for}}));
    ExpectEndedQuietly(player_);
    // Nothing more happens and nothing crashes, whatever the reader does next.
    Click();
    player_.Com_Click(0);
    player_.TimSay_Timer();
    EXPECT_EQ(presentation_.alerts.size(), 1u);
  }
}

TEST_F(PlayerFailures, AFailureInTheFirstStepIsReportedOnceWithWhatWasMissing) {
  WriteScript({"＞no end"});
  Start();
  EXPECT_EQ(
      presentation_.alerts,
      std::vector<std::string>{"dat.dat ended while looking for \"\u25CF\" to close a branch."});
  ExpectEndedQuietly(player_);
}

TEST_F(PlayerFailures, ARestartThatShowsNothingStopsInsteadOfLoopingForever) {
  for (const auto& lines :
       std::vector<std::vector<std::string>>{{">end"}, {"+5", ">img pic", "", ">end", "never"}}) {
    presentation_.alerts.clear();
    stop_log_.stops.clear();
    WriteScript(lines);
    Start();
    EXPECT_EQ(presentation_.alerts,
              std::vector<std::string>{"dat.dat restarts without showing anything."});
    EXPECT_EQ(stop_log_.stops, (Stops{{StopReason::RestartsForever, ""}}));
    ExpectEndedQuietly(player_);
  }
}

TEST_F(PlayerFailures, AFileThatCannotBeReadOnStopsWithWhatTheFileSays) {
  WriteBytes("First.\r\n" + std::string(ScriptFile::kMaxLineBytes + 1, 'a') + "\r\ntugi");
  Start();
  EXPECT_EQ(presentation_.alerts,
            std::vector<std::string>{"dat.dat: line 2 is longer than 16 MiB."});
  EXPECT_EQ(stop_log_.stops, (Stops{{StopReason::Unreadable, "line 2 is longer than 16 MiB"}}));
  ExpectEndedQuietly(player_);
}

TEST_F(PlayerFailures, ARestartAfterTheScenarioVanishedReportsItAndStaysIdle) {
  WriteScript({"only page", ">end"});
  Start();
  std::filesystem::remove(dir_ / "dat.dat");
  Click();
  EXPECT_EQ(presentation_.alerts, std::vector<std::string>{"dat not found"});
  EXPECT_FALSE(player_.ScriptOpen());
  EXPECT_TRUE(player_.TickWouldIdle());
  player_.TimSay_Timer();  // the timer is still on; its ticks find nothing to do
  EXPECT_EQ(Text(), "");
}

TEST_F(PlayerFailures, AScoreThatWouldOverflowStopsAtTheBound) {
  WriteScript({"+30000", "+30000", "a", "+-70000", "b", "+-1", "c", "-end", "＞バッド", "bad"});
  Start();
  EXPECT_EQ(player_.Score(), 32767);
  Tick();
  EXPECT_EQ(player_.Score(), -32768);
  Tick();
  EXPECT_EQ(player_.Score(), -32768);
  Tick();
  EXPECT_EQ(Text(), Page({"bad"}, true)) << "a negative score seeks the bad ending";
  EXPECT_TRUE(presentation_.alerts.empty());
}

TEST_F(PlayerFailures, InvalidBytesBecomeReplacementCharactersAndTheLineIsKept) {
  WriteBytes(
      std::string("ab\x80"
                  "cd\r\n\x82\xA0\xFF\r\n\x81"));
  Start();
  Run();
  EXPECT_EQ(Text(), Page({"ab\uFFFDcd", "\u3042\uFFFD", "\uFFFD"}, true));
}

}  // namespace
}  // namespace tavrin::testing
