// SPDX-License-Identifier: MIT
#include "app/check/check_report.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace tavrin {
namespace {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Note:
      return "note";
  }
  return "note";
}

std::string Counted(uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Counted(const PathCount& count, const char* one, const char* many) {
  return count.ToString() + " " + (count == PathCount(1) ? one : many);
}

std::string Ending(const char* name, const EndingReached& ending) {
  std::string text = std::string(name) + " (" + Counted(ending.paths, "path", "paths") + ", score ";
  text += std::to_string(ending.lowest_score);
  if (ending.highest_score != ending.lowest_score) {
    text += " to " + std::to_string(ending.highest_score);
  }
  return text + ")";
}

nlohmann::ordered_json EndingJson(const EndingReached& ending) {
  if (!ending.Reached()) return nullptr;
  return {{"paths", ending.paths.ToString()},
          {"lowest_score", ending.lowest_score},
          {"highest_score", ending.highest_score}};
}

// Text from the scenario as it may go to a terminal: control characters (C0, DEL and C1,
// which carry a terminal's escape sequences) are written as escapes, \xNN or \u00NN.
std::string Printable(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      out += {'\\', 'u', '0', '0', kHex[next >> 4], kHex[next & 0xF]};
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

std::string Dump(const nlohmann::ordered_json& json) {
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

void WriteTextReport(std::ostream& out, const Diagnostics& diagnostics,
                     const CheckSummary& summary) {
  for (const Diagnostic& d : diagnostics.Sorted()) {
    out << d.file;
    if (d.line != 0) out << ':' << d.line;
    if (d.column != 0) out << ':' << d.column;
    out << ": " << SeverityName(d.severity) << ": " << Printable(d.message);
    if (!d.after.empty()) {
      out << " (after: ";
      for (size_t i = 0; i < d.after.size(); ++i) {
        out << (i == 0 ? "" : ", ")
            << (d.after[i] == "\u2026" ? d.after[i] : '"' + Printable(d.after[i]) + '"');
      }
      out << ')';
    }
    out << '\n';
  }

  std::string endings;
  if (summary.good.Reached()) endings = Ending("good", summary.good);
  if (summary.bad.Reached()) endings += (endings.empty() ? "" : ", ") + Ending("bad", summary.bad);
  out << "dat.dat: " << Counted(diagnostics.Count(Severity::Error), "error", "errors") << ", "
      << Counted(diagnostics.Count(Severity::Warning), "warning", "warnings") << ", "
      << Counted(diagnostics.Count(Severity::Note), "note", "notes") << "; "
      << Counted(summary.lines, "line", "lines") << ", "
      << Counted(summary.questions, "question", "questions") << ", "
      << Counted(summary.paths, "path", "paths") << "; " << Counted(summary.pages, "page", "pages")
      << ", the longest " << summary.longest_page_rows[0] << " rows on a "
      << summary.screen_heights[0] << "-pixel screen and " << summary.longest_page_rows[1]
      << " on a " << summary.screen_heights[1] << "-pixel one; pictures: " << summary.pictures_shown
      << " found, " << summary.pictures_not_shown
      << " missing or broken; endings: " << (endings.empty() ? "none reached" : endings)
      << "; music: " << summary.music << '\n';
}

void WriteJsonReport(std::ostream& out, const Diagnostics& diagnostics,
                     const CheckSummary& summary) {
  for (const Diagnostic& d : diagnostics.Sorted()) {
    const nlohmann::ordered_json line = {
        {"file", d.file},
        {"line", d.line == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.line)},
        {"column",
         d.column == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.column)},
        {"severity", SeverityName(d.severity)},
        {"message", d.message},
        {"after", d.after},
    };
    out << Dump(line) << '\n';
  }
  nlohmann::ordered_json rows;
  for (int i = 0; i < 2; ++i) {
    rows[std::to_string(summary.screen_heights[i])] = summary.longest_page_rows[i];
  }
  const nlohmann::ordered_json report = {
      {"summary",
       {
           {"errors", diagnostics.Count(Severity::Error)},
           {"warnings", diagnostics.Count(Severity::Warning)},
           {"notes", diagnostics.Count(Severity::Note)},
           {"lines", summary.lines},
           {"questions", summary.questions},
           {"paths", summary.paths.ToString()},
           {"pages", summary.pages},
           {"longest_page_rows", rows},
           {"pictures",
            {{"found", summary.pictures_shown}, {"missing", summary.pictures_not_shown}}},
           {"endings", {{"good", EndingJson(summary.good)}, {"bad", EndingJson(summary.bad)}}},
           {"music", summary.music},
           {"complete", !summary.cut_short},
       }},
  };
  out << Dump(report) << '\n';
  out.flush();
}

}  // namespace tavrin
