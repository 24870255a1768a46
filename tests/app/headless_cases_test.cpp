// SPDX-License-Identifier: MIT
// `tavrin --headless` on the case folders in headless_cases/, one test per folder: the game
// it holds played with its events.txt, and every state line written compared, as JSON, with
// the line of expected.jsonl in its place; then the exit status and standard error. The
// folder's files are described in headless_cases/README.md.
// TAVRIN_UPDATE_GOLDEN=1 writes expected.jsonl, status and stderr.txt from what the program
// does, for the author to read through before keeping them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/case_folder.h"
#include "support/file_bytes.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using tavrin::test_support::CaseFileText;
using tavrin::test_support::ReadFileBytes;

const std::set<std::string> kHeadlessCaseFiles = {"dat.txt", "events.txt", "expected.jsonl",
                                                  "status", "stderr.txt"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// How line `number` of the states differs from the line expected there, one member a line;
// empty when they agree.
std::string Difference(size_t number, const std::optional<std::string>& expected,
                       const std::optional<std::string>& written) {
  const std::string where = "state line " + std::to_string(number) + ": ";
  if (!written) return where + "expected but not written:\n  " + *expected + "\n";
  if (!expected) return where + "written but not expected:\n  " + *written + "\n";
  const json want = json::parse(*expected, nullptr, false);
  const json got = json::parse(*written, nullptr, false);
  if (want.is_discarded()) return where + "expected.jsonl holds no JSON here: " + *expected + "\n";
  if (got.is_discarded()) return where + "the program wrote no JSON: " + *written + "\n";
  if (want == got) return "";
  std::string said = where + "after \"" + got.value("event", std::string("?")) + "\"\n  expected " +
                     *expected + "\n  written  " + *written + "\n";
  for (const json& change : json::diff(want, got)) {
    const std::string path = change["path"];
    const std::string was =
        change["op"] == "add" ? "nothing" : want[json::json_pointer(path)].dump();
    const std::string is = change.contains("value") ? change["value"].dump() : "nothing";
    said += "  " + path + ": expected " + was + ", written " + is + "\n";
  }
  return said;
}

class HeadlessCases : public ::testing::TestWithParam<std::string> {
 protected:
  tavrin::test_support::TempFolder folder_{"headless-case"};
};

TEST_P(HeadlessCases, WritesTheStatesTheCaseExpects) {
  const fs::path source = fs::path(TAVRIN_HEADLESS_CASES) / GetParam();
  const fs::path game = folder_ / "game";
  tavrin::test_support::MakeCaseGame(source, game, kHeadlessCaseFiles);
  const tavrin::test_support::ProgramRun run = tavrin::test_support::RunProgram(
      TAVRIN_PROGRAM, "--headless '" + game.string() + "'", source / "events.txt", folder_.Path());
  ASSERT_NE(run.status, -1);

  if (std::getenv("TAVRIN_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(source / "expected.jsonl", std::ios::binary) << run.out;
    const auto keep = [&source](const std::string& name, bool wanted, const std::string& text) {
      if (wanted) {
        std::ofstream(source / name, std::ios::binary) << text;
      } else {
        fs::remove(source / name);
      }
    };
    keep("status", run.status != 0, std::to_string(run.status) + "\n");
    keep("stderr.txt", !run.err.empty(), run.err);
    return;
  }

  const std::vector<std::string> expected = Lines(ReadFileBytes(source / "expected.jsonl"));
  const std::vector<std::string> written = Lines(run.out);
  std::string differences;
  for (size_t i = 0; i < std::max(expected.size(), written.size()); ++i) {
    differences +=
        Difference(i + 1, i < expected.size() ? std::optional(expected[i]) : std::nullopt,
                   i < written.size() ? std::optional(written[i]) : std::nullopt);
  }
  const std::string said = run.err.empty() ? "" : "standard error:\n" + run.err;
  EXPECT_TRUE(differences.empty()) << differences << said;
  const int expected_status =
      fs::exists(source / "status") ? std::stoi(CaseFileText(source / "status")) : 0;
  EXPECT_EQ(run.status, expected_status) << "the exit status\n" << said;
  EXPECT_EQ(run.err, ReadFileBytes(source / "stderr.txt")) << "standard error";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeadlessCases,
    ::testing::ValuesIn(tavrin::test_support::CaseNames(TAVRIN_HEADLESS_CASES)),
    [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

}  // namespace
