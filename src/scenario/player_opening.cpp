// SPDX-License-Identifier: MIT
// Starting a run of the scenario and starting it again.
#include "scenario/player.h"
#include "scenario/scenario_stop.h"

namespace tavrin {

void Player::Activate() {
  HideChoices();
  state_.score = 0;
  OpenScenario(std::string(kScenarioName));
}

void Player::OpenScenario(const std::string& name) {
  script_file_.Close();
  SetPacing(true);
  ShowMessage("", true);
  state_.line_count = kCountAfterPageEnd;  // so the first page holds as many lines as later ones
  HideChoices();

  scenario_file_name_ = name + ".dat";
  if (!script_file_.Open(game_->Find(scenario_file_name_))) {
    presentation_.Alert(name + " not found");
    return;
  }
  std::optional<std::string> first = script_file_.ReadLine();
  if (!first) {
    // An empty file counts as missing, and leaves nothing open behind it.
    script_file_.Close();
    presentation_.Alert(name + " not found");
    return;
  }
  state_.next_line = std::move(*first);
  state_.next_line_number = script_file_.LineNumber();

  const bool outer = in_first_step_of_opening_;
  in_first_step_of_opening_ = true;
  Click();
  in_first_step_of_opening_ = outer;
}

void Player::Restart() {
  // Reopening runs the first step inside this one. If that step comes back here before it
  // has shown anything, the scenario would restart forever.
  if (in_first_step_of_opening_) {
    throw ScenarioStop(StopReason::RestartsForever,
                       scenario_file_name_ + " restarts without showing anything.");
  }
  script_file_.Close();
  Activate();
}

void Player::EndScenario() {
  script_file_.Close();
  EndMessage();
}

}  // namespace tavrin
