// `tavrin --check` as an author runs it, on the game folders in cases/. Each folder is one
// case:
//   dat.txt       the scenario in UTF-8, saved as dat.dat in code page 932 with CR LF line
//                 ends, as a Windows editor would (or dat.dat itself, taken byte for byte,
//                 for the cases about encodings)
//   game          instead of a scenario: the folder to check, from the repository's root
//   dat.from      instead of a scenario: a file of the test data to check as dat.dat
//   args          the arguments, where {game} stands for the game folder (default:
//                 --check {game}); with --graph, Graphviz must draw what it writes
//   expected.txt  what the check writes to standard output
//   status        its exit status (default: 0)
// and any other file (pictures, bgm.mid) is part of the game folder.
// TAVRIN_UPDATE_GOLDEN=1 writes expected.txt and status from what the program does.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../support/encode_cp932.h"
#include "../support/file_bytes.h"
#include "../support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const std::set<std::string> kCaseFiles = {"dat.txt", "game",         "dat.from",
                                          "args",    "expected.txt", "status"};

using tavrin::test_support::ReadFileBytes;

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(TAVRIN_CHECK_CASES)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class CheckGolden : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "game"); }

  // The game folder of the case, made ready to check.
  fs::path MakeGame(const fs::path& source) {
    if (fs::exists(source / "game"))
      return fs::path(TAVRIN_SOURCE_DIR) / Trimmed(ReadFileBytes(source / "game"));
    const fs::path game = dir_ / "game";
    for (const auto& entry : fs::directory_iterator(source)) {
      if (kCaseFiles.contains(entry.path().filename().string())) continue;
      fs::copy(entry.path(), game / entry.path().filename(), fs::copy_options::recursive);
    }
    if (fs::exists(source / "dat.from")) {
      fs::copy_file(fs::path(TAVRIN_TESTDATA_DIR) / Trimmed(ReadFileBytes(source / "dat.from")),
                    game / "dat.dat");
    }
    if (fs::exists(source / "dat.txt")) {
      std::string utf8 = ReadFileBytes(source / "dat.txt");
      std::string windows;
      for (char c : utf8) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
      const std::optional<std::string> bytes = tavrin::test_support::EncodeCp932(windows);
      EXPECT_TRUE(bytes.has_value()) << "dat.txt holds a character code page 932 lacks";
      std::ofstream(game / "dat.dat", std::ios::binary) << bytes.value_or("");
    }
    return game;
  }

  tavrin::test_support::TempFolder folder_{"check"};
  const fs::path& dir_ = folder_.Path();
};

TEST_P(CheckGolden, WritesWhatTheCaseExpects) {
  const fs::path source = fs::path(TAVRIN_CHECK_CASES) / GetParam();
  const fs::path game = MakeGame(source);
  std::string args = fs::exists(source / "args") ? Trimmed(ReadFileBytes(source / "args"))
                                                 : std::string("--check {game}");
  const size_t at = args.find("{game}");
  if (at != std::string::npos) args.replace(at, 6, "'" + game.string() + "'");

  const std::string command = "timeout 120 '" + std::string(TAVRIN_PROGRAM) + "' " + args + " >'" +
                              (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw)) << command;
  const int status = WEXITSTATUS(raw);
  const std::string out = ReadFileBytes(dir_ / "out");

  if (std::getenv("TAVRIN_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(source / "expected.txt", std::ios::binary) << out;
    if (status != 0) {
      std::ofstream(source / "status") << status << "\n";
    } else {
      fs::remove(source / "status");
    }
    return;
  }
  const int expected_status =
      fs::exists(source / "status") ? std::stoi(ReadFileBytes(source / "status")) : 0;
  EXPECT_EQ(out, ReadFileBytes(source / "expected.txt")) << "standard error:\n"
                                                         << ReadFileBytes(dir_ / "err");
  EXPECT_EQ(status, expected_status) << "standard error:\n" << ReadFileBytes(dir_ / "err");
  if (args.find("--graph") != std::string::npos) {
    // The story's graph is for Graphviz, which must draw it without a word of complaint.
    const std::string draw = "dot -Tsvg <'" + (dir_ / "out").string() + "' >/dev/null 2>'" +
                             (dir_ / "dot").string() + "'";
    EXPECT_EQ(std::system(draw.c_str()), 0) << "is Graphviz installed (scripts/install-deps)?";
    EXPECT_EQ(ReadFileBytes(dir_ / "dot"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckGolden, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           return param.param;
                         });

}  // namespace
