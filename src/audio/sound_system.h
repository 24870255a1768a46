// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// Prepares the sound libraries for the window's music, once at start-up, before any other
/// thread runs:
/// - their messages (FluidSynth's, and ALSA's "ALSA lib ..." lines when there is no sound
///   device) stay off standard error unless `verbose`;
/// - the sound server's client library writes nothing: with no authentication cookie of
///   the user's, it would create one in the home folder, so it is given one to read that
///   no file holds.
void PrepareSoundSystem(bool verbose);

/// Whether FluidSynth's messages are shown (set by `PrepareSoundSystem`).
bool SoundLibraryMessagesShown();

}  // namespace tavrin
