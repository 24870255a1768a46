// SPDX-License-Identifier: MIT
#include "scenario/line_kind.h"

namespace tavrin {

LineKind KindOfLine(std::string_view line) {
  // Comparing UTF-8 prefixes compares whole characters: no character's encoding is a
  // prefix of another's.
  if (line.starts_with(kEndMarker)) return LineKind::EndMarker;
  if (line.starts_with("-qst")) return LineKind::Question;
  if (line.starts_with(kLabelMark)) return LineKind::Label;
  if (line.starts_with(kBlockEndLine)) return LineKind::BlockEnd;
  if (line.starts_with('+')) return LineKind::Score;
  if (line.starts_with("-end")) return LineKind::EndingJump;
  if (line.starts_with(">end")) return LineKind::Restart;
  if (line.empty()) return LineKind::Empty;
  if (line.starts_with(">img")) return LineKind::Picture;
  return LineKind::Text;
}

bool EndsPageBefore(std::string_view next_line) {
  return next_line.starts_with(">game") || next_line.empty() || next_line.starts_with(">end") ||
         next_line.starts_with(kEndMarker);
}

std::string PictureName(std::string_view line) {
  size_t pos = 0;
  for (int skipped = 0; skipped < 5 && pos < line.size(); ++skipped) {
    ++pos;  // past the lead byte, then past any continuation bytes
    while (pos < line.size() && (static_cast<unsigned char>(line[pos]) & 0xC0) == 0x80) ++pos;
  }
  return std::string(line.substr(pos));
}

}  // namespace tavrin
