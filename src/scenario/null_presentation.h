// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "scenario/presentation.h"

namespace tavrin {

/// A presentation that shows nothing, for runs that only drive the engine (benchmarks, fuzz
/// targets). It keeps the text of each message box: the one thing such a run must still
/// learn, since it tells that the scenario did not play as written.
class NullPresentation : public Presentation {
 public:
  void MessageChanged(const std::string&, bool) override {}
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string&) override {}
  void Alert(const std::string& text) override { alerts.push_back(text); }

  std::vector<std::string> alerts;
};

}  // namespace tavrin
