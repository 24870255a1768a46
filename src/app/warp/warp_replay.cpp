// SPDX-License-Identifier: MIT
#include "app/warp/warp_replay.h"

#include <unordered_map>

#include "picture/picture_holder.h"
#include "scenario/player_event.h"
#include "scenario/presentation.h"
#include "scenario/script_trace.h"

namespace tavrin {
namespace {

// Shows nothing: notes the pictures and whether an event met the target before it
// restarted the story (after a restart, the lines are the opening's again).
class ReplayWatch : public Presentation, public ScriptTrace {
 public:
  explicit ReplayWatch(const WarpTarget& target) : target_(target) {}

  void BeginEvent() {
    restarted_ = false;
    alerts_.clear();
  }
  uint64_t Met() const { return met_; }
  std::vector<std::string> TakePictures() { return std::move(pictures_); }
  std::vector<std::string> TakeAlerts() { return std::move(alerts_); }

  void MessageChanged(const std::string&, bool) override {}
  void ChoiceChanged(int, const std::string&, bool) override {}
  void TimerChanged(bool, int) override {}
  void ShowPicture(const std::string& name) override {
    if (pictures_.empty() || pictures_.back() != name) pictures_.push_back(name);
  }
  void Alert(const std::string& text) override { alerts_.push_back(text); }

  void LineReached(uint64_t number, LineKind kind, const std::string& line) override {
    Note(number, std::nullopt, line);
    if (kind == LineKind::Restart) restarted_ = true;
  }
  void LineTaken(uint64_t number, Use use, const std::string& line) override {
    Note(number, use, line);
  }

 private:
  void Note(uint64_t number, std::optional<Use> use, const std::string& line) {
    if (met_ == 0 && !restarted_ && target_.Meets(number, use, line)) met_ = number;
  }

  const WarpTarget& target_;
  std::vector<std::string> pictures_;
  std::vector<std::string> alerts_;
  uint64_t met_ = 0;
  bool restarted_ = false;
};

}  // namespace

std::optional<Replayed> ReplayRoute(const std::shared_ptr<GameFolder>& game,
                                    const std::vector<Route::Choice>& choices,
                                    const WarpTarget& target, uint64_t last_line) {
  ReplayWatch watch(target);
  Player player(watch, game);
  player.SetTrace(&watch);
  player.Form_Activate();
  size_t next_choice = 0;
  // Every event reads on by a line at least, so the way ends by `last_line`.
  while (watch.Met() == 0) {
    if (!player.ScriptOpen() || player.ScriptPlace().line_number > last_line) return std::nullopt;
    watch.BeginEvent();
    if (player.ChoiceShown()) {
      if (next_choice == choices.size()) return std::nullopt;
      DeliverEvent(player,
                   {.kind = PlayerEvent::Kind::Choose, .choice = choices[next_choice++].index});
    } else {
      DeliverEvent(player, {.kind = player.TickWouldIdle() ? PlayerEvent::Kind::Click
                                                           : PlayerEvent::Kind::Tick});
    }
  }
  Replayed replayed{player.Snapshot(), watch.Met(), watch.TakePictures(), watch.TakeAlerts()};
  player.Form_Unload();
  return replayed;
}

std::vector<std::string> PicturesLeftBy(const std::shared_ptr<GameFolder>& game,
                                        const std::vector<std::string>& pictures) {
  PictureHolder holder(game);
  std::unordered_map<std::string, bool> loads;
  const auto loaded = [&](const std::string& name) {
    auto [known, first_time] = loads.try_emplace(name, false);
    if (first_time) known->second = holder.ShowPicture(name);
    return known->second;
  };
  // The area holds the last picture that loaded; a later one that did not left it black.
  std::vector<std::string> left;
  auto held = pictures.rbegin();
  while (held != pictures.rend() && (held->empty() || !loaded(*held))) ++held;
  if (held != pictures.rend()) left.push_back(*held);
  if (!pictures.empty() && !pictures.back().empty() && held != pictures.rbegin()) {
    left.push_back(pictures.back());
  }
  return left;
}

}  // namespace tavrin
