// SPDX-License-Identifier: MIT
#include "audio/music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "recording_channel.h"

namespace tavrin {
namespace {

using testing::RecordingChannel;
using Commands = std::vector<std::string>;

class MusicTest : public ::testing::Test {
 protected:
  // Start-up as the program does it: open, switch the music on, play.
  void StartUp(const std::string& path = "/games/tale/bgm.mid") {
    music_.MidiOpen(path);
    music_.SetBgmLoop(true);
    music_.MidiPlay();
  }

  RecordingChannel channel_;
  Music music_{channel_};
};

TEST_F(MusicTest, StartUpClosesOpensAndPlays) {
  StartUp();
  EXPECT_EQ(channel_.Commands(),
            (Commands{"close MIDI notify", "open \"/games/tale/bgm.mid\" alias MIDI",
                      "play MIDI notify"}));
  for (const auto& call : channel_.calls) {
    EXPECT_FALSE(call.has_reply) << call.command;
    EXPECT_EQ(call.reply_size, 0u) << call.command;
  }
}

TEST_F(MusicTest, OpenIsSentWhateverTheCloseAnswered) {
  channel_.result = ChannelError::NoDevice;
  music_.MidiOpen("/games/tale/bgm.mid");
  EXPECT_EQ(channel_.Commands(),
            (Commands{"close MIDI notify", "open \"/games/tale/bgm.mid\" alias MIDI"}));
}

TEST_F(MusicTest, PathWithBlanksIsQuotedWhole) {
  music_.MidiOpen("/home/reader/My Games/Long Tale/bgm.mid");
  ASSERT_EQ(channel_.calls.size(), 2u);
  EXPECT_EQ(channel_.calls[1].command,
            "open \"/home/reader/My Games/Long Tale/bgm.mid\" alias MIDI");
}

TEST_F(MusicTest, ASecondOpenClosesTheFirstPieceFirst) {
  music_.MidiOpen("/a/one.mid");
  music_.MidiOpen("/a/two.mid");
  EXPECT_EQ(channel_.Commands(), (Commands{"close MIDI notify", "open \"/a/one.mid\" alias MIDI",
                                           "close MIDI notify", "open \"/a/two.mid\" alias MIDI"}));
}

TEST_F(MusicTest, ShutdownClosesTheDevice) {
  StartUp();
  channel_.Clear();
  music_.MidiClose();
  EXPECT_EQ(channel_.Commands(), (Commands{"close MIDI notify"}));
}

TEST_F(MusicTest, TickOffersFifteenOfSixteenBlanks) {
  StartUp();
  channel_.Clear();
  music_.BgmTim_Timer();
  ASSERT_EQ(channel_.calls.size(), 1u);
  const auto& query = channel_.calls[0];
  EXPECT_EQ(query.command, "status MIDI mode");
  EXPECT_TRUE(query.has_reply);
  EXPECT_EQ(query.reply_size, 15u);
  EXPECT_EQ(query.reply_on_entry, std::string(15, ' '));
}

TEST_F(MusicTest, TickAfterTheEndSeeksThenPlaysFromZero) {
  StartUp();
  channel_.Clear();
  channel_.mode_reply = "stopped";
  music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(),
            (Commands{"status MIDI mode", "seek MIDI to start", "play MIDI from 0"}));
}

// The loop as it runs: the piece plays for a few ticks, ends, is restarted once, plays on.
TEST_F(MusicTest, LoopRestartsOncePerEnd) {
  StartUp();
  channel_.Clear();
  for (const char* mode : {"playing", "playing", "stopped", "playing", "playing"}) {
    channel_.mode_reply = mode;
    music_.BgmTim_Timer();
  }
  EXPECT_EQ(
      channel_.Commands(),
      (Commands{"status MIDI mode", "status MIDI mode", "status MIDI mode", "seek MIDI to start",
                "play MIDI from 0", "status MIDI mode", "status MIDI mode"}));
}

class ModeReplyTest : public MusicTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ModeReplyTest, CountsAsStopped) {
  music_.SetBgmLoop(true);
  channel_.mode_reply = GetParam();
  music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(),
            (Commands{"status MIDI mode", "seek MIDI to start", "play MIDI from 0"}));
}

// Any case, and only the first seven characters count.
INSTANTIATE_TEST_SUITE_P(Stopped, ModeReplyTest,
                         ::testing::Values("stopped", "Stopped", "STOPPED", "sToPpEd", "stoppedXYZ",
                                           "stopped 12345"));

class OtherModeTest : public MusicTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OtherModeTest, SendsOnlyTheQuery) {
  music_.SetBgmLoop(true);
  channel_.mode_reply = GetParam();
  music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(), (Commands{"status MIDI mode"}));
}

INSTANTIATE_TEST_SUITE_P(NotStopped, OtherModeTest,
                         ::testing::Values("playing", "paused", "seeking", "not ready", "stoppe",
                                           "stop", " stopped", "", "open", "stoppe d", "stopp3d"));

// A reply that does not fit into fifteen characters fails and leaves the blanks.
TEST_F(MusicTest, OverlongReplyFailsAndCausesNothing) {
  music_.SetBgmLoop(true);
  channel_.mode_reply = "stopped and more than fifteen";
  music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(), (Commands{"status MIDI mode"}));
}

// bgm.mid missing: every command fails, the buffer keeps its blanks, each tick only asks.
TEST_F(MusicTest, MissingMusicRunsSilentAndOnlyAsks) {
  channel_.result = ChannelError::NoDevice;
  StartUp("/games/tale/missing.mid");
  channel_.Clear();
  for (int i = 0; i < 3; ++i) music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(),
            (Commands{"status MIDI mode", "status MIDI mode", "status MIDI mode"}));
}

TEST_F(MusicTest, SwitchOffMeansNoPlayAndNoRestart) {
  music_.MidiOpen("/games/tale/bgm.mid");
  music_.MidiPlay();
  channel_.mode_reply = "stopped";
  music_.BgmTim_Timer();
  music_.BgmTim_Timer();
  EXPECT_EQ(channel_.Commands(),
            (Commands{"close MIDI notify", "open \"/games/tale/bgm.mid\" alias MIDI",
                      "status MIDI mode", "status MIDI mode"}));
}

TEST_F(MusicTest, SwitchOffAfterStartUpPreventsPlayAndRestart) {
  StartUp();
  music_.SetBgmLoop(false);
  channel_.Clear();
  channel_.mode_reply = "stopped";
  music_.BgmTim_Timer();
  music_.MidiPlay();
  EXPECT_EQ(channel_.Commands(), (Commands{"status MIDI mode"}));
}

// When the watchdog next looks, from the piece's length and position as the device tells
// them: at the end, then every 10 ms; never when nothing could ever be restarted.
TEST_F(MusicTest, WatchdogWaitsForThePiecesEnd) {
  using std::chrono::milliseconds;
  using Reply = std::variant<std::string, ChannelError>;
  struct Case {
    bool bgm_loop;
    Reply length, position;
    std::optional<milliseconds> delay;
  };
  const ChannelError none = ChannelError::NoDevice, nowhere = ChannelError::NoSoundOutput,
                     loading = ChannelError::NotReady, unknown = ChannelError::UnknownCommand;
  const milliseconds poll = Music::kPollInterval;
  const Case cases[] = {
      {true, "14000", "0", milliseconds(14000)},
      {true, "14000", "5250", milliseconds(8750)},
      {true, "14000", "13991", poll},                 // nearly over: looked at often
      {true, "14000", "14000", poll},                 // over: the next tick restarts it
      {true, "14000", "15000", poll},
      {true, "14000", loading, milliseconds(14000)},  // it will start from its beginning
      {true, "99999999999", "0", milliseconds(3600000)},
      {true, none, none, std::nullopt},               // nothing open
      {true, "14000", nowhere, std::nullopt},         // nothing moves the piece
      {true, "0", "0", std::nullopt},                 // over as soon as it starts
      {false, "14000", "0", std::nullopt},            // the switch is off
      {true, unknown, unknown, poll},                 // a device that cannot tell
      {true, "14000", "later", poll},
      {true, "14 s", "0", poll},
      {true, "-5", "0", poll},
  };
  for (const Case& c : cases) {
    RecordingChannel channel;
    Music music(channel);
    music.SetBgmLoop(c.bgm_loop);
    channel.length_reply = c.length;
    channel.position_reply = c.position;
    const std::optional<milliseconds> delay = music.BgmTimDelay();
    const std::string shown = std::holds_alternative<std::string>(c.length)
                                  ? std::get<std::string>(c.length)
                                  : "error " + std::to_string(static_cast<int>(
                                                   std::get<ChannelError>(c.length)));
    EXPECT_EQ(delay, c.delay) << "length " << shown;
    // Only queries, never a command that would change what plays.
    for (const std::string& command : channel.Commands()) {
      EXPECT_TRUE(command == "status MIDI length" || command == "status MIDI position") << command;
    }
  }
}

}  // namespace
}  // namespace tavrin
