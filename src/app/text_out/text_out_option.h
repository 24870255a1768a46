// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

/// Where `--text-out` sends the text: `ws[:PORT]`, `clipboard` or `stdout`.
struct TextOutOption {
  enum class Kind { WebSocket, Clipboard, StandardOutput };
  /// The port texthooker pages connect to unless told otherwise.
  static constexpr std::uint16_t kDefaultPort = 6677;

  Kind kind = Kind::WebSocket;
  std::uint16_t port = kDefaultPort;  // for `Kind::WebSocket`

  bool operator==(const TextOutOption&) const = default;
};

/// The out that `value`, the value of one `--text-out`, names: `ws` (at the default port),
/// `ws:PORT` (1 to 65535, in decimal), `clipboard` or `stdout`. Otherwise nothing, and
/// `error` says why in one sentence.
std::optional<TextOutOption> ParseTextOutOption(std::string_view value, std::string& error);

/// How the option names `kind`: "ws", "clipboard" or "stdout".
std::string_view TextOutName(TextOutOption::Kind kind);

}  // namespace tavrin
