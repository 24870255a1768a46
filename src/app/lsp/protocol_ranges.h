// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "app/lsp/text_document.h"

namespace tavrin::lsp {

inline nlohmann::json PositionJson(TextPosition position) {
  return {{"line", position.line}, {"character", position.character}};
}

inline nlohmann::json RangeJson(TextPosition start, TextPosition end) {
  return {{"start", PositionJson(start)}, {"end", PositionJson(end)}};
}

/// The whole of line `number` (counted from 1, as the player counts), without its line end.
inline nlohmann::json LineRange(const TextDocument& text, uint64_t number,
                                PositionEncoding encoding) {
  const uint64_t line = number == 0 ? 0 : number - 1;
  return RangeJson({line, 0}, {line, Units(text.Line(static_cast<size_t>(line)), encoding)});
}

inline nlohmann::json LocationJson(const std::string& uri, nlohmann::json range) {
  return {{"uri", uri}, {"range", std::move(range)}};
}

/// A position of the protocol's; throws nlohmann::json::exception when it is not one.
inline TextPosition PositionOf(const nlohmann::json& position) {
  return {position.at("line").get<uint64_t>(), position.at("character").get<uint64_t>()};
}

}  // namespace tavrin::lsp
