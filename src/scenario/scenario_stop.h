// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace tavrin {

/// Why a scenario stopped before its end marker.
enum class StopReason {
  Unreadable,       // its file cannot be read on (a line too long, a failing read)
  FileEnded,        // its file ends where the scenario needs a line
  RestartsForever,  // it restarts before it has shown anything
};

/// Raised inside a step when the scenario cannot go on. The step that started it ends the
/// scenario, tells the trace `Reason` and `Detail`, and shows `what()` to the reader.
class ScenarioStop : public std::runtime_error {
 public:
  /// `detail` is what the reason concerns: for `Unreadable` why the file cannot be read on,
  /// as `ScriptFile::Failure` says it; for `FileEnded` what was looked for.
  ScenarioStop(StopReason reason, const std::string& message, std::string detail = {})
      : std::runtime_error(message), reason_(reason), detail_(std::move(detail)) {}

  StopReason Reason() const { return reason_; }
  const std::string& Detail() const { return detail_; }

 private:
  StopReason reason_;
  std::string detail_;
};

}  // namespace tavrin
