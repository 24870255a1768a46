// SPDX-License-Identifier: MIT
#include "app/check/check_front_end.h"

#include <ostream>

#include "app/check/check_report.h"
#include "app/check/check_run.h"

namespace tavrin {

int RunCheck(const std::shared_ptr<GameFolder>& game, const CheckOptions& options,
             std::ostream& out, std::ostream& errors) {
  const GameFile dat = game->Find("dat.dat");
  if (!dat.Exists()) {
    errors << "tavrin: there is no dat.dat in " << game->Where() << "\n";
    return 2;
  }

  CheckScreens screens;
  const CheckFindings found = CheckGame(game, screens, nullptr, options.graph ? &out : nullptr);
  // With the graph on standard output, the findings go beside it.
  std::ostream& report = options.graph ? errors : out;
  if (options.json) {
    WriteJsonReport(report, found.diagnostics, found.summary);
  } else {
    WriteTextReport(report, found.diagnostics, found.summary);
  }
  out.flush();
  report.flush();
  const bool failed = found.diagnostics.Count(Severity::Error) > 0 ||
                      (options.werror && found.diagnostics.Count(Severity::Warning) > 0);
  return failed ? 1 : 0;
}

}  // namespace tavrin
