// SPDX-License-Identifier: MIT
#include "app/check/route.h"

#include <algorithm>
#include <utility>

namespace tavrin {

struct Route::Step {
  Choice choice;
  std::shared_ptr<Step> before;

  // The steps behind this one that no other route shares go with it one at a time: freed
  // by recursion, a route through thousands of questions would take as deep a stack.
  ~Step() {
    std::shared_ptr<Step> next = std::move(before);
    while (next && next.use_count() == 1) next = std::move(next->before);
  }
};

Route Route::Then(Choice choice) const {
  Route route;
  route.last_ = std::make_shared<Step>(Step{std::move(choice), last_});
  route.choices_ = choices_ + 1;
  return route;
}

std::vector<Route::Choice> Route::Steps() const {
  std::vector<Choice> steps;
  steps.reserve(choices_);
  for (const Step* step = last_.get(); step != nullptr; step = step->before.get()) {
    steps.push_back(step->choice);
  }
  std::reverse(steps.begin(), steps.end());
  return steps;
}

}  // namespace tavrin
