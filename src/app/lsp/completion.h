// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include "app/lsp/document_state.h"

namespace tavrin::lsp {

/// textDocument/completion: on the two caption lines after "-qst", the file's labels; after
/// ">img ", the pictures of the game's img folder beside the document, by the
/// names a picture line gives them. An empty list elsewhere.
nlohmann::json Completion(DocumentState& document, TextPosition position,
                          PositionEncoding encoding);

}  // namespace tavrin::lsp
