// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include "app/check/check_run.h"
#include "app/lsp/document_state.h"

namespace tavrin::lsp {

/// textDocument/hover: on a label (or a caption), the scores with which the story reads to
/// it; on a text line, the views its page takes on each screen of the check; on a picture
/// line, the file it shows and its size, or why none. Null on other lines. Runs the check
/// first when it is due.
nlohmann::json Hover(DocumentState& document, TextPosition position, CheckScreens& screens,
                     PositionEncoding encoding);

}  // namespace tavrin::lsp
