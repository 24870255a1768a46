// SPDX-License-Identifier: MIT
#include "app/warp/warp_report.h"

namespace tavrin {
namespace {

// A long way is told by its end: the choices nearest the line say most about it.
constexpr size_t kChoicesTold = 10;

std::string Choices(const Warp& warp) {
  if (warp.choices.empty()) return "with no choice made";
  std::string told = "after ";
  size_t first = 0;
  if (warp.choices.size() > kChoicesTold) {
    first = warp.choices.size() - kChoicesTold;
    told += std::to_string(warp.choices.size()) + " choices, the last " +
            std::to_string(kChoicesTold) + " of them ";
  } else {
    told += "choosing ";
  }
  for (size_t i = first; i < warp.choices.size(); ++i) {
    const Route::Choice& choice = warp.choices[i];
    if (i > first) told += ", then ";
    told += "\"" + choice.caption + "\" at line " + std::to_string(choice.question_line);
  }
  return told;
}

std::string Nearest(const Warp& warp) {
  if (warp.before == 0 && warp.after == 0) return "; no path reaches any line of dat.dat";
  std::string told = "; the nearest lines that a path reaches are ";
  told +=
      warp.before != 0 ? "line " + std::to_string(warp.before) + " before it" : "none before it";
  told += warp.after != 0 ? " and line " + std::to_string(warp.after) + " after it"
                          : " and none after it";
  return told;
}

}  // namespace

std::string DescribeWarp(const Warp& warp, const WarpTarget& target) {
  const std::string limit =
      warp.cut_short ? " (the search stopped at its limit of states: the scenario reaches too "
                       "many different states at the same places)"
                     : "";
  if (!warp.failure.empty()) return warp.failure;
  if (warp.reached) {
    std::string told = target.label.empty()
                           ? "line " + std::to_string(warp.line)
                           : target.Describe() + " (line " + std::to_string(warp.line) + ")";
    return told + " is reached " + Choices(warp) + ", with a score of " +
           std::to_string(warp.start.state.score) + limit;
  }
  if (!target.label.empty()) {
    if (warp.label_line == 0) return "no line of dat.dat is \"" + target.label + "\"";
    return "no path reaches " + target.Describe() + " at line " + std::to_string(warp.label_line) +
           ": no choice or ending takes it" + limit + Nearest(warp);
  }
  if (target.line > warp.lines) {
    return "dat.dat has " + std::to_string(warp.lines) + " lines: there is no line " +
           std::to_string(target.line);
  }
  return "no path reaches line " + std::to_string(target.line) + limit + Nearest(warp);
}

}  // namespace tavrin
