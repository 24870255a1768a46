// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

#include "app/check/exploration_watch.h"
#include "app/check/line_ranges.h"
#include "app/warp/warp_target.h"
#include "scenario/player.h"
#include "scenario/presentation.h"
#include "scenario/script_trace.h"

namespace tavrin {

/// The explorer's watch while it looks for where to start play: it shows nothing, and
/// notes which events meet the target, keeping the route of the best of them (the fewest
/// choices first, then the better use of the line), and which lines some path reaches.
class WarpWatch : public ExplorationWatch, public Presentation, public ScriptTrace {
 public:
  explicit WarpWatch(WarpTarget target) : target_(std::move(target)) {}

  void Attach(const Player& player) { player_ = &player; }

  /// The event that met the target best so far: the route to the state it started from
  /// (with its own choice, for a choice), and the line it met.
  struct Hit {
    Route route;
    uint64_t line = 0;
    int rank = 0;
  };
  const std::optional<Hit>& Best() const { return best_; }
  /// The lines some path reaches or takes (a dropped line is neither).
  const LineRanges& Reached() const { return reached_; }

  // ExplorationWatch.
  void BeginEvent(WatchState& state, const PathCount&, std::optional<int>, bool opening) override;
  EventOutcome EndEvent() override;
  const std::string* Caption(int index) override;
  void ForgetBefore(uint64_t) override {}

  // Presentation: nothing is shown, and a message box only ends the path.
  void MessageChanged(const std::string&, bool) override {}
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string&) override {}
  void Alert(const std::string&) override { alerted_ = true; }

  // ScriptTrace.
  void LineReached(uint64_t number, LineKind kind, const std::string& line) override;
  void LineTaken(uint64_t number, Use use, const std::string& line) override;

 private:
  void Note(uint64_t number, std::optional<Use> use, const std::string& line);

  WarpTarget target_;
  const Player* player_ = nullptr;
  std::optional<Hit> best_;
  LineRanges reached_;
  std::unordered_set<std::string> captions_;

  // The event under way.
  const WatchState* state_ = nullptr;
  bool opening_ = false;
  bool restarted_ = false;  // the lines after a restart are the opening's, met before
  bool alerted_ = false;
};

}  // namespace tavrin
