// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scenario/script_trace.h"

namespace tavrin {

/// Where `--warp` starts play: a line of dat.dat by its number, or the branch that a label
/// line opens, named by the label as it is written.
struct WarpTarget {
  uint64_t line = 0;  // from 1; 0 for a label
  std::string label;  // "＞…", in UTF-8

  /// How well an event's use of a line of the script meets the target: none when it does
  /// not, otherwise a rank, lower being better. A label line taken by a choice or an ending
  /// jump opens its branch, which beats passing over it while reading; a line dropped after
  /// a "●" shows nothing and never meets it.
  std::optional<int> Meets(uint64_t number, std::optional<ScriptTrace::Use> use,
                           const std::string& text) const;

  /// "line 58", "the branch "＞森の道"".
  std::string Describe() const;
};

/// The target that `text` names: digits for a line, or a label starting with "＞". None,
/// with `error` set, for anything else.
std::optional<WarpTarget> ParseWarpTarget(std::string_view text, std::string& error);

}  // namespace tavrin
