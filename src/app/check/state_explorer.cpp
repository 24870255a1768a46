// SPDX-License-Identifier: MIT
#include "app/check/state_explorer.h"

#include <algorithm>

#include "scenario/player_event.h"

namespace tavrin {
namespace {

// How often what is kept about lines behind every path is let go.
constexpr uint64_t kForgetEvery = 1 << 14;

}  // namespace

StateExplorer::StateExplorer(Player& player, ExplorationWatch& watch, Limits limits)
    : player_(player), watch_(watch), limits_(limits) {}

void StateExplorer::Run(CheckSummary& summary) {
  summary_ = &summary;
  live_ = ExploredState{};
  live_.count = PathCount(1);
  watch_.BeginEvent(live_.watch, live_.count, std::nullopt, /*opening=*/true);
  player_.Form_Activate();
  has_live_ = watch_.EndEvent() == EventOutcome::Continues;
  if (!has_live_) EndPaths(live_.count);

  for (uint64_t events = 1;; ++events) {
    if (!has_live_) {
      if (frontier_.Empty()) return;
      live_ = frontier_.PopNearest();
      has_live_ = true;
      if (!player_.Restore(std::move(live_.player))) {
        EndPaths(live_.count);  // the file went away under the check
        has_live_ = false;
        continue;
      }
    }
    if (limits_.through_line != 0 && PastTheLine()) return;
    if (events > limits_.events || frontier_.Size() > limits_.waiting_states) {
      summary.cut_short = true;
      return;
    }
    if (events % kForgetEvery == 0) {
      uint64_t nearest = player_.ScriptPlace().line_number;
      if (!frontier_.Empty()) nearest = std::min(nearest, frontier_.Nearest().line_number);
      watch_.ForgetBefore(nearest);
    }
    if (player_.ChoiceShown()) {
      Choose();
    } else {
      Advance();
    }
  }
}

bool StateExplorer::PastTheLine() const {
  // Paths read forward only: one whose next line to read lies past the line can no longer
  // reach it.
  const uint64_t line = limits_.through_line;
  return player_.ScriptPlace().line_number > line &&
         (frontier_.Empty() || frontier_.Nearest().line_number > line);
}

void StateExplorer::Advance() {
  watch_.BeginEvent(live_.watch, live_.count, std::nullopt, /*opening=*/false);
  // A page waiting at its end takes a click; otherwise the next tick comes.
  DeliverEvent(player_, {.kind = player_.TickWouldIdle() ? PlayerEvent::Kind::Click
                                                         : PlayerEvent::Kind::Tick});
  const EventOutcome outcome = watch_.EndEvent();
  if (outcome != EventOutcome::Continues) {
    EndPaths(live_.count);
    has_live_ = false;
    return;
  }
  // Another path waits nearer the start of the file: it goes first, so that paths meet.
  if (!frontier_.Empty() && player_.ScriptPlace().offset >= frontier_.Nearest().offset) {
    live_.player = player_.Snapshot();
    frontier_.Push(std::move(live_));
    has_live_ = false;
  }
}

void StateExplorer::Choose() {
  const PlayerState question = player_.Snapshot();
  for (int index = 0; index < 2; ++index) {
    if (index == 1) player_.Restore(question);
    ExploredState next;
    next.watch = live_.watch;
    next.watch.trail.Add(watch_.Caption(index));
    next.watch.route =
        live_.watch.route.Then({player_.CurrentLineNumber(), index, *watch_.Caption(index)});
    next.count = live_.count;
    watch_.BeginEvent(next.watch, next.count, index, /*opening=*/false);
    DeliverEvent(player_, {.kind = PlayerEvent::Kind::Choose, .choice = index});
    if (watch_.EndEvent() == EventOutcome::Continues) {
      next.player = player_.Snapshot();
      frontier_.Push(std::move(next));
    } else {
      EndPaths(next.count);
    }
  }
  has_live_ = false;
}

}  // namespace tavrin
