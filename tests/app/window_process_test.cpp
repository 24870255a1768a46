// SPDX-License-Identifier: MIT
// The `tavrin` window as a process, where no window can open.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(WindowProcess, WithNoDisplayToOpenOnItSaysSoInOneLineAndExitsWithStatusOne) {
  const tavrin::test_support::TempFolder folder("nodisplay");
  const fs::path err = folder / "err";
  // No display at all, and one named that does not answer; in English, and in Japanese.
  const std::string english =
      "tavrin: no display to open a window on: neither Wayland (WAYLAND_DISPLAY) nor X11 "
      "(DISPLAY) could be reached; use --headless to play without a window\n";
  const std::string japanese =
      "tavrin: ウィンドウを開くディスプレイがありません。Wayland（WAYLAND_DISPLAY）にも X11"
      "（DISPLAY）にも接続できませんでした。ウィンドウを使わずに遊ぶには --headless を付けて"
      "起動してください。\n";
  for (const auto& [locale, said] : {std::pair{"LC_ALL=C", english},
                                     {"LANG=en_GB.UTF-8", english},
                                     {"LANG=ja_JP.UTF-8", japanese}}) {
    for (const std::string display : {"-u DISPLAY", "DISPLAY=:65000"}) {
      const std::string command =
          "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES -u LANGUAGE " +
          display + " " + locale + " '" + TAVRIN_PROGRAM + "' </dev/null >/dev/null 2>'" +
          err.string() + "'";
      const int raw = std::system(command.c_str());
      EXPECT_TRUE(WIFEXITED(raw)) << display << ": ended by a signal";
      EXPECT_EQ(WEXITSTATUS(raw), 1) << display;
      EXPECT_EQ(tavrin::test_support::ReadFileBytes(err), said) << locale << ", " << display;
    }
  }
}

}  // namespace
