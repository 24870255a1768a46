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
    StopScenario(stop.what());
  }
}

void Player::StepOnce() {
  for (;;) {
    std::string line = std::move(next_line_);
    current_line_number_ = next_line_number_;
    std::optional<std::string> read = ReadNextLine();
    next_line_number_ = read ? script_file_.LineNumber() : 0;
    next_line_ = read ? std::move(*read) : std::string(kEndMarker);
    const LineKind kind = KindOfLine(line);
    if (trace_ != nullptr && current_line_number_ != 0) {
      trace_->LineReached(current_line_number_, kind, line);
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
        line_count_ = kCountAfterEmptyLine;
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
    throw ScenarioStop(scenario_file_name_ + ": " + script_file_.Failure() + ".");
  }
  return line;
}

std::string Player::ReadRequiredLine(const std::string& looking_for) {
  std::optional<std::string> line = ReadNextLine();
  if (!line) {
    throw ScenarioStop(scenario_file_name_ + " ended while looking for " + looking_for + ".");
  }
  next_line_number_ = script_file_.LineNumber();
  return std::move(*line);
}

void Player::ConsumeLookAhead() {
  next_line_.clear();
  next_line_number_ = 0;
}

void Player::TraceTaken(ScriptTrace::Use use) {
  if (trace_ != nullptr && next_line_number_ != 0) {
    trace_->LineTaken(next_line_number_, use, next_line_);
  }
}

void Player::ShowQuestion() {
  for (int i = 0; i < 2; ++i) {
    SetChoice(i, next_line_, true);
    TraceTaken(ScriptTrace::Use::Caption);
    next_line_ = ReadRequiredLine("the two choices of a question and the line after them");
  }
  SetTimerEnabled(false);
}

void Player::SkipBranch() {
  while (next_line_ != kBlockEndLine) {
    next_line_ = ReadRequiredLine("\"\u25CF\" to close a branch");
  }
  TraceTaken(ScriptTrace::Use::BranchEnd);
  EndBranch();
}

void Player::EndBranch() {
  SetPacing(true);
  ConsumeLookAhead();  // the empty line in its place clears the window and starts a page
}

void Player::AddScore(const std::string& line) {
  score_ = AddToScore(score_, ScoreNumber(std::string_view(line).substr(1)));
}

void Player::JumpToEnding() {
  const std::string_view label = EndingLabel(score_);
  while (next_line_ != label) {
    next_line_ = ReadRequiredLine("the ending \"" + std::string(label) + "\"");
  }
  TraceTaken(ScriptTrace::Use::Label);
  ConsumeLookAhead();
}

void Player::ShowTextLine(const std::string& line) {
  // After a page end the old page is dropped; otherwise the line joins the rows shown.
  std::string text = prompt_ == kPagePrompt ? std::string() : message_text_;
  const bool page_ends = EndsPageBefore(next_line_) || line_count_ >= kPageFullAt;
  if (page_ends) {
    prompt_ = kPagePrompt;
    if (pause_at_page_end_) SetTimerEnabled(false);
    line_count_ = kCountAfterPageEnd;
  } else {
    prompt_.clear();
    ++line_count_;
  }
  text.append("\r\n").append(line).append(prompt_);
  ShowMessage(text, true);
}

void Player::FollowChoice(int index) {
  if (!script_file_.IsOpen()) return;
  try {
    // The caption lines are already behind the read position; the first equal line wins.
    while (com_[index].caption != next_line_) {
      next_line_ = ReadRequiredLine("the choice \"" + com_[index].caption + "\"");
    }
  } catch (const ScenarioStop& stop) {
    StopScenario(stop.what());
    return;
  }
  TraceTaken(ScriptTrace::Use::Label);
  ConsumeLookAhead();
  HideChoices();
  SetTimerEnabled(true);
  StepScript();
}

void Player::StopScenario(const std::string& reason) {
  EndScenario();
  HideChoices();
  presentation_.Alert(reason);
}

}  // namespace tavrin
