// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavrin {

/// Why a command failed. `None` (0) is success; the other values are this program's own.
enum class ChannelError : uint32_t {
  None = 0,
  UnknownCommand,  // not one of the texts the channel understands
  NoDevice,        // nothing is open under the name the command gives
  NameInUse,       // an open names a device that is open already
  CannotOpenFile,  // the file is missing or cannot be read
  NotMidiFile,     // the file is not a Standard MIDI File that can be played
  ReplyTooSmall,   // the answer and its NUL do not fit into the reply buffer
  NotReady,        // the device is still being made ready and cannot answer that yet
  NoSoundOutput,   // the piece plays nowhere (no sound output, or nothing to play it with)
};

/// The music's one device, driven by command texts exactly as the program writes them
/// ("play MIDI notify"). The program learns everything about the music, its end included,
/// through these texts and their answers, so a fake that records them stands in for the
/// real device in tests.
class CommandChannel {
 public:
  virtual ~CommandChannel() = default;

  /// Carries out `command` and returns at once. A command that answers (a status query)
  /// writes its answer into `reply` as text ended by a NUL, at most `reply_size` characters
  /// with the NUL; other commands, and every failure, leave `reply` untouched. `reply` may
  /// be null when `reply_size` is 0.
  virtual ChannelError Send(std::string_view command, char* reply, std::size_t reply_size) = 0;
};

}  // namespace tavrin
