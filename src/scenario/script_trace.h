// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "scenario/line_kind.h"
#include "scenario/scenario_stop.h"

namespace tavrin {

/// How the stepper uses the lines of the script, told to a front end that follows the script
/// itself rather than what it shows (the checker). Lines are numbered from 1 in file order;
/// the lines a search or a skip passes over are not told.
class ScriptTrace {
 public:
  /// What a directive took a line for, without it becoming the current line.
  enum class Use {
    Caption,    // one of the two caption lines of a question
    Label,      // the label line that a choice or an ending jump looked for and found
    BranchEnd,  // the "●" that ended the skip of a label line
    Dropped,    // the line right after a "●" reached in the flow, dropped unread
  };

  virtual ~ScriptTrace() = default;

  /// Line `number` became the current line in the normal flow; it is `kind`.
  virtual void LineReached(uint64_t number, LineKind kind, const std::string& line) = 0;
  /// Line `number` was taken for `use`.
  virtual void LineTaken(uint64_t number, Use use, const std::string& line) = 0;
  /// The scenario stopped before its end for `stop.Reason()`; the reader is told
  /// `stop.what()` next. A trace that follows only the lines need not listen.
  virtual void ScenarioStopped(const ScenarioStop& /*stop*/) {}
};

}  // namespace tavrin
