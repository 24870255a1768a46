// SPDX-License-Identifier: MIT
#pragma once

// Long scenarios for the benchmarks, written as a game would ship them (dat.dat in code
// page 932 with CR LF line ends), and a player that reads them to the end.

#include <cstdint>
#include <filesystem>
#include <string>

#include "scenario/null_presentation.h"
#include "support/temp_folder.h"

namespace tavrin::bench {

/// The scenario shapes that are timed.
enum class Shape {
  TextPages,     // pages of Japanese text lines, each page closed by an empty line
  SilentRun,     // one run of score, picture and empty lines between two text lines
  ChoiceSearch,  // a question whose second choice is found past a long first branch
  LabelSkip,     // a label line reached in the flow that skips a long branch
};

const char* ShapeName(Shape shape);
bool ShapeFromName(const std::string& name, Shape& shape);

/// What a generated scenario holds.
struct ScriptStats {
  uint64_t lines = 0;       // all lines of the file
  uint64_t text_lines = 0;  // lines the reader sees as text
  uint64_t bytes = 0;
  int16_t score = 0;  // the score at the end of the scenario
};

/// A game folder of its own under the temporary folder, removed with the object.
class GameFolder {
 public:
  const std::filesystem::path& path() const { return folder_.Path(); }

  /// Writes dat.dat of about `lines` lines of `shape` (never fewer), streaming: memory
  /// does not grow with the file.
  ScriptStats WriteScenario(Shape shape, uint64_t lines);

 private:
  test_support::TempFolder folder_{"bench"};
};

/// What a played scenario did, to check that the run went where it should.
struct PlayResult {
  uint64_t events = 0;    // handler calls made
  int16_t score = 0;      // the score when the scenario ended
  bool ended = false;     // the scenario reached its end and closed its file
  std::string last_text;  // the message window before the end
  std::string alerts;     // anything the player reported
};

/// Opens the scenario in `game` and plays it to its end as a reader in a hurry would: a
/// pacing tick whenever one would do something, a click on the message window otherwise,
/// and, for a choice, a click on the second button. What is shown goes to `presentation`
/// (none: nowhere).
PlayResult PlayToEnd(const std::filesystem::path& game, uint64_t max_events,
                     NullPresentation* presentation = nullptr);

/// The peak resident set of this process so far, in KiB (VmHWM), or -1.
long PeakRssKib();
/// The resident set now, in KiB (VmRSS), or -1.
long CurrentRssKib();
/// Starts a new peak measurement from the current resident set; false if not possible.
bool ResetPeakRss();

}  // namespace tavrin::bench
