// SPDX-License-Identifier: MIT
#include "app/lsp/published_diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "app/lsp/protocol_ranges.h"
#include "app/lsp/text_document.h"
#include "game_files/utf8.h"

namespace tavrin::lsp {
namespace {

using nlohmann::json;

int SeverityNumber(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return 1;
    case Severity::Warning:
      return 2;
    case Severity::Note:
      return 3;
  }
  return 3;
}

json Finding(json range, Severity severity, std::string message) {
  return {{"range", std::move(range)},
          {"severity", SeverityNumber(severity)},
          {"source", "tavrin"},
          {"message", std::move(message)}};
}

char32_t CodePointAt(std::string_view text, size_t i) {
  const Utf8Character c = ReadUtf8(text, i);
  return c.length == 0 ? U'\uFFFD' : c.code;
}

// What saving loses of the character at `at`, and of `more` after it on its line.
std::string LostCharacters(std::string_view text, size_t at, size_t more) {
  const char32_t c = CodePointAt(text, at);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  const size_t length =
      std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
  std::string message = "\"" + std::string(text.substr(at, length)) + "\" (" + code +
                        ") has no form in code page 932 (Shift-JIS)";
  if (more > 0) message += ", nor " + std::to_string(more) + " more on this line";
  message +=
      std::string(": saving the file writes \"?\" in ") + (more > 0 ? "their places" : "its place");
  // The marks of a file read in another encoding than its own.
  if (c == 0xFFFD || (c >= 0x80 && c <= 0xFF)) {
    message += "; the file seems opened in another encoding: open it as Shift-JIS (code page 932)";
  }
  return message;
}

// The characters saving would lose, one diagnostic for each line that has any.
void AddLostCharacters(const TextDocument& text, const Cp932Text& saved, PositionEncoding encoding,
                       json& diagnostics) {
  for (size_t i = 0; i < saved.lacking.size();) {
    const size_t at = saved.lacking[i];
    const TextPosition start = text.PositionAt(at, encoding);
    size_t more = 0;
    while (i + 1 + more < saved.lacking.size() &&
           text.PositionAt(saved.lacking[i + 1 + more], encoding).line == start.line) {
      ++more;
    }
    const std::string message = LostCharacters(text.Text(), at, more);
    const size_t end = at + SequenceLength(static_cast<unsigned char>(text.Text()[at]));
    diagnostics.push_back(
        Finding(RangeJson(start, text.PositionAt(end, encoding)), Severity::Error, message));
    i += 1 + more;
  }
}

// Where the choice `caption` of a trail that ends before line `bound` was taken: the label
// it read to nearest before `bound`, or the first one.
uint64_t ChoiceLine(const PathFacts& facts, const std::string& caption, uint64_t bound) {
  const auto found = facts.chosen_labels.find(caption);
  if (found == facts.chosen_labels.end() || found->second.empty()) return 0;
  const std::vector<uint64_t>& lines = found->second;
  const auto after = std::lower_bound(lines.begin(), lines.end(), bound);
  return after == lines.begin() ? lines.front() : *(after - 1);
}

json Trail(const std::vector<std::string>& after, uint64_t line, const DocumentState& document,
           const PathFacts& facts, PositionEncoding encoding) {
  json related = json::array();
  uint64_t bound = line == 0 ? UINT64_MAX : line;
  for (size_t i = after.size(); i-- > 0;) {
    const bool left_out = after[i] == "\u2026";
    const uint64_t at = left_out ? 0 : ChoiceLine(facts, after[i], bound);
    if (at != 0) bound = at;
    const uint64_t shown = at != 0 ? at : bound == UINT64_MAX ? 1 : bound;
    related.push_back(
        {{"location", LocationJson(document.Uri(), LineRange(document.Text(), shown, encoding))},
         {"message", left_out ? std::string("after earlier choices, left out")
                              : "after \"" + after[i] + "\""}});
  }
  std::reverse(related.begin(), related.end());
  return related;
}

std::string WithTrail(std::string message, const std::vector<std::string>& after) {
  if (after.empty()) return message;
  message += " (after: ";
  for (size_t i = 0; i < after.size(); ++i) {
    message += i == 0 ? "" : ", ";
    message += after[i] == "\u2026" ? after[i] : "\"" + after[i] + "\"";
  }
  return message + ")";
}

// The range of a finding: its character when it names a column (counted in characters from
// 1), otherwise its whole line.
json FindingRange(const TextDocument& text, const Diagnostic& d, PositionEncoding encoding) {
  if (d.file != "dat.dat" || d.line == 0) return LineRange(text, 1, encoding);
  if (d.column == 0) return LineRange(text, d.line, encoding);
  const std::string_view line = text.Line(static_cast<size_t>(d.line - 1));
  size_t begin = 0;
  for (uint64_t k = 1; k < d.column && begin < line.size(); ++k) {
    begin += SequenceLength(static_cast<unsigned char>(line[begin]));
  }
  begin = std::min(begin, line.size());
  const size_t end =
      begin < line.size()
          ? std::min(begin + SequenceLength(static_cast<unsigned char>(line[begin])), line.size())
          : begin;
  const uint64_t row = d.line - 1;
  return RangeJson({row, Units(line.substr(0, begin), encoding)},
                   {row, Units(line.substr(0, end), encoding)});
}

}  // namespace

json PublishedDiagnostics(DocumentState& document, PositionEncoding encoding,
                          bool related_information) {
  json diagnostics = json::array();
  AddLostCharacters(document.Text(), document.Scenario().Saved(), encoding, diagnostics);
  if (const DocumentCheck* check = document.LastCheck()) {
    for (const Diagnostic& d : check->findings.diagnostics.Sorted()) {
      json finding = Finding(FindingRange(document.Text(), d, encoding), d.severity,
                             WithTrail(d.message, d.after));
      if (related_information && !d.after.empty()) {
        finding["relatedInformation"] = Trail(d.after, d.line, document, check->facts, encoding);
      }
      diagnostics.push_back(std::move(finding));
    }
  }
  return {{"uri", document.Uri()},
          {"version", document.CheckedVersion()},
          {"diagnostics", std::move(diagnostics)}};
}

json ClearedDiagnostics(const std::string& uri) {
  return {{"uri", uri}, {"diagnostics", json::array()}};
}

}  // namespace tavrin::lsp
