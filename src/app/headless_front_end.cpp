#include "app/headless_front_end.h"

#include <istream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "app/headless_event.h"
#include "scenario/player.h"
#include "ui/picture_holder.h"

namespace tavrin {
namespace {

constexpr long kRunLimit = 1000000;

// Nothing to draw: the engine's state is read back when a state line is written, and only
// what the engine cannot be asked (pictures, message boxes) is kept here.
class HeadlessPresentation : public Presentation {
 public:
  explicit HeadlessPresentation(const GameFolders& folders)
      : app_dir_(folders.AppDir), pictures_(folders.ImgDir) {}

  void MessageChanged(const std::string&, bool) override {}
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string& name) override { pictures_.ShowPicture(name); }
  void Alert(const std::string& text) override { alerts_.push_back(text); }

  nlohmann::ordered_json PictureState() const {
    if (!pictures_.Showing()) return nullptr;
    return {{"file", pictures_.File().lexically_relative(app_dir_).generic_string()},
            {"width", pictures_.PixelSize().width()},
            {"height", pictures_.PixelSize().height()}};
  }
  std::vector<std::string> TakeAlerts() { return std::exchange(alerts_, {}); }

 private:
  std::filesystem::path app_dir_;
  PictureHolder pictures_;
  std::vector<std::string> alerts_;
};

void WriteState(std::ostream& out, const std::string& event, const Player& player,
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
  out << state.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  out.flush();
}

void Deliver(const HeadlessEvent& event, Player& player) {
  switch (event.kind) {
    case HeadlessEvent::Kind::Tick:
    case HeadlessEvent::Kind::Ticks:
      // The platform raises a tick only while the timer is enabled.
      for (long i = 0; i < event.count; ++i) {
        if (player.TimSay().enabled) player.TimSay_Timer();
      }
      break;
    case HeadlessEvent::Kind::Run:
      for (long i = 0; i < kRunLimit && !player.TickWouldIdle(); ++i) player.TimSay_Timer();
      break;
    case HeadlessEvent::Kind::Click:
      if (!player.MessageWindowTakesInput()) break;
      player.Lbl_MouseDown(event.button);
      player.Lbl_Click();
      break;
    case HeadlessEvent::Kind::Press:
      player.Lbl_MouseDown(event.button);
      break;
    case HeadlessEvent::Kind::Choose:
      player.Com_Click(event.choice);
      break;
    case HeadlessEvent::Kind::Close:
      player.Form_Unload();
      break;
  }
}

}  // namespace

int RunHeadless(const GameFolders& folders, std::istream& events, std::ostream& states,
                std::ostream& errors) {
  HeadlessPresentation presentation(folders);
  Player player(presentation, folders.DatDir);
  player.Form_Activate();
  WriteState(states, "start", player, presentation);

  std::string line;
  for (long number = 1; std::getline(events, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // event files saved on Windows
    if (IsSkippedEventLine(line)) continue;
    const std::optional<HeadlessEvent> event = ParseHeadlessEvent(line);
    if (!event) {
      errors << "tavrin: line " << number << " of the events is not an event: \"" << line
             << "\"\n";
      return 2;
    }
    Deliver(*event, player);
    WriteState(states, event->name, player, presentation);
    if (event->kind == HeadlessEvent::Kind::Close) return 0;
  }
  // The end of the events closes the window, as "close" does.
  player.Form_Unload();
  WriteState(states, "close", player, presentation);
  return 0;
}

}  // namespace tavrin
