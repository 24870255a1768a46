// SPDX-License-Identifier: MIT
#include "game_files/utf8.h"

#include <gtest/gtest.h>

#include <string_view>

#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

struct Case {
  std::string_view bytes;
  char32_t code;
  size_t length;  // 0: not a well-formed sequence
};

TEST(ReadUtf8, ReadsEachLengthAndRefusesWhatIsNotUtf8) {
  const Case cases[] = {
      {"A", U'A', 1},
      {"\xC3\xA9", U'\u00E9', 2},
      {"\xE6\x9C\x88", U'\u6708', 3},
      {"\xF0\x9F\x8C\x99", U'\U0001F319', 4},
      {"\xEF\xBF\xBF", U'\uFFFF', 3},
      {"\xF4\x8F\xBF\xBF", U'\U0010FFFF', 4},
      {"\x80", 0, 0},      // a continuation byte alone
      {"\xC0\xAF", 0, 0},  // overlong, two bytes
      {"\xC1\xBF", 0, 0},
      {"\xE0\x80\xAF", 0, 0},      // overlong, three bytes
      {"\xF0\x8F\xBF\xBF", 0, 0},  // overlong, four bytes
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", 0, 0},
      {"\xE6\x9C", 0, 0},      // cut short
      {"\xE6\x41\x88", 0, 0},  // a continuation missing
      {"\x8C\x8E", 0, 0},      // code page 932 for the same character
  };
  for (const Case& c : cases) {
    const Utf8Character read = ReadUtf8(c.bytes, 0);
    EXPECT_EQ(read.length, c.length) << testing::PrintToString(std::string(c.bytes));
    if (c.length != 0) {
      EXPECT_EQ(read.code, c.code);
    }
    EXPECT_EQ(IsValidUtf8(c.bytes), c.length == c.bytes.size());
  }
}

}  // namespace
}  // namespace tavrin
