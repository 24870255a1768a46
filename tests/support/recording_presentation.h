// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "scenario/presentation.h"

namespace tavrin::test_support {

/// A presentation that keeps what the engine told it: the last message, choices and timer
/// it was told, and every picture line, picture told ahead and message box in order. A front end
/// renders only what it is told, so what this holds after an event is what a window would show.
class RecordingPresentation : public Presentation {
 public:
  void MessageChanged(const std::string& text, bool visible) override {
    ++calls;
    ++message_changes;
    message_text = text;
    message_visible = visible;
  }
  /// `index` is 0 or 1.
  void ChoiceChanged(int index, const std::string& caption, bool visible) override {
    ++calls;
    choice_told[index] = true;
    choice_caption[index] = caption;
    choice_visible[index] = visible;
  }
  void TimerChanged(bool enabled, int interval_ms) override {
    ++calls;
    timer_told = true;
    timer_enabled = enabled;
    timer_interval = interval_ms;
  }
  void ShowPicture(const std::string& name) override {
    ++calls;
    pictures.push_back(name);
  }
  void PictureAhead(const std::string& name) override {
    ++calls;
    pictures_ahead.push_back(name);
  }
  void Alert(const std::string& text) override {
    ++calls;
    alerts.push_back(text);
  }

  long calls = 0;
  int message_changes = 0;  // the message window was told something when above 0
  std::string message_text;
  bool message_visible = false;
  bool choice_told[2] = {false, false};
  std::string choice_caption[2];
  bool choice_visible[2] = {false, false};
  bool timer_told = false;
  bool timer_enabled = false;
  int timer_interval = 0;
  std::vector<std::string> pictures;
  std::vector<std::string> pictures_ahead;
  std::vector<std::string> alerts;
};

}  // namespace tavrin::test_support
