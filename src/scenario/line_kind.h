// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace tavrin {

/// What a scenario line does, decided from its first characters when it becomes the
/// current line. The order of the enumerators is the order in which the rules are tested.
enum class LineKind {
  EndMarker,   // "tugi" (`kEndMarker`)
  Question,    // "-qst"
  Label,       // "＞"
  BlockEnd,    // "●"
  Score,       // "+"
  EndingJump,  // "-end"
  Restart,     // ">end"
  Empty,       // ""
  Picture,     // ">img"
  Text,        // anything else
};

/// The line that ends the scenario. The reader puts it in the look-ahead once the file has
/// no further line, so the end of the file acts exactly as this line does.
inline constexpr std::string_view kEndMarker = "tugi";
inline constexpr std::string_view kLabelMark = "\uFF1E";     // ＞
inline constexpr std::string_view kBlockEndLine = "\u25CF";  // ●
inline constexpr std::string_view kGoodEnding = "\uFF1E\u30B0\u30C3\u30C9";  // ＞グッド
inline constexpr std::string_view kBadEnding = "\uFF1E\u30D0\u30C3\u30C9";   // ＞バッド

/// The score from which an ending jump goes to the good ending; below it, to the bad one.
inline constexpr int kGoodEndingScore = 20;

/// The label an ending jump looks for with `score`.
inline std::string_view EndingLabel(int score) {
  return score >= kGoodEndingScore ? kGoodEnding : kBadEnding;
}

/// The kind of a UTF-8 line, by the first rule that holds.
LineKind KindOfLine(std::string_view line);

/// True when the look-ahead line ends the page of the text line before it.
bool EndsPageBefore(std::string_view next_line);

/// The picture named by a picture line: its characters from the sixth on (the fifth is a
/// separator, whatever it is); empty when the line is shorter.
std::string PictureName(std::string_view line);

}  // namespace tavrin
