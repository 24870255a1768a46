#pragma once

#include <stdexcept>
#include <string>

namespace tavrin {

/// Raised inside a step when the scenario cannot go on (its file ends where a line is
/// needed, or it restarts without showing anything). The step that started it ends the
/// scenario and shows `what()` to the reader.
class ScenarioStop : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tavrin
