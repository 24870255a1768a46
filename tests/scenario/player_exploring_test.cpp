// SPDX-License-Identifier: MIT
// What a front end that explores a scenario takes from the engine: the line numbers and
// uses of the lines a run reads, and a state that, put back, plays on exactly as before.
#include <sstream>

#include "scenario_fixture.h"

namespace tavrin::testing {
namespace {

// The worked example of a question, a common continuation and both endings.
const std::vector<std::string> kScript = {
    ">img gate",              // 1
    "The gate stands open.",  // 2
    "",                       // 3
    "Which way?",             // 4
    "-qst",                   // 5
    "＞Left",                 // 6
    "＞Right",                // 7
    "＞Left",                 // 8
    "+10",                    // 9
    "Dark.",                  // 10
    "",                       // 11
    "＞Right",                // 12
    "+30",                    // 13
    "Bright.",                // 14
    "",                       // 15
    "●",                      // 16
    "",                       // 17
    "-end",                   // 18
    "＞グッド",               // 19
    "Home.",                  // 20
    "",                       // 21
    "＞バッド",               // 22
    "Lost.",                  // 23
    "",                       // 24
    "●",                      // 25
    "",                       // 26
    ">end",                   // 27
};

// Writes each line the run reads as "R<number>" (reached) or "<use><number>" (taken).
class TraceLog : public ScriptTrace {
 public:
  void LineReached(uint64_t number, LineKind, const std::string&) override {
    log << " R" << number;
  }
  void LineTaken(uint64_t number, Use use, const std::string&) override {
    const char* names[] = {"C", "L", "E", "D"};  // caption, label, branch end, dropped
    log << ' ' << names[static_cast<int>(use)] << number;
  }
  void ScenarioStopped(const ScenarioStop&) override { log << " stopped"; }
  std::ostringstream log;
};

using PlayerExploring = ScenarioTest;

TEST_F(PlayerExploring, TheTraceTellsEveryLineTheRunReadsAndWhatFor) {
  WriteScript(kScript);
  for (int choice : {0, 1}) {
    TraceLog trace;
    player_.SetTrace(&trace);
    Start();
    Run();
    Click();  // to the question
    Run();
    player_.Com_Click(choice);
    for (int i = 0; i < 6; ++i) {
      Click();
      Run();
    }
    const std::string expected =
        choice == 0
            // The left branch runs into the right label, which skips to its "●".
            ? " R1 R2 R3 R4 R5 C6 C7 L8 R9 R10 R11 R12 E16 R17 R18 L22 R23 R24 R25 D26 R27"
              " R1 R2 R3 R4 R5 C6 C7"
            // The right branch reaches the "●" itself, which drops the empty line after it.
            : " R1 R2 R3 R4 R5 C6 C7 L12 R13 R14 R15 R16 D17 R18 L19 R20 R21 R22 E25 R26 R27"
              " R1 R2 R3 R4 R5 C6 C7";
    EXPECT_EQ(trace.log.str(), expected) << "choice " << choice;
    player_.SetTrace(nullptr);
  }
}

// What a reader sees after an event, and where the run stands.
std::string Seen(const Player& player) {
  const PlayerState state = player.Snapshot();
  std::ostringstream seen;
  seen << player.MessageText() << '|' << player.MessageVisible() << '|' << player.Choice(0).caption
       << player.Choice(0).visible << player.Choice(1).caption << player.Choice(1).visible << '|'
       << player.TimSay().enabled << player.TimSay().interval_ms << '|' << player.Score() << '|'
       << player.Prompt() << '|' << player.PauseAtPageEnd() << '|' << player.ScriptOpen() << '|'
       << player.CurrentLineNumber() << '|' << static_cast<int>(state.line_count) << '|'
       << state.next_line << '|' << state.position.offset;
  return seen.str();
}

TEST_F(PlayerExploring, AStatePutBackPlaysOnAsItDidTheFirstTime) {
  // The example with a long page in the right branch, so that the count of lines matters.
  std::vector<std::string> script = kScript;
  script.insert(script.begin() + 14, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"});
  WriteScript(script);
  // A reader who ticks and clicks, runs fast for a while, and picks the right branch.
  std::vector<std::string> events;
  for (int i = 0; i < 40; ++i)
    events.push_back(i == 9 ? "right" : i == 30 ? "left" : i % 3 == 2 ? "click" : "tick");
  auto deliver = [&](const std::string& event) {
    if (player_.ChoiceShown()) {
      player_.Com_Click(1);
    } else if (event == "tick") {
      Tick();
    } else {
      Click(event == "right" ? MouseButton::Right : MouseButton::Left);
    }
  };
  Start();
  std::vector<PlayerState> states;
  std::vector<std::string> seen;
  for (const std::string& event : events) {
    states.push_back(player_.Snapshot());
    deliver(event);
    seen.push_back(Seen(player_));
  }
  // From every state, put back over every other one, the same events show the same.
  for (size_t from = 0; from < events.size(); ++from) {
    for (size_t over = 0; over < events.size(); ++over) {
      ASSERT_TRUE(player_.Restore(states[over]));
      ASSERT_TRUE(player_.Restore(states[from]));
      for (size_t i = from; i < events.size(); ++i) {
        deliver(events[i]);
        ASSERT_EQ(Seen(player_), seen[i])
            << "from event " << from << " put back over event " << over << ", at event " << i;
      }
    }
  }
}

}  // namespace
}  // namespace tavrin::testing
