// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <memory>

#include "game_files/game_folder.h"

namespace tavrin {

struct CheckOptions {
  bool json = false;    // JSON Lines instead of compiler-style lines
  bool werror = false;  // warnings count as errors in the exit status
  bool graph = false;   // the story as a Graphviz graph; the findings go to `errors`
};

/// `tavrin --check`: checks `game` along every path its scenario can take,
/// with the engine that plays it, and writes what it found to `out`. Opens no window and no
/// sound device; needs a QApplication for the window's fonts and layout. Returns the exit
/// status: 0 with no errors, 1 with errors (or warnings, with `werror`), 2 when the folder
/// has no dat.dat (said on `errors`).
int RunCheck(const std::shared_ptr<GameFolder>& game, const CheckOptions& options,
             std::ostream& out, std::ostream& errors);

}  // namespace tavrin
