// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace tavrin {

/// The time at which each tick of a piece sounds, from its division and its tempo changes,
/// counted as FluidSynth's player counts it: 120 beats a minute until the first change, and
/// each change in force from its tick on.
class MidiClock {
 public:
  /// A tempo change of the piece: from `tick` on, a quarter note lasts `microseconds`.
  struct Change {
    int64_t tick = 0;
    uint32_t microseconds = 0;
  };

  MidiClock() = default;
  /// `changes` in the order the player meets them: by tick, and at one tick the last wins.
  MidiClock(uint16_t division, const std::vector<Change>& changes);

  /// Milliseconds from the start of the piece to `tick`.
  double Milliseconds(int64_t tick) const;

 private:
  struct Segment {
    int64_t tick;
    double milliseconds;  // at `tick`
    double per_tick;      // milliseconds a tick from `tick` on
  };

  std::vector<Segment> segments_;
};

}  // namespace tavrin
