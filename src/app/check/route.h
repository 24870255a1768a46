// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

/// The choices a path made, all of them, earliest first: the way to a state that play can
/// take again. Paths that part share what they made before: adding a choice copies
/// nothing, and a route lives as long as a path that made it waits to be explored.
class Route {
 public:
  /// One choice: the question (its line), the button clicked and its caption.
  struct Choice {
    uint64_t question_line = 0;
    int index = 0;
    std::string caption;
  };

  /// This route and then `choice`.
  Route Then(Choice choice) const;
  size_t Choices() const { return choices_; }
  /// The choices, earliest first.
  std::vector<Choice> Steps() const;

 private:
  struct Step;

  std::shared_ptr<Step> last_;
  size_t choices_ = 0;
};

}  // namespace tavrin
