// SPDX-License-Identifier: MIT
#include "app/watch/game_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace tavrin {
namespace {

// A file that is complete: closed by its writer, or renamed into place.
constexpr uint32_t kComplete = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr uint32_t kGone = IN_DELETE | IN_MOVED_FROM;

std::string Folded(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return name;
}

}  // namespace

GameWatcher::GameWatcher(const std::filesystem::path& game, bool archive, QObject* parent)
    : QObject(parent) {
  folder_ = archive ? game.parent_path() : game;
  if (archive) archive_name_ = game.filename().string();
  if (folder_.empty()) folder_ = ".";
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMs);
  connect(&quiet_, &QTimer::timeout, this, [this] { emit Changed(std::exchange(pending_, {})); });

  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) {
    failure_ = std::string("inotify is not available: ") + std::strerror(errno);
    return;
  }
  folder_watch_ =
      ::inotify_add_watch(fd_, folder_.c_str(), kComplete | kGone | IN_CREATE | IN_ONLYDIR);
  if (folder_watch_ < 0) {
    failure_ = folder_.string() + " cannot be watched: " + std::strerror(errno);
    return;
  }
  if (archive_name_.empty()) WatchPictures();
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &GameWatcher::ReadEvents);
}

GameWatcher::~GameWatcher() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
}

void GameWatcher::WatchPictures() {
  if (pictures_watch_ >= 0) ::inotify_rm_watch(fd_, pictures_watch_);
  pictures_watch_ = -1;
  // The picture folder in whatever letter case it is written, as the game finds it.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    if (Folded(entry.path().filename().string()) != "img" || !entry.is_directory(error)) continue;
    pictures_watch_ =
        ::inotify_add_watch(fd_, entry.path().c_str(), kComplete | kGone | IN_ONLYDIR);
    return;
  }
}

void GameWatcher::ReadEvents() {
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t length = ::read(fd_, buffer, sizeof buffer);
    if (length <= 0) return;  // EAGAIN: all read
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      Note(event->wd, event->mask, event->len > 0 ? std::string(event->name) : std::string());
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void GameWatcher::Note(int watch, uint32_t mask, const std::string& name) {
  GameChange& change = pending_;
  bool noted = false;
  if (watch == folder_watch_ && !archive_name_.empty()) {
    noted = name == archive_name_ && (mask & kComplete) != 0;
    if (noted) change.scenario = change.pictures = change.music = true;
  } else if (watch == folder_watch_) {
    const std::string folded = Folded(name);
    if (folded == "dat.dat" && (mask & kComplete) != 0) {
      noted = change.scenario = true;
    } else if (folded == "bgm.mid" && (mask & (kComplete | kGone)) != 0) {
      noted = change.music = true;
    } else if (folded == "img" && (mask & IN_ISDIR) != 0) {
      WatchPictures();  // made, moved in or taken away
      noted = change.pictures = true;
    }
  } else if (watch == pictures_watch_ && watch >= 0) {
    if ((mask & IN_IGNORED) != 0) {
      pictures_watch_ = -1;
      return;
    }
    noted = change.pictures = true;
  }
  if (noted) quiet_.start();
}

}  // namespace tavrin
