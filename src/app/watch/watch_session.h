// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>

#include "app/watch/game_watcher.h"
#include "game_files/game_folder.h"

namespace tavrin {

class MainWindow;

/// `tavrin --watch`: the window's game is read again whenever its files are saved. The
/// check's findings go to `terminal`, and play goes on at the line the reader was at,
/// through the warp (at the nearest line before it that a path reaches, when none reaches
/// it any more); the pictures are read again, and the music when it changed. A game that
/// cannot be read again leaves play as it was, and says why.
class WatchSession : public QObject {
  Q_OBJECT

 public:
  /// Watches the game found at `given` (a folder, its dat.dat or an archive, as the command
  /// line names it), which `window` plays.
  WatchSession(MainWindow& window, std::filesystem::path given, std::ostream& terminal);
  ~WatchSession() override;

  /// Watches the game found at `given` from now on (a game dropped on the window).
  void Follow(std::filesystem::path given);

  /// The path that finds `game` again: its folder, or its archive.
  static std::filesystem::path WhereToFindAgain(const GameFolder& game);

 signals:
  /// The window shows the game read again, painted.
  void Shown();
  /// The game read again was checked, and its findings written.
  void Checked();

 private:
  void Reload(GameChange change);
  void Watch(const std::shared_ptr<GameFolder>& game);

  MainWindow& window_;
  std::filesystem::path given_;
  std::ostream& terminal_;
  std::unique_ptr<GameWatcher> watcher_;
  std::string archive_name_;  // the file name of the archive the game is in, if it is
  GameChange waiting_;        // changes that came while a message box was open
  QPointer<QWidget> box_waited_for_;
};

}  // namespace tavrin
