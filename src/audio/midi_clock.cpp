// SPDX-License-Identifier: MIT
#include "audio/midi_clock.h"

#include <algorithm>

namespace tavrin {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // a quarter note, in microseconds: 120 bpm

}  // namespace

MidiClock::MidiClock(uint16_t division, const std::vector<Change>& changes) {
  const double ticks_per_quarter = division > 0 ? division : 1;
  const auto per_tick = [&](uint32_t microseconds) {
    return microseconds / ticks_per_quarter / 1000.0;
  };
  segments_.push_back({0, 0.0, per_tick(kDefaultTempo)});
  for (const Change& change : changes) {
    Segment& last = segments_.back();
    const int64_t tick = std::max(change.tick, last.tick);
    if (tick == last.tick) {
      last.per_tick = per_tick(change.microseconds);  // the later change at one tick wins
      continue;
    }
    segments_.push_back({tick, last.milliseconds + (tick - last.tick) * last.per_tick,
                         per_tick(change.microseconds)});
  }
}

double MidiClock::Milliseconds(int64_t tick) const {
  if (segments_.empty()) return 0;  // no piece
  // The last segment that starts at or before `tick`.
  const auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                      [](int64_t t, const Segment& s) { return t < s.tick; });
  const Segment& in = after == segments_.begin() ? segments_.front() : *(after - 1);
  return in.milliseconds + (tick - in.tick) * in.per_tick;
}

}  // namespace tavrin
