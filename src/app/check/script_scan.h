// SPDX-License-Identifier: MIT
#pragma once

#include "app/check/check_summary.h"
#include "app/check/diagnostics.h"
#include "app/check/line_ranges.h"
#include "game_files/game_file.h"

namespace tavrin {

/// Reads the scenario `file` once more from its first line to its last, with the
/// player's own reader and line kinds, for what no path tells: its encoding (a file saved as
/// UTF-8, bytes that are not code page 932) and the text lines outside `used_lines` (the
/// lines some path used), which no path shows. Counts the lines and the questions reached.
void ScanScript(const GameFile& file, const LineRanges& used_lines,
                Diagnostics& diagnostics, CheckSummary& summary);

}  // namespace tavrin
