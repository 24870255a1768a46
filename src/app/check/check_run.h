// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <ostream>

#include "app/check/check_observer.h"
#include "app/check/check_summary.h"
#include "app/check/diagnostics.h"
#include "app/check/page_fit.h"
#include "game_files/game_folder.h"

namespace tavrin {

/// The screens a page is measured on: a common small one and the most common one. A front
/// end that checks again and again keeps them, and with them what they measured of the font.
struct CheckScreens {
  static constexpr int kHeights[2] = {768, 1080};
  PageFit fit[2] = {PageFit(kHeights[0]), PageFit(kHeights[1])};
};

/// What a check found.
struct CheckFindings {
  Diagnostics diagnostics;
  CheckSummary summary;
};

/// Checks `game`, which holds a dat.dat, along every path its scenario can take with the
/// engine that plays it, and its music; tells `observer` (if any) what the engine did on
/// the way; with `graph`, writes the story there as a Graphviz graph. Needs a QApplication
/// for the window's fonts and layout.
CheckFindings CheckGame(const std::shared_ptr<GameFolder>& game, CheckScreens& screens,
                        CheckObserver* observer = nullptr, std::ostream* graph = nullptr);

}  // namespace tavrin
