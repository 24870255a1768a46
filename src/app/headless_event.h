// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scenario/player_event.h"

namespace tavrin {

/// The most ticks one event of scripted play delivers: the largest N of "ticks N", and
/// the ticks "run" gives at most before it stops.
inline constexpr long kMaxTicksPerEvent = 1000000;

/// One line of a scripted-play event script, understood.
struct HeadlessEvent {
  PlayerEvent event;
  std::string name;  // as it is reported in the state line
};

/// The event on `line`, or nothing when the line is not an event.
std::optional<HeadlessEvent> ParseHeadlessEvent(std::string_view line);

/// Empty lines and lines starting with "#" carry no event and print nothing.
bool IsSkippedEventLine(std::string_view line);

}  // namespace tavrin
