// SPDX-License-Identifier: MIT
// Taking a run up at a moment found beforehand: at the first activation, or in a game read
// again while the window plays it.
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {

void MainWindow::StartAt(ResumePoint at) { start_ = std::move(at); }

void MainWindow::ResumeGame(std::shared_ptr<GameFolder> game, ResumePoint at, bool music_changed) {
  if (unloaded_) return;
  // As `PlayGame` does, but the new player takes the run up before anything is shown, so
  // that the window goes from the old page to the new at once.
  player_->Form_Unload();
  pacing_timer_.stop();
  past_index_ = -1;
  message_->ShowPresent();
  wheel_ = 0;
  if (music_changed && music_ != nullptr) {
    music_file_ = game->Find("bgm.mid");
    StartMusic();  // the device is closed before it opens the new file
  }
  player_ = std::make_unique<Player>(*this, game);
  picture_->SetGame(std::move(game));
  picture_changed_ = true;
  player_->Resume(std::move(at));
  ShowPlayerState();
  ViewChanged();
  pacer_.ApplyNow();
}

}  // namespace tavrin
