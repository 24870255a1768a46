// SPDX-License-Identifier: MIT
#include "app/lsp/navigation.h"

#include <algorithm>

#include "app/lsp/protocol_ranges.h"
#include "scenario/line_kind.h"

namespace tavrin::lsp {
namespace {

using nlohmann::json;

// The protocol's symbol kinds used here.
enum SymbolKind { kConstant = 14, kKey = 20, kEnumMember = 22, kEvent = 24 };

json LineLocation(DocumentState& document, uint64_t line, PositionEncoding encoding) {
  return LocationJson(document.Uri(), LineRange(document.Text(), line, encoding));
}

struct Symbol {
  std::string name;
  std::string detail;
  int kind = kKey;
  uint64_t first = 0;  // lines, from 1
  uint64_t last = 0;
  uint64_t selected = 0;
  std::vector<Symbol> children;
};

std::string QuestionName(const EditedScenario& scenario, const ScriptOutline::Question& q) {
  std::string name = scenario.Line(q.captions[0]);
  if (q.captions[1] != 0) name += " / " + scenario.Line(q.captions[1]);
  return name == " / " || name.empty() ? std::string("-qst") : name;
}

std::vector<Symbol> FlatSymbols(DocumentState& document) {
  const EditedScenario& scenario = document.Scenario();
  const ScriptOutline& outline = document.Outline();
  std::vector<Symbol> symbols;
  for (const ScriptOutline::Question& q : outline.Questions()) {
    const uint64_t last =
        std::max({q.line, q.captions[0], q.captions[1], q.labels[0], q.labels[1], q.branch_end});
    symbols.push_back({QuestionName(scenario, q), "question", kEvent, q.line, last, q.line, {}});
  }
  for (const ScriptOutline::EndingJump& jump : outline.EndingJumps()) {
    const uint64_t last = std::max({jump.line, jump.good, jump.bad, jump.branch_end});
    symbols.push_back({"-end", "ending jump", kEvent, jump.line, last, jump.line, {}});
  }
  for (uint64_t line : outline.Labels()) {
    const std::string& text = scenario.Line(line);
    Symbol label{text, "label", kKey, line, line, line, {}};
    if (text == kGoodEnding || text == kBadEnding) {
      label.detail = text == kGoodEnding ? "good ending" : "bad ending";
      label.kind = kEnumMember;
    } else if (outline.ReferencesTo(line).empty()) {
      label.detail = "label no question names";
    }
    symbols.push_back(std::move(label));
  }
  for (uint64_t line : outline.Restarts()) {
    symbols.push_back({">end", "restart", kConstant, line, line, line, {}});
  }
  std::stable_sort(symbols.begin(), symbols.end(), [](const Symbol& a, const Symbol& b) {
    return a.first != b.first ? a.first < b.first : a.last > b.last;
  });
  return symbols;
}

// Each symbol under the nearest one before it that holds all of its lines.
std::vector<Symbol> Nested(std::vector<Symbol> flat) {
  std::vector<Symbol> roots;
  std::vector<Symbol*> open;  // the chain of symbols that may still hold the next one
  for (Symbol& symbol : flat) {
    while (!open.empty() && open.back()->last < symbol.last) open.pop_back();
    std::vector<Symbol>& siblings = open.empty() ? roots : open.back()->children;
    siblings.push_back(std::move(symbol));
    // Pointers into `siblings` stay valid: only the newest symbol's children grow from now.
    open.push_back(&siblings.back());
  }
  return roots;
}

json SymbolJson(DocumentState& document, const Symbol& symbol, PositionEncoding encoding) {
  const TextDocument& text = document.Text();
  const json first = LineRange(text, symbol.first, encoding);
  const json last = LineRange(text, symbol.last, encoding);
  json out = {{"name", symbol.name},
              {"detail", symbol.detail},
              {"kind", symbol.kind},
              {"range", {{"start", first["start"]}, {"end", last["end"]}}},
              {"selectionRange", LineRange(text, symbol.selected, encoding)}};
  if (!symbol.children.empty()) {
    json children = json::array();
    for (const Symbol& child : symbol.children) {
      children.push_back(SymbolJson(document, child, encoding));
    }
    out["children"] = std::move(children);
  }
  return out;
}

}  // namespace

json Definition(DocumentState& document, TextPosition position, PositionEncoding encoding) {
  const ScriptOutline& outline = document.Outline();
  const uint64_t line = position.line + 1;
  if (const std::optional<ScriptOutline::Caption> caption = outline.CaptionAt(line)) {
    const uint64_t label = caption->question->labels[caption->index];
    return label == 0 ? json(nullptr) : LineLocation(document, label, encoding);
  }
  if (const ScriptOutline::EndingJump* jump = outline.EndingJumpAt(line)) {
    json targets = json::array();
    for (uint64_t label : {jump->good, jump->bad}) {
      if (label != 0) targets.push_back(LineLocation(document, label, encoding));
    }
    return targets;
  }
  return nullptr;
}

json References(DocumentState& document, TextPosition position, bool include_declaration,
                PositionEncoding encoding) {
  const ScriptOutline& outline = document.Outline();
  uint64_t label = position.line + 1;
  if (const std::optional<ScriptOutline::Caption> caption = outline.CaptionAt(label)) {
    label = caption->question->labels[caption->index];
  }
  if (label == 0 || !outline.IsLabel(label)) return nullptr;
  json locations = json::array();
  if (include_declaration) locations.push_back(LineLocation(document, label, encoding));
  for (uint64_t line : outline.ReferencesTo(label)) {
    locations.push_back(LineLocation(document, line, encoding));
  }
  return locations;
}

json DocumentSymbols(DocumentState& document, bool hierarchical, PositionEncoding encoding) {
  json symbols = json::array();
  if (hierarchical) {
    for (const Symbol& symbol : Nested(FlatSymbols(document))) {
      symbols.push_back(SymbolJson(document, symbol, encoding));
    }
    return symbols;
  }
  for (const Symbol& symbol : FlatSymbols(document)) {
    symbols.push_back({{"name", symbol.name},
                       {"kind", symbol.kind},
                       {"location", LineLocation(document, symbol.selected, encoding)}});
  }
  return symbols;
}

}  // namespace tavrin::lsp
