#pragma once

namespace tavrin {

/// Where the synthesizer's sound goes. The program plays to the system's sound output;
/// tests and the headless player, which may run where there is no sound card, take the
/// samples themselves and move the piece on by rendering it.
enum class AudioOutput {
  Device,  // the first of the system's sound outputs that opens
  None,    // nowhere: whoever holds the channel renders the sound
};

}  // namespace tavrin
