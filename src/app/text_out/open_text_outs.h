// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <memory>
#include <vector>

#include "app/text_out/text_out.h"
#include "app/text_out/text_out_option.h"

namespace tavrin {

/// The outs `options` ask for, opened: a WebSocket server listening, the clipboard, standard
/// output. One that cannot open (a port in use) is said so in one line on `errors`,
/// "tavrin: ...", and left out: the game plays on without it.
std::vector<std::unique_ptr<TextOut>> OpenTextOuts(const std::vector<TextOutOption>& options,
                                                   std::ostream& errors);

}  // namespace tavrin
