// SPDX-License-Identifier: MIT
#include "app/lsp/document_check.h"

#include <algorithm>

namespace tavrin::lsp {
namespace {

// Keeps what the engine did on every path.
class PathWatch : public CheckObserver {
 public:
  explicit PathWatch(PathFacts& facts) : facts_(facts) {}

  void Attach(const Player& player) override { player_ = &player; }

  void LineReached(uint64_t number, LineKind, const std::string&) override {
    if (facts_.reached.size() <= number) facts_.reached.resize(number + 1, false);
    facts_.reached[number] = true;
  }

  void LineTaken(uint64_t number, Use use, const std::string& line) override {
    if (use != Use::Label) return;
    const int score = player_->Score();
    auto [scores, first] = facts_.label_scores.try_emplace(number, PathFacts::Scores{score, score});
    if (!first) {
      scores->second.lowest = std::min(scores->second.lowest, score);
      scores->second.highest = std::max(scores->second.highest, score);
    }
    // A choice is made while its buttons are up; an ending jump has none.
    if (player_->ChoiceShown()) {
      std::vector<uint64_t>& labels = facts_.chosen_labels[line];
      if (std::find(labels.begin(), labels.end(), number) == labels.end()) {
        labels.push_back(number);
      }
    }
  }

  void PageMeasured(uint64_t first_line, uint64_t last_line,
                    const std::array<PageMeasure, 2>& fit) override {
    facts_.pages.push_back({first_line, last_line, fit});
  }

 private:
  PathFacts& facts_;
  const Player* player_ = nullptr;
};

}  // namespace

DocumentCheck CheckDocument(const EditedScenario& scenario, CheckScreens& screens) {
  DocumentCheck check;
  PathWatch watch(check.facts);
  check.findings = CheckGame(scenario.Game(), screens, &watch);
  std::sort(check.facts.pages.begin(), check.facts.pages.end(),
            [](const PathFacts::Page& a, const PathFacts::Page& b) {
              return a.first_line < b.first_line;
            });
  for (auto& [caption, labels] : check.facts.chosen_labels) std::sort(labels.begin(), labels.end());
  return check;
}

}  // namespace tavrin::lsp
