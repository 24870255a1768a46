// SPDX-License-Identifier: MIT
// Taking up a run at a moment found beforehand, in place of its opening.
#include "scenario/player.h"
#include "scenario/resume_point.h"

namespace tavrin {

bool Player::Resume(ResumePoint point) {
  if (handling_) return false;
  // The state belongs to the scenario every run opens.
  scenario_file_name_ = std::string(kScenarioName) + ".dat";
  const bool placed = Restore(std::move(point.state));
  if (!placed) {
    EndMessage();
    HideChoices();
    presentation_.Alert(std::string(kScenarioName) + " not found");
    return false;
  }
  for (const std::string& name : point.pictures) presentation_.ShowPicture(name);
  presentation_.MessageChanged(state_.message_text, state_.message_visible);
  for (int i = 0; i < 2; ++i)
    presentation_.ChoiceChanged(i, state_.com[i].caption, state_.com[i].visible);
  presentation_.TimerChanged(state_.tim_say.enabled, state_.tim_say.interval_ms);
  for (const std::string& alert : point.alerts) presentation_.Alert(alert);
  return true;
}

}  // namespace tavrin
