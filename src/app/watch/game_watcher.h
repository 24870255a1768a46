// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace tavrin {

/// What of a game changed on disk.
struct GameChange {
  bool scenario = false;  // dat.dat (or the archive the game is in)
  bool pictures = false;  // a file in img/, or img/ itself
  bool music = false;     // bgm.mid (or the archive)
};

/// Watches a game's files on disk through inotify, with the event loop: dat.dat, bgm.mid
/// and the folder img/ beside them, or the archive the game is in. A file counts as
/// changed once it is complete: when its writer closes it, or when it is renamed into place
/// (an editor's save by writing a copy and renaming it); a file still being written is
/// never reported, and a scenario that goes away is not either, as there is nothing to
/// read. Changes that come together (a save in several steps, pictures copied in at once)
/// are reported once, after `kQuietMs` without another.
class GameWatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kQuietMs = 30;

  /// Watches the game in the folder `folder`, or, with `archive`, the archive at that path.
  GameWatcher(const std::filesystem::path& game, bool archive, QObject* parent = nullptr);
  ~GameWatcher() override;

  /// Why nothing is watched (inotify or the folder could not be had); empty while watching.
  const std::string& Failure() const { return failure_; }

 signals:
  void Changed(tavrin::GameChange change);

 private:
  void ReadEvents();
  void WatchPictures();
  void Note(int watch, uint32_t mask, const std::string& name);

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::filesystem::path folder_;  // where dat.dat, bgm.mid and img/ are, or the archive is
  std::string archive_name_;      // the archive's file name; empty for a folder
  int folder_watch_ = -1;
  int pictures_watch_ = -1;
  GameChange pending_;
  QTimer quiet_;
  std::string failure_;
};

}  // namespace tavrin
