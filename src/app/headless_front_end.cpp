// SPDX-License-Identifier: MIT
#include "app/headless_front_end.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "app/headless_event.h"
#include "picture/picture_holder.h"
#include "scenario/player.h"
#include "scenario/player_event.h"

namespace tavrin {
namespace {

// Nothing to draw: the engine's state is read back when a state line is written, and only
// what the engine cannot be asked (pictures, message boxes) is kept here.
class HeadlessPresentation : public Presentation {
 public:
  explicit HeadlessPresentation(std::shared_ptr<GameFolder> game) : pictures_(std::move(game)) {}

  void MessageChanged(const std::string&, bool) override {}
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string& name) override { pictures_.ShowPicture(name); }
  void Alert(const std::string& text) override { alerts_.push_back(text); }

  nlohmann::ordered_json PictureState() const {
    if (!pictures_.Showing()) return nullptr;
    return {{"file", pictures_.File().Name()},
            {"width", pictures_.PixelSize().width()},
            {"height", pictures_.PixelSize().height()}};
  }
  std::vector<std::string> TakeAlerts() { return std::exchange(alerts_, {}); }

 private:
  PictureHolder pictures_;
  std::vector<std::string> alerts_;
};

// Writes one state line; false when it cannot be written.
bool WriteState(std::FILE* out, const std::string& event, const Player& player,
                HeadlessPresentation& presentation) {
  nlohmann::ordered_json choices = nlohmann::ordered_json::array();
  for (int i = 0; i < 2; ++i) {
    choices.push_back(
        {{"caption", player.Choice(i).caption}, {"visible", player.Choice(i).visible}});
  }
  const nlohmann::ordered_json state = {
      {"event", event},
      {"message", {{"text", player.MessageText()}, {"visible", player.MessageVisible()}}},
      {"choices", choices},
      {"timer", {{"enabled", player.TimSay().enabled}, {"interval", player.TimSay().interval_ms}}},
      {"picture", presentation.PictureState()},
      {"score", player.Score()},
      {"pacing", player.PauseAtPageEnd() ? "normal" : "fast"},
      {"prompt", player.Prompt()},
      {"script_open", player.ScriptOpen()},
      {"alerts", presentation.TakeAlerts()},
  };
  std::string line = state.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  line += '\n';
  return std::fwrite(line.data(), 1, line.size(), out) == line.size() && std::fflush(out) == 0;
}

// The longest line that can hold an event ("ticks 1000000"), with room to spare.
constexpr size_t kMaxEventLine = 64;

enum class LineRead { Line, TooLong, End, Failed };

// Reads one line of the events into `line`, without its line end. A comment is read to its
// end but kept only as "#"; any other line longer than an event can be is not read on.
LineRead ReadEventLine(std::FILE* in, std::string& line) {
  line.clear();
  for (;;) {
    const int c = std::getc(in);
    if (c == EOF) {
      if (std::ferror(in)) return LineRead::Failed;
      return line.empty() ? LineRead::End : LineRead::Line;
    }
    if (c == '\n') return LineRead::Line;
    if (line == "#") continue;
    if (line.size() == kMaxEventLine) return LineRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
}

}  // namespace

int RunHeadless(const std::shared_ptr<GameFolder>& game, std::FILE* events, std::FILE* states,
                std::ostream& errors, const ResumePoint* start) {
  const auto write_failed = [&errors] {
    errors << "tavrin: cannot write the states: " << std::strerror(errno) << "\n";
    return 1;
  };
  HeadlessPresentation presentation(game);
  Player player(presentation, game);
  if (start != nullptr) {
    player.Resume(*start);
  } else {
    player.Form_Activate();
  }
  if (!WriteState(states, "start", player, presentation)) return write_failed();

  std::string line;
  for (long number = 1;; ++number) {
    const LineRead read = ReadEventLine(events, line);
    if (read == LineRead::End) break;
    if (read == LineRead::Failed) {
      errors << "tavrin: cannot read the events: " << std::strerror(errno) << "\n";
      return 1;
    }
    if (read == LineRead::TooLong) {
      errors << "tavrin: line " << number << " of the events is not an event: it is longer than "
             << kMaxEventLine << " bytes\n";
      return 2;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();  // event files saved on Windows
    if (IsSkippedEventLine(line)) continue;
    const std::optional<HeadlessEvent> event = ParseHeadlessEvent(line);
    if (!event) {
      errors << "tavrin: line " << number << " of the events is not an event: \"" << line << "\"\n";
      return 2;
    }
    DeliverEvent(player, event->event);
    if (!WriteState(states, event->name, player, presentation)) return write_failed();
    if (event->event.kind == PlayerEvent::Kind::Close) return 0;
  }
  // The end of the events closes the window, as "close" does.
  player.Form_Unload();
  if (!WriteState(states, "close", player, presentation)) return write_failed();
  return 0;
}

}  // namespace tavrin
