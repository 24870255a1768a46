// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>

#include "game_files/game_file.h"

namespace tavrin {

/// The window's calls into the background music: the start-up and shutdown procedures and
/// the watchdog tick of `BgmTim`. The music module answers them; a window given none plays
/// in silence.
class MusicHooks {
 public:
  virtual ~MusicHooks() = default;

  /// Opens the MIDI file (start-up, before the layout).
  virtual void MidiOpen(const GameFile& file) = 0;
  /// The music switch `BgmLoop`; start-up turns it on before `MidiPlay`.
  virtual void SetBgmLoop(bool on) = 0;
  /// Starts the piece.
  virtual void MidiPlay() = 0;
  /// The watchdog's tick.
  virtual void BgmTim_Timer() = 0;
  /// When the watchdog next needs to tick, asked after start-up and after every tick; none
  /// while there is nothing to watch, and then no tick comes at all.
  virtual std::optional<std::chrono::milliseconds> BgmTimDelay() = 0;
  /// Closes the device at shutdown.
  virtual void MidiClose() = 0;
};

}  // namespace tavrin
