// SPDX-License-Identifier: MIT
// Reading a scenario file line by line: line ends, the end of the file, the read buffer's
// boundary, and real Shift-JIS texts.
#include "scenario/script_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "game_files/cp932.h"
#include "support/code_points.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

const std::string kTestData = TAVRIN_TESTDATA_DIR;
constexpr size_t kBufferSize = 64 * 1024;  // the reader's buffer, whose edges are tested

class ScriptFileTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& bytes, const std::string& name = "dat.dat") {
    return folder_.Write(name, bytes);
  }

  // Every line of the file, checking on the way that AtEnd announces each ReadLine result.
  static std::vector<std::string> ReadAll(ScriptFile& file) {
    std::vector<std::string> lines;
    for (;;) {
      const bool at_end = file.AtEnd();
      EXPECT_EQ(file.AtEnd(), at_end) << "AtEnd must not consume anything";
      std::optional<std::string> line = file.ReadLine();
      EXPECT_EQ(at_end, !line.has_value()) << "after " << lines.size() << " lines";
      if (!line) break;
      lines.push_back(std::move(*line));
    }
    EXPECT_TRUE(file.AtEnd());
    EXPECT_FALSE(file.ReadLine().has_value()) << "a read past the end";
    return lines;
  }

  std::vector<std::string> LinesOf(const std::string& bytes) {
    ScriptFile file;
    EXPECT_TRUE(file.Open(Write(bytes)));
    return ReadAll(file);
  }

  test_support::TempFolder folder_{"script-file"};
  const fs::path& dir_ = folder_.Path();
};

using Lines = std::vector<std::string>;

TEST_F(ScriptFileTest, LineEnds) {
  struct Case {
    const char* name;
    std::string bytes;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"lone CR", "a\rb\r", {"a", "b"}},
      {"lone LF", "a\nb\n", {"a", "b"}},
      {"mixed", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"no line end at the end", "a\r\nb", {"a", "b"}},
      {"one final CR LF makes no empty line", "a\r\n", {"a"}},
      {"two final CR LF make a final empty line", "a\r\n\r\n", {"a", ""}},
      {"empty lines inside", "a\r\n\r\n\r\nb", {"a", "", "", "b"}},
      {"a lone CR LF", "\r\n", {""}},
      {"a lone CR", "\r", {""}},
      {"a lone LF", "\n", {""}},
      {"blanks and tabs are kept", " \r\n\t x \t\r\n", {" ", "\t x \t"}},
      {"NUL is an ordinary byte", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
      {"Shift-JIS lines",
       "\x82\xA0\x82\xA2\r\n\x81\x84\x83\x4F\x83\x62\x83\x68\r\n",
       {"\u3042\u3044", "\uFF1E\u30B0\u30C3\u30C9"}},
      {"a bad byte spoils only its own line", "a\x80\r\n\x82\xA0", {"a\uFFFD", "\u3042"}},
      {"a lead byte before the line end", "\x81\r\nb", {"\uFFFD", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinesOf(c.bytes), c.lines) << c.name;
  }
}

TEST_F(ScriptFileTest, LastLineWithoutLineEndReadsLikeOneWithIt) {
  for (const std::string body : {"a", "a\r\nb", "\x82\xA0\r\n\x81\x9C", "a\r\n\r\nb", "x\ry\nz"}) {
    EXPECT_EQ(LinesOf(body), LinesOf(body + "\r\n")) << body;
    EXPECT_EQ(LinesOf(body + "\r\n\r\n").size(), LinesOf(body).size() + 1) << body;
  }
}

TEST_F(ScriptFileTest, EmptyFileIsAtEndAtOnce) {
  ScriptFile file;
  ASSERT_TRUE(file.Open(Write("")));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.AtEnd());
  EXPECT_FALSE(file.ReadLine().has_value());
  EXPECT_TRUE(file.AtEnd());
}

TEST_F(ScriptFileTest, LineEndsAtTheEdgeOfTheBuffer) {
  // A line of n bytes, then the line end, then "y": the line end's bytes fall before, on
  // and after the point where the buffer is refilled.
  struct Ending {
    const char* name;
    std::string bytes;
    Lines after;  // the lines that follow the long one
  };
  const std::vector<Ending> endings = {
      {"CR LF", "\r\ny", {"y"}},
      {"CR", "\ry", {"y"}},
      {"LF", "\ny", {"y"}},
      {"LF CR", "\n\ry", {"", "y"}},
      {"CR LF CR LF", "\r\n\r\ny", {"", "y"}},
      {"CR LF at the very end", "\r\n", {}},
      {"CR at the very end", "\r", {}},
  };
  for (const Ending& e : endings) {
    for (size_t n = kBufferSize - 3; n <= kBufferSize + 1; ++n) {
      Lines expected = {std::string(n, 'x')};
      expected.insert(expected.end(), e.after.begin(), e.after.end());
      EXPECT_EQ(LinesOf(std::string(n, 'x') + e.bytes), expected) << e.name << " after " << n;
    }
  }
}

TEST_F(ScriptFileTest, DoubleByteCharacterAcrossTheEdgeOfTheBuffer) {
  // ソ is 83 5C and 表 is 95 5C: the halves must meet again before decoding, and the 0x5C
  // must not be taken on its own.
  for (size_t n = kBufferSize - 2; n <= kBufferSize; ++n) {
    const std::string bytes = std::string(n, 'x') + "\x83\x5C\x95\x5C\r\n\x82\xA0";
    EXPECT_EQ(LinesOf(bytes), (Lines{std::string(n, 'x') + "\u30BD\u8868", "\u3042"})) << n;
  }
}

TEST_F(ScriptFileTest, FileThatEndsExactlyAtTheEdgeOfTheBuffer) {
  EXPECT_EQ(LinesOf(std::string(kBufferSize - 2, 'x') + "\r\n"),
            (Lines{std::string(kBufferSize - 2, 'x')}));
  EXPECT_EQ(LinesOf(std::string(kBufferSize, 'x')), (Lines{std::string(kBufferSize, 'x')}));
  EXPECT_EQ(LinesOf(std::string(kBufferSize - 1, 'x') + "\r"),
            (Lines{std::string(kBufferSize - 1, 'x')}));
}

TEST_F(ScriptFileTest, LinesLongerThanTheBuffer) {
  // Three long lines of Japanese text with ASCII between, each several buffers long.
  std::string bytes;
  Lines expected;
  for (int line = 0; line < 3; ++line) {
    std::string raw;
    std::string text;
    for (int i = 0; i < 60000 + line * 7; ++i) {
      raw +=
          "\x8F\x5C"
          "a";  // 十 a
      text += "\u5341a";
    }
    bytes += raw + "\r\n";
    expected.push_back(text);
  }
  bytes += "end";
  expected.push_back("end");
  EXPECT_EQ(LinesOf(bytes), expected);
}

TEST_F(ScriptFileTest, ManyShortLinesAcrossSeveralBuffers) {
  std::string bytes;
  Lines expected;
  for (int i = 0; i < 40000; ++i) {
    const std::string number = std::to_string(i);
    switch (i % 4) {
      case 0:
        bytes += number + "\r\n";
        expected.push_back(number);
        break;
      case 1:
        bytes += "\x82\xA0" + number + "\r";
        expected.push_back("\u3042" + number);
        break;
      case 2:
        bytes += "\r\n";
        expected.push_back("");
        break;
      case 3:
        bytes += "+" + number + "\n";
        expected.push_back("+" + number);
        break;
    }
  }
  ASSERT_GT(bytes.size(), 3 * kBufferSize);
  EXPECT_EQ(LinesOf(bytes), expected);
}

TEST_F(ScriptFileTest, WhatCannotBeOpened) {
  ScriptFile file;
  EXPECT_FALSE(file.Open(dir_ / "missing.dat"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.AtEnd());
  EXPECT_FALSE(file.ReadLine().has_value());

  fs::create_directory(dir_ / "dat.dat");
  EXPECT_FALSE(file.Open(dir_ / "dat.dat"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.ReadLine().has_value());
}

TEST_F(ScriptFileTest, FailedOpenLeavesNothingOfThePreviousFileOpen) {
  ScriptFile file;
  ASSERT_TRUE(file.Open(Write("a\r\nb\r\n")));
  EXPECT_EQ(file.ReadLine(), "a");
  EXPECT_FALSE(file.Open(dir_ / "missing.dat"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.ReadLine().has_value());
}

TEST_F(ScriptFileTest, CloseAndReopen) {
  ScriptFile file;
  file.Close();  // nothing open: harmless
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.AtEnd());

  const fs::path first = Write("one\r\ntwo\r\n", "first.dat");
  const fs::path second = Write("uno\r\n", "second.dat");
  ASSERT_TRUE(file.Open(first));
  EXPECT_EQ(file.ReadLine(), "one");
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.AtEnd());
  EXPECT_FALSE(file.ReadLine().has_value());
  file.Close();

  // Opening again starts from the first line, and opening another file replaces the first.
  ASSERT_TRUE(file.Open(first));
  EXPECT_EQ(file.ReadLine(), "one");
  ASSERT_TRUE(file.Open(second));
  EXPECT_EQ(ReadAll(file), (Lines{"uno"}));
  ASSERT_TRUE(file.Open(first));
  EXPECT_EQ(ReadAll(file), (Lines{"one", "two"}));
}

TEST_F(ScriptFileTest, PartlyReadFileAfterABufferRefillReopensFromTheStart) {
  // State left over from a previous file (a half-used buffer) must not leak into the next.
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "line " + std::to_string(i) + "\r\n";
  const fs::path path = Write(bytes);
  ScriptFile file;
  ASSERT_TRUE(file.Open(path));
  for (int i = 0; i < 15000; ++i) ASSERT_TRUE(file.ReadLine().has_value());
  EXPECT_EQ(file.ReadLine(), "line 15000");
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.ReadLine(), "line 0");
}

using test_support::CodePoints;

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The characters of code page 932 whose second byte is 0x5C, decoded.
std::vector<std::string> CharactersWithTrail5C() {
  std::vector<std::string> chars;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    const std::string decoded = DecodeCp932(std::string{static_cast<char>(lead), '\x5C'});
    if (decoded.find("\uFFFD") == std::string::npos) chars.push_back(decoded);
  }
  return chars;
}

struct TextFile {
  const char* name;
  size_t lines;
  size_t characters;  // without line ends, as an independent decoder counts them
  size_t trail_5c;    // characters whose second byte is 0x5C
  Lines first_lines;
};

TEST_F(ScriptFileTest, ReturningToAPositionReadsTheSameLinesAgain) {
  // Lines of every length and line end, some across the buffer's edges, CR LF among them
  // split by an edge; then every line again from its position, in a scattered order that
  // goes back and forth within the buffer and across it.
  std::string bytes;
  const char* ends[] = {"\r\n", "\r", "\n"};
  for (int i = 0; bytes.size() < 3 * kBufferSize; ++i) {
    bytes += std::string(static_cast<size_t>(i * 37 % 1500), static_cast<char>('a' + i % 26));
    bytes += std::to_string(i) + ends[i % 3];
  }
  ScriptFile file;
  ASSERT_TRUE(file.Open(Write(bytes)));
  std::vector<ScriptPosition> positions;
  Lines lines;
  for (;;) {
    positions.push_back(file.Position());
    std::optional<std::string> line = file.ReadLine();
    if (!line) break;
    EXPECT_EQ(file.LineNumber(), lines.size() + 1);
    lines.push_back(std::move(*line));
  }
  EXPECT_EQ(positions.back().offset, bytes.size());
  for (size_t k = 0; k < lines.size(); ++k) {
    const size_t i = k * 7919 % lines.size();
    ASSERT_TRUE(file.Seek(positions[i]));
    std::optional<std::string> line = file.ReadLine();
    ASSERT_TRUE(line.has_value()) << "line " << i + 1;
    EXPECT_EQ(*line, lines[i]) << "line " << i + 1;
    EXPECT_EQ(file.LineNumber(), i + 1);
    EXPECT_EQ(file.Position(), positions[i + 1]);
  }
  ASSERT_TRUE(file.Seek(positions.back()));
  EXPECT_FALSE(file.ReadLine().has_value());
}

TEST_F(ScriptFileTest, JapaneseTexts) {
  const std::vector<TextFile> texts = {
      {"rashomon.txt",
       68,
       6997,
       10,
       {"\u7F85\u751F\u9580", "\u82A5\u5DDD\u9F8D\u4E4B\u4ECB", "",
        "-------------------------------------------------------"}},
      {"jigokuhen_shohan.txt",
       236,
       29727,
       269,
       {"\u5730\u7344\u8B8A", "\u82A5\u5DDD\u9F8D\u4E4B\u4ECB", "",
        "-------------------------------------------------------"}},
  };
  const std::vector<std::string> with_5c = CharactersWithTrail5C();
  ASSERT_GT(with_5c.size(), 30u);
  for (const TextFile& t : texts) {
    SCOPED_TRACE(t.name);
    ScriptFile file;
    ASSERT_TRUE(file.Open(kTestData + "/text/" + t.name));
    const Lines lines = ReadAll(file);
    ASSERT_EQ(lines.size(), t.lines);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4), t.first_lines);

    size_t characters = 0;
    size_t trail_5c = 0;
    for (const std::string& line : lines) {
      characters += CodePoints(line);
      for (const std::string& c : with_5c) trail_5c += Occurrences(line, c);
      EXPECT_EQ(line.find('\\'), std::string::npos) << "a trail byte 5C came loose: " << line;
      EXPECT_EQ(line.find("\uFFFD"), std::string::npos) << line;
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    EXPECT_EQ(characters, t.characters);
    EXPECT_EQ(trail_5c, t.trail_5c);
    // Every text ends with the same colophon sentence of the digital library.
    EXPECT_TRUE(lines.back().starts_with("\u3053\u306E\u30D5\u30A1\u30A4\u30EB\u306F"))
        << lines.back();
  }
}

TEST_F(ScriptFileTest, RashomonColophonKeepsTheFullWidthTilde) {
  ScriptFile file;
  ASSERT_TRUE(file.Open(kTestData + "/text/rashomon.txt"));
  const Lines lines = ReadAll(file);
  ASSERT_EQ(lines.size(), 68u);
  // 81 60 is the full-width tilde in code page 932, not the wave dash.
  EXPECT_EQ(lines[61],
            "\u3000\u3000\u30001971\uFF08\u662D\u548C46\uFF09\u5E743\u6708\uFF5E"
            "1971\uFF08\u662D\u548C46\uFF09\u5E7411\u6708");
  size_t tildes = 0;
  for (const std::string& line : lines) {
    tildes += Occurrences(line, "\uFF5E");
    EXPECT_EQ(line.find("\u301C"), std::string::npos) << "a wave dash: " << line;
  }
  EXPECT_EQ(tildes, 1u);
}

TEST_F(ScriptFileTest, JigokuhenRepeatMarksUseTheFullWidthReverseSolidus) {
  ScriptFile file;
  ASSERT_TRUE(file.Open(kTestData + "/text/jigokuhen_shohan.txt"));
  size_t reverse_solidus = 0;
  size_t hyphen_minus = 0;
  for (std::optional<std::string> line; (line = file.ReadLine());) {
    reverse_solidus += Occurrences(*line, "\uFF3C");  // 81 5F
    hyphen_minus += Occurrences(*line, "\uFF0D");     // 81 7C
  }
  EXPECT_EQ(reverse_solidus, 48u);
  EXPECT_EQ(hyphen_minus, 2u);
}

}  // namespace
}  // namespace tavrin
