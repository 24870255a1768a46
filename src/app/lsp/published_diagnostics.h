// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include "app/lsp/document_state.h"

namespace tavrin::lsp {

/// The parameters of textDocument/publishDiagnostics for the checked version of
/// `document`: the characters that saving in code page 932 would lose, then the check's
/// findings at their lines, each with the choices that lead to it (in its message as
/// `tavrin --check` writes them, and as related information when the client takes that).
nlohmann::json PublishedDiagnostics(DocumentState& document, PositionEncoding encoding,
                                    bool related_information);

/// The parameters that clear the diagnostics of the document `uri`.
nlohmann::json ClearedDiagnostics(const std::string& uri);

}  // namespace tavrin::lsp
