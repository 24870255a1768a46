// SPDX-License-Identifier: MIT
#include "app/warp/warp_watch.h"

namespace tavrin {

void WarpWatch::BeginEvent(WatchState& state, const PathCount&, std::optional<int>, bool opening) {
  state_ = &state;
  opening_ = opening;
  restarted_ = false;
  alerted_ = false;
}

EventOutcome WarpWatch::EndEvent() {
  // As the checker has it: a restart ends a path, except in the opening, where it stops
  // the story.
  if (restarted_ && !opening_) return EventOutcome::Restarted;
  if (alerted_) return EventOutcome::Stopped;
  return player_->ScriptOpen() ? EventOutcome::Continues : EventOutcome::Ended;
}

const std::string* WarpWatch::Caption(int index) {
  return &*captions_.insert(player_->Choice(index).caption).first;
}

void WarpWatch::LineReached(uint64_t number, LineKind kind, const std::string& line) {
  if (restarted_) return;
  Note(number, std::nullopt, line);
  if (kind == LineKind::Restart) restarted_ = true;
}

void WarpWatch::LineTaken(uint64_t number, Use use, const std::string& line) {
  if (restarted_ || use == Use::Dropped) return;
  Note(number, use, line);
}

void WarpWatch::Note(uint64_t number, std::optional<Use> use, const std::string& line) {
  reached_.Add(number);
  const std::optional<int> rank = target_.Meets(number, use, line);
  if (!rank) return;
  const size_t choices = state_->route.Choices();
  if (best_ && (best_->route.Choices() < choices ||
                (best_->route.Choices() == choices && best_->rank <= *rank))) {
    return;
  }
  best_ = Hit{state_->route, number, *rank};
}

}  // namespace tavrin
