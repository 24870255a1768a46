// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include "app/lsp/document_state.h"

namespace tavrin::lsp {

/// textDocument/definition: from a caption to the label its choice reads to, from an
/// ending jump to both ending labels; null elsewhere.
nlohmann::json Definition(DocumentState& document, TextPosition position,
                          PositionEncoding encoding);

/// textDocument/references: from a label (or a caption, for its label) to the captions
/// whose choices read to it and the ending jumps that do; null elsewhere.
nlohmann::json References(DocumentState& document, TextPosition position, bool include_declaration,
                          PositionEncoding encoding);

/// textDocument/documentSymbol: the questions with their branches' labels, the ending
/// jumps with their endings, the other labels and the restarts, as an outline
/// (`hierarchical`) or as a list.
nlohmann::json DocumentSymbols(DocumentState& document, bool hierarchical,
                               PositionEncoding encoding);

}  // namespace tavrin::lsp
