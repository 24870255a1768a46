// SPDX-License-Identifier: MIT
#include "app/lsp/message_reader.h"

#include <algorithm>
#include <charconv>

namespace tavrin::lsp {
namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kLengthName = "Content-Length";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

size_t FindIgnoringCase(std::string_view text, std::string_view word) {
  const auto found = std::search(text.begin(), text.end(), word.begin(), word.end(),
                                 [](char a, char b) { return Lower(a) == Lower(b); });
  return found == text.end() ? std::string::npos : static_cast<size_t>(found - text.begin());
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FindIgnoringCase(a, b) == 0;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

IncomingMessage Framing(std::string error) {
  return {IncomingMessage::Kind::FramingError, nullptr, std::move(error)};
}

// How deep arrays and objects nest in `content`, outside its strings, up to `limit` + 1.
int Nesting(std::string_view content, int limit) {
  int depth = 0;
  int deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < content.size() && deepest <= limit; ++i) {
    const char c = content[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

void MessageReader::Feed(std::string_view bytes) {
  if (skipping_ > 0) {
    const uint64_t passed = std::min<uint64_t>(skipping_, bytes.size());
    skipping_ -= passed;
    bytes.remove_prefix(static_cast<size_t>(passed));
  }
  buffer_.append(bytes);
}

std::optional<IncomingMessage> MessageReader::Next() {
  if (skipping_ > 0) return std::nullopt;
  if (!content_length_) return ReadHeader();
  if (buffer_.size() < *content_length_) return std::nullopt;
  IncomingMessage message = ReadContent(std::string_view(buffer_).substr(0, *content_length_));
  buffer_.erase(0, *content_length_);
  content_length_.reset();
  return message;
}

std::optional<IncomingMessage> MessageReader::ReadHeader() {
  if (resyncing_) {
    const size_t next = FindIgnoringCase(buffer_, kLengthName);
    if (next == std::string::npos) {
      buffer_.erase(0, buffer_.size() - std::min(buffer_.size(), kLengthName.size() - 1));
      return std::nullopt;
    }
    buffer_.erase(0, next);
    resyncing_ = false;
  }
  // Line ends left between two messages are passed over.
  buffer_.erase(0, std::min(buffer_.find_first_not_of("\r\n"), buffer_.size()));
  const size_t end = buffer_.find(kHeaderEnd);
  if (end == std::string::npos || end > kMaxHeaderBytes) {
    if (end == std::string::npos && buffer_.size() <= kMaxHeaderBytes) return std::nullopt;
    buffer_.erase(0, 1);  // the next Content-Length is another header's
    resyncing_ = true;
    return Framing("a header longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
  }

  std::optional<uint64_t> length;
  std::string error;
  std::string_view lines = std::string_view(buffer_).substr(0, end);
  while (error.empty()) {
    const size_t line_end = lines.find("\r\n");
    const std::string_view line = lines.substr(0, line_end);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      error = "a header line without a colon";
    } else if (SameName(Trimmed(line.substr(0, colon)), kLengthName)) {
      const std::string_view value = Trimmed(line.substr(colon + 1));
      uint64_t parsed = 0;
      const auto [at, failed] = std::from_chars(value.data(), value.data() + value.size(), parsed);
      if (value.empty() || failed != std::errc() || at != value.data() + value.size()) {
        error = "a Content-Length that is no number";
      } else if (length && *length != parsed) {
        error = "two Content-Length headers that differ";
      } else {
        length = parsed;
      }
    }
    if (line_end == std::string_view::npos) break;
    lines.remove_prefix(line_end + 2);
  }
  buffer_.erase(0, end + kHeaderEnd.size());
  if (error.empty() && !length) error = "a header without Content-Length";
  if (error.empty() && *length > kMaxContentBytes) {
    error = "a message of " + std::to_string(*length) + " bytes, more than " +
            std::to_string(kMaxContentBytes);
  }
  if (!error.empty()) {
    if (length) {  // its content is passed over, so that the next header is found
      const uint64_t held = std::min<uint64_t>(*length, buffer_.size());
      buffer_.erase(0, static_cast<size_t>(held));
      skipping_ = *length - held;
    } else {
      resyncing_ = true;
    }
    return Framing(std::move(error));
  }
  content_length_ = static_cast<size_t>(*length);
  return Next();
}

IncomingMessage MessageReader::ReadContent(std::string_view content) const {
  if (Nesting(content, kMaxNesting) > kMaxNesting) {
    return {IncomingMessage::Kind::ParseError, nullptr,
            "JSON nested more than " + std::to_string(kMaxNesting) + " deep"};
  }
  IncomingMessage message;
  try {
    message.json = nlohmann::json::parse(content);
  } catch (const nlohmann::json::parse_error& e) {
    message.kind = IncomingMessage::Kind::ParseError;
    message.json = nullptr;
    message.error = "the content is no JSON (at byte " + std::to_string(e.byte) + ")";
  } catch (const nlohmann::json::exception&) {  // a number too large for any type
    message.kind = IncomingMessage::Kind::ParseError;
    message.json = nullptr;
    message.error = "the content is no JSON the server reads";
  }
  return message;
}

}  // namespace tavrin::lsp
