// SPDX-License-Identifier: MIT
// The stepper: one step consumes lines until one of them shows something, waits or ends
// the scenario. Lines that show nothing go round the loop instead of nesting a call, so a
// run of any length costs no stack.
#include "scenario/line_kind.h"
#include "scenario/player.h"
#include "scenario/scenario_stop.h"
#include "scenario/score_number.h"

namespace tavrin {

void Player::StepScript() {
  if (!script_file_.IsOpen()) return;
  try {
    StepOnce();
  } catch (const ScenarioStop& stop) {
    StopScenario(stop);
  }
}

void Player::StepOnce() {
  for (;;) {
    std::string line = std::move(state_.next_line);
    state_.current_line_number = state_.next_line_number;
    std::optional<std::string> read = ReadNextLine();
    state_.next_line_number = read ? script_file_.LineNumber() : 0;
    state_.next_line = read ? std::move(*read) : std::string(kEndMarker);
    const LineKind kind = KindOfLine(line);
    if (trace_ != nullptr && state_.current_line_number != 0) {
      trace_->LineReached(state_.current_line_number, kind, line);
    }
    switch (kind) {
      case LineKind::EndMarker:
        EndScenario();
        return;
      case LineKind::Question:
        ShowQuestion();
        return;
      case LineKind::Label:
        SkipBranch();
        continue;
      case LineKind::BlockEnd:
        TraceTaken(ScriptTrace::Use::Dropped);
        EndBranch();  // the line after the "●" is dropped unread
        continue;
      case LineKind::Score:
        AddScore(line);
        continue;
      case LineKind::EndingJump:
        JumpToEnding();
        continue;
      case LineKind::Restart:
        Restart();
        return;
      case LineKind::Empty:
        ShowMessage("", true);
        state_.line_count = kCountAfterEmptyLine;
        continue;
      case LineKind::Picture:
        presentation_.ShowPicture(PictureName(line));
        continue;
      case LineKind::Text:
        ShowTextLine(line);
        return;
    }
  }
}

std::optional<std::string> Player::ReadNextLine() {
  std::optional<std::string> line = script_file_.ReadLine();
  if (!line && !script_file_.Failure().empty()) {
    throw ScenarioStop(StopReason::Unreadable,
                       scenario_file_name_ + ": " + script_file_.Failure() + ".",
                       script_file_.Failure());
  }
  return line;
}

std::string Player::ReadRequiredLine(const std::string& looking_for) {
  std::optional<std::string> line = ReadNextLine();
  if (!line) {
    throw ScenarioStop(StopReason::FileEnded,
                       scenario_file_name_ + " ended while looking for " + looking_for + ".",
                       looking_for);
  }
  state_.next_line_number = script_file_.LineNumber();
  return std::move(*line);
}

void Player::ConsumeLookAhead() {
  state_.next_line.clear();
  state_.next_line_number = 0;
}

void Player::TraceTaken(ScriptTrace::Use use) {
  if (trace_ != nullptr && state_.next_line_number != 0) {
    trace_->LineTaken(state_.next_line_number, use, state_.next_line);
  }
}

void Player::ShowQuestion() {
  for (int i = 0; i < 2; ++i) {
    SetChoice(i, state_.next_line, true);
    TraceTaken(ScriptTrace::Use::Caption);
    state_.next_line = ReadRequiredLine("the two choices of a question and the line after them");
  }
  SetTimerEnabled(false);
}

void Player::SkipBranch() {
  while (state_.next_line != kBlockEndLine) {
    state_.next_line = ReadRequiredLine("\"\u25CF\" to close a branch");
  }
  TraceTaken(ScriptTrace::Use::BranchEnd);
  EndBranch();
}

void Player::EndBranch() {
  SetPacing(true);
  ConsumeLookAhead();  // the empty line in its place clears the window and starts a page
}

void Player::AddScore(const std::string& line) {
  state_.score = AddToScore(state_.score, ScoreNumber(std::string_view(line).substr(1)));
}

void Player::JumpToEnding() {
  const std::string_view label = EndingLabel(state_.score);
  while (state_.next_line != label) {
    state_.next_line = ReadRequiredLine("the ending \"" + std::string(label) + "\"");
  }
  TraceTaken(ScriptTrace::Use::Label);
  ConsumeLookAhead();
}

void Player::ShowTextLine(const std::string& line) {
  // After a page end the old page is dropped; otherwise the line joins the rows shown.
  std::string text = state_.prompt == kPagePrompt ? std::string() : state_.message_text;
  const bool page_ends = EndsPageBefore(state_.next_line) || state_.line_count >= kPageFullAt;
  if (page_ends) {
    state_.prompt = kPagePrompt;
    if (state_.pause_at_page_end) SetTimerEnabled(false);
    state_.line_count = kCountAfterPageEnd;
  } else {
    state_.prompt.clear();
    ++state_.line_count;
  }
  text.append("\r\n").append(line).append(state_.prompt);
  ShowMessage(text, true);
  // The step ends here, and the next one shows the picture first.
  if (KindOfLine(state_.next_line) == LineKind::Picture) {
    presentation_.PictureAhead(PictureName(state_.next_line));
  }
}

void Player::FollowChoice(int index) {
  if (!script_file_.IsOpen()) return;
  try {
    // The caption lines are already behind the read position; the first equal line wins.
    while (state_.com[index].caption != state_.next_line) {
      state_.next_line = ReadRequiredLine("the choice \"" + state_.com[index].caption + "\"");
    }
  } catch (const ScenarioStop& stop) {
    StopScenario(stop);
    return;
  }
  TraceTaken(ScriptTrace::Use::Label);
  ConsumeLookAhead();
  HideChoices();
  SetTimerEnabled(true);
  StepScript();
}

void Player::StopScenario(const ScenarioStop& stop) {
  if (trace_ != nullptr) trace_->ScenarioStopped(stop);
  EndScenario();
  HideChoices();
  presentation_.Alert(stop.what());
}

}  // namespace tavrin
