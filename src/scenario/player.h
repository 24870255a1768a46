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
};

/// One choice button as the engine holds it.
struct ChoiceButton {
  std::string caption = "Command1";
  bool visible = true;  // shown, as "Command1", until the first activation hides them
};

/// Everything a run holds between two events: the reader's place in the file, the look-ahead
/// and what is shown. A front end that explores the script takes it before an event and puts
/// it back to try another way on from the same moment.
struct PlayerState {
  bool script_open = false;
  ScriptPosition position;
  std::string next_line;
  uint64_t next_line_number = 0;  // 0 for a line the file does not hold (see `NextLine`)
  uint64_t current_line_number = 0;
  uint8_t line_count = 0;
  std::string prompt;
  bool pause_at_page_end = true;
  int16_t score = 0;
  std::string message_text;
  bool message_visible = true;
  ChoiceButton com[2];
  PacingTimer tim_say;
};

/// The scenario every run opens, and opens again at a restart: the file dat.dat in the game
/// folder. Nothing names another.
inline constexpr std::string_view kScenarioName = "dat";

inline constexpr int kNormalIntervalMs = 100;
inline constexpr int kFastIntervalMs = 1;
inline constexpr std::string_view kPagePrompt = "\u25BC";  // ▼

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
  const std::string& MessageText() const { return message_text_; }
  bool MessageVisible() const { return message_visible_; }
  const ChoiceButton& Choice(int index) const { return com_[index]; }
  bool ChoiceShown() const { return com_[0].visible; }
  const PacingTimer& TimSay() const { return tim_say_; }
  int16_t Score() const { return score_; }
  bool PauseAtPageEnd() const { return pause_at_page_end_; }
  const std::string& Prompt() const { return prompt_; }
  bool ScriptOpen() const { return script_file_.IsOpen(); }
  const std::string& NextLine() const { return next_line_; }
  uint8_t LineCount() const { return line_count_; }
  /// The number of the line the stepper acted on last (1 for the first line of the file);
  /// 0 when it was none of the file's lines (the empty line that stands in for a line
  /// consumed, or the end of the file).
  uint64_t CurrentLineNumber() const { return current_line_number_; }
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
  bool MessageWindowTakesInput() const { return message_visible_ && !ChoiceShown(); }

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
  void StopScenario(const std::string& reason);
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

  // How a page fills. `line_count_` counts the text lines of the page so far, and the text
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
  std::string next_line_;
  uint64_t next_line_number_ = 0;
  uint64_t current_line_number_ = 0;
  ScriptTrace* trace_ = nullptr;
  uint8_t line_count_ = 0;
  std::string prompt_;
  bool pause_at_page_end_ = true;
  int16_t score_ = 0;

  std::string message_text_ = "Label1";
  bool message_visible_ = true;
  ChoiceButton com_[2];
  PacingTimer tim_say_;

  // A handler runs to its end before the next event: events that arrive while one runs
  // (a timer tick during a message box) are dropped.
  bool handling_ = false;
  // Set while an opening takes its first step; a restart met then would loop forever.
  bool in_first_step_of_opening_ = false;
};

}  // namespace tavrin
