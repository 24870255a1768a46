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
  HeadlessEvent event;
  event.name = std::string(line);
  const size_t blank = line.find(' ');
  const std::string_view word = line.substr(0, blank);
  const std::string_view argument =
      blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  const bool has_argument = blank != std::string_view::npos;

  if (word == "tick" && !has_argument) return event;
  if (word == "run" && !has_argument) {
    event.kind = HeadlessEvent::Kind::Run;
    return event;
  }
  if (word == "close" && !has_argument) {
    event.kind = HeadlessEvent::Kind::Close;
    return event;
  }
  if (word == "ticks" && has_argument) {
    long count = 0;
    auto [end, error] = std::from_chars(argument.data(), argument.data() + argument.size(), count);
    if (error != std::errc() || end != argument.data() + argument.size() || count < 1 ||
        count > 1000000) {
      return std::nullopt;
    }
    event.kind = HeadlessEvent::Kind::Ticks;
    event.count = count;
    return event;
  }
  if (word == "click" || word == "press") {
    if (word == "click" && !has_argument) {
      event.kind = HeadlessEvent::Kind::Click;
      event.name = "click left";
      return event;
    }
    const std::optional<MouseButton> button = ButtonNamed(argument);
    if (!has_argument || !button) return std::nullopt;
    event.kind = word == "click" ? HeadlessEvent::Kind::Click : HeadlessEvent::Kind::Press;
    event.button = *button;
    return event;
  }
  if (word == "choose" && (argument == "0" || argument == "1")) {
    event.kind = HeadlessEvent::Kind::Choose;
    event.choice = argument == "0" ? 0 : 1;
    return event;
  }
  return std::nullopt;
}

}  // namespace tavrin
