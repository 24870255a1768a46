// SPDX-License-Identifier: MIT
#include "lsp_game.h"

#include <sstream>
#include <stdexcept>

#include "support/file_bytes.h"
#include "../check/check_scenarios.h"
#include "game_files/cp932.h"
#include "scenario/line_kind.h"

namespace tavrin::bench {

EditedGame::EditedGame(uint64_t lines) {
  lines_ = WriteCleanGame(folder_.path(), lines);
  text_ = DecodeCp932(test_support::ReadFileBytes(folder_.path() / "dat.dat"));
  uri_ = "file://" + (folder_.path() / "dat.dat").string();
  // The first text line past the middle whose next line is text too: changing it changes
  // no page's end.
  std::istringstream in(text_);
  std::string line, next;
  std::getline(in, line);
  for (uint64_t number = 0; std::getline(in, next); ++number, line = next) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view after = std::string_view(next).substr(0, next.size() - 1);
    if (number >= lines_ / 2 && KindOfLine(line) == LineKind::Text &&
        KindOfLine(after) == LineKind::Text) {
      changed_line_ = number;
      return;
    }
  }
  throw std::runtime_error("the game has no text line to change");
}

nlohmann::json EditedGame::Initialize() const {
  return {{"jsonrpc", "2.0"},
          {"id", 1},
          {"method", "initialize"},
          {"params", {{"capabilities", nlohmann::json::object()}}}};
}

nlohmann::json EditedGame::Open() const {
  return {{"jsonrpc", "2.0"},
          {"method", "textDocument/didOpen"},
          {"params",
           {{"textDocument",
             {{"uri", uri_}, {"languageId", "tavrin"}, {"version", 1}, {"text", text_}}}}}};
}

nlohmann::json EditedGame::Change(int64_t version) const {
  const nlohmann::json start = {{"line", changed_line_}, {"character", 0}};
  const nlohmann::json end = {{"line", changed_line_ + 1}, {"character", 0}};
  return {{"jsonrpc", "2.0"},
          {"method", "textDocument/didChange"},
          {"params",
           {{"textDocument", {{"uri", uri_}, {"version", version}}},
            {"contentChanges",
             {{{"range", {{"start", start}, {"end", end}}},
               {"text", "書き直した一行 " + std::to_string(version) + "\r\n"}}}}}}};
}

}  // namespace tavrin::bench
