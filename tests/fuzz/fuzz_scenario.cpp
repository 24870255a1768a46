// SPDX-License-Identifier: MIT
// fuzz_scenario: any bytes as a game's dat.dat, played by any sequence of window events
// taken from the same input, through the scenario engine and a presentation that records
// what it is told. After every event the engine's state must hold together.
//
// The input: byte 0 gives the number of event bytes (its low six bits, 0 to 63); that many
// bytes follow, one event each; everything after them is dat.dat. An event byte's low four
// bits pick the event and its high four bits are the event's argument:
//
//   0 tick (delivered only while the timer is on, as the platform does)
//   1 ticks: 8 x (argument + 1) of them       2 run: ticks until a tick would change nothing
//   3 / 4 / 5 click left / right / middle     6 / 7 / 8 press left / right / middle
//   9 / 10 choose 0 / 1                       11 the window is activated again (a restart)
//   12 the window closes (the events end)     13 a timer tick whether the timer is on or not
//   14 choose argument % 4 - 1 (-1 to 2)      15 a click with no press before it
//
// Ticks are capped per input, so one input runs in milliseconds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "fuzz_support.h"
#include "game_files/game_path.h"
#include "scenario/player.h"
#include "scenario/player_event.h"
#include "support/recording_presentation.h"

namespace tavrin {
namespace {

using fuzz::Escaped;

constexpr long kMaxTicksPerInput = 1000;
constexpr long kMaxTicksPerRun = 500;

// What the engine told, kept to compare with what it reads back. A choice's index must be
// one of the two buttons; a picture name is looked up as a front end would (as Windows
// finds a file).
class FuzzPresentation : public test_support::RecordingPresentation {
 public:
  explicit FuzzPresentation(std::filesystem::path img_dir) : img_dir_(std::move(img_dir)) {}

  void ChoiceChanged(int index, const std::string& caption, bool visible) override {
    TAVRIN_FUZZ_CHECK(index == 0 || index == 1, "choice index " + std::to_string(index));
    RecordingPresentation::ChoiceChanged(index, caption, visible);
  }
  void ShowPicture(const std::string& name) override {
    RecordingPresentation::ShowPicture(name);
    if (!name.empty()) ResolveGamePath(img_dir_, name + ".jpg");
  }

 private:
  std::filesystem::path img_dir_;
};

// The score is a 16-bit number by its type; the engine clamps rather than wraps (UBSan
// would stop a wrapping conversion). If the type ever widens, a range check belongs here.
static_assert(std::is_same_v<decltype(std::declval<Player>().Score()), int16_t>);

size_t CountRows(const std::string& text) {
  size_t rows = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    ++rows;
  }
  return rows;
}

void CheckInvariants(Player& player, FuzzPresentation& shown, size_t alerts_before,
                     const std::string& event) {
  const std::string where = " after " + event;
  const std::string& text = player.MessageText();
  const std::string& prompt = player.Prompt();

  TAVRIN_FUZZ_CHECK(prompt.empty() || prompt == kPagePrompt,
                    "prompt \"" + Escaped(prompt) + "\"" + where);
  TAVRIN_FUZZ_CHECK(!player.ChoiceShown() || !player.TimSay().enabled,
                    "a choice is shown while the timer runs" + where);
  TAVRIN_FUZZ_CHECK(player.Choice(0).visible == player.Choice(1).visible,
                    "one choice button shown without the other" + where);
  TAVRIN_FUZZ_CHECK(player.MessageVisible() || text.empty(),
                    "a hidden message window holds \"" + Escaped(text) + "\"" + where);

  // A page is its rows, each after a CR LF (the first row empty), and ends with the prompt
  // when it waits; it holds 10 rows, or 11 after an empty line.
  TAVRIN_FUZZ_CHECK(text.empty() || text.starts_with("\r\n"),
                    "message text \"" + Escaped(text) + "\" does not start a row" + where);
  TAVRIN_FUZZ_CHECK(CountRows(text) <= 11,
                    std::to_string(CountRows(text)) + " rows in \"" + Escaped(text) + "\"" + where);
  TAVRIN_FUZZ_CHECK(prompt != kPagePrompt || text.empty() || text.ends_with(kPagePrompt),
                    "a page waits without its prompt: \"" + Escaped(text) + "\"" + where);

  // The pacing and the timer's interval go together.
  TAVRIN_FUZZ_CHECK(player.TimSay().interval_ms ==
                        (player.PauseAtPageEnd() ? kNormalIntervalMs : kFastIntervalMs),
                    "interval " + std::to_string(player.TimSay().interval_ms) + where);

  // A front end renders only what it is told, so what it was told last must be the state.
  TAVRIN_FUZZ_CHECK(shown.message_changes > 0 && shown.message_text == text &&
                        shown.message_visible == player.MessageVisible(),
                    "the message window was not told its text or visibility" + where);
  for (int i = 0; i < 2; ++i) {
    TAVRIN_FUZZ_CHECK(shown.choice_told[i] && shown.choice_caption[i] == player.Choice(i).caption &&
                          shown.choice_visible[i] == player.Choice(i).visible,
                      "choice " + std::to_string(i) + " was not told its state" + where);
  }
  TAVRIN_FUZZ_CHECK(shown.timer_told && shown.timer_enabled == player.TimSay().enabled &&
                        shown.timer_interval == player.TimSay().interval_ms,
                    "the timer was not told its state" + where);

  // A failure is told once, and the story has ended by then.
  const size_t alerts = shown.alerts.size() - alerts_before;
  TAVRIN_FUZZ_CHECK(alerts <= 1, std::to_string(alerts) + " message boxes" + where);
  if (alerts == 1) {
    TAVRIN_FUZZ_CHECK(!shown.alerts.back().empty(), "an empty message box" + where);
    TAVRIN_FUZZ_CHECK(!player.ScriptOpen() && player.TickWouldIdle(),
                      "the story goes on after \"" + Escaped(shown.alerts.back()) + "\"" + where);
  }

  // A tick that would change nothing changes nothing, and tells the front end nothing.
  if (player.TickWouldIdle()) {
    const PlayerState before = player.Snapshot();
    const long calls = shown.calls;
    player.TimSay_Timer();
    TAVRIN_FUZZ_CHECK(player.Snapshot() == before && shown.calls == calls,
                      "an idle tick changed the state" + where);
  }
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  const std::filesystem::path& dir = fuzz::ProcessTempDir("fuzz_scenario");
  const std::span<const uint8_t> input(data, size);
  const size_t event_count = input.empty() ? 0 : std::min<size_t>(input[0] & 0x3F, size - 1);
  const std::span<const uint8_t> events = input.subspan(input.empty() ? 0 : 1, event_count);
  const std::span<const uint8_t> script = input.subspan(input.empty() ? 0 : 1 + event_count);
  fuzz::WriteFile(dir / "dat.dat", script);

  FuzzPresentation shown(dir / "img");
  Player player(shown, dir);
  long ticks_left = kMaxTicksPerInput;
  // Up to `count` ticks of `kind` (Tick or Run), each taken from what the input may spend.
  auto ticks = [&](PlayerEvent::Kind kind, long count) {
    count = std::min(count, ticks_left);
    const long delivered = DeliverEvent(player, {.kind = kind, .count = count});
    ticks_left -= kind == PlayerEvent::Kind::Run ? delivered : count;
  };
  constexpr MouseButton kButtons[3] = {MouseButton::Left, MouseButton::Right, MouseButton::Middle};

  size_t alerts_before = 0;
  player.Form_Activate();  // the window is shown
  CheckInvariants(player, shown, alerts_before, "the first activation");

  for (size_t i = 0; i < events.size(); ++i) {
    const int kind = events[i] & 0x0F;
    const int argument = events[i] >> 4;
    alerts_before = shown.alerts.size();
    bool closed = false;
    switch (kind) {
      case 0:
        ticks(PlayerEvent::Kind::Tick, 1);
        break;
      case 1:
        ticks(PlayerEvent::Kind::Tick, 8 * (argument + 1));
        break;
      case 2:
        ticks(PlayerEvent::Kind::Run, kMaxTicksPerRun);
        break;
      case 3:
      case 4:
      case 5:
        DeliverEvent(player, {.kind = PlayerEvent::Kind::Click, .button = kButtons[kind - 3]});
        break;
      case 6:
      case 7:
      case 8:
        DeliverEvent(player, {.kind = PlayerEvent::Kind::Press, .button = kButtons[kind - 6]});
        break;
      case 9:
      case 10:
        DeliverEvent(player, {.kind = PlayerEvent::Kind::Choose, .choice = kind - 9});
        break;
      case 11:
        player.Form_Activate();
        break;
      case 12:
        DeliverEvent(player, {.kind = PlayerEvent::Kind::Close});
        closed = true;
        break;
      case 13:
        // Past the platform's rule: a tick whether the timer is on or not.
        if (ticks_left > 0) {
          --ticks_left;
          player.TimSay_Timer();
        }
        break;
      case 14:
        DeliverEvent(player, {.kind = PlayerEvent::Kind::Choose, .choice = argument % 4 - 1});
        break;
      case 15:
        player.Lbl_Click();  // a click with no press before it
        break;
    }
    CheckInvariants(player, shown, alerts_before,
                    "event " + std::to_string(i) + " (kind " + std::to_string(kind) + ")");
    if (closed) {
      TAVRIN_FUZZ_CHECK(!player.ScriptOpen(), "the scenario is still open after the window closed");
      break;
    }
  }
  return 0;
}
