// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::lsp {

/// One message as the client sent it: its JSON, or why it could not be read.
struct IncomingMessage {
  enum class Kind {
    Json,          // `json` holds it
    ParseError,    // its content is no JSON: `error` says why
    FramingError,  // its header could not be read: `error` says why
  };
  Kind kind = Kind::Json;
  nlohmann::json json;
  std::string error;
};

/// Reads the protocol's messages out of bytes as they come: a header of "Name: value"
/// lines, each ended by CR LF, then an empty line, then as many bytes of JSON as its
/// Content-Length says. A header that cannot be read is told as a framing error and
/// skipped: with the content it declares, when it declares a length (one of more than
/// `kMaxContentBytes` included); otherwise (no Content-Length, a length that is no number,
/// a header longer than `kMaxHeaderBytes`) up to the next "Content-Length", where reading
/// goes on. Bytes are kept only until their message is complete, so what is held never
/// passes the two limits.
class MessageReader {
 public:
  static constexpr size_t kMaxHeaderBytes = 8 * 1024;
  static constexpr size_t kMaxContentBytes = size_t{64} << 20;
  /// Deeper JSON than any message of the protocol, refused as a parse error.
  static constexpr int kMaxNesting = 64;

  /// More bytes from the client.
  void Feed(std::string_view bytes);
  /// The next message complete in the bytes fed so far, if any.
  std::optional<IncomingMessage> Next();
  /// Bytes held of a message that is not complete yet.
  size_t Held() const { return buffer_.size(); }

 private:
  // Reads the header at the start of `buffer_`, when it is all there.
  std::optional<IncomingMessage> ReadHeader();
  IncomingMessage ReadContent(std::string_view content) const;

  std::string buffer_;
  std::optional<size_t> content_length_;  // the header is read, the content is to come
  uint64_t skipping_ = 0;                 // content of a refused header still to be passed
  bool resyncing_ = false;                // passing bytes up to the next "Content-Length"
};

}  // namespace tavrin::lsp
