// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <vector>

#include "app/check/check_summary.h"
#include "app/check/diagnostics.h"

namespace tavrin {

/// The diagnostics, one a line as compilers write them (`dat.dat:12: warning: ...`), then
/// one summary line.
void WriteTextReport(std::ostream& out, const Diagnostics& diagnostics,
                     const CheckSummary& summary);

/// The same as JSON Lines: one object per diagnostic, then one with the member "summary".
void WriteJsonReport(std::ostream& out, const Diagnostics& diagnostics,
                     const CheckSummary& summary);

}  // namespace tavrin
