// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/check/check_run.h"
#include "app/lsp/edited_scenario.h"

namespace tavrin::lsp {

/// What the check learnt of the paths of a scenario besides its findings.
struct PathFacts {
  struct Scores {
    int lowest = 0;
    int highest = 0;
  };
  struct Page {
    uint64_t first_line = 0;
    uint64_t last_line = 0;
    std::array<PageMeasure, 2> fit;
  };

  /// By label line: the scores with which a choice or an ending jump reads to it.
  std::unordered_map<uint64_t, Scores> label_scores;
  /// By caption: the label lines that choices with that caption read to.
  std::unordered_map<std::string, std::vector<uint64_t>> chosen_labels;
  /// Whether some path reaches line n in the flow, at [n].
  std::vector<bool> reached;
  /// The pages that wait for the reader, by their first line.
  std::vector<Page> pages;
};

/// A scenario checked as `tavrin --check` checks it.
struct DocumentCheck {
  CheckFindings findings;
  PathFacts facts;
};

/// Checks `scenario` in its game with the engine along every path, measuring its pages on
/// `screens`.
DocumentCheck CheckDocument(const EditedScenario& scenario, CheckScreens& screens);

}  // namespace tavrin::lsp
