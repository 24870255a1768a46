// SPDX-License-Identifier: MIT
#include "app/watch/watch_session.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <ostream>
#include <string>

#include "app/check/check_front_end.h"
#include "app/warp/warp_report.h"
#include "app/warp/warp_search.h"
#include "game_files/game_location.h"
#include "ui/main_window.h"

namespace tavrin {
namespace {

// What was saved, for the terminal: the archive the game is in, or its files.
std::string WhatChanged(const GameChange& change, const std::string& archive) {
  if (!archive.empty()) return archive;
  std::string what;
  const auto add = [&what](const char* name) {
    what += (what.empty() ? "" : ", ") + std::string(name);
  };
  if (change.scenario) add("dat.dat");
  if (change.pictures) add("img/");
  if (change.music) add("bgm.mid");
  return what.empty() ? "the game" : what;
}

}  // namespace

WatchSession::WatchSession(MainWindow& window, std::filesystem::path given, std::ostream& terminal)
    : window_(window), terminal_(terminal) {
  Follow(std::move(given));
}

WatchSession::~WatchSession() = default;

std::filesystem::path WatchSession::WhereToFindAgain(const GameFolder& game) {
  if (const ArchiveContents* archive = game.Archive()) return archive->Path();
  return game.Where();
}

void WatchSession::Follow(std::filesystem::path given) {
  given_ = std::move(given);
  const GameLocation location = LocateExistingGame(given_);
  if (location.game == nullptr) {
    watcher_.reset();
    terminal_ << "tavrin: the game's files are not watched: " << location.error << "\n";
    return;
  }
  Watch(location.game);
}

void WatchSession::Watch(const std::shared_ptr<GameFolder>& game) {
  const bool archive = game->Archive() != nullptr;
  watcher_ = std::make_unique<GameWatcher>(WhereToFindAgain(*game), archive);
  archive_name_ = archive ? WhereToFindAgain(*game).filename().string() : std::string();
  if (!watcher_->Failure().empty()) {
    terminal_ << "tavrin: the game's files are not watched: " << watcher_->Failure() << "\n";
  }
  connect(watcher_.get(), &GameWatcher::Changed, this, &WatchSession::Reload);
}

void WatchSession::Reload(GameChange change) {
  waiting_.scenario |= change.scenario;
  waiting_.pictures |= change.pictures;
  waiting_.music |= change.music;
  // A message box over the story is answered first: the player is inside its handler.
  if (QWidget* box = QApplication::activeModalWidget()) {
    if (box != box_waited_for_) {
      box_waited_for_ = box;
      connect(box, &QObject::destroyed, this,
              [this] { QTimer::singleShot(0, this, [this] { Reload({}); }); });
    }
    return;
  }
  box_waited_for_ = nullptr;
  change = std::exchange(waiting_, {});

  terminal_ << "tavrin: " << WhatChanged(change, archive_name_)
            << " saved: reading the game again\n";
  const GameLocation location = LocateExistingGame(given_);
  for (const std::string& warning : location.warnings) terminal_ << "tavrin: " << warning << "\n";
  if (location.game == nullptr) {
    terminal_ << "tavrin: " << location.error << "; play goes on as it was\n";
    terminal_.flush();
    return;
  }
  const uint64_t line = window_.Engine().CurrentLineNumber();
  Warp warp;
  if (line != 0) warp = FindWarpAtOrBefore(location.game, line);
  if (!warp.failure.empty()) {
    terminal_ << "tavrin: " << warp.failure << "; play goes on as it was\n";
  } else if (warp.reached) {
    WarpTarget target;
    target.line = warp.line;
    terminal_ << "tavrin: "
              << (warp.line == line ? ""
                                    : "line " + std::to_string(line) + " is no longer reached; ")
              << DescribeWarp(warp, target) << "\n";
    window_.ResumeGame(location.game, std::move(warp.start), change.music);
  } else {
    // With no line to go back to (none read yet, or the file ended), the story starts again.
    terminal_ << "tavrin: "
              << (line == 0
                      ? std::string()
                      : "no line up to line " + std::to_string(line) + " is reached any more: ")
              << "play starts again from the opening\n";
    window_.PlayGame(location.game);
  }
  terminal_.flush();
  // The window is painted before the check, which takes longer, so that the reader sees the
  // page again at once.
  window_.repaint();
  emit Shown();
  QTimer::singleShot(0, this, [this, game = location.game] {
    RunCheck(game, {}, terminal_, terminal_);
    terminal_.flush();
    emit Checked();
  });
}

}  // namespace tavrin
