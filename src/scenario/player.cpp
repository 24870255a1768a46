// SPDX-License-Identifier: MIT
#include "scenario/player.h"

#include <utility>

namespace tavrin {
namespace {

// Marks a handler as running for as long as it lives.
class HandlerScope {
 public:
  explicit HandlerScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~HandlerScope() { flag_ = false; }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

Player::Player(Presentation& presentation, std::shared_ptr<GameFolder> game)
    : presentation_(presentation), game_(std::move(game)) {}

Player::Player(Presentation& presentation, std::filesystem::path dat_dir)
    : Player(presentation, GameFolder::OnDisk(std::move(dat_dir))) {}

void Player::Form_Activate() {
  if (handling_) return;
  HandlerScope scope(handling_);
  Activate();
}

void Player::Form_Unload() {
  // The window always closes; a file that is not open closes harmlessly.
  script_file_.Close();
}

void Player::Lbl_MouseDown(MouseButton button) {
  if (handling_ || !MessageWindowTakesInput()) return;
  HandlerScope scope(handling_);
  SetPacing(button != MouseButton::Right);
}

void Player::Lbl_Click() {
  if (handling_ || !MessageWindowTakesInput()) return;
  HandlerScope scope(handling_);
  Click();
}

void Player::Click() {
  SetTimerEnabled(true);
  StepScript();
}

void Player::TimSay_Timer() {
  if (handling_ || !state_.tim_say.enabled) return;
  HandlerScope scope(handling_);
  if (state_.prompt == kPagePrompt && state_.pause_at_page_end) return;
  StepScript();
}

void Player::Com_Click(int index) {
  if (handling_ || index < 0 || index > 1 || !state_.com[index].visible) return;
  HandlerScope scope(handling_);
  FollowChoice(index);
}

PlayerState Player::Snapshot() const {
  PlayerState state = state_;
  state.script_open = script_file_.IsOpen();
  state.position = script_file_.Position();
  return state;
}

bool Player::Restore(PlayerState state) {
  bool placed = true;
  if (!state.script_open) {
    script_file_.Close();
  } else {
    if (!script_file_.IsOpen()) {
      script_file_.Open(game_->Find(scenario_file_name_));
    }
    placed = script_file_.Seek(state.position);
    if (!placed) script_file_.Close();
  }
  state_ = std::move(state);
  return placed;
}

bool Player::TickWouldIdle() const {
  return !state_.tim_say.enabled || (state_.prompt == kPagePrompt && state_.pause_at_page_end) ||
         !script_file_.IsOpen();
}

void Player::ShowMessage(const std::string& text, bool visible) {
  state_.message_text = text;
  state_.message_visible = visible;
  presentation_.MessageChanged(state_.message_text, state_.message_visible);
}

void Player::EndMessage() {
  ShowMessage("", false);
  SetTimerEnabled(false);
}

void Player::SetChoice(int index, const std::string& caption, bool visible) {
  // The caption comes before the visibility, so a button never shows stale text.
  state_.com[index].caption = caption;
  state_.com[index].visible = visible;
  presentation_.ChoiceChanged(index, state_.com[index].caption, visible);
}

void Player::HideChoices() {
  for (int i = 0; i < 2; ++i) SetChoice(i, state_.com[i].caption, false);
}

void Player::SetTimerEnabled(bool enabled) {
  if (state_.tim_say.enabled == enabled) return;
  state_.tim_say.enabled = enabled;
  presentation_.TimerChanged(state_.tim_say.enabled, state_.tim_say.interval_ms);
}

void Player::SetTimerInterval(int interval_ms) {
  if (state_.tim_say.interval_ms == interval_ms) return;
  state_.tim_say.interval_ms = interval_ms;
  presentation_.TimerChanged(state_.tim_say.enabled, state_.tim_say.interval_ms);
}

void Player::SetPacing(bool pause_at_page_end) {
  state_.pause_at_page_end = pause_at_page_end;
  SetTimerInterval(pause_at_page_end ? kNormalIntervalMs : kFastIntervalMs);
}

}  // namespace tavrin
