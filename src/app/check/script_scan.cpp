// SPDX-License-Identifier: MIT
#include "app/check/script_scan.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "game_files/cp932.h"
#include "scenario/line_kind.h"
#include "scenario/script_file.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

size_t CodePoints(std::string_view utf8) {
  size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

// The bytes of one line that code page 932 does not hold, reported at the first of them.
Diagnostic UndecodableByte(uint64_t line, std::string_view raw, const std::vector<size_t>& at) {
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(raw[at.front()]));
  Diagnostic diagnostic;
  diagnostic.line = line;
  diagnostic.column = CodePoints(DecodeCp932(raw.substr(0, at.front()))) + 1;
  diagnostic.severity = Severity::Warning;
  diagnostic.message =
      std::string("byte ") + byte + " is not code page 932 (Shift-JIS): the reader sees \"\uFFFD\"";
  if (at.size() > 1) {
    diagnostic.message += " (and " + std::to_string(at.size() - 1) + " more on this line)";
  }
  return diagnostic;
}

// A run of lines that no path uses, holding text.
struct UnusedText {
  uint64_t first = 0;  // its first text line
  uint64_t last = 0;   // its last text line
  uint64_t lines = 0;  // text lines in it
};

void ReportUnused(const UnusedText& run, Diagnostics& diagnostics) {
  if (run.lines == 0) return;
  Diagnostic diagnostic;
  diagnostic.line = run.first;
  diagnostic.severity = Severity::Warning;
  diagnostic.message = run.lines == 1 ? "no path shows this line of text"
                                      : "no path shows this line of text, nor the " +
                                            std::to_string(run.lines - 1) + " more up to line " +
                                            std::to_string(run.last);
  diagnostics.Add(std::move(diagnostic));
}

}  // namespace

void ScanScript(const GameFile& file, const LineRanges& used_lines,
                Diagnostics& diagnostics, CheckSummary& summary) {
  ScriptFile script;
  if (!script.Open(file)) return;

  const std::vector<std::pair<uint64_t, uint64_t>> used = used_lines.Ranges();
  size_t next_used = 0;  // the first range that does not end before the line read
  bool utf8 = true;
  uint64_t first_non_ascii = 0;
  bool byte_order_mark = false;
  std::vector<Diagnostic> bad_bytes;
  UnusedText unused;

  while (script.ReadRawLine()) {
    const uint64_t number = script.LineNumber();
    const std::string_view raw = script.RawLine();
    if (number == 1) byte_order_mark = raw.starts_with(kByteOrderMark);
    if (!IsAscii(raw)) {
      if (first_non_ascii == 0) first_non_ascii = number;
      utf8 = utf8 && IsValidUtf8(raw);
      const std::vector<size_t> at = UndecodableBytes(raw);
      if (!at.empty()) bad_bytes.push_back(UndecodableByte(number, raw, at));
    }

    while (next_used < used.size() && used[next_used].second < number) ++next_used;
    if (next_used < used.size() && used[next_used].first <= number) {
      ReportUnused(unused, diagnostics);
      unused = {};
      // "-qst" is ASCII, and no line that starts with it is of another kind.
      if (raw.starts_with("-qst")) ++summary.questions;
    } else if (KindOfLine(DecodeCp932(raw)) == LineKind::Text) {
      if (unused.lines++ == 0) unused.first = number;
      unused.last = number;
    }
  }
  ReportUnused(unused, diagnostics);
  summary.lines = script.LineNumber();

  const bool saved_as_utf8 = utf8 && first_non_ascii != 0;
  if (byte_order_mark || saved_as_utf8) {
    Diagnostic diagnostic;
    diagnostic.line = byte_order_mark ? 1 : first_non_ascii;
    diagnostic.severity = Severity::Error;
    const std::string convert =
        "; the player reads code page 932 (Shift-JIS): convert the file with ";
    if (!saved_as_utf8) {
      diagnostic.message =
          "dat.dat starts with a UTF-8 byte-order mark, which the player shows "
          "as text: remove its first three bytes";
    } else if (byte_order_mark) {
      diagnostic.message =
          "dat.dat is saved as UTF-8 with a byte-order mark, so its Japanese "
          "shows as garbage" +
          convert +
          "sed '1s/^\\xEF\\xBB\\xBF//' dat.dat | iconv -f UTF-8 -t CP932 > "
          "dat-cp932.dat and rename dat-cp932.dat to dat.dat";
    } else {
      diagnostic.message = "dat.dat is saved as UTF-8, so its Japanese shows as garbage" + convert +
                           "iconv -f UTF-8 -t CP932 dat.dat > dat-cp932.dat and rename "
                           "dat-cp932.dat to dat.dat";
    }
    diagnostics.Add(std::move(diagnostic));
  }
  if (!saved_as_utf8) {
    // In a file saved in another encoding every line is wrong, and one message says so.
    for (Diagnostic& diagnostic : bad_bytes) diagnostics.Add(std::move(diagnostic));
  }
}

}  // namespace tavrin
