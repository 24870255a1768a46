#pragma once

#include <filesystem>

#include "app/check/check_summary.h"
#include "app/check/diagnostics.h"
#include "app/check/line_ranges.h"

namespace tavrin {

/// Reads the scenario at `file` once more from its first line to its last, with the
/// player's own reader and line kinds, for what no path tells: its encoding (a file saved as
/// UTF-8, bytes that are not code page 932) and the text lines outside `used_lines` (the
/// lines some path used), which no path shows. Counts the lines and the questions reached.
void ScanScript(const std::filesystem::path& file, const LineRanges& used_lines,
                Diagnostics& diagnostics, CheckSummary& summary);

}  // namespace tavrin
