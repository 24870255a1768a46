// The `tavrin` window as a process, where no window can open.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(WindowProcess, WithNoDisplayToOpenOnItSaysSoInOneLineAndExitsWithStatusOne) {
  const fs::path err = fs::temp_directory_path() / ("tavrin-nodisplay-" + std::to_string(::getpid()));
  // No display at all, and one named that does not answer.
  for (const std::string display : {"-u DISPLAY", "DISPLAY=:65000"}) {
    const std::string command = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + display + " '" +
                                TAVRIN_PROGRAM + "' </dev/null >/dev/null 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    std::stringstream text;
    text << std::ifstream(err).rdbuf();
    EXPECT_TRUE(WIFEXITED(raw)) << display << ": ended by a signal";
    EXPECT_EQ(WEXITSTATUS(raw), 1) << display;
    EXPECT_EQ(text.str(),
              "tavrin: no display to open a window on (set DISPLAY, or use --headless)\n")
        << display;
  }
  fs::remove(err);
}

}  // namespace
