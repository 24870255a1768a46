// SPDX-License-Identifier: MIT
// The kind of a scenario line, the lines that end the page before them, and picture names.
#include "scenario/line_kind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin {
namespace {

const char* Name(LineKind kind) {
  switch (kind) {
    case LineKind::EndMarker: return "EndMarker";
    case LineKind::Question: return "Question";
    case LineKind::Label: return "Label";
    case LineKind::BlockEnd: return "BlockEnd";
    case LineKind::Score: return "Score";
    case LineKind::EndingJump: return "EndingJump";
    case LineKind::Restart: return "Restart";
    case LineKind::Empty: return "Empty";
    case LineKind::Picture: return "Picture";
    case LineKind::Text: return "Text";
  }
  return "?";
}

TEST(KindOfLine, FirstRuleThatHoldsDecides) {
  struct Case {
    std::string line;
    LineKind kind;
  };
  using K = LineKind;
  const std::vector<Case> cases = {
      // "tugi" is tested first, whatever follows it.
      {"tugi", K::EndMarker},
      {"tugi-qst", K::EndMarker},
      {"tugi\u25CF", K::EndMarker},
      {"tugitugi", K::EndMarker},
      {"tug", K::Text},
      {"Tugi", K::Text},
      {" tugi", K::Text},
      // Prefixes: whatever follows the directive is ignored.
      {"-qst", K::Question},
      {"-qst what now?", K::Question},
      {"-qstend", K::Question},
      {"-QST", K::Text},
      {"-Qst", K::Text},
      {"-qs", K::Text},
      {"\uFF0Dqst", K::Text},  // full-width hyphen-minus
      // The full-width greater-than sign is a label; the ASCII one never is.
      {"\uFF1E", K::Label},
      {"\uFF1EGo left", K::Label},
      {"\uFF1Etugi", K::Label},
      {"\uFF1E\u30B0\u30C3\u30C9", K::Label},
      {">Go left", K::Text},
      {">", K::Text},
      {"\u25CF", K::BlockEnd},
      {"\u25CF trailing", K::BlockEnd},
      {"\u25CB", K::Text},  // white circle
      {"+", K::Score},
      {"+10", K::Score},
      {"+-qst", K::Score},
      {"+tugi", K::Score},
      {"\uFF0B10", K::Text},  // full-width plus
      {"-end", K::EndingJump},
      {"-ending", K::EndingJump},
      {"-END", K::Text},
      {"-en", K::Text},
      {">end", K::Restart},
      {">endless", K::Restart},
      {">End", K::Text},
      {">en", K::Text},
      {"", K::Empty},
      // A line of blanks is text, not an empty line.
      {" ", K::Text},
      {"   ", K::Text},
      {"\t", K::Text},
      {"\u3000", K::Text},  // full-width blank
      {">img gate", K::Picture},
      {">img", K::Picture},
      {">imggate", K::Picture},
      {">IMG gate", K::Text},
      {">im", K::Text},
      {" >img gate", K::Text},
      // ">game" has no rule of its own.
      {">game", K::Text},
      {">gameover", K::Text},
      {"The gate stands open.", K::Text},
      {"\u7F85\u751F\u9580", K::Text},
      {"\uFFFD", K::Text},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(Name(KindOfLine(c.line)), Name(c.kind)) << "line \"" << c.line << "\"";
  }
}

TEST(EndsPageBefore, OnlyTheseLookAheadLinesEndAPage) {
  struct Case {
    std::string next_line;
    bool ends_page;
  };
  const std::vector<Case> cases = {
      {"", true},
      {">game", true},
      {">gameover", true},
      {">end", true},
      {">ending", true},
      {"tugi", true},
      {"tugi and more", true},
      {">gam", false},
      {">GAME", false},
      {"\uFF1Egame", false},
      {">en", false},
      {"tug", false},
      {" ", false},
      {"\t", false},
      {"-qst", false},
      {"\uFF1EGo left", false},
      {"\u25CF", false},
      {"-end", false},
      {"+10", false},
      {">img gate", false},
      {"next text", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EndsPageBefore(c.next_line), c.ends_page) << "next line \"" << c.next_line << "\"";
  }
}

TEST(PictureName, FromTheSixthCharacterOn) {
  struct Case {
    std::string line;
    std::string name;
  };
  const std::vector<Case> cases = {
      {">img gate", "gate"},
      {">img", ""},
      {">img ", ""},
      // The fifth character is a separator whatever it is, so these all name "gate".
      {">imgXgate", "gate"},
      {">img\tgate", "gate"},
      {">img\u3000gate", "gate"},     // a full-width blank: three bytes, one character
      {">img\u540Dgate", "gate"},     // a kanji
      {">img\uFFFDgate", "gate"},     // a byte that did not decode
      {">img\u3000\u540D\u524D", "\u540D\u524D"},
      {">img \u30B2\u30FC\u30C8", "\u30B2\u30FC\u30C8"},
      // Only the one separator is dropped; the rest is taken as written.
      {">img  gate", " gate"},
      {">img gate ", "gate "},
      {">img IMG\\Gate", "IMG\\Gate"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PictureName(c.line), c.name) << "line \"" << c.line << "\"";
  }
  // Two lines that differ only in their fifth character name the same picture.
  EXPECT_EQ(PictureName(">img gate"), PictureName(">img_gate"));
}

}  // namespace
}  // namespace tavrin
