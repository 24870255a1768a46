// SPDX-License-Identifier: MIT
#include "app/check/frontier.h"

#include <functional>
#include <string_view>

namespace tavrin {
namespace {

// The page's text decides the next rows only while the page goes on: after a page end the
// next text line starts a new page, and after a choice an empty line clears it.
bool PageGoesOn(const PlayerState& state) {
  return state.prompt != kPagePrompt && !state.com[0].visible;
}

void Mix(size_t& hash, size_t value) {
  hash ^= value + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2);
}

// What of a player's state can change what follows: all of it but the page's text once the
// page has ended and the captions of hidden buttons. Every member counts unless it is
// cleared here, so that one added to the state later is compared too.
PlayerState FutureOf(const PlayerState& state) {
  PlayerState future = state;
  if (!PageGoesOn(state)) future.message_text.clear();
  for (ChoiceButton& button : future.com) {
    if (!button.visible) button.caption.clear();
  }
  return future;
}

}  // namespace

bool SameFuture(const ExploredState& a, const ExploredState& b) {
  const WatchState& v = a.watch;
  const WatchState& w = b.watch;
  if (v.page_lines != w.page_lines || v.page_ended != w.page_ended ||
      v.page_covered != w.page_covered ||
      (v.page_lines != 0 && v.page_first_line != w.page_first_line)) {
    return false;
  }
  return FutureOf(a.player) == FutureOf(b.player);
}

size_t FutureHash(const ExploredState& state) {
  const PlayerState& p = state.player;
  std::hash<std::string_view> text;
  size_t hash = std::hash<uint64_t>()(p.position.offset);
  Mix(hash, text(p.next_line));
  Mix(hash, static_cast<size_t>(p.score));
  Mix(hash, p.current_line_number);
  Mix(hash, p.line_count);
  if (p.com[0].visible) Mix(hash, text(p.com[0].caption));
  if (PageGoesOn(p)) Mix(hash, text(p.message_text));
  Mix(hash, static_cast<size_t>(state.watch.page_lines));
  return hash;
}

void Frontier::Push(ExploredState state) {
  const size_t hash = FutureHash(state);
  auto [first, last] = by_hash_.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    ExploredState& waiting = states_.at(it->second).state;
    if (SameFuture(waiting, state)) {
      waiting.count += state.count;
      if (state.watch.route.Choices() < waiting.watch.route.Choices()) {
        waiting.watch.route = std::move(state.watch.route);
      }
      return;
    }
  }
  const Order order{state.player.position.offset, next_sequence_++};
  by_hash_.emplace(hash, order);
  states_.emplace(order, Waiting{std::move(state), hash});
}

ExploredState Frontier::PopNearest() {
  auto nearest = states_.begin();
  auto [first, last] = by_hash_.equal_range(nearest->second.hash);
  for (auto it = first; it != last; ++it) {
    if (it->second == nearest->first) {
      by_hash_.erase(it);
      break;
    }
  }
  ExploredState state = std::move(nearest->second.state);
  states_.erase(nearest);
  return state;
}

}  // namespace tavrin
