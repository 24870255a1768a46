#include "audio/music.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
}  // namespace tavrin
