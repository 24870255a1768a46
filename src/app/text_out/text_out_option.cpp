// SPDX-License-Identifier: MIT
#include "app/text_out/text_out_option.h"

#include <algorithm>

namespace tavrin {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<TextOutOption> ParseTextOutOption(std::string_view value, std::string& error) {
  using Kind = TextOutOption::Kind;
  if (value == "clipboard") return TextOutOption{Kind::Clipboard};
  if (value == "stdout") return TextOutOption{Kind::StandardOutput};
  if (value == "ws") return TextOutOption{Kind::WebSocket};
  constexpr std::string_view kPortPrefix = "ws:";
  if (value.substr(0, kPortPrefix.size()) == kPortPrefix) {
    const std::string_view digits = value.substr(kPortPrefix.size());
    // Leading zeros aside, a port has at most five digits: longer ones cannot be one.
    const std::string_view significant =
        digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
    if (AllDigits(digits) && significant.size() <= 5) {
      unsigned long port = 0;
      for (const char c : significant) port = port * 10 + static_cast<unsigned long>(c - '0');
      if (port >= 1 && port <= 65535) {
        return TextOutOption{Kind::WebSocket, static_cast<std::uint16_t>(port)};
      }
    }
    error = "--text-out=ws:PORT takes a port from 1 to 65535, not '" + std::string(digits) + "'.";
    return std::nullopt;
  }
  error = "--text-out takes ws, ws:PORT, clipboard or stdout, not '" + std::string(value) + "'.";
  return std::nullopt;
}

std::string_view TextOutName(TextOutOption::Kind kind) {
  switch (kind) {
    case TextOutOption::Kind::WebSocket:
      return "ws";
    case TextOutOption::Kind::Clipboard:
      return "clipboard";
    case TextOutOption::Kind::StandardOutput:
      return "stdout";
  }
  return "ws";
}

}  // namespace tavrin
