// SPDX-License-Identifier: MIT
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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/case_folder.h"
#include "support/file_bytes.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const std::set<std::string> kCaseFiles = {"dat.txt", "game",         "dat.from",
                                          "args",    "expected.txt", "status"};

using tavrin::test_support::CaseFileText;
using tavrin::test_support::ReadFileBytes;

class CheckGolden : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "game"); }

  // The game folder of the case, made ready to check.
  fs::path MakeGame(const fs::path& source) {
    if (fs::exists(source / "game"))
      return fs::path(TAVRIN_SOURCE_DIR) / CaseFileText(source / "game");
    const fs::path game = dir_ / "game";
    tavrin::test_support::MakeCaseGame(source, game, kCaseFiles);
    if (fs::exists(source / "dat.from")) {
      fs::copy_file(fs::path(TAVRIN_TESTDATA_DIR) / CaseFileText(source / "dat.from"),
                    game / "dat.dat");
    }
    return game;
  }

  tavrin::test_support::TempFolder folder_{"check"};
  const fs::path& dir_ = folder_.Path();
};

TEST_P(CheckGolden, WritesWhatTheCaseExpects) {
  const fs::path source = fs::path(TAVRIN_CHECK_CASES) / GetParam();
  const fs::path game = MakeGame(source);
  std::string args =
      fs::exists(source / "args") ? CaseFileText(source / "args") : std::string("--check {game}");
  const size_t at = args.find("{game}");
  if (at != std::string::npos) args.replace(at, 6, "'" + game.string() + "'");

  const tavrin::test_support::ProgramRun run =
      tavrin::test_support::RunProgram(TAVRIN_PROGRAM, args, "/dev/null", dir_);
  ASSERT_NE(run.status, -1) << args;
  const int status = run.status;
  const std::string& out = run.out;

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
      fs::exists(source / "status") ? std::stoi(CaseFileText(source / "status")) : 0;
  EXPECT_EQ(out, ReadFileBytes(source / "expected.txt")) << "standard error:\n" << run.err;
  EXPECT_EQ(status, expected_status) << "standard error:\n" << run.err;
  if (args.find("--graph") != std::string::npos) {
    // The story's graph is for Graphviz, which must draw it without a word of complaint.
    std::ofstream(dir_ / "out", std::ios::binary) << out;
    const std::string draw = "dot -Tsvg <'" + (dir_ / "out").string() + "' >/dev/null 2>'" +
                             (dir_ / "dot").string() + "'";
    EXPECT_EQ(std::system(draw.c_str()), 0) << "is Graphviz installed (scripts/install-deps)?";
    EXPECT_EQ(ReadFileBytes(dir_ / "dot"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckGolden,
                         ::testing::ValuesIn(tavrin::test_support::CaseNames(TAVRIN_CHECK_CASES)),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           return param.param;
                         });

}  // namespace
