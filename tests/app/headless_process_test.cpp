// `tavrin --headless` as a scenario author runs it: a game folder, an event script on
// standard input, JSON lines out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::vector<nlohmann::json> states;
  std::string out;
  std::string err;
};

using tavrin::test_support::ReadFileBytes;

class HeadlessProcess : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "game" / "IMG"); }

  // dat.dat in code page 932 bytes: the text below is ASCII plus "＞" (81 84) and "●" (81 9C).
  void WriteGame() {
    const std::string label = "\x81\x84";
    const std::string block_end = "\x81\x9C";
    const std::vector<std::string> lines = {
        ">img Title", "Hello.",      "",    "Left or right?", "-qst", label + "L",
        label + "R",  label + "L",   "+10", "Went left.",     "",     label + "R",
        "+30",        "Went right.", "",    block_end,        "",     ">img missing",
        "The end.",   "tugi"};
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    folder_.Write("game/dat.dat", bytes);
    fs::copy_file(fs::path(TAVRIN_TESTDATA_DIR) / "jpeg" / "testorig.jpg",
                  dir_ / "game" / "IMG" / "title.JPG");
  }

  ProgramRun Play(const std::string& events, const std::vector<std::string>& arguments,
                  bool states_expected = true) {
    folder_.Write("events", events);
    std::string command = std::string(TAVRIN_PROGRAM);
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " <'" + (dir_ / "events").string() + "' >'" + (dir_ / "out").string() + "' 2>'" +
               (dir_ / "err").string() + "'";
    ProgramRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFileBytes(dir_ / "out");
    run.err = ReadFileBytes(dir_ / "err");
    std::istringstream lines(run.out);
    if (!states_expected) return run;
    for (std::string line; std::getline(lines, line);) {
      run.states.push_back(nlohmann::json::parse(line));  // every line must be JSON
    }
    return run;
  }
  ProgramRun PlayGame(const std::string& events) {
    return Play(events, {"--headless", (dir_ / "game").string()});
  }

  tavrin::test_support::TempFolder folder_{"headless"};
  const fs::path& dir_ = folder_.Path();
};

TEST_F(HeadlessProcess, PlaysAGameThroughAChoiceAndReportsWhatTheReaderSees) {
  WriteGame();
  const ProgramRun run = PlayGame(
      "# comments and empty lines print nothing\n\nclick\nrun\nchoose 1\n"
      "click\nclose\n");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.states.size(), 6u);

  const nlohmann::json& start = run.states[0];
  EXPECT_EQ(start["event"], "start");
  EXPECT_EQ(start["message"]["text"], "\r\nHello.\u25BC");
  EXPECT_EQ(start["prompt"], "\u25BC");
  EXPECT_EQ(start["timer"], (nlohmann::json{{"enabled", false}, {"interval", 100}}));
  // The picture was found whatever the case of its folder and file names, and decoded.
  EXPECT_EQ(start["picture"],
            (nlohmann::json{{"file", "IMG/title.JPG"}, {"width", 227}, {"height", 149}}));
  EXPECT_EQ(start["choices"][0], (nlohmann::json{{"caption", "Command1"}, {"visible", false}}));
  EXPECT_EQ(start["script_open"], true);
  EXPECT_EQ(start["alerts"], nlohmann::json::array());

  EXPECT_EQ(run.states[1]["event"], "click left");
  EXPECT_EQ(run.states[2]["event"], "run");
  EXPECT_EQ(run.states[2]["choices"][1],
            (nlohmann::json{{"caption", "\uFF1ER"}, {"visible", true}}));
  EXPECT_EQ(run.states[3]["message"]["text"], "\r\nWent right.\u25BC");
  EXPECT_EQ(run.states[3]["score"], 30);

  // A picture that does not load turns the area black.
  EXPECT_EQ(run.states[4]["message"]["text"], "\r\nThe end.\u25BC");
  EXPECT_TRUE(run.states[4]["picture"].is_null());

  EXPECT_EQ(run.states[5]["event"], "close");
  EXPECT_EQ(run.states[5]["script_open"], false);
}

TEST_F(HeadlessProcess, TheEndOfTheEventsClosesAndRightClicksRunFast) {
  WriteGame();
  const ProgramRun run = PlayGame("click right\npress left\nticks 2\n");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.states.size(), 5u);
  EXPECT_EQ(run.states[1]["pacing"], "fast");
  EXPECT_EQ(run.states[1]["timer"]["interval"], 1);
  EXPECT_EQ(run.states[2]["pacing"], "normal") << "a press changes the pacing";
  EXPECT_EQ(run.states[2]["message"], run.states[1]["message"]) << "a press alone takes no step";
  EXPECT_EQ(run.states[3]["choices"][0]["visible"], true);
  EXPECT_EQ(run.states[4]["event"], "close");
}

TEST_F(HeadlessProcess, AMissingScenarioIsAnAlertAndTheProgramGoesOn) {
  const ProgramRun run = PlayGame("click\n");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.states.size(), 3u);
  EXPECT_EQ(run.states[0]["alerts"], nlohmann::json::array({"dat not found"}));
  EXPECT_EQ(run.states[0]["message"], (nlohmann::json{{"text", ""}, {"visible", true}}));
  EXPECT_EQ(run.states[0]["script_open"], false);
  EXPECT_EQ(run.states[1]["alerts"], nlohmann::json::array());
}

TEST_F(HeadlessProcess, ALineThatIsNotAnEventStopsWithItsNumberAndStatusTwo) {
  WriteGame();
  for (const std::string bad : {"jump", "ticks 0", "ticks 1000001", "ticks x", "choose 2",
                                "click sideways", "press", "tick 3"}) {
    const ProgramRun run = PlayGame("tick\n\n" + bad + "\nclose\n");
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.states.size(), 2u) << bad;  // start and the first tick only
    EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(bad), std::string::npos) << run.err;
  }
}

TEST_F(HeadlessProcess, TheCommandLineHelpsAndRefuses) {
  ProgramRun run = Play("", {"--help"}, false);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--headless"), std::string::npos);
  run = Play("", {"--version"}, false);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("tavrin ", 0), 0u);
  run = Play("", {"--no-such-option"}, false);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no-such-option"), std::string::npos);
  run = Play("", {"--headless", "one", "two"}, false);
  EXPECT_EQ(run.status, 2);
}

}  // namespace
