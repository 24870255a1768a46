// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scenario/player.h"
#include "scenario/player_event.h"
#include "support/file_bytes.h"
#include "support/recording_presentation.h"
#include "support/script_bytes.h"
#include "support/temp_folder.h"

namespace tavrin::testing {

using test_support::RecordingPresentation;

/// A game folder of its own for each test, and a player on it.
class ScenarioTest : public ::testing::Test {
 protected:
  /// Writes dat.dat from UTF-8 lines, each ended by CR LF but the last.
  void WriteScript(const std::vector<std::string>& lines, const std::string& file = "dat.dat") {
    WriteBytes(test_support::ScriptBytes(lines, /*end_last=*/false), file);
  }
  void WriteBytes(const std::string& bytes, const std::string& file = "dat.dat") {
    folder_.Write(file, bytes);
  }

  /// The window is shown and becomes active: the scenario opens and takes its first step.
  void Start() { player_.Form_Activate(); }
  void Tick() { DeliverEvent(player_, {.kind = PlayerEvent::Kind::Tick}); }
  /// Ticks until a tick would change nothing.
  void Run() { DeliverEvent(player_, {.kind = PlayerEvent::Kind::Run, .count = 100000}); }
  void Click(MouseButton button = MouseButton::Left) {
    DeliverEvent(player_, {.kind = PlayerEvent::Kind::Click, .button = button});
  }
  const std::string& Text() const { return player_.MessageText(); }

  test_support::TempFolder folder_{"scenario"};
  const std::filesystem::path& dir_ = folder_.Path();
  RecordingPresentation presentation_;
  Player player_{presentation_, dir_};
};

inline std::string Page(const std::vector<std::string>& rows, bool prompt) {
  std::string text;
  for (const auto& row : rows) text += "\r\n" + row;
  return prompt ? text + "\u25BC" : text;
}

}  // namespace tavrin::testing
