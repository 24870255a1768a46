// The `tavrin` window as a process, where no window can open.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "../support/file_bytes.h"
#include "../support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(WindowProcess, WithNoDisplayToOpenOnItSaysSoInOneLineAndExitsWithStatusOne) {
  const tavrin::test_support::TempFolder folder("nodisplay");
  const fs::path err = folder / "err";
  // No display at all, and one named that does not answer.
  for (const std::string display : {"-u DISPLAY", "DISPLAY=:65000"}) {
    const std::string command = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + display + " '" +
                                TAVRIN_PROGRAM + "' </dev/null >/dev/null 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw)) << display << ": ended by a signal";
    EXPECT_EQ(WEXITSTATUS(raw), 1) << display;
    EXPECT_EQ(tavrin::test_support::ReadFileBytes(err),
              "tavrin: no display to open a window on (set DISPLAY, or use --headless)\n")
        << display;
  }
}

}  // namespace
