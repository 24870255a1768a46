// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// How the synthesizer makes the music's sound, and how the sound output takes it. The
/// defaults are the program's; the synthesis benchmark compares them with others.
///
/// Background music under text wants to cost next to nothing. Measured on a General MIDI
/// soundfont, synthesis costs in proportion to the rate, and 4th-order interpolation a
/// third more than linear. At 32 kHz nothing above 16 kHz is made: 35 dB under the
/// whole in a dense orchestral piece, 73 dB in the demo's; linear interpolation differs
/// from 4th-order by 41 and 52 dB under the signal. Together they halve the cost. Reverb and
/// chorus stay: pieces use them, and without them the sound is plainly drier. So does the
/// polyphony: at 64 a dense piece loses notes that are heard.
struct SynthesisSettings {
  /// How a sample is read between its stored points.
  enum class Interpolation { Nearest, Linear, FourthOrder, SeventhOrder };

  int sample_rate = 32000;
  bool reverb = true;
  bool chorus = true;
  /// The most voices sounding at once (a note takes one or two).
  int polyphony = 128;
  Interpolation interpolation = Interpolation::Linear;
  /// Frames the sound output takes at a time (192 ms), and how many such periods it holds.
  /// Long periods wake the audio threads a few times a second; the loop's gap is at most
  /// one period.
  int period_size = 6144;
  int periods = 2;
};

}  // namespace tavrin
