// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace tavrin::test_support {

/// The real MIDI files of tests/data, and Debian's General MIDI soundfont.
inline const std::string kMidiDir = std::string(TAVRIN_TESTDATA_DIR) + "/midi/";
inline const std::string kGeneralMidi = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

/// The General MIDI program of the flute, counted from 0.
inline constexpr int kFlute = 73;

}  // namespace tavrin::test_support
