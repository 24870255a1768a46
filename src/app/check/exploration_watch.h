// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/check/diagnostics.h"
#include "app/check/path_count.h"
#include "app/check/route.h"

namespace tavrin {

/// What a watch of the exploration keeps of one state of a run besides the player's own
/// state: the page on screen and the choices that led there.
struct WatchState {
  uint64_t page_first_line = 0;
  uint64_t page_last_line = 0;
  int page_lines = 0;
  bool page_ended = false;    // "▼" is shown
  bool page_covered = false;  // a choice went up over it
  Trail trail;
  Route route;  // of the paths that reach the state, one with the fewest choices
};

/// How an event left the run.
enum class EventOutcome { Continues, Ended, Restarted, Stopped };

/// Whoever follows the explorer's events and says how each left the run: the checker, the
/// search for a line to start at, the story's graph. It is the player's presentation and
/// trace too, so it sees the event from the inside.
class ExplorationWatch {
 public:
  virtual ~ExplorationWatch() = default;

  /// The next event starts from `state`, which `count` paths reach; `choice` is the choice
  /// button it clicks, if any; `opening` tells the first activation. The state is updated as
  /// the event goes.
  virtual void BeginEvent(WatchState& state, const PathCount& count, std::optional<int> choice,
                          bool opening) = 0;
  virtual EventOutcome EndEvent() = 0;

  /// The caption of choice button `index` now, kept for as long as the watch lives.
  virtual const std::string* Caption(int index) = 0;

  /// No event will reach a line before `line` again: what is kept of those may be let go.
  virtual void ForgetBefore(uint64_t line) = 0;
};

}  // namespace tavrin
