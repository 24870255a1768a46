// SPDX-License-Identifier: MIT
// --export-web on the command line: the game and the site's folder, and nothing played.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin {
namespace {

TEST(CommandLine, ExportWebTakesTheGameAndTheSiteFolderAlone) {
  struct Case {
    std::vector<const char*> arguments;
    const char* error;  // empty: the export of "game" into "site"
  };
  const std::vector<Case> cases = {
      {{"--export-web", "game", "site"}, ""},
      {{"--verbose", "--export-web", "game", "site"}, ""},
      {{"game", "--export-web", "site"}, ""},
      {{"--export-web", "--", "game", "site"}, ""},
      {{"--export-web", "game"}, "takes the game and the folder"},
      {{"--export-web", "game", "site", "more"}, "takes the game and the folder"},
      {{"--export-web", "--check", "game", "site"}, "goes alone"},
      {{"--export-web", "--lsp"}, "goes alone"},
      {{"--full-screen", "--export-web", "game", "site"}, "goes alone"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>("tavrin")};
    for (const char* argument : c.arguments) argv.push_back(const_cast<char*>(argument));
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string given = testing::PrintToString(c.arguments);
    if (*c.error == '\0') {
      ASSERT_EQ(line.action, CommandLine::Action::ExportWeb) << given << ": " << line.error;
      EXPECT_EQ(line.game_dir.value_or(""), "game") << given;
      EXPECT_EQ(line.web_dir, "site") << given;
    } else {
      EXPECT_EQ(line.action, CommandLine::Action::Refuse) << given;
      EXPECT_NE(line.error.find(c.error), std::string::npos) << given << ": " << line.error;
    }
  }
}

}  // namespace
}  // namespace tavrin
