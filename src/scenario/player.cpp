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
  if (handling_ || !tim_say_.enabled) return;
  HandlerScope scope(handling_);
  if (prompt_ == kPagePrompt && pause_at_page_end_) return;
  StepScript();
}

void Player::Com_Click(int index) {
  if (handling_ || index < 0 || index > 1 || !com_[index].visible) return;
  HandlerScope scope(handling_);
  FollowChoice(index);
}

PlayerState Player::Snapshot() const {
  PlayerState state;
  state.script_open = script_file_.IsOpen();
  state.position = script_file_.Position();
  state.next_line = next_line_;
  state.next_line_number = next_line_number_;
  state.current_line_number = current_line_number_;
  state.line_count = line_count_;
  state.prompt = prompt_;
  state.pause_at_page_end = pause_at_page_end_;
  state.score = score_;
  state.message_text = message_text_;
  state.message_visible = message_visible_;
  state.com[0] = com_[0];
  state.com[1] = com_[1];
  state.tim_say = tim_say_;
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
  next_line_ = std::move(state.next_line);
  next_line_number_ = state.next_line_number;
  current_line_number_ = state.current_line_number;
  line_count_ = state.line_count;
  prompt_ = std::move(state.prompt);
  pause_at_page_end_ = state.pause_at_page_end;
  score_ = state.score;
  message_text_ = std::move(state.message_text);
  message_visible_ = state.message_visible;
  com_[0] = std::move(state.com[0]);
  com_[1] = std::move(state.com[1]);
  tim_say_ = state.tim_say;
  return placed;
}

bool Player::TickWouldIdle() const {
  return !tim_say_.enabled || (prompt_ == kPagePrompt && pause_at_page_end_) ||
         !script_file_.IsOpen();
}

void Player::ShowMessage(const std::string& text, bool visible) {
  message_text_ = text;
  message_visible_ = visible;
  presentation_.MessageChanged(message_text_, message_visible_);
}

void Player::EndMessage() {
  ShowMessage("", false);
  SetTimerEnabled(false);
}

void Player::SetChoice(int index, const std::string& caption, bool visible) {
  // The caption comes before the visibility, so a button never shows stale text.
  com_[index].caption = caption;
  com_[index].visible = visible;
  presentation_.ChoiceChanged(index, com_[index].caption, visible);
}

void Player::HideChoices() {
  for (int i = 0; i < 2; ++i) SetChoice(i, com_[i].caption, false);
}

void Player::SetTimerEnabled(bool enabled) {
  if (tim_say_.enabled == enabled) return;
  tim_say_.enabled = enabled;
  presentation_.TimerChanged(tim_say_.enabled, tim_say_.interval_ms);
}

void Player::SetTimerInterval(int interval_ms) {
  if (tim_say_.interval_ms == interval_ms) return;
  tim_say_.interval_ms = interval_ms;
  presentation_.TimerChanged(tim_say_.enabled, tim_say_.interval_ms);
}

void Player::SetPacing(bool pause_at_page_end) {
  pause_at_page_end_ = pause_at_page_end;
  SetTimerInterval(pause_at_page_end ? kNormalIntervalMs : kFastIntervalMs);
}

}  // namespace tavrin
