// SPDX-License-Identifier: MIT
#include "app/warp/warp_start.h"

#include <ostream>

#include "app/warp/warp_report.h"
#include "app/warp/warp_search.h"

namespace tavrin {

std::optional<ResumePoint> FindWarpStart(const std::shared_ptr<GameFolder>& game,
                                         const WarpTarget& target, std::ostream& errors) {
  Warp warp = FindWarp(game, target);
  errors << "tavrin: " << DescribeWarp(warp, target) << "\n";
  errors.flush();
  if (!warp.reached) return std::nullopt;
  return std::move(warp.start);
}

int TellWarp(const std::shared_ptr<GameFolder>& game, const WarpTarget& target, std::ostream& out,
             std::ostream& errors) {
  const Warp warp = FindWarp(game, target);
  if (!warp.failure.empty()) {
    errors << "tavrin: " << warp.failure << "\n";
    return 2;
  }
  out << "dat.dat: " << DescribeWarp(warp, target) << "\n";
  out.flush();
  return warp.reached ? 0 : 2;
}

}  // namespace tavrin
