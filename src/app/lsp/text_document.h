// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::lsp {

/// The bytes of the UTF-8 sequence that `lead` starts (1 for a byte that starts none).
size_t SequenceLength(unsigned char lead);

/// How the protocol counts the characters of a line: in UTF-16 code units (its default) or
/// in the bytes of UTF-8 (when the client offers it).
enum class PositionEncoding { Utf16, Utf8 };

/// A place in a document as the protocol gives it, both counted from 0.
struct TextPosition {
  uint64_t line = 0;
  uint64_t character = 0;
};

/// The length of UTF-8 `text` in `encoding`'s units.
uint64_t Units(std::string_view text, PositionEncoding encoding);

/// A document as the editor holds it: its text in UTF-8 and its version. Lines end at
/// CR LF, a lone CR or a lone LF, as the protocol and the player both end them.
class TextDocument {
 public:
  TextDocument(std::string text, int64_t version);

  const std::string& Text() const { return text_; }
  int64_t Version() const { return version_; }
  size_t LineCount() const { return starts_.size(); }
  /// Line `line` (from 0) without its line end; empty past the last.
  std::string_view Line(size_t line) const;

  /// The byte offset of `position`. A character past the end of its line stands for the
  /// end of the line, a line past the last for the end of the text, and a place within a
  /// character (half of a UTF-16 pair, a byte of a sequence) for its start.
  size_t Offset(TextPosition position, PositionEncoding encoding) const;
  /// The position of byte `offset` (clamped to the text).
  TextPosition PositionAt(size_t offset, PositionEncoding encoding) const;

  /// Replaces the bytes from `begin` to `end` with `text`, and takes the new version.
  void Replace(size_t begin, size_t end, std::string_view text, int64_t version);

 private:
  void FindLines();

  std::string text_;
  int64_t version_;
  std::vector<size_t> starts_;  // where each line starts
};

}  // namespace tavrin::lsp
