// SPDX-License-Identifier: MIT
#include "audio/fluidsynth_channel.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "audio/fluidsynth_engine.h"
#include "audio/music.h"
#include "recording_channel.h"
#include "support/midi_builder.h"
#include "support/midi_files.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

using namespace std::chrono_literals;
using testing::RecordingChannel;

const std::string kScale =
    test_support::kMidiDir + "test-c-major-scale.mid";  // eight notes, 4.00 s
// Debian's General MIDI soundfont (fluid-soundfont-gm), 148 MB.

// Below this a rendered sample is silence: FluidSynth leaves traces of about 1e-7.
constexpr float kSilence = 1e-4f;

// The watchdog's interval, as the program ticks it.
constexpr double kTick = 0.010;

std::string OpenCommand(const std::string& path) { return "open \"" + path + "\" alias MIDI"; }

std::string Failed(ChannelError error) {
  return "error " + std::to_string(static_cast<int>(error));
}

// The mode as the device answers it, or the failure.
std::string ModeOf(CommandChannel& channel) {
  char buffer[16];
  std::memset(buffer, ' ', sizeof buffer);
  const ChannelError error = channel.Send("status MIDI mode", buffer, 15);
  if (error != ChannelError::None) return Failed(error);
  return std::string(buffer);
}

// A status answer ("length", "position"), or the failure.
std::string StatusOf(CommandChannel& channel, const std::string& item) {
  char buffer[32] = {};
  const ChannelError error = channel.Send("status MIDI " + item, buffer, sizeof buffer - 1);
  if (error != ChannelError::None) return Failed(error);
  return std::string(buffer);
}

// Renders `seconds` in watchdog-sized steps and returns the loudest sample.
float Peak(FluidSynthChannel& channel, double seconds) {
  const auto frames = static_cast<std::size_t>(std::lround(kTick * channel.SampleRate()));
  std::vector<float> left(frames), right(frames);
  float peak = 0;
  for (double t = 0; t < seconds - 1e-9; t += kTick) {
    channel.Render(left, right);
    for (std::size_t i = 0; i < frames; ++i) {
      peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
  }
  return peak;
}

struct Stretch {
  double seconds = 0;  // rendered until the mode read stopped
  float peak = 0;
  bool stopped = false;
};

// Renders one watchdog step at a time and asks the mode after each, until it reads
// stopped or `limit` seconds of sound have been rendered.
Stretch PlayUntilStopped(FluidSynthChannel& channel, double limit) {
  Stretch stretch;
  while (!(stretch.stopped = ModeOf(channel) == "stopped") && stretch.seconds < limit) {
    stretch.peak = std::max(stretch.peak, Peak(channel, kTick));
    stretch.seconds += kTick;
  }
  return stretch;
}

using test_support::TempFolder;

class FluidSynthChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(std::filesystem::exists(test_support::kGeneralMidi)); }

  // Opens `path` and waits for the synthesizer.
  void OpenReady(const std::string& path) {
    ASSERT_EQ(channel_.Send(OpenCommand(path), nullptr, 0), ChannelError::None);
    ASSERT_TRUE(channel_.WaitUntilReady(10s));
  }

  FluidSynthChannel channel_{AudioOutput::None, {test_support::kGeneralMidi}};
};

TEST_F(FluidSynthChannelTest, NothingOpenFailsEveryCommandAndLeavesTheReply) {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(channel_.Send("status MIDI mode", buffer, 15), ChannelError::NoDevice);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(16, 'x'));
  for (const char* command :
       {"play MIDI notify", "play MIDI from 0", "seek MIDI to start", "close MIDI notify"}) {
    EXPECT_EQ(channel_.Send(command, nullptr, 0), ChannelError::NoDevice) << command;
  }
  float left[8], right[8];
  EXPECT_FALSE(channel_.Render(left, right));
  EXPECT_FALSE(channel_.WaitUntilReady(0ms));
}

TEST_F(FluidSynthChannelTest, RefusesEveryOtherCommandAndChangesNothing) {
  OpenReady(kScale);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  for (const char* command :
       {"", "stop MIDI", "pause MIDI", "play MIDI", "close MIDI", "close midi notify",
        "Play MIDI notify", "status MIDI", "status MIDI Position", "status MIDI length ms",
        "seek MIDI to end", "play MIDI from 100", "close all", "open bgm.mid alias MIDI",
        "open \"x.mid\" alias BGM", "open \"x.mid\"", "OPEN \"x.mid\" alias MIDI",
        "status MIDI mode "}) {
    EXPECT_EQ(channel_.Send(command, nullptr, 0), ChannelError::UnknownCommand) << command;
  }
  EXPECT_EQ(ModeOf(channel_), "playing");
}

TEST_F(FluidSynthChannelTest, ModeReadsStoppedBeforeTheFirstPlay) {
  OpenReady(kScale);
  EXPECT_EQ(ModeOf(channel_), "stopped");
  EXPECT_LT(Peak(channel_, 0.5), kSilence);
  EXPECT_EQ(ModeOf(channel_), "stopped");
}

TEST_F(FluidSynthChannelTest, ModeNeedsRoomForTheAnswerAndItsNul) {
  OpenReady(kScale);
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(channel_.Send("status MIDI mode", buffer, 7), ChannelError::ReplyTooSmall);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(16, 'x'));
  EXPECT_EQ(channel_.Send("status MIDI mode", nullptr, 0), ChannelError::ReplyTooSmall);
  EXPECT_EQ(channel_.Send("status MIDI mode", buffer, 8), ChannelError::None);
  EXPECT_EQ(std::string(buffer, 8), std::string("stopped\0", 8));
  EXPECT_EQ(std::string(buffer + 8, 8), std::string(8, 'x'));
}

TEST_F(FluidSynthChannelTest, PlaysToTheEndThenStopsAndRestartsFromTheBeginning) {
  OpenReady(kScale);
  EXPECT_EQ(StatusOf(channel_, "length"), "4000");
  EXPECT_EQ(StatusOf(channel_, "position"), "0");
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  Peak(channel_, 1.5);
  // Where the piece stands as rendered, to the player's step of 64 frames.
  EXPECT_NEAR(std::stoi(StatusOf(channel_, "position")), 1500, 3);
  const Stretch first = PlayUntilStopped(channel_, 10);
  ASSERT_TRUE(first.stopped);
  EXPECT_NEAR(1.5 + first.seconds, 4.0, 0.03);
  EXPECT_GT(first.peak, 0.02f);
  EXPECT_EQ(StatusOf(channel_, "position"), "4000");

  // Stopped at the end, it stays there: the last note dies away and nothing follows.
  Peak(channel_, 1.0);
  EXPECT_LT(Peak(channel_, 0.5), 0.002f);
  EXPECT_EQ(ModeOf(channel_), "stopped");

  // The watchdog's restart plays the whole piece again, from its first note.
  ASSERT_EQ(channel_.Send("seek MIDI to start", nullptr, 0), ChannelError::None);
  EXPECT_EQ(ModeOf(channel_), "stopped");
  EXPECT_EQ(StatusOf(channel_, "position"), "0");
  ASSERT_EQ(channel_.Send("play MIDI from 0", nullptr, 0), ChannelError::None);
  EXPECT_EQ(ModeOf(channel_), "playing");
  EXPECT_GT(Peak(channel_, 0.3), 0.02f);
  const Stretch second = PlayUntilStopped(channel_, 10);
  ASSERT_TRUE(second.stopped);
  EXPECT_NEAR(0.3 + second.seconds, 4.0, 0.03);
}

TEST_F(FluidSynthChannelTest, SeekWhilePlayingStopsAtTheStart) {
  OpenReady(kScale);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  Peak(channel_, 2.0);
  ASSERT_EQ(channel_.Send("seek MIDI to start", nullptr, 0), ChannelError::None);
  EXPECT_EQ(ModeOf(channel_), "stopped");
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  const Stretch whole = PlayUntilStopped(channel_, 10);
  EXPECT_NEAR(whole.seconds, 4.0, 0.03);
}

TEST_F(FluidSynthChannelTest, PlayFromZeroWhilePlayingStartsOver) {
  OpenReady(kScale);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  Peak(channel_, 3.0);
  ASSERT_EQ(channel_.Send("play MIDI from 0", nullptr, 0), ChannelError::None);
  const Stretch whole = PlayUntilStopped(channel_, 10);
  EXPECT_NEAR(whole.seconds, 4.0, 0.03);
}

// The subtle case: the program plays at start-up, long before a 148 MB soundfont is in.
// Reading stopped then would make the watchdog rewind and replay at every tick.
TEST_F(FluidSynthChannelTest, PlayAskedWhileTheSoundfontLoadsReadsPlayingAndHappens) {
  RecordingChannel recorder(channel_);
  Music music(recorder);
  music.MidiOpen(kScale);
  music.SetBgmLoop(true);
  music.MidiPlay();
  for (int i = 0; i < 5; ++i) music.BgmTim_Timer();
  const std::string mode_while_loading = ModeOf(channel_);
  const std::string position_while_loading = StatusOf(channel_, "position");
  const std::string length_while_loading = StatusOf(channel_, "length");
  float left[1], right[1];
  if (channel_.Render(left, right)) GTEST_SKIP() << "the soundfont was in before the ticks";

  EXPECT_EQ(mode_while_loading, "playing");
  EXPECT_EQ(position_while_loading, Failed(ChannelError::NotReady));
  EXPECT_EQ(length_while_loading, "4000");  // known from the file
  for (const auto& call : recorder.calls) EXPECT_NE(call.command, "seek MIDI to start");

  ASSERT_TRUE(channel_.WaitUntilReady(10s));
  const Stretch whole = PlayUntilStopped(channel_, 10);
  EXPECT_NEAR(whole.seconds, 4.0, 0.03);
  EXPECT_GT(whole.peak, 0.02f);
}

TEST_F(FluidSynthChannelTest, SeekWhileTheSoundfontLoadsCancelsTheEarlierPlay) {
  ASSERT_EQ(channel_.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel_.Send("seek MIDI to start", nullptr, 0), ChannelError::None);
  EXPECT_EQ(ModeOf(channel_), "stopped");
  ASSERT_TRUE(channel_.WaitUntilReady(10s));
  EXPECT_LT(Peak(channel_, 0.5), kSilence);
  EXPECT_EQ(ModeOf(channel_), "stopped");
}

// How long closing and destroying take meanwhile is measured by music_channel_bench.
TEST_F(FluidSynthChannelTest, ClosingWhileTheSoundfontLoadsFreesTheName) {
  ASSERT_EQ(channel_.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  EXPECT_EQ(channel_.Send("close MIDI notify", nullptr, 0), ChannelError::None);
  EXPECT_EQ(ModeOf(channel_), Failed(ChannelError::NoDevice));

  // The name is free again, and the next piece plays.
  OpenReady(kScale);
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  EXPECT_GT(Peak(channel_, 0.5), 0.02f);
}

// A destructor that waited for a thread that never ends fails by the test's time-out.
TEST_F(FluidSynthChannelTest, DestroyingWhileLoadingOrPlayingReturns) {
  for (bool wait_for_the_soundfont : {false, true}) {
    FluidSynthChannel channel(AudioOutput::None, {test_support::kGeneralMidi});
    ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
    ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
    if (wait_for_the_soundfont) {
      ASSERT_TRUE(channel.WaitUntilReady(10s));
      EXPECT_GT(Peak(channel, 0.5), 0.02f);
    }
  }
}

TEST_F(FluidSynthChannelTest, OpenRefusesASecondPieceUnderTheSameName) {
  OpenReady(kScale);
  EXPECT_EQ(channel_.Send(OpenCommand(test_support::kMidiDir + "dummy.mid"), nullptr, 0),
            ChannelError::NameInUse);
  // The program's open closes first, which replaces the piece.
  Music music(channel_);
  music.MidiOpen(test_support::kMidiDir + "test-track-length.mid");
  ASSERT_TRUE(channel_.WaitUntilReady(10s));
  ASSERT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  EXPECT_NEAR(PlayUntilStopped(channel_, 10).seconds, 1.5, 0.03);
}

TEST_F(FluidSynthChannelTest, MissingFileFailsTheOpenAndLeavesNothingOpen) {
  EXPECT_EQ(channel_.Send(OpenCommand(test_support::kMidiDir + "no-such-bgm.mid"), nullptr, 0),
            ChannelError::CannotOpenFile);
  EXPECT_EQ(channel_.Send(OpenCommand(""), nullptr, 0), ChannelError::CannotOpenFile);
  EXPECT_EQ(channel_.Send(OpenCommand(test_support::kMidiDir), nullptr, 0),
            ChannelError::CannotOpenFile);
  EXPECT_EQ(ModeOf(channel_), Failed(ChannelError::NoDevice));
  EXPECT_EQ(channel_.Send("play MIDI notify", nullptr, 0), ChannelError::NoDevice);
}

TEST_F(FluidSynthChannelTest, PathWithBlanksOpensThroughTheProgramsQuoting) {
  TempFolder folder("audio test");
  const auto game = folder.Path() / "My Long Tale" / "music and sound";
  std::filesystem::create_directories(game);
  std::filesystem::copy_file(kScale, game / "bgm.mid");

  Music music(channel_);
  music.MidiOpen((game / "bgm.mid").string());
  music.SetBgmLoop(true);
  music.MidiPlay();
  ASSERT_TRUE(channel_.WaitUntilReady(10s));
  const Stretch whole = PlayUntilStopped(channel_, 10);
  EXPECT_NEAR(whole.seconds, 4.0, 0.03);
  EXPECT_GT(whole.peak, 0.02f);
}

// The program's watchdog over the real device, ticked only when it asks: the piece restarts
// on time, every time, is heard again after each restart, and the watchdog looks a few
// times a loop instead of a hundred times a second.
TEST_F(FluidSynthChannelTest, WatchdogLoopsThePiece) {
  RecordingChannel recorder(channel_);
  Music music(recorder);
  music.MidiOpen(kScale);
  music.SetBgmLoop(true);
  music.MidiPlay();
  ASSERT_TRUE(channel_.WaitUntilReady(10s));

  std::vector<double> restarts;
  std::vector<std::pair<double, float>> peaks;  // each step's end and loudest sample
  int ticks = 0;
  double t = 0;
  while (restarts.size() < 2 && t < 20) {
    const std::optional<std::chrono::milliseconds> delay = music.BgmTimDelay();
    ASSERT_TRUE(delay.has_value()) << "at " << t << " s";
    for (double until = t + delay->count() / 1000.0 - 1e-9; t < until; t += kTick) {
      peaks.emplace_back(t + kTick, Peak(channel_, kTick));
    }
    recorder.Clear();
    music.BgmTim_Timer();
    ++ticks;
    if (recorder.calls.size() > 1) {
      EXPECT_EQ(
          recorder.Commands(),
          (std::vector<std::string>{"status MIDI mode", "seek MIDI to start", "play MIDI from 0"}));
      restarts.push_back(t);
    }
  }
  for (const double end = t + 0.25; t < end; t += kTick) {
    peaks.emplace_back(t + kTick, Peak(channel_, kTick));
  }
  ASSERT_EQ(restarts.size(), 2u);
  EXPECT_NEAR(restarts[0], 4.0, 0.03);
  EXPECT_NEAR(restarts[1], 8.0, 0.03);
  EXPECT_LE(ticks, 4);
  for (double restart : restarts) {
    float heard = 0;
    for (const auto& [at, peak] : peaks) {
      if (at > restart && at <= restart + 0.25) heard = std::max(heard, peak);
    }
    EXPECT_GT(heard, 0.02f) << "after the restart at " << restart << " s";
  }
}

TEST(FluidSynthChannelSoundfontTest, TakesTheFirstSoundfontThatLoads) {
  FluidSynthChannel channel(
      AudioOutput::None,
      {"/no/such/font.sf2", test_support::kMidiDir + "dummy.mid", test_support::kGeneralMidi});
  ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_TRUE(channel.WaitUntilReady(10s));
  EXPECT_EQ(channel.Soundfont(), test_support::kGeneralMidi);
}

TEST(FluidSynthChannelSoundfontTest, FindsTheSystemSoundfontByItself) {
  const auto defaults = FluidSynthEngine::DefaultSoundfonts();
  if (std::none_of(defaults.begin(), defaults.end(),
                   [](const std::string& path) { return std::filesystem::exists(path); })) {
    GTEST_SKIP() << "no General MIDI soundfont installed";
  }
  FluidSynthChannel channel(AudioOutput::None);
  ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_TRUE(channel.WaitUntilReady(10s));
  EXPECT_FALSE(channel.Soundfont().empty());
  ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  EXPECT_GT(Peak(channel, 0.5), 0.02f);
}

TEST(FluidSynthChannelSoundfontTest, WithoutASoundfontThePieceRunsItsCourseSilently) {
  FluidSynthChannel channel(AudioOutput::None, {"/no/such/font.sf2"});
  ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_TRUE(channel.WaitUntilReady(10s));
  EXPECT_EQ(channel.Soundfont(), "");
  ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  const Stretch whole = PlayUntilStopped(channel, 10);
  EXPECT_NEAR(whole.seconds, 4.0, 0.03);
  EXPECT_LT(whole.peak, kSilence);
}

using test_support::Bytes;
using test_support::Cat;
using test_support::Midi;

// Four quarter notes on `channel` (0 to 15), from `key` up.
Bytes Notes(int channel, int key) {
  Bytes events;
  for (int i = 0; i < 4; ++i) {
    const auto note = static_cast<uint8_t>(key + 2 * i);
    events.insert(events.end(), {0x00, static_cast<uint8_t>(0x90 | channel), note, 100, 0x60,
                                 static_cast<uint8_t>(0x80 | channel), note, 0});
  }
  return events;
}

Bytes Program(int channel, int program) {
  return {0x00, static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)};
}

// General MIDI system on, GS reset and XG system on: each resets a synthesizer.
const Bytes kResets = {
    0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,                                //
    0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7,  //
    0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7,              //
};

struct Reading {
  uint64_t built = 0;   // sample bytes read once the synthesizer is built
  uint64_t played = 0;  // ...once the piece has played through, restarted and played on
  float peak = 0;
  std::vector<float> sound;  // the first play, both sides interleaved
};

// Opens `midi`, plays it to its end, restarts it as the watchdog does and plays a second.
Reading PlayThrough(const Bytes& midi) {
  Reading reading;
  TempFolder folder("instruments test");
  const auto path = folder.Write(
      "bgm.mid", std::string_view(reinterpret_cast<const char*>(midi.data()), midi.size()));
  FluidSynthChannel channel(AudioOutput::None, {test_support::kGeneralMidi});
  EXPECT_EQ(channel.Send(OpenCommand(path.string()), nullptr, 0), ChannelError::None);
  EXPECT_TRUE(channel.WaitUntilReady(10s));
  reading.built = channel.SampleBytesRead();
  EXPECT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  // Steps of 10 ms: the pieces end on one, so the sound stops where the piece does.
  const auto step_frames = static_cast<std::size_t>(channel.SampleRate() / 100);
  std::vector<float> left(step_frames), right(step_frames);
  for (int step = 0; step < 1000 && ModeOf(channel) == "playing"; ++step) {
    channel.Render(left, right);
    for (std::size_t i = 0; i < left.size(); ++i) {
      reading.sound.push_back(left[i]);
      reading.sound.push_back(right[i]);
      reading.peak = std::max({reading.peak, std::fabs(left[i]), std::fabs(right[i])});
    }
  }
  EXPECT_EQ(ModeOf(channel), "stopped");
  EXPECT_EQ(channel.Send("seek MIDI to start", nullptr, 0), ChannelError::None);
  EXPECT_EQ(channel.Send("play MIDI from 0", nullptr, 0), ChannelError::None);
  reading.peak = std::max(reading.peak, Peak(channel, 1.0));
  reading.played = channel.SampleBytesRead();
  return reading;
}

// The sound of the first `frames` frames of `midi` as FluidSynth's player plays it by itself,
// at the program's rate and interpolation, with every channel's default instrument selected
// at the start; both sides interleaved.
std::vector<float> AsFluidSynthPlaysIt(const Bytes& midi, std::size_t frames) {
  const SynthesisSettings synthesis;
  EXPECT_EQ(synthesis.interpolation, SynthesisSettings::Interpolation::Linear);
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setnum(settings, "synth.sample-rate", synthesis.sample_rate);
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_synth_set_interp_method(synth, -1, FLUID_INTERP_LINEAR);
  fluid_synth_sfload(synth, test_support::kGeneralMidi.c_str(), 1);
  fluid_player_t* player = new_fluid_player(synth);
  // The interpolation holds through the piece's resets, which would restore FluidSynth's.
  fluid_player_set_playback_callback(
      player,
      [](void* data, fluid_midi_event_t* event) {
        auto* to = static_cast<fluid_synth_t*>(data);
        const int result = fluid_synth_handle_midi_event(to, event);
        fluid_synth_set_interp_method(to, -1, FLUID_INTERP_LINEAR);
        return result;
      },
      synth);
  fluid_player_add_mem(player, midi.data(), midi.size());
  fluid_player_play(player);
  std::vector<float> sound;
  std::vector<float> left(441), right(441);
  while (sound.size() < 2 * frames) {
    fluid_synth_write_float(synth, 441, left.data(), 0, 1, right.data(), 0, 1);
    for (std::size_t i = 0; i < left.size(); ++i) {
      sound.push_back(left[i]);
      sound.push_back(right[i]);
    }
  }
  sound.resize(2 * frames);
  delete_fluid_player(player);
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return sound;
}

// Every instrument a channel selects has its samples read from the soundfont and kept. At
// start every channel has the piano and channel 10 the drum kit; a piece that plays neither
// must not have them read.
TEST(FluidSynthChannelInstrumentTest, OnlyTheInstrumentsOfChannelsThatPlayAreRead) {
  ASSERT_TRUE(std::filesystem::exists(test_support::kGeneralMidi));
  const Reading flute = PlayThrough(Midi({Cat({Program(0, test_support::kFlute), Notes(0, 72)})}));
  const Reading piano_and_drums = PlayThrough(Midi({Notes(0, 60), Notes(9, 36)}));
  RecordProperty("flute_bytes", std::to_string(flute.played));
  RecordProperty("piano_and_drums_bytes", std::to_string(piano_and_drums.played));

  EXPECT_GT(flute.peak, 0.02f);
  EXPECT_GT(flute.built, 100'000u);
  // The flute is in before the piece starts; its own program change, at every start, finds
  // it there, and nothing else is read.
  EXPECT_EQ(flute.played, flute.built);
  EXPECT_GT(piano_and_drums.peak, 0.02f);
  EXPECT_GT(piano_and_drums.played, 4 * flute.played);
}

// A reset at the start of a piece would select the piano on every channel and the drum kit
// on channel 10 again. The flute after it is read again at most, at each start.
TEST(FluidSynthChannelInstrumentTest, AResetInThePieceReadsNoInstrumentThatDoesNotPlay) {
  ASSERT_TRUE(std::filesystem::exists(test_support::kGeneralMidi));
  const Reading flute = PlayThrough(Midi({Cat({Program(0, test_support::kFlute), Notes(0, 72)})}));
  const Bytes midi = Midi({Cat({kResets, Program(0, test_support::kFlute), Notes(0, 72)})});
  const Reading reset = PlayThrough(midi);
  // Nothing but the flute, once: it stays in through the resets at each start.
  EXPECT_EQ(reset.built, flute.built);
  EXPECT_EQ(reset.played, flute.played);
  EXPECT_GT(reset.peak, 0.02f);
  EXPECT_EQ(reset.sound, AsFluidSynthPlaysIt(midi, reset.sound.size() / 2));

  // A reset in the middle sends the channel back to the piano, at its next note...
  const Bytes back =
      Midi({Cat({Program(0, test_support::kFlute), Notes(0, 72), kResets, Notes(0, 60)})});
  const Reading piano_again = PlayThrough(back);
  EXPECT_EQ(piano_again.sound, AsFluidSynthPlaysIt(back, piano_again.sound.size() / 2));
  // ...and to the first bank: the guitar after it is bank 0's, not the mandolin of bank 16.
  const Bytes mandolin = Cat({{0x00, 0xB0, 0x00, 16}, Program(0, 25), Notes(0, 60)});
  const Bytes bank = Midi({Cat({mandolin, kResets, Program(0, 25), Notes(0, 60)})});
  const Reading first_bank = PlayThrough(bank);
  EXPECT_EQ(first_bank.sound, AsFluidSynthPlaysIt(bank, first_bank.sound.size() / 2));
}

// Notes before any program change play the piano, and on channel 10 the standard drum kit;
// so they do after a reset.
TEST(FluidSynthChannelInstrumentTest, NotesWithNoProgramPlayThePianoOrTheDrumKit) {
  ASSERT_TRUE(std::filesystem::exists(test_support::kGeneralMidi));
  const Reading scale = PlayThrough(Midi({Notes(0, 60)}));
  EXPECT_GT(scale.peak, 0.02f);
  const Reading drums = PlayThrough(Midi({Notes(9, 36)}));
  EXPECT_GT(drums.peak, 0.02f);
  EXPECT_GT(drums.built, 100'000u);
  // Two instruments, read once each.
  const Reading both = PlayThrough(Midi({Notes(0, 60), Notes(9, 36)}));
  EXPECT_EQ(both.built, scale.built + drums.built);

  EXPECT_EQ(both.sound,
            AsFluidSynthPlaysIt(Midi({Notes(0, 60), Notes(9, 36)}), both.sound.size() / 2));

  const Bytes midi = Midi({Cat({kResets, Notes(0, 60)}), Notes(9, 36)});
  const Reading reset = PlayThrough(midi);
  EXPECT_EQ(reset.built, both.built);
  EXPECT_EQ(reset.played, both.played);
  EXPECT_EQ(reset.sound, AsFluidSynthPlaysIt(midi, reset.sound.size() / 2));
}

// With a sound output: the first that opens plays, or none opens and the device goes on
// silently. Either way the commands work and closing does not hang.
TEST(FluidSynthChannelDeviceTest, PlaysThroughAnOutputOrSilently) {
  FluidSynthChannel channel(AudioOutput::Device, {test_support::kGeneralMidi});
  ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  ASSERT_TRUE(channel.WaitUntilReady(20s));
  const std::string driver = channel.Driver();
  RecordProperty("driver", driver.empty() ? "none" : driver);
  if (!driver.empty()) {
    const auto order = FluidSynthEngine::OrderDrivers(FluidSynthEngine::AvailableDrivers());
    EXPECT_NE(std::find(order.begin(), order.end(), driver), order.end());
  }
  EXPECT_EQ(ModeOf(channel), "playing");
  // With no output nothing moves the piece, and the position says so.
  const std::string position = StatusOf(channel, "position");
  if (driver.empty()) {
    EXPECT_EQ(position, Failed(ChannelError::NoSoundOutput));
  } else {
    EXPECT_LE(std::stoi(position), 4000) << position;
  }
  float left[16], right[16];
  EXPECT_FALSE(channel.Render(left, right));
  EXPECT_EQ(channel.Send("close MIDI notify", nullptr, 0), ChannelError::None);
}

// Without a soundfont there is nothing to hear: no sound output is opened to synthesize
// silence, and the piece never moves.
TEST(FluidSynthChannelDeviceTest, WithoutASoundfontOpensNoOutput) {
  FluidSynthChannel channel(AudioOutput::Device, {"/no/such/font.sf2"});
  ASSERT_EQ(channel.Send(OpenCommand(kScale), nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  ASSERT_TRUE(channel.WaitUntilReady(20s));
  EXPECT_EQ(channel.Driver(), "");
  EXPECT_EQ(ModeOf(channel), "playing");
  EXPECT_EQ(StatusOf(channel, "length"), "4000");
  EXPECT_EQ(StatusOf(channel, "position"), Failed(ChannelError::NoSoundOutput));
  Music music(channel);
  music.SetBgmLoop(true);
  EXPECT_EQ(music.BgmTimDelay(), std::nullopt);
}

struct SweepFile {
  const char* name;
  double seconds;  // its duration, or below 0 when it must not open
};

void PrintTo(const SweepFile& file, std::ostream* out) { *out << file.name; }

class EveryTestFileTest : public ::testing::TestWithParam<SweepFile> {};

// Each file opens, plays to its end in its own time and starts again, or fails the open
// and leaves nothing open. Rendered without a soundfont to keep two minutes of music quick;
// bounded by rendered time, so a piece that never ends fails rather than hangs.
TEST_P(EveryTestFileTest, OpensPlaysEndsAndRestartsOrFailsCleanly) {
  const SweepFile& file = GetParam();
  FluidSynthChannel channel(AudioOutput::None, std::vector<std::string>{});
  const ChannelError opened =
      channel.Send(OpenCommand(test_support::kMidiDir + file.name), nullptr, 0);
  if (file.seconds < 0) {
    EXPECT_EQ(opened, ChannelError::NotMidiFile);
    EXPECT_EQ(ModeOf(channel), Failed(ChannelError::NoDevice));
    EXPECT_EQ(StatusOf(channel, "length"), Failed(ChannelError::NoDevice));
    EXPECT_EQ(StatusOf(channel, "position"), Failed(ChannelError::NoDevice));
    EXPECT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::NoDevice);
    return;
  }
  ASSERT_EQ(opened, ChannelError::None);
  const std::string length = StatusOf(channel, "length");
  EXPECT_NEAR(std::stod(length), file.seconds * 1000, 10);
  ASSERT_TRUE(channel.WaitUntilReady(10s));
  ASSERT_EQ(channel.Send("play MIDI notify", nullptr, 0), ChannelError::None);
  const Stretch first = PlayUntilStopped(channel, file.seconds + 5);
  ASSERT_TRUE(first.stopped);
  EXPECT_NEAR(first.seconds, file.seconds, 0.05);
  EXPECT_EQ(StatusOf(channel, "position"), length);

  ASSERT_EQ(channel.Send("seek MIDI to start", nullptr, 0), ChannelError::None);
  ASSERT_EQ(channel.Send("play MIDI from 0", nullptr, 0), ChannelError::None);
  const double again = std::min(file.seconds, 2.0) - 0.1;
  if (again > 0) {
    Peak(channel, again);
    EXPECT_EQ(ModeOf(channel), "playing");
  }
  const Stretch rest = PlayUntilStopped(channel, file.seconds + 5);
  EXPECT_TRUE(rest.stopped);
  EXPECT_EQ(channel.Send("close MIDI notify", nullptr, 0), ChannelError::None);
}

// Durations measured independently of this code, from each file's tempo map.
INSTANTIATE_TEST_SUITE_P(
    Midi, EveryTestFileTest,
    ::testing::Values(
        SweepFile{"dummy.mid", 1.68}, SweepFile{"test-c-major-scale.mid", 4.00},
        SweepFile{"d_read_m.mid", 128.07}, SweepFile{"d_inter.mid", 74.65},
        SweepFile{"d_map19.mid", 122.63}, SweepFile{"test-sysex-7e-09-01-gm1-enable.mid", 0.50},
        SweepFile{"test-track-length.mid", 1.50}, SweepFile{"test-empty.mid", 0.0},
        SweepFile{"test-2-tracks-type-0.mid", 4.5},
        SweepFile{"test-running-status-metaevent.mid", 4.0},
        SweepFile{"test-non-midi-track.mid", 4.0}, SweepFile{"MIDIBadTrackLength.mid", 2.0},
        SweepFile{"test-corrupt-file-missing-byte.mid", -1},
        SweepFile{"test-not-a-midi-file.mid", -1}, SweepFile{"MIDIBadHeaderSMTPE.mid", -1}),
    [](const ::testing::TestParamInfo<SweepFile>& test) {
      std::string name;
      for (const char* c = test.param.name; *c != '.'; ++c) name += std::isalnum(*c) ? *c : '_';
      return name;
    });

}  // namespace
}  // namespace tavrin
