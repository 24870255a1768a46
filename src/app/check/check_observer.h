// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "app/check/page_fit.h"
#include "scenario/player.h"
#include "scenario/script_trace.h"

namespace tavrin {

/// What a check learns on its way besides its findings, for a front end that tells an
/// author more (the language server): how the engine used each line of every path, and the
/// pages that wait for the reader as each screen sets them.
class CheckObserver : public ScriptTrace {
 public:
  /// `player` is the engine that explores the paths: it may be read while a line is told
  /// (its score, the question a choice is made at).
  virtual void Attach(const Player& player) = 0;

  /// The page from `first_line` to `last_line` waits for the reader, measured on each
  /// screen of the check. Told once for each page, whatever number of paths reach it.
  virtual void PageMeasured(uint64_t first_line, uint64_t last_line,
                            const std::array<PageMeasure, 2>& fit) = 0;
};

}  // namespace tavrin
