// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "game_files/game_folder.h"
#include "scenario/mouse_button.h"
#include "scenario/presentation.h"
#include "scenario/script_file.h"
#include "scenario/script_trace.h"

namespace tavrin {

struct ResumePoint;

/// The pacing timer as the engine holds it; the front end runs the real clock.
struct PacingTimer {
  bool enabled = false;
  int interval_ms = 10;  // the interval it is created with; opening sets 100 before use
  bool operator==(const PacingTimer&) const = default;
};

/// One choice button as the engine holds it.
struct ChoiceButton {
  std::string caption = "Command1";
  bool visible = true;  // shown, as "Command1", until the first activation hides them
  bool operator==(const ChoiceButton&) const = default;
};

/// Everything a run holds between two events: the reader's place in the file, the look-ahead
/// and what is shown. The player keeps its state in one of these, so a snapshot is a copy of
/// it with the file's place added; a front end that explores the script takes one before an
/// event and puts it back to try another way on from the same moment.
struct PlayerState {
  // The file's place, in a snapshot only: the player itself asks its open file.
  bool script_open = false;
  ScriptPosition position;

  std::string next_line;          // the look-ahead, `NextLine`
  uint64_t next_line_number = 0;  // 0 for a line the file does not hold (see `NextLine`)
  uint64_t current_line_number = 0;
  uint8_t line_count = 0;  // `LineCount`: the text lines of the page so far
  std::string prompt;
  bool pause_at_page_end = true;
  int16_t score = 0;
  std::string message_text = "Label1";  // what the message window shows before the opening
  bool message_visible = true;
  ChoiceButton com[2];
  PacingTimer tim_say;

  bool operator==(const PlayerState&) const = default;
};

/// The scenario every run opens, and opens again at a restart: the file dat.dat in the game
/// folder. Nothing names another.
inline constexpr std::string_view kScenarioName = "dat";

inline constexpr int kNormalIntervalMs = 100;
inline constexpr int kFastIntervalMs = 1;
inline constexpr std::string_view kPagePrompt = "\u25BC";  // ▼

// The handlers and the state keep the short names of the window's parts, so that a handler
// reads as the part and the event it answers (`Lbl_Click`, `TimSay_Timer`):
//   Fom     the main window; `Form_Load`, `Form_Activate`, `Form_Unload` are its events
//   Lbl     the message window across the bottom, a label holding the page of text
//   Com     the two choice buttons over the message window, `Com(0)` and `Com(1)`
//   Pic     the picture area above the message window (`E`: the picture held behind it)
//   TimSay  the pacing timer, whose ticks step the scenario on
//   BgmTim  the music's watchdog timer, which starts the piece again when it has ended
//   tugi    the end marker line ("next"); the look-ahead holds it once the file has no more
//   twips   the layout's unit of length, 1/1440 inch
// Inside the window the same parts are named by what they do (`message_`, `choices_`).

/// The scenario player: the whole state of a run and the handlers that move it. Front ends
/// forward window events to the handlers (`Lbl_MouseDown`, `Lbl_Click`, `TimSay_Timer`,
/// `Com_Click`, `Form_Activate`, `Form_Unload`) and render what `Presentation` is told; a
/// front end without a window delivers its events through `DeliverEvent` (player_event.h).
/// Every handler runs to its end before it returns; none of them throws.
class Player {
 public:
  /// `game` is the game folder, which holds the scenario files (on disk or in an archive).
  Player(Presentation& presentation, std::shared_ptr<GameFolder> game);
  /// The game in the folder `dat_dir` on disk.
  Player(Presentation& presentation, std::filesystem::path dat_dir);

  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Window events.
  void Form_Activate();
  void Form_Unload();
  void Lbl_MouseDown(MouseButton button);
  void Lbl_Click();
  void TimSay_Timer();
  void Com_Click(int index);

  // What a front end may read back.
  const std::string& MessageText() const { return state_.message_text; }
  bool MessageVisible() const { return state_.message_visible; }
  const ChoiceButton& Choice(int index) const { return state_.com[index]; }
  bool ChoiceShown() const { return state_.com[0].visible; }
  const PacingTimer& TimSay() const { return state_.tim_say; }
  int16_t Score() const { return state_.score; }
  bool PauseAtPageEnd() const { return state_.pause_at_page_end; }
  const std::string& Prompt() const { return state_.prompt; }
  bool ScriptOpen() const { return script_file_.IsOpen(); }
  /// The number of the line the stepper acted on last (1 for the first line of the file);
  /// 0 when it was none of the file's lines (the empty line that stands in for a line
  /// consumed, or the end of the file).
  uint64_t CurrentLineNumber() const { return state_.current_line_number; }
  /// Where the reader stands in the script file.
  ScriptPosition ScriptPlace() const { return script_file_.Position(); }

  /// Tells `trace` (none: nullptr) how the stepper uses each line from now on.
  void SetTrace(ScriptTrace* trace) { trace_ = trace; }

  /// The state between two events. Neither tells the presentation anything: the caller
  /// knows what it shows. `Restore` reopens the script file when the state has it open and
  /// it was closed since; false when it cannot be opened or positioned again.
  PlayerState Snapshot() const;
  bool Restore(PlayerState state);
  /// Takes the run up at `point` in place of the first activation (a game started at a
  /// line of its own): the state is restored and the presentation told all it shows, the
  /// pictures first, then the page, the choices, the timer and the message boxes of the
  /// step that led there. False, with the scenario
  /// ended and "dat not found" said, when the file cannot be opened and positioned there.
  bool Resume(ResumePoint point);

  /// True when a tick would change nothing: the timer is off, a page waits for a click
  /// under normal pacing, or no scenario file is open.
  bool TickWouldIdle() const;

  /// Whether the message window takes presses and clicks now: it is shown and no choice
  /// covers it.
  bool MessageWindowTakesInput() const { return state_.message_visible && !ChoiceShown(); }

 private:
  // The handlers' bodies: opening runs the first step as a click, and a restart opens
  // again as an activation does.
  void Activate();
  void Click();

  // Opening and restart.
  void OpenScenario(const std::string& name);

  // The stepper, one function per line kind that needs more than a line.
  void StepScript();
  void StepOnce();
  void ShowQuestion();
  void SkipBranch();
  void EndBranch();
  void AddScore(const std::string& line);
  void JumpToEnding();
  void Restart();
  void ShowTextLine(const std::string& line);
  void EndScenario();
  void StopScenario(const ScenarioStop& stop);
  void FollowChoice(int index);

  // Writing the presentation.
  void ShowMessage(const std::string& text, bool visible);
  void EndMessage();
  void SetChoice(int index, const std::string& caption, bool visible);
  void HideChoices();
  void SetTimerEnabled(bool enabled);
  void SetTimerInterval(int interval_ms);
  void SetPacing(bool pause_at_page_end);

  /// Reads the next line; nothing at the end of the file. A file that cannot be read on
  /// stops the scenario with the reason.
  std::optional<std::string> ReadNextLine();
  /// Reads the next line where the scenario must have one; a file that ends there stops
  /// the scenario with a message about `looking_for`.
  std::string ReadRequiredLine(const std::string& looking_for);
  /// The look-ahead is consumed: the empty line in its place belongs to no line of the file.
  void ConsumeLookAhead();
  /// Tells the trace that the look-ahead was taken for `use`.
  void TraceTaken(ScriptTrace::Use use);

  // How a page fills. `line_count` counts the text lines of the page so far, and the text
  // line that finds `kPageFullAt` of them ends the page. The line that ends a page counts
  // as the first of the next, and opening starts the count there too, so those pages hold
  // 10 lines; an empty line starts it at 0, so a page that begins after one holds 11.
  static constexpr uint8_t kPageFullAt = 10;
  static constexpr uint8_t kCountAfterPageEnd = 1;
  static constexpr uint8_t kCountAfterEmptyLine = 0;

  Presentation& presentation_;
  std::shared_ptr<GameFolder> game_;  // where the scenario files are found
  std::string scenario_file_name_;

  ScriptFile script_file_;
  PlayerState state_;  // all but the file's place, which `script_file_` keeps
  ScriptTrace* trace_ = nullptr;

  // A handler runs to its end before the next event: events that arrive while one runs
  // (a timer tick during a message box) are dropped.
  bool handling_ = false;
  // Set while an opening takes its first step; a restart met then would loop forever.
  bool in_first_step_of_opening_ = false;
};

}  // namespace tavrin
