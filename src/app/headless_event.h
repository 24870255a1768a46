#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scenario/player.h"

namespace tavrin {

/// One line of a scripted-play event script, understood.
struct HeadlessEvent {
  enum class Kind { Tick, Ticks, Run, Click, Press, Choose, Close };
  Kind kind = Kind::Tick;
  long count = 1;                            // for Ticks
  MouseButton button = MouseButton::Left;    // for Click and Press
  int choice = 0;                            // for Choose
  std::string name;                          // as it is reported in the state line
};

/// The event on `line`, or nothing when the line is not an event.
std::optional<HeadlessEvent> ParseHeadlessEvent(std::string_view line);

/// Empty lines and lines starting with "#" carry no event and print nothing.
bool IsSkippedEventLine(std::string_view line);

}  // namespace tavrin
