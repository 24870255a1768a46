// SPDX-License-Identifier: MIT
// `tavrin --warp` as an author runs it, on the cases in warp_cases/. Each folder is one case:
//   game     the name of the scenario in warp_cases/games/: NAME.txt in UTF-8, saved as
//            dat.dat in code page 932 with CR LF line ends, and NAME.pictures, the pictures
//            of img/ that are there (each a real JPEG)
//   warp     the argument of --warp
//   events   the events of scripted play that play there by hand: the state they leave
//            must be the one --warp starts in
//   then     events played on from there, both ways, to the same states (default: none)
//   stderr   what --warp says on standard error
//   status   its exit status (default 0); play writes no state when it is not 0
// `tavrin --check --warp` must say the same on standard output, and exit alike.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_folder.h"
#include "support/encode_cp932.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using tavrin::test_support::ReadFileBytes;

const fs::path kCases = TAVRIN_WARP_CASES;

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class WarpCase : public ::testing::TestWithParam<std::string> {
 protected:
  // The case's game, written as a Windows author saves it.
  fs::path MakeGame(const std::string& name) {
    std::string windows;
    for (char c : ReadFileBytes(kCases / "games" / (name + ".txt"))) {
      windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    folder_.Write("game/dat.dat", tavrin::test_support::EncodeCp932(windows).value());
    std::istringstream pictures(ReadFileBytes(kCases / "games" / (name + ".pictures")));
    for (std::string picture; std::getline(pictures, picture);) {
      fs::create_directories(folder_ / "game" / "img");
      fs::copy_file(fs::path(TAVRIN_TESTDATA_DIR) / "jpeg" / "testorig.jpg",
                    folder_ / "game" / "img" / (picture + ".jpg"));
    }
    return folder_ / "game";
  }

  Outcome Tavrin(const std::vector<std::string>& arguments, const std::string& events) {
    folder_.Write("events", events);
    std::string command = "'" + std::string(TAVRIN_PROGRAM) + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " <'" + (folder_ / "events").string() + "' >'" + (folder_ / "out").string() +
               "' 2>'" + (folder_ / "err").string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(folder_ / "out"),
            ReadFileBytes(folder_ / "err")};
  }

  tavrin::test_support::TempFolder folder_{"warp"};
};

// The state lines, without the event that each names.
std::vector<nlohmann::json> States(const std::string& out) {
  std::vector<nlohmann::json> states;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    nlohmann::json state = nlohmann::json::parse(line);
    state.erase("event");
    states.push_back(std::move(state));
  }
  return states;
}

TEST_P(WarpCase, StartsWherePlayingByHandArrives) {
  const fs::path source = kCases / GetParam();
  const fs::path game = MakeGame(Trimmed(ReadFileBytes(source / "game")));
  const std::string warp = Trimmed(ReadFileBytes(source / "warp"));
  const int expected_status =
      fs::exists(source / "status") ? std::stoi(ReadFileBytes(source / "status")) : 0;
  const std::string expected_err = ReadFileBytes(source / "stderr");

  const std::string then = ReadFileBytes(source / "then");
  const Outcome warped = Tavrin({"--headless", "--warp", warp, game.string()}, then);
  EXPECT_EQ(warped.err, expected_err);
  ASSERT_EQ(warped.status, expected_status) << warped.err;
  if (expected_status != 0) {
    EXPECT_EQ(warped.out, "") << "nothing is played";
  } else {
    const std::string events = ReadFileBytes(source / "events");
    const Outcome by_hand = Tavrin({"--headless", game.string()}, events + then);
    ASSERT_EQ(by_hand.status, 0) << by_hand.err;
    const std::vector<nlohmann::json> hand = States(by_hand.out);
    const std::vector<nlohmann::json> from_warp = States(warped.out);
    // By hand: the start, a state for each event, and the close at the end of them.
    const size_t arrived = static_cast<size_t>(std::count(events.begin(), events.end(), '\n'));
    ASSERT_EQ(hand.size(), arrived + from_warp.size());
    for (size_t i = 0; i < from_warp.size(); ++i) {
      EXPECT_EQ(from_warp[i], hand[arrived + i]) << "state " << i << " after the warp";
    }
  }

  if (expected_err.find("Try 'tavrin --help'") != std::string::npos) return;  // refused alike
  const Outcome told = Tavrin({"--check", "--warp", warp, game.string()}, "");
  EXPECT_EQ(told.status, expected_status);
  EXPECT_EQ(told.out, "dat.dat: " + expected_err.substr(std::string("tavrin: ").size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, WarpCase,
                         ::testing::ValuesIn(tavrin::test_support::CaseNames(kCases, "games")),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           return param.param;
                         });

// A game in an archive starts where the same game unpacked does, its picture read from the
// archive.
TEST_F(WarpCase, StartsInAnArchiveAsInTheGameUnpacked) {
  const fs::path game = MakeGame("branches");
  const std::string zip = (folder_ / "game.zip").string();
  const std::string make =
      "cd '" + game.string() + "' && python3 -m zipfile -c '" + zip + "' dat.dat img >/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const Outcome unpacked = Tavrin({"--headless", "--warp", "30", game.string()}, "");
  const Outcome archived = Tavrin({"--headless", "--warp", "30", zip}, "");
  ASSERT_EQ(archived.status, 0) << archived.err;
  EXPECT_EQ(archived.err, unpacked.err);
  const std::vector<nlohmann::json> start = States(archived.out);
  ASSERT_FALSE(start.empty());
  EXPECT_EQ(start[0], States(unpacked.out)[0]);
  EXPECT_EQ(start[0]["picture"]["file"], "img/left.jpg");
}

}  // namespace
