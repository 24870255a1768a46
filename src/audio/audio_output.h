// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// Where the synthesizer's sound goes. The window plays to the system's sound output; the
/// tests and the music fuzz target, which may run where there is no sound card, take the
/// samples themselves and move the piece on by rendering it. (Scripted play and the checker
/// play no music at all.)
enum class AudioOutput {
  Device,  // the first of the system's sound outputs that opens
  None,    // nowhere: whoever holds the channel renders the sound
};

}  // namespace tavrin
