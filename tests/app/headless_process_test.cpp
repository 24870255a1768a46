// SPDX-License-Identifier: MIT
// `tavrin --headless` and the command line around it, as the real program. What a game and
// its events make the program write is in the case folders of headless_cases/.
#include <gtest/gtest.h>

#include <string>

#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

class HeadlessCommandLine : public ::testing::Test {
 protected:
  tavrin::test_support::ProgramRun Run(const std::string& arguments) {
    return tavrin::test_support::RunProgram(TAVRIN_PROGRAM, arguments, "/dev/null", folder_.Path());
  }

  tavrin::test_support::TempFolder folder_{"headless"};
};

TEST_F(HeadlessCommandLine, HelpsAndRefuses) {
  tavrin::test_support::ProgramRun run = Run("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--headless"), std::string::npos);
  run = Run("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("tavrin ", 0), 0u);
  run = Run("--no-such-option");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no-such-option"), std::string::npos);
  run = Run("--headless one two");
  EXPECT_EQ(run.status, 2);
}

}  // namespace
