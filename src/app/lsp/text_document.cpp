// SPDX-License-Identifier: MIT
#include "app/lsp/text_document.h"

#include <algorithm>

namespace tavrin::lsp {
size_t SequenceLength(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

namespace {

// The bytes of `line` that its first `units` units take, never splitting a character.
size_t BytesOfUnits(std::string_view line, uint64_t units, PositionEncoding encoding) {
  size_t i = 0;
  uint64_t counted = 0;
  while (i < line.size()) {
    const size_t length =
        std::min(SequenceLength(static_cast<unsigned char>(line[i])), line.size() - i);
    const uint64_t width = encoding == PositionEncoding::Utf8 ? length : (length == 4 ? 2 : 1);
    if (counted + width > units) break;
    counted += width;
    i += length;
  }
  return i;
}

}  // namespace

uint64_t Units(std::string_view text, PositionEncoding encoding) {
  if (encoding == PositionEncoding::Utf8) return text.size();
  uint64_t units = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units;
}

TextDocument::TextDocument(std::string text, int64_t version)
    : text_(std::move(text)), version_(version) {
  FindLines();
}

std::string_view TextDocument::Line(size_t line) const {
  if (line >= starts_.size()) return {};
  const size_t begin = starts_[line];
  size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text_.size();
  if (end > begin && text_[end - 1] == '\n') --end;
  if (end > begin && text_[end - 1] == '\r') --end;
  return std::string_view(text_).substr(begin, end - begin);
}

size_t TextDocument::Offset(TextPosition position, PositionEncoding encoding) const {
  if (position.line >= starts_.size()) return text_.size();
  const size_t line = static_cast<size_t>(position.line);
  return starts_[line] + BytesOfUnits(Line(line), position.character, encoding);
}

TextPosition TextDocument::PositionAt(size_t offset, PositionEncoding encoding) const {
  offset = std::min(offset, text_.size());
  const size_t line = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                          starts_.begin()) -
                      1;
  const std::string_view text = Line(line);
  const size_t in_line = std::min(offset - starts_[line], text.size());
  return {line, Units(text.substr(0, in_line), encoding)};
}

void TextDocument::Replace(size_t begin, size_t end, std::string_view text, int64_t version) {
  begin = std::min(begin, text_.size());
  end = std::clamp(end, begin, text_.size());
  text_.replace(begin, end - begin, text);
  version_ = version;
  FindLines();
}

void TextDocument::FindLines() {
  starts_.assign(1, 0);
  for (size_t i = 0; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
    if (c == '\r' || c == '\n') starts_.push_back(i + 1);
  }
}

}  // namespace tavrin::lsp
