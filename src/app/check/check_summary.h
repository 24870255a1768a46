// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/check/path_count.h"

namespace tavrin {

/// One of the two endings, as the paths that reach its jump see it.
struct EndingReached {
  PathCount paths;
  int lowest_score = 0;
  int highest_score = 0;

  bool Reached() const { return !paths.IsZero(); }
  void Add(int score, const PathCount& count) {
    lowest_score = Reached() ? std::min(lowest_score, score) : score;
    highest_score = Reached() ? std::max(highest_score, score) : score;
    paths += count;
  }
};

/// What a check found besides its diagnostics.
struct CheckSummary {
  uint64_t lines = 0;
  uint64_t questions = 0;             // question lines some path reaches
  PathCount paths;                    // from the opening to an end, a restart or a stop
  uint64_t pages = 0;                 // pages that wait for the reader
  int longest_page_rows[2] = {0, 0};  // at each screen checked
  int screen_heights[2] = {0, 0};
  uint64_t pictures_shown = 0;
  uint64_t pictures_not_shown = 0;
  EndingReached good;
  EndingReached bad;
  std::string music;       // what becomes of bgm.mid, in a few words
  bool cut_short = false;  // the exploration stopped at its limit
};

}  // namespace tavrin
