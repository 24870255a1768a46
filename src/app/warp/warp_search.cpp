// SPDX-License-Identifier: MIT
#include "app/warp/warp_search.h"

#include "app/check/check_summary.h"
#include "app/check/state_explorer.h"
#include "app/warp/warp_replay.h"
#include "app/warp/warp_watch.h"
#include "scenario/script_file.h"

namespace tavrin {
namespace {

struct Search {
  std::optional<WarpWatch::Hit> best;
  LineRanges reached;
  bool cut_short = false;
};

// Explores every path, or only until no path can reach `through_line` any more.
Search Explore(const std::shared_ptr<GameFolder>& game, const WarpTarget& target,
               uint64_t through_line) {
  WarpWatch watch(target);
  Player player(watch, game);
  watch.Attach(player);
  player.SetTrace(&watch);
  CheckSummary summary;
  StateExplorer::Limits limits;
  limits.through_line = through_line;
  StateExplorer(player, watch, limits).Run(summary);
  player.Form_Unload();
  return {watch.Best(), watch.Reached(), summary.cut_short};
}

// What the file holds, for a target that no path meets: its lines, and the first label
// line written as the target's label.
void DescribeFile(GameFolder& game, const WarpTarget& target, Warp& warp) {
  ScriptFile file;
  if (!file.Open(game.Find("dat.dat"))) return;
  while (std::optional<std::string> line = file.ReadLine()) {
    if (warp.label_line == 0 && !target.label.empty() && *line == target.label) {
      warp.label_line = file.LineNumber();
    }
  }
  warp.lines = file.LineNumber();
}

void FindNearest(const LineRanges& reached, uint64_t line, Warp& warp) {
  for (const auto& [first, last] : reached.Ranges()) {
    if (last < line) warp.before = last;
    if (first > line) {
      warp.after = first;
      break;
    }
  }
}

}  // namespace

Warp FindWarp(const std::shared_ptr<GameFolder>& game, const WarpTarget& target) {
  Warp warp;
  const GameFile dat = game->Find("dat.dat");
  ScriptFile probe;
  if (!dat.Exists()) {
    warp.failure = "there is no dat.dat in " + game->Where();
    return warp;
  }
  if (!probe.Open(dat) || !probe.ReadLine()) {
    warp.failure = "dat.dat does not open: the player reports \"dat not found\"";
    return warp;
  }
  probe.Close();

  Search search = Explore(game, target, target.line);
  const std::vector<std::pair<uint64_t, uint64_t>> reached = search.reached.Ranges();
  if (!search.best && target.line != 0 && !search.cut_short && !reached.empty() &&
      reached.back().second > target.line) {
    // Stopped once every path was past the line: the nearest line reached after it may be
    // one that a path waiting then would have reached.
    search = Explore(game, target, 0);
  }
  warp.cut_short = search.cut_short;
  if (!search.best) {
    DescribeFile(*game, target, warp);
    const uint64_t line = target.line != 0 ? target.line : warp.label_line;
    if (line != 0) FindNearest(search.reached, line, warp);
    return warp;
  }

  warp.choices = search.best->route.Steps();
  std::optional<Replayed> replayed = ReplayRoute(game, warp.choices, target, search.best->line);
  if (!replayed) {
    warp.failure = "dat.dat changed while it was being read";
    return warp;
  }
  warp.reached = true;
  warp.line = replayed->line;
  warp.start.state = std::move(replayed->state);
  warp.start.pictures = PicturesLeftBy(game, replayed->pictures);
  warp.start.alerts = std::move(replayed->alerts);
  return warp;
}

Warp FindWarpAtOrBefore(const std::shared_ptr<GameFolder>& game, uint64_t line) {
  WarpTarget target;
  target.line = line;
  Warp warp = FindWarp(game, target);
  if (warp.reached || warp.before == 0 || !warp.failure.empty()) return warp;
  target.line = warp.before;
  return FindWarp(game, target);
}

}  // namespace tavrin
