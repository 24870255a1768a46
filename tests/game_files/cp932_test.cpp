// SPDX-License-Identifier: MIT
// Decoding code page 932: checked against Microsoft's published table (CP932.TXT), the
// user-defined area as Windows maps it, and the encoding_rs decoder vectors; and encoding
// an editor's text as saving it would, against the same table.
#include "game_files/cp932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game_files/cp932_encoder.h"
#include "support/file_bytes.h"

namespace tavrin {
namespace {

const std::string kTestData = TAVRIN_TESTDATA_DIR;
const std::string kFffd = "\xEF\xBF\xBD";  // U+FFFD

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  static const char* const kDigits = "0123456789ABCDEF";
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

using test_support::ReadFileBytes;

std::vector<std::string> SplitOnLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// CP932.TXT: "0xNN<TAB>0xUUUU<TAB>#name" or "0xNNNN<TAB>..." per mapping; single bytes the
// table leaves open are written with blanks in the second column.
struct Cp932Table {
  std::map<uint16_t, char32_t> mappings;  // code (one byte, or lead << 8 | trail) -> char
  std::set<uint8_t> undefined;            // single bytes marked #UNDEFINED
  std::set<uint8_t> lead_bytes;           // single bytes marked #DBCS LEAD BYTE
};

const Cp932Table& Table() {
  static const Cp932Table table = [] {
    Cp932Table t;
    std::istringstream in(ReadFileBytes(kTestData + "/cp932/CP932.TXT"));
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      const size_t tab1 = line.find('\t');
      const size_t tab2 = line.find('\t', tab1 + 1);
      const auto code = static_cast<uint16_t>(std::stoul(line.substr(0, tab1), nullptr, 16));
      const std::string unicode = line.substr(tab1 + 1, tab2 - tab1 - 1);
      if (unicode.find("0x") != std::string::npos) {
        t.mappings[code] = static_cast<char32_t>(std::stoul(unicode, nullptr, 16));
      } else if (line.find("#DBCS LEAD BYTE") != std::string::npos) {
        t.lead_bytes.insert(static_cast<uint8_t>(code));
      } else {
        t.undefined.insert(static_cast<uint8_t>(code));
      }
    }
    return t;
  }();
  return table;
}

std::string BytesOf(uint16_t code) {
  if (code < 0x100) return std::string(1, static_cast<char>(code));
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// What a single byte decodes to on its own, by the table: a defined byte gives its
// character, anything else U+FFFD.
std::string ExpectedSingleByte(uint8_t b) {
  auto it = Table().mappings.find(b);
  return it == Table().mappings.end() ? kFffd : Utf8(it->second);
}

bool InUserDefinedArea(uint8_t lead, uint8_t trail) {
  return lead >= 0xF0 && lead <= 0xF9 && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

char32_t UserDefinedChar(uint8_t lead, uint8_t trail) {
  return 0xE000 + (lead - 0xF0) * 188 + (trail - (trail < 0x7F ? 0x40 : 0x41));
}

// Prints at most the first few differences, and how many there were in all.
std::string Summarize(const std::vector<std::string>& differences) {
  std::string out = std::to_string(differences.size()) + " differences:";
  for (size_t i = 0; i < differences.size() && i < 40; ++i) out += "\n  " + differences[i];
  return out;
}

TEST(Cp932Table, HasTheExpectedShape) {
  // Guards the parser: the 2.01 table has 191 single-byte and 7,724 double-byte mappings.
  const Cp932Table& t = Table();
  ASSERT_EQ(t.mappings.size(), 7915u);
  size_t single = 0;
  for (const auto& [code, c] : t.mappings) single += code < 0x100;
  EXPECT_EQ(single, 191u);
  EXPECT_EQ(t.undefined, (std::set<uint8_t>{0x80, 0xA0, 0xFD, 0xFE, 0xFF}));
  EXPECT_EQ(t.lead_bytes.size(), 60u);
}

TEST(DecodeCp932, EveryMappingOfTheTableDecodesToItsCharacter) {
  std::vector<std::string> differences;
  for (const auto& [code, c] : Table().mappings) {
    const std::string got = DecodeCp932(BytesOf(code));
    if (got != Utf8(c)) {
      differences.push_back(Hex(BytesOf(code)) + ": got " + Hex(got) + ", table " + Hex(Utf8(c)));
    }
  }
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
}

TEST(DecodeCp932, EveryMappingDecodesTheSameInsideALineOfOtherCharacters) {
  // A line holding any byte above 0x7F takes a different path from a pure ASCII line, so
  // ASCII bytes are checked there too; the neighbours show that decoding stays in step.
  const std::string before = "\x88\x9F";  // 亜
  const std::string after = "z\x82\xA0";  // z あ
  const std::string expected_before = Utf8(0x4E9C);
  const std::string expected_after = "z" + Utf8(0x3042);
  std::vector<std::string> differences;
  for (const auto& [code, c] : Table().mappings) {
    const std::string got = DecodeCp932(before + BytesOf(code) + after);
    if (got != expected_before + Utf8(c) + expected_after) {
      differences.push_back(Hex(BytesOf(code)) + ": got " + Hex(got));
    }
  }
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
}

TEST(DecodeCp932, BytesTheTableLeavesUndefinedBecomeAReplacementAndTheLineGoesOn) {
  for (uint8_t b : Table().undefined) {
    SCOPED_TRACE(Hex(std::string(1, static_cast<char>(b))));
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(DecodeCp932(byte), kFffd);
    EXPECT_EQ(DecodeCp932("a" + byte + "b"), "a" + kFffd + "b");
    EXPECT_EQ(DecodeCp932(byte + byte), kFffd + kFffd);
    // After and before a double-byte character.
    EXPECT_EQ(DecodeCp932("\x82\xA0" + byte + "\x82\xA2"), Utf8(0x3042) + kFffd + Utf8(0x3044));
  }
}

TEST(DecodeCp932, BrokenDoubleByteSequences) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // Only the lead byte is replaced; the byte after it is decoded on its own.
      {"lead, blank", "\x81 ", kFffd + " "},
      {"lead, control", std::string("\x81\x09", 2), kFffd + "\t"},
      {"lead, NUL", std::string("\x81\x00z", 3), kFffd + std::string(1, '\0') + "z"},
      {"lead, DEL", "\x81\x7F", kFffd + "\x7F"},
      {"lead, half-width katakana", "\x81\xB5", kFffd + Utf8(0xFF75)},
      {"lead, undefined byte", "\x81\xFD", kFffd + kFffd},
      {"lead, undefined byte FF", "\x81\xFF", kFffd + kFffd},
      {"lead, trail 80 is a character", "\x81\x80", "\u00F7"},  // ÷
      {"unassigned pair", "\x85\x40", kFffd + "@"},
      {"unassigned pair, ASCII backslash", "\x85\x5C", kFffd + "\\"},
      {"unassigned pair then a character", "\x85\x81\x60", kFffd + Utf8(0xFF5E)},
      {"unassigned in row 2", "\x81\xAD", kFffd + Utf8(0xFF6D)},
      {"last IBM code, then past it", "\xFC\x4B\xFC\x4C", Utf8(0x9ED1) + kFffd + "L"},
      // A lead byte with nothing after it, alone or at the end of the line.
      {"lead alone", "\x81", kFffd},
      {"lead at the end", "abc\x81", "abc" + kFffd},
      {"lead at the end after a character", "\x88\x9F\xE0", Utf8(0x4E9C) + kFffd},
      {"two leads at the end", "x\x81\x81", "x" + Utf8(0xFF1D)},
      {"three leads at the end", "x\x81\x81\x81", "x" + Utf8(0xFF1D) + kFffd},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.bytes), c.expected) << c.name << ": " << Hex(c.bytes);
  }
}

TEST(DecodeCp932, EveryOneAndTwoByteSequenceFollowsTheTable) {
  // The whole two-byte space: a pair the table maps gives its character, a pair in the
  // user-defined area its private-use character, any other pair a replacement for the
  // lead byte and then the second byte decoded on its own.
  std::vector<std::string> differences;
  for (int b = 0; b < 0x100; ++b) {
    const std::string bytes(1, static_cast<char>(b));
    if (Table().lead_bytes.count(static_cast<uint8_t>(b)) != 0) continue;
    if (DecodeCp932(bytes) != ExpectedSingleByte(static_cast<uint8_t>(b))) {
      differences.push_back(Hex(bytes) + ": got " + Hex(DecodeCp932(bytes)));
    }
  }
  for (uint8_t lead : Table().lead_bytes) {
    for (int trail = 0; trail < 0x100; ++trail) {
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      const std::string bytes = BytesOf(code);
      std::string expected;
      if (auto it = Table().mappings.find(code); it != Table().mappings.end()) {
        expected = Utf8(it->second);
      } else if (InUserDefinedArea(lead, static_cast<uint8_t>(trail))) {
        expected = Utf8(UserDefinedChar(lead, static_cast<uint8_t>(trail)));
      } else if (Table().lead_bytes.count(static_cast<uint8_t>(trail)) != 0) {
        expected = kFffd + kFffd;  // the second byte is a lead byte at the end of the line
      } else {
        expected = kFffd + ExpectedSingleByte(static_cast<uint8_t>(trail));
      }
      const std::string got = DecodeCp932(bytes);
      if (got != expected) {
        differences.push_back(Hex(bytes) + ": got " + Hex(got) + ", expected " + Hex(expected));
      }
    }
  }
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
}

TEST(DecodeCp932, WhereCodePage932DiffersFromJisShiftJis) {
  struct Case {
    std::string bytes;
    char32_t expected;
  };
  const std::vector<Case> cases = {
      {"\x81\x60", 0xFF5E},  // ～ FULLWIDTH TILDE, not U+301C WAVE DASH
      {"\x81\x61", 0x2225},  // ∥ PARALLEL TO, not U+2016
      {"\x81\x7C", 0xFF0D},  // － FULLWIDTH HYPHEN-MINUS, not U+2212
      {"\x81\x91", 0xFFE0},  // ￠, not U+00A2
      {"\x81\x92", 0xFFE1},  // ￡, not U+00A3
      {"\x81\xCA", 0xFFE2},  // ￢, not U+00AC
      {"\x81\x5F", 0xFF3C},  // ＼ FULLWIDTH REVERSE SOLIDUS
      {"\x5C", 0x005C},      // \ not U+00A5 YEN SIGN
      {"\x7E", 0x007E},      // ~ not U+203E OVERLINE
      // NEC row 13, which plain Shift_JIS leaves undefined, and its duplicates.
      {"\x87\x40", 0x2460},  // ①
      {"\x87\x90", 0x2252},  // ≒, also 81 E0
      {"\x81\xE0", 0x2252},
      // The IBM extensions and their NEC-selected copies.
      {"\xFA\x40", 0x2170},  // ⅰ
      {"\xEE\xEF", 0x2170},
      {"\xFA\x54", 0xFFE2},  // ￢, also 81 CA
      {"\xEE\xF9", 0xFFE2},
      {"\xFB\xFC", 0x9AD9},  // 髙
      {"\xEE\xE0", 0x9AD9},
      // The characters the scenario format itself uses.
      {"\x81\x84", 0xFF1E},  // ＞
      {"\x81\x9C", 0x25CF},  // ●
      {"\x81\xA5", 0x25BC},  // ▼
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.bytes), Utf8(c.expected)) << Hex(c.bytes);
    // The same inside a line that also holds Japanese text.
    EXPECT_EQ(DecodeCp932("\x93\xFA" + c.bytes + "\x96\x7B"),
              Utf8(0x65E5) + Utf8(c.expected) + Utf8(0x672C))
        << Hex(c.bytes) << " between 日 and 本";
  }
  EXPECT_EQ(DecodeCp932("\x81\x84\x83\x4F\x83\x62\x83\x68"), "\uFF1E\u30B0\u30C3\u30C9");
  EXPECT_EQ(DecodeCp932("\x81\x84\x83\x6F\x83\x62\x83\x68"), "\uFF1E\u30D0\u30C3\u30C9");
}

TEST(DecodeCp932, TrailByte5CStaysInsideItsCharacter) {
  // ソ 表 能 十 ― all end in 0x5C; none of them may leave a backslash behind.
  EXPECT_EQ(DecodeCp932("\x83\x5C\x95\x5C\x94\x5C\x8F\x5C\x81\x5C"),
            "\u30BD\u8868\u80FD\u5341\u2015");
  EXPECT_EQ(DecodeCp932("C:\\\x95\x5C\\x"), "C:\\\u8868\\x");
}

TEST(DecodeCp932, UserDefinedAreaMapsToPrivateUseAsWindowsDoes) {
  std::vector<std::string> differences;
  size_t count = 0;
  for (int lead = 0xF0; lead <= 0xF9; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      ++count;
      const std::string bytes = BytesOf(static_cast<uint16_t>(lead << 8 | trail));
      const std::string expected =
          Utf8(UserDefinedChar(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)));
      if (DecodeCp932(bytes) != expected) {
        differences.push_back(Hex(bytes) + ": got " + Hex(DecodeCp932(bytes)) + ", expected " +
                              Hex(expected));
      }
    }
  }
  EXPECT_EQ(count, 1880u);
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
  EXPECT_EQ(DecodeCp932("\xF0\x40"), "\uE000");
  EXPECT_EQ(DecodeCp932("\xF9\xFC"), "\uE757");
}

TEST(DecodeCp932, AgreesWithTheEncodingRsVectorsWhereTheyHaveNoError) {
  const std::vector<std::string> input =
      SplitOnLf(ReadFileBytes(kTestData + "/cp932/shift_jis_in.txt"));
  const std::vector<std::string> reference =
      SplitOnLf(ReadFileBytes(kTestData + "/cp932/shift_jis_in_ref.txt"));
  ASSERT_EQ(input.size(), reference.size());
  ASSERT_GT(input.size(), 11000u);

  constexpr size_t kHeaderLines = 4;
  size_t compared = 0;
  size_t error_lines = 0;
  size_t private_use = 0;
  std::vector<std::string> differences;
  std::vector<std::string> error_differences;
  for (size_t i = kHeaderLines; i < input.size(); ++i) {
    const std::string got = DecodeCp932(input[i]);
    if (reference[i].find(kFffd) == std::string::npos) {
      ++compared;
      private_use += reference[i].starts_with("\xEE");  // U+E000 to U+EFFF
      if (got != reference[i]) {
        differences.push_back("line " + std::to_string(i + 1) + " " + Hex(input[i]) + ": got " +
                              Hex(got) + ", expected " + Hex(reference[i]));
      }
      continue;
    }
    // An error line: a lead byte whose pair means nothing. Windows replaces the lead byte
    // alone and reads the byte after it again, where the web decoder may swallow both.
    ++error_lines;
    ASSERT_EQ(input[i].size(), 2u) << "line " << i + 1;
    const auto trail = static_cast<uint8_t>(input[i][1]);
    const std::string expected =
        kFffd + (Table().lead_bytes.count(trail) != 0 ? kFffd : ExpectedSingleByte(trail));
    if (got != expected) {
      error_differences.push_back("line " + std::to_string(i + 1) + " " + Hex(input[i]) + ": got " +
                                  Hex(got) + ", expected " + Hex(expected));
    }
  }
  EXPECT_EQ(error_lines, 1676u);
  EXPECT_EQ(private_use, 1880u);
  EXPECT_GT(compared, 9500u);
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
  EXPECT_TRUE(error_differences.empty()) << Summarize(error_differences);
}

TEST(DecodeCp932, EmptyAndAsciiLinesComeBackUnchanged) {
  EXPECT_EQ(DecodeCp932(""), "");
  EXPECT_EQ(DecodeCp932("tugi"), "tugi");
  const std::string all_ascii = [] {
    std::string s;
    for (int c = 0; c < 0x80; ++c) s += static_cast<char>(c);
    return s;
  }();
  EXPECT_EQ(DecodeCp932(all_ascii), all_ascii);
}

TEST(DecodeCp932, LongLinesAreDecodedWhole) {
  // Longer than any fixed chunk a converter might use, with characters of both widths.
  std::string bytes;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    bytes +=
        "\x82\xA0"
        "a\xB1";  // あ a ｱ
    expected += "\u3042a\uFF71";
  }
  bytes += "\x81";
  expected += kFffd;
  EXPECT_EQ(DecodeCp932(bytes), expected);
}

// Saving an editor's text: every character of the table is written as one of its codes,
// so that reading the file back gives the text again.
TEST(EncodeCp932, EveryCharacterOfTheTableIsWrittenAsOneOfItsCodes) {
  std::map<char32_t, std::set<uint16_t>> codes;
  for (const auto& [code, c] : Table().mappings) codes[c].insert(code);
  std::vector<std::string> differences;
  for (const auto& [c, its_codes] : codes) {
    const Cp932Text saved = EncodeCp932(Utf8(c));
    const bool one_of_its = std::any_of(its_codes.begin(), its_codes.end(), [&](uint16_t code) {
      return BytesOf(code) == saved.bytes;
    });
    if (!saved.lacking.empty() || !one_of_its) {
      differences.push_back(Hex(Utf8(c)) + ": written " + Hex(saved.bytes));
    }
  }
  EXPECT_TRUE(differences.empty()) << Summarize(differences);
}

TEST(EncodeCp932, CharactersTheCodePageLacksAreWrittenAsQuestionMarksAndPlaced) {
  // "あ🌸a𠮷é", a byte that is no UTF-8, then "ｱ".
  const std::string text = "\u3042\U0001F338a\U00020BB7\u00E9\xFF\uFF71";
  const Cp932Text saved = EncodeCp932(text);
  EXPECT_EQ(Hex(saved.bytes), "82 A0 3F 61 3F 3F 3F B1");
  EXPECT_EQ(saved.lacking, (std::vector<size_t>{3, 8, 12, 14}));
  EXPECT_EQ(DecodeCp932(saved.bytes), "\u3042?a???\uFF71");
}

}  // namespace
}  // namespace tavrin
