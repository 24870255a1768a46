#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../support/encode_cp932.h"
#include "scenario/player.h"

namespace tavrin::testing {

/// Remembers what the engine asked of the presentation that it cannot be asked back.
class RecordingPresentation : public Presentation {
 public:
  void MessageChanged(const std::string&, bool) override { ++message_changes; }
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string& name) override { pictures.push_back(name); }
  void Alert(const std::string& text) override { alerts.push_back(text); }

  int message_changes = 0;
  std::vector<std::string> pictures;
  std::vector<std::string> alerts;
};

/// UTF-8 to code page 932, as a scenario author's editor would save it.
inline std::string EncodeCp932(const std::string& utf8) {
  std::optional<std::string> bytes = test_support::EncodeCp932(utf8);
  EXPECT_TRUE(bytes.has_value()) << "not encodable: " << utf8;
  return bytes.value_or("");
}

/// A game folder of its own for each test, and a player on it.
class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  /// Writes dat.dat from UTF-8 lines, each ended by CR LF but the last.
  void WriteScript(const std::vector<std::string>& lines, const std::string& file = "dat.dat") {
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
      bytes += EncodeCp932(lines[i]);
      if (i + 1 < lines.size()) bytes += "\r\n";
    }
    WriteBytes(bytes, file);
  }
  void WriteBytes(const std::string& bytes, const std::string& file = "dat.dat") {
    std::ofstream(dir_ / file, std::ios::binary) << bytes;
  }

  /// The window is shown and becomes active: the scenario opens and takes its first step.
  void Start() { player_.Form_Activate(); }
  void Tick() {
    if (player_.TimSay().enabled) player_.TimSay_Timer();
  }
  /// Ticks until a tick would change nothing.
  void Run() {
    for (int i = 0; i < 100000 && !player_.TickWouldIdle(); ++i) player_.TimSay_Timer();
  }
  void Click(MouseButton button = MouseButton::Left) {
    player_.Lbl_MouseDown(button);
    player_.Lbl_Click();
  }
  const std::string& Text() const { return player_.MessageText(); }

  std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                              ("tavrin-scenario-" + std::to_string(::getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  RecordingPresentation presentation_;
  Player player_{presentation_, dir_};
};

inline std::string Page(const std::vector<std::string>& rows, bool prompt) {
  std::string text;
  for (const auto& row : rows) text += "\r\n" + row;
  return prompt ? text + "\u25BC" : text;
}

}  // namespace tavrin::testing
