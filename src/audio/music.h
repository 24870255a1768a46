// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "audio/command_channel.h"

namespace tavrin {

/// The program's side of the background music: the procedures that open, play and close the
/// MIDI device, and the watchdog tick that restarts the piece once it has played to its end.
/// They send fixed command texts over a `CommandChannel` and never look at a result: a
/// failing command only leaves the program silent.
class Music {
 public:
  explicit Music(CommandChannel& channel) : channel_(channel) {}

  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;

  /// Closes whatever is open under the name MIDI, then opens the MIDI file at `path` under it.
  void MidiOpen(const std::string& path);

  /// Starts the piece, if the music switch is on.
  void MidiPlay();

  /// Closes the device.
  void MidiClose();

  /// The watchdog, ticked by the front end on the user-interface thread when `BgmTimDelay`
  /// says. Asks the device for its mode and, when it reads stopped and the music switch is
  /// on, sends the piece back to its start and plays it again.
  void BgmTim_Timer();

  /// How long the watchdog may wait before its next tick, from what the device says of the
  /// piece ("status MIDI length" and "status MIDI position"): while it plays, until its
  /// position reaches its length; from then on `kPollInterval`, until a tick has restarted
  /// it. Nothing when no tick could ever restart anything: the music switch is off, nothing
  /// is open, the piece has no length, or it plays nowhere. A device that cannot tell is
  /// polled at `kPollInterval` throughout.
  std::optional<std::chrono::milliseconds> BgmTimDelay();

  /// How often the watchdog looks while the piece's end is near or unknown.
  static constexpr std::chrono::milliseconds kPollInterval{10};

  /// The music switch: the piece plays and loops only while it is on. Off until start-up
  /// turns it on.
  bool BgmLoop() const { return bgm_loop_; }
  void SetBgmLoop(bool on) { bgm_loop_ = on; }

 private:
  CommandChannel& channel_;
  bool bgm_loop_ = false;
};

}  // namespace tavrin
