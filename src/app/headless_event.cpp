// SPDX-License-Identifier: MIT
#include "app/headless_event.h"

#include <charconv>

namespace tavrin {
namespace {

std::optional<MouseButton> ButtonNamed(std::string_view name) {
  if (name == "left") return MouseButton::Left;
  if (name == "right") return MouseButton::Right;
  if (name == "middle") return MouseButton::Middle;
  return std::nullopt;
}

}  // namespace

bool IsSkippedEventLine(std::string_view line) { return line.empty() || line.front() == '#'; }

std::optional<HeadlessEvent> ParseHeadlessEvent(std::string_view line) {
  HeadlessEvent parsed;
  parsed.name = std::string(line);
  PlayerEvent& event = parsed.event;
  const size_t blank = line.find(' ');
  const std::string_view word = line.substr(0, blank);
  const std::string_view argument =
      blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  const bool has_argument = blank != std::string_view::npos;

  if (word == "tick" && !has_argument) return parsed;
  if (word == "run" && !has_argument) {
    event.kind = PlayerEvent::Kind::Run;
    event.count = kMaxTicksPerEvent;
    return parsed;
  }
  if (word == "close" && !has_argument) {
    event.kind = PlayerEvent::Kind::Close;
    return parsed;
  }
  if (word == "ticks" && has_argument) {
    long count = 0;
    auto [end, error] = std::from_chars(argument.data(), argument.data() + argument.size(), count);
    if (error != std::errc() || end != argument.data() + argument.size() || count < 1 ||
        count > kMaxTicksPerEvent) {
      return std::nullopt;
    }
    event.count = count;
    return parsed;
  }
  if (word == "click" || word == "press") {
    if (word == "click" && !has_argument) {
      event.kind = PlayerEvent::Kind::Click;
      parsed.name = "click left";
      return parsed;
    }
    const std::optional<MouseButton> button = ButtonNamed(argument);
    if (!has_argument || !button) return std::nullopt;
    event.kind = word == "click" ? PlayerEvent::Kind::Click : PlayerEvent::Kind::Press;
    event.button = *button;
    return parsed;
  }
  if (word == "choose" && (argument == "0" || argument == "1")) {
    event.kind = PlayerEvent::Kind::Choose;
    event.choice = argument == "0" ? 0 : 1;
    return parsed;
  }
  return std::nullopt;
}

}  // namespace tavrin
