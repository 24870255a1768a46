// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>

#include "app/check/exploration_watch.h"
#include "app/check/path_count.h"
#include "scenario/player.h"

namespace tavrin {

/// A state of a run still to be explored, and how many paths reach it.
struct ExploredState {
  PlayerState player;
  WatchState watch;
  PathCount count;
};

/// The states waiting to be explored, nearest the start of the file first. A run reads its
/// file forward only, so once the exploration is past a place no path comes back to it (a
/// restart ends a path): two paths that reach the same state are merged into one, and only
/// the states between the nearest and the furthest path are kept.
class Frontier {
 public:
  bool Empty() const { return states_.empty(); }
  size_t Size() const { return states_.size(); }
  /// The place of the nearest state in the file (only when not empty).
  ScriptPosition Nearest() const { return states_.begin()->second.state.player.position; }

  /// Adds `state`, or adds its paths to a waiting state with the same future.
  void Push(ExploredState state);
  /// Takes out the nearest state (only when not empty).
  ExploredState PopNearest();

 private:
  struct Order {
    uint64_t offset;
    uint64_t sequence;  // first come, first taken among states at one place
    auto operator<=>(const Order&) const = default;
  };
  struct Waiting {
    ExploredState state;
    size_t hash;
  };

  std::map<Order, Waiting> states_;
  std::unordered_multimap<size_t, Order> by_hash_;
  uint64_t next_sequence_ = 0;
};

/// Whether two states have the same future: the engine goes on identically from both, and
/// the checker has the same to say about it.
bool SameFuture(const ExploredState& a, const ExploredState& b);
size_t FutureHash(const ExploredState& state);

}  // namespace tavrin
