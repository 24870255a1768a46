// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>

#include "app/check/check_observer.h"
#include "app/check/check_summary.h"
#include "app/check/diagnostics.h"
#include "app/check/exploration_watch.h"
#include "app/check/line_ranges.h"
#include "app/check/page_fit.h"
#include "app/check/picture_check.h"
#include "scenario/player.h"
#include "scenario/presentation.h"
#include "scenario/script_trace.h"

namespace tavrin {

/// The checker's presentation: it shows nothing and turns what the engine does, event by
/// event, into findings. The explorer tells it which state each event starts from.
class CheckPresentation : public Presentation, public ScriptTrace, public ExplorationWatch {
 public:
  CheckPresentation(Diagnostics& diagnostics, CheckSummary& summary, LineRanges& used_lines,
                    PictureCheck& pictures, PageFit (&screens)[2]);

  void Attach(const Player& player) { player_ = &player; }
  /// Tells `observer` (none: nullptr) each page measured.
  void Observe(CheckObserver* observer) { observer_ = observer; }

  // ExplorationWatch.
  void BeginEvent(WatchState& state, const PathCount& count, std::optional<int> choice,
                  bool opening) override;
  EventOutcome EndEvent() override;
  const std::string* Caption(int index) override;
  void ForgetBefore(uint64_t line) override;

  // Presentation.
  void MessageChanged(const std::string& text, bool visible) override;
  void ChoiceChanged(int index, const std::string& caption, bool visible) override;
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string& name) override;
  void Alert(const std::string& text) override;

  // ScriptTrace.
  void LineReached(uint64_t number, LineKind kind, const std::string& line) override;
  void LineTaken(uint64_t number, Use use, const std::string& line) override;
  void ScenarioStopped(const ScenarioStop& stop) override;

 private:
  void Report(uint64_t line, Severity severity, std::string message, bool with_trail = false);
  void PageEnded(const std::string& text);
  void PageCleared();
  void CheckCaptions(uint64_t line, const std::string& second);
  void CheckScoreBound();
  void ReportStop();

  Diagnostics& diagnostics_;
  CheckSummary& summary_;
  LineRanges& used_lines_;
  PictureCheck& pictures_;
  PageFit (&screens_)[2];
  const Player* player_ = nullptr;
  CheckObserver* observer_ = nullptr;

  // Kept across events.
  std::unordered_set<std::string> captions_;  // of every question met
  // The pages that wait for the reader, by their first and last line, as each screen sets them.
  std::map<std::pair<uint64_t, uint64_t>, std::array<PageMeasure, 2>> pages_;

  // The event under way.
  WatchState* state_ = nullptr;
  const PathCount* count_ = nullptr;
  std::optional<int> choice_;
  bool opening_ = false;
  int captions_taken_ = 0;
  std::optional<LineKind> last_kind_;
  uint64_t first_line_reached_ = 0;
  std::string first_text_reached_;
  uint64_t score_line_ = 0;  // a score line whose sum is still to be seen
  uint64_t stray_label_line_ = 0;
  bool restarted_ = false;
  std::optional<std::string> alert_;
  std::optional<StopReason> stop_reason_;
  std::string stop_detail_;
};

}  // namespace tavrin
