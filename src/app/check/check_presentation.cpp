// SPDX-License-Identifier: MIT
#include "app/check/check_presentation.h"

#include <algorithm>
#include <limits>

namespace tavrin {
namespace {

// How a line looks in a message: the first characters, in quotes.
std::string Quoted(std::string_view line) {
  constexpr size_t kShown = 40;
  if (line.size() <= kShown) return "\"" + std::string(line) + "\"";
  size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(line.substr(0, cut)) + "\u2026\"";
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool EndsWithJpg(std::string_view name) {
  return name.size() >= 4 && StartsWithIgnoringAsciiCase(name.substr(name.size() - 4), ".jpg");
}

// The hints for a picture name that does not resolve: the two usual mistakes.
std::string PictureNameHint(const std::string& name) {
  std::string fixed = name;
  std::string hint;
  if (EndsWithJpg(fixed)) {
    fixed.resize(fixed.size() - 4);
    hint = "the player adds \".jpg\" itself";
  }
  if (StartsWithIgnoringAsciiCase(fixed, "img\\") || StartsWithIgnoringAsciiCase(fixed, "img/")) {
    fixed.erase(0, 4);
    hint += std::string(hint.empty() ? "" : ", and ") + "the name is looked up inside img/ already";
  }
  if (hint.empty()) return "";
  return "; " + hint + ": write \">img " + fixed + "\"";
}

}  // namespace

CheckPresentation::CheckPresentation(Diagnostics& diagnostics, CheckSummary& summary,
                                     LineRanges& used_lines, PictureCheck& pictures,
                                     PageFit (&screens)[2])
    : diagnostics_(diagnostics),
      summary_(summary),
      used_lines_(used_lines),
      pictures_(pictures),
      screens_(screens) {
  for (int i = 0; i < 2; ++i) summary_.screen_heights[i] = screens_[i].ScreenHeight();
}

void CheckPresentation::BeginEvent(WatchState& state, const PathCount& count,
                                   std::optional<int> choice, bool opening) {
  state_ = &state;
  count_ = &count;
  choice_ = choice;
  opening_ = opening;
  captions_taken_ = 0;
  last_kind_.reset();
  first_line_reached_ = 0;
  first_text_reached_.clear();
  score_line_ = 0;
  stray_label_line_ = 0;
  restarted_ = false;
  alert_.reset();
  stop_reason_.reset();
  stop_detail_.clear();
}

EventOutcome CheckPresentation::EndEvent() {
  CheckScoreBound();
  // A restart plays the opening again, and whatever stops it there stopped the opening
  // itself, where it was reported; only in the opening does a restart stop the story.
  if (restarted_ && !opening_) return EventOutcome::Restarted;
  if (alert_) {
    ReportStop();
    return EventOutcome::Stopped;
  }
  return player_->ScriptOpen() ? EventOutcome::Continues : EventOutcome::Ended;
}

const std::string* CheckPresentation::Caption(int index) {
  return &*captions_.insert(player_->Choice(index).caption).first;
}

void CheckPresentation::ForgetBefore(uint64_t line) {
  // A page some path is still on ends at a line to come.
  std::erase_if(pages_, [&](const auto& page) { return page.first.second < line; });
}

void CheckPresentation::Report(uint64_t line, Severity severity, std::string message,
                               bool with_trail) {
  Diagnostic diagnostic;
  diagnostic.line = line;
  diagnostic.severity = severity;
  diagnostic.message = std::move(message);
  if (with_trail) {
    diagnostic.after = state_->trail.Captions();
    // A choice that fails is named by the message; the trail is the way to its question.
    if (choice_ && !last_kind_ && !diagnostic.after.empty()) diagnostic.after.pop_back();
  }
  diagnostics_.Add(std::move(diagnostic));
}

// ---- What the reader sees -----------------------------------------------------------------

void CheckPresentation::MessageChanged(const std::string& text, bool) {
  // After a restart the opening plays again: it was checked when the run began.
  if (restarted_) return;
  if (text.empty()) {
    PageCleared();
    return;
  }
  WatchState& page = *state_;
  const uint64_t line = player_->CurrentLineNumber();
  if (page.page_ended || page.page_lines == 0) {
    page.page_first_line = line;
    page.page_lines = 0;
    page.page_covered = false;
  }
  ++page.page_lines;
  page.page_last_line = line;
  page.page_ended = player_->Prompt() == kPagePrompt;
  if (page.page_ended) PageEnded(text);
}

void CheckPresentation::PageEnded(const std::string& text) {
  const WatchState& page = *state_;
  // Other paths come to the same page: it is counted and measured once.
  auto [measured, first_time] = pages_.try_emplace({page.page_first_line, page.page_last_line});
  std::array<PageMeasure, 2>& fit = measured->second;
  if (first_time) {
    ++summary_.pages;
    for (int i = 0; i < 2; ++i) fit[i] = screens_[i].Measure(text);
    if (observer_ != nullptr)
      observer_->PageMeasured(page.page_first_line, page.page_last_line, fit);
  }
  std::string overflow;
  for (int i = 0; i < 2; ++i) {
    summary_.longest_page_rows[i] = std::max(summary_.longest_page_rows[i], fit[i].rows);
    if (fit[i].views <= 1) continue;
    overflow += overflow.empty() ? "its " : "; its ";
    overflow += std::to_string(fit[i].rows) + " rows take " + std::to_string(fit[i].views) +
                " views on a " + std::to_string(screens_[i].ScreenHeight()) + "-pixel screen (" +
                std::to_string(screens_[i].RowsInView()) + " fit)";
  }
  if (!overflow.empty()) {
    Report(page.page_first_line, Severity::Warning,
           "this page does not fit the message window: " + overflow);
  }
}

void CheckPresentation::PageCleared() {
  WatchState& page = *state_;
  if (page.page_lines > 0 && !page.page_ended && !page.page_covered) {
    std::string why = "the next tick clears it";
    if (first_line_reached_ > page.page_last_line) {
      why += ", as line " + std::to_string(first_line_reached_) + " (" +
             Quoted(first_text_reached_) + ") follows it";
    }
    Report(page.page_last_line, Severity::Warning,
           "this page is never waited on: " + why +
               "; a page waits when an empty line, \">end\", \">game\" or \"tugi\" follows its "
               "last line");
  }
  page.page_lines = 0;
  page.page_ended = false;
  page.page_covered = false;
}

void CheckPresentation::ChoiceChanged(int, const std::string&, bool visible) {
  if (visible && !restarted_) state_->page_covered = true;
}

void CheckPresentation::ShowPicture(const std::string& name) {
  if (restarted_ || name.empty()) return;
  const PictureCheck::Result& result = pictures_.Check(name);
  if (result.state == PictureCheck::State::Shows) return;
  const std::string what = result.state == PictureCheck::State::Missing
                               ? "is missing"
                               : "cannot be decoded as a picture";
  Report(player_->CurrentLineNumber(), Severity::Warning,
         "picture \"" + result.file + "\" " + what + ": the picture area stays black" +
             PictureNameHint(name));
}

void CheckPresentation::Alert(const std::string& text) {
  if (!alert_) alert_ = text;
}

// ---- How the script is read ----------------------------------------------------------------

void CheckPresentation::LineReached(uint64_t number, LineKind kind, const std::string& line) {
  if (restarted_) return;
  CheckScoreBound();
  used_lines_.Add(number);
  last_kind_ = kind;
  if (first_line_reached_ == 0) {
    first_line_reached_ = number;
    first_text_reached_ = line;
  }
  switch (kind) {
    case LineKind::Score:
      score_line_ = number;
      break;
    case LineKind::Label:
      if (line != kGoodEnding && line != kBadEnding && !captions_.contains(line)) {
        Report(number, Severity::Warning,
               "no question names this label, so reading skips from here to the next \"\u25CF\": "
               "a line of text must not start with \"\uFF1E\"");
        stray_label_line_ = number;
      }
      break;
    case LineKind::EndingJump:
      (player_->Score() >= kGoodEndingScore ? summary_.good : summary_.bad)
          .Add(player_->Score(), *count_);
      break;
    case LineKind::Restart:
      restarted_ = true;
      break;
    case LineKind::Text:
      if (line.starts_with('>') && !line.starts_with(">game")) {
        const std::string label = std::string(kLabelMark) + line.substr(1);
        if (captions_.contains(label) || captions_.contains(line)) {
          Report(number, Severity::Warning,
                 "this line starts with an ASCII \">\", so it is shown as text and reading runs "
                 "on through it: a label starts with \"\uFF1E\" (write " +
                     Quoted(label) + ")");
        }
      }
      break;
    default:
      break;
  }
}

void CheckPresentation::LineTaken(uint64_t number, Use use, const std::string& line) {
  if (restarted_) return;
  CheckScoreBound();
  used_lines_.Add(number);
  switch (use) {
    case Use::Caption:
      captions_.insert(line);
      if (++captions_taken_ == 2) CheckCaptions(number, line);
      break;
    case Use::BranchEnd:
      if (stray_label_line_ != 0) {
        Report(number, Severity::Note,
               "reading resumes after this \"\u25CF\", skipped to from line " +
                   std::to_string(stray_label_line_));
        stray_label_line_ = 0;
      }
      break;
    case Use::Dropped:
      if (!line.empty()) {
        // Only a branch that reaches the "●" itself drops it: it depends on the path.
        Report(number, Severity::Warning,
               "this line follows a \"\u25CF\" and is dropped unread: leave the line after "
               "\"\u25CF\" empty",
               true);
      }
      break;
    case Use::Label:
      break;
  }
}

void CheckPresentation::ScenarioStopped(const ScenarioStop& stop) {
  if (stop_reason_) return;
  stop_reason_ = stop.Reason();
  stop_detail_ = stop.Detail();
}

void CheckPresentation::CheckCaptions(uint64_t line, const std::string& second) {
  if (second.starts_with(kLabelMark)) return;
  std::string message =
      "the second caption of this question does not start with \"\uFF1E\", so its label is no "
      "label line: after the first branch, reading runs on into the second";
  if (second.starts_with('>')) {
    message += " (write " + Quoted(std::string(kLabelMark) + second.substr(1)) + ")";
  }
  Report(line, Severity::Warning, std::move(message));
}

void CheckPresentation::CheckScoreBound() {
  if (score_line_ == 0) return;
  const int16_t score = player_->Score();
  if (score == std::numeric_limits<int16_t>::max() ||
      score == std::numeric_limits<int16_t>::min()) {
    Report(score_line_, Severity::Warning,
           "the score reaches " + std::to_string(score) + ", the " +
               (score > 0 ? "highest" : "lowest") + " a score holds: points beyond it are lost",
           true);
  }
  score_line_ = 0;
}

void CheckPresentation::ReportStop() {
  // A file that cannot be read on stops the player wherever it is; the reason names the line.
  if (stop_reason_ == StopReason::Unreadable) {
    Report(0, Severity::Error, stop_detail_ + ": the player stops there");
    return;
  }
  const uint64_t line = player_->CurrentLineNumber();
  if (choice_ && !last_kind_) {
    Report(line, Severity::Error,
           "no line after this question is exactly " + Quoted(player_->Choice(*choice_).caption) +
               ": choosing it reads to the end of the file",
           true);
    return;
  }
  std::string message;
  switch (last_kind_.value_or(LineKind::Text)) {
    case LineKind::Question:
      message = "the file ends before this question's two captions and the line after them";
      break;
    case LineKind::Label:
      message =
          "this label line is reached while reading, so it skips to the next line "
          "\"\u25CF\", but none follows";
      break;
    case LineKind::EndingJump: {
      const bool good = player_->Score() >= kGoodEndingScore;
      message = (good ? "with a score of " : "with a score below ") +
                std::to_string(kGoodEndingScore) + (good ? " or more" : "") + " this jumps to " +
                Quoted(EndingLabel(player_->Score())) + ", but no line after it is exactly that";
      break;
    }
    case LineKind::Restart:
      message = "the story restarts here before anything is shown, so it would restart for ever";
      break;
    default:
      message = *alert_;
      break;
  }
  Report(line, Severity::Error, std::move(message), true);
}

}  // namespace tavrin
