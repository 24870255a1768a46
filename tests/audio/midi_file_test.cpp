// SPDX-License-Identifier: MIT
#include "audio/midi_file.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/midi_builder.h"
#include "support/midi_files.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

using test_support::Bytes;
using test_support::Cat;
using test_support::Chunk;
using test_support::Header;
using test_support::Track;

Bytes FileBytes(const std::string& path) {
  const std::string bytes = test_support::ReadFileBytes(path);
  return Bytes(bytes.begin(), bytes.end());
}

// Lets FluidSynth's own player read `bytes` and returns the length it finds, in ticks, or -1
// when it gives up on the file. It reads a file only once asked to play, in its first tick.
int FluidSynthLength(const Bytes& bytes) {
  static fluid_settings_t* settings = [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
    return new_fluid_settings();
  }();
  static fluid_synth_t* synth = new_fluid_synth(settings);

  fluid_player_t* player = new_fluid_player(synth);
  bool loaded = false;
  fluid_player_set_tick_callback(
      player,
      [](void* data, int) {
        *static_cast<bool*>(data) = true;
        return FLUID_OK;
      },
      &loaded);
  fluid_player_add_mem(player, bytes.data(), bytes.size());
  fluid_player_play(player);
  float left[64];
  float right[64];
  fluid_synth_write_float(synth, 64, left, 0, 1, right, 0, 1);
  const int length = loaded ? fluid_player_get_total_ticks(player) : -1;
  fluid_player_stop(player);
  delete_fluid_player(player);
  return length;
}

// What a reader of the rewrite relies on: FluidSynth reads it to the same length, and
// reading it again changes nothing.
void ExpectPlayableRewrite(const MidiPiece& piece) {
  ASSERT_EQ(piece.error, MidiFileError::None);
  EXPECT_EQ(FluidSynthLength(piece.bytes), piece.length_ticks);
  const MidiPiece again = ReadMidiFile(piece.bytes);
  EXPECT_EQ(again.error, MidiFileError::None);
  EXPECT_EQ(again.bytes, piece.bytes);
  EXPECT_EQ(again.length_ticks, piece.length_ticks);
}

struct TestFile {
  const char* name;
  MidiFileError error;
  int64_t length_ticks;  // where it plays: its duration in ticks
};

void PrintTo(const TestFile& file, std::ostream* out) { *out << file.name; }

class TestdataFileTest : public ::testing::TestWithParam<TestFile> {};

TEST_P(TestdataFileTest, ReadsAsExpected) {
  const TestFile& file = GetParam();
  const MidiPiece piece = LoadMidiFile(test_support::kMidiDir + file.name);
  EXPECT_EQ(piece.error, file.error);
  if (file.error != MidiFileError::None) {
    EXPECT_TRUE(piece.bytes.empty());
    return;
  }
  EXPECT_EQ(piece.length_ticks, file.length_ticks);
  ExpectPlayableRewrite(piece);
}

// Lengths follow from the durations measured independently of this code (tempo map and
// division): 1.68 s at 120 bpm and 48 ticks a quarter is 161 ticks, and so on.
INSTANTIATE_TEST_SUITE_P(
    Midi, TestdataFileTest,
    ::testing::Values(TestFile{"dummy.mid", MidiFileError::None, 161},
                      TestFile{"test-c-major-scale.mid", MidiFileError::None, 768},
                      TestFile{"d_inter.mid", MidiFileError::None, 82560},
                      TestFile{"d_map19.mid", MidiFileError::None, 17280},
                      TestFile{"d_read_m.mid", MidiFileError::None, 262143},
                      TestFile{"test-sysex-7e-09-01-gm1-enable.mid", MidiFileError::None, 96},
                      TestFile{"test-track-length.mid", MidiFileError::None, 288},
                      TestFile{"test-empty.mid", MidiFileError::None, 0},
                      TestFile{"test-2-tracks-type-0.mid", MidiFileError::None, 864},
                      TestFile{"test-running-status-metaevent.mid", MidiFileError::None, 768},
                      TestFile{"test-non-midi-track.mid", MidiFileError::None, 768},
                      TestFile{"MIDIBadTrackLength.mid", MidiFileError::None, 384},
                      TestFile{"test-corrupt-file-missing-byte.mid", MidiFileError::Truncated, 0},
                      TestFile{"test-not-a-midi-file.mid", MidiFileError::NotMidi, 0},
                      TestFile{"MIDIBadHeaderSMTPE.mid", MidiFileError::Unsupported, 0}),
    [](const ::testing::TestParamInfo<TestFile>& test) {
      std::string name;
      for (const char* c = test.param.name; *c != '.'; ++c) name += std::isalnum(*c) ? *c : '_';
      return name;
    });

TEST(MidiFileTest, TheRewriteLetsThePlayerReadFilesItRefuses) {
  for (const char* name : {"test-running-status-metaevent.mid", "test-non-midi-track.mid"}) {
    SCOPED_TRACE(name);
    const Bytes original = FileBytes(test_support::kMidiDir + name);
    EXPECT_EQ(FluidSynthLength(original), -1);
    const MidiPiece piece = ReadMidiFile(original);
    EXPECT_EQ(FluidSynthLength(piece.bytes), 768);
  }
}

TEST(MidiFileTest, RunningStatusCarriesAcrossMetaAndSystemExclusive) {
  const Bytes file = Cat({Header(0, 1, 96), Track({
                                                0x00, 0x90, 0x3C, 0x40,        // note on
                                                0x10, 0x3C, 0x00,              // running status
                                                0x00, 0xFF, 0x01, 0x01, 'x',   // a text event
                                                0x10, 0x3E, 0x40,              // running status
                                                0x00, 0xF0, 0x02, 0x7E, 0xF7,  // a sysex
                                                0x10, 0x3E, 0x00,              // running status
                                                0x00, 0xFF, 0x2F, 0x00,        // end of track
                                            })});
  const MidiPiece piece = ReadMidiFile(file);
  EXPECT_EQ(piece.length_ticks, 0x30);
  ExpectPlayableRewrite(piece);
}

TEST(MidiFileTest, KeepsOnlySoundAndTempoAndPassesOnTheTimeOfTheRest) {
  const Bytes file =
      Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x03, 0x01, 'n',                  // track name
                                    0x20, 0xFF, 0x06, 0x01, 'm',                  // marker
                                    0x10, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,     // tempo
                                    0x05, 0xF7, 0x01, 0x01,                       // escaped bytes
                                    0x06, 0xC0, 0x05,                             // program change
                                    0x07, 0xFF, 0x58, 0x04, 4,    2,    24,   8,  // time signature
                                    0x01, 0x90, 0x40, 0x40,                       // note on
                                    0x08, 0xFF, 0x2F, 0x00})});
  const MidiPiece piece = ReadMidiFile(file);
  ASSERT_EQ(piece.error, MidiFileError::None);
  const Bytes expected =
      Cat({Header(0, 1, 96), Track({0x30, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x0B, 0xC0, 0x05,  //
                                    0x08, 0x90, 0x40, 0x40, 0x08, 0xFF, 0x2F, 0x00})});
  EXPECT_EQ(piece.bytes, expected);
  EXPECT_EQ(piece.length_ticks, 0x20 + 0x10 + 0x05 + 0x06 + 0x07 + 0x01 + 0x08);
}

// When the ticks sound: 120 bpm until the first change, tempo changes from every track in
// the order the player meets them, and a tempo of zero (which would stop the player's clock)
// left out of the rewrite and the timing alike.
TEST(MidiFileTest, TimesTicksByTheTempoChangesOfEveryTrack) {
  const Bytes file = Cat({
      Header(1, 2, 100),
      // 100 ticks at 120 bpm (0.5 s), then 60 bpm; at tick 300 a tempo of zero.
      Track({0x64, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,        // tick 100: 1,000,000 us a quarter
             0x81, 0x48, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00,  // tick 300: zero, left out
             0x00, 0x90, 0x40, 0x40, 0x64, 0xFF, 0x2F, 0x00}),
      // At tick 100 too, met after the first track's: 2,000,000 us a quarter wins.
      Track({0x64, 0xFF, 0x51, 0x03, 0x1E, 0x84, 0x80, 0x00, 0xFF, 0x2F, 0x00}),
  });
  const MidiPiece piece = ReadMidiFile(file);
  ASSERT_EQ(piece.error, MidiFileError::None);
  EXPECT_EQ(piece.length_ticks, 400);
  struct {
    int64_t tick;
    double milliseconds;
  } const expected[] = {{0, 0}, {50, 250}, {100, 500}, {200, 2500}, {400, 6500}};
  for (const auto& at : expected) {
    EXPECT_DOUBLE_EQ(piece.clock.Milliseconds(at.tick), at.milliseconds) << "tick " << at.tick;
  }
  const Bytes zero_tempo = {0xFF, 0x51, 0x03, 0x00, 0x00, 0x00};
  EXPECT_EQ(
      std::search(piece.bytes.begin(), piece.bytes.end(), zero_tempo.begin(), zero_tempo.end()),
      piece.bytes.end());
  ExpectPlayableRewrite(piece);
}

// Each channel's first note, where the piece's tracks meet in time, and the program and
// bank it plays with.
TEST(MidiFileTest, FindsWhatEachChannelPlaysItsFirstNoteWith) {
  const Bytes file = Cat({
      Header(1, 3, 96),
      Track({0x00, 0xB0, 0x00, 0x08,  // channel 1: bank 8
             0x00, 0xC0, 0x49,        // program 73
             0x00, 0xB0, 0x00, 0x00,  // bank 0, for a later program
             0x10, 0x90, 0x48, 0x40,  // its first note
             0x10, 0xC0, 0x2E,        // program 46 after it
             0x00, 0x93, 0x30, 0x40,  // channel 4: a note at tick 0x20...
             0x00, 0xFF, 0x2F, 0x00}),
      Track({0x00, 0x99, 0x24, 0x40,  // channel 10: a drum, no program
             0x00, 0x91, 0x3C, 0x00,  // channel 2: velocity 0, a note off
             0x00, 0xC1, 0x05,        // ...and a program for it
             0x20, 0xC3, 0x20,        // ...program 32 at the same tick, in a later track
             0x00, 0xFF, 0x2F, 0x00}),
      Track({0x00, 0xC2, 0x10,  // channel 3: a program on a channel with no note
             0x00, 0xFF, 0x2F, 0x00}),
  });
  const MidiPiece piece = ReadMidiFile(file);
  ASSERT_EQ(piece.error, MidiFileError::None);

  const MidiChannelUse& first = piece.channels[0];
  EXPECT_TRUE(first.sounds);
  EXPECT_EQ(first.program, 73);
  EXPECT_EQ(first.bank_msb, 8);
  EXPECT_EQ(first.bank_lsb, -1);
  EXPECT_EQ(first.programs, std::bitset<128>().set(73).set(46));

  // Tracks are played in their order at each tick: the second track's program comes after
  // the first track's note of the same tick.
  const MidiChannelUse& fourth = piece.channels[3];
  EXPECT_TRUE(fourth.sounds);
  EXPECT_EQ(fourth.program, -1);
  EXPECT_EQ(fourth.programs, std::bitset<128>().set(32));

  const MidiChannelUse& drums = piece.channels[9];
  EXPECT_TRUE(drums.sounds);
  EXPECT_EQ(drums.program, -1);
  EXPECT_TRUE(drums.programs.none());

  for (int channel : {1, 2, 4, 15}) {
    SCOPED_TRACE(channel);
    EXPECT_FALSE(piece.channels[channel].sounds);
    EXPECT_EQ(piece.channels[channel].program, -1);
    EXPECT_TRUE(piece.channels[channel].programs.none());
  }
  ExpectPlayableRewrite(piece);
}

// A program change on a channel that never plays would only have the synthesizer read an
// instrument nobody hears: it is left out, and its time passes on to the next event.
TEST(MidiFileTest, LeavesOutTheProgramsOfChannelsThatPlayNoNote) {
  const Bytes file = Cat({
      Header(1, 2, 96),
      Track({0x00, 0xC0, 0x49,        // channel 1: program, then a note
             0x00, 0x90, 0x48, 0x40,  //
             0x10, 0xC5, 0x10,        // channel 6: a program and nothing else
             0x10, 0xB5, 0x07, 0x64,  // ...a volume, which is kept
             0x10, 0x80, 0x48, 0x00,  //
             0x00, 0xFF, 0x2F, 0x00}),
      Track({0x05, 0xC1, 0x01,        // channel 2: a program and a silent note on
             0x05, 0x91, 0x30, 0x00,  //
             0x00, 0xFF, 0x2F, 0x00}),
  });
  const MidiPiece piece = ReadMidiFile(file);
  ASSERT_EQ(piece.error, MidiFileError::None);
  const Bytes expected = Cat({
      Header(1, 2, 96),
      Track({0x00, 0xC0, 0x49, 0x00, 0x90, 0x48, 0x40, 0x20, 0xB5, 0x07, 0x64, 0x10, 0x80, 0x48,
             0x00, 0x00, 0xFF, 0x2F, 0x00}),
      Track({0x0A, 0x91, 0x30, 0x00, 0x00, 0xFF, 0x2F, 0x00}),
  });
  EXPECT_EQ(piece.bytes, expected);
  EXPECT_EQ(piece.length_ticks, 0x30);
  EXPECT_TRUE(piece.channels[0].sounds);
  EXPECT_FALSE(piece.channels[1].sounds);
  EXPECT_FALSE(piece.channels[5].sounds);
  ExpectPlayableRewrite(piece);
}

TEST(MidiFileTest, SkipsUnknownChunks) {
  const Bytes file =
      Cat({Header(1, 2, 96), Chunk("XFIH", {1, 2, 3}),
           Track({0x00, 0x90, 0x40, 0x40, 0x60, 0x80, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00}),
           Chunk("Junk", {}), Track({0x40, 0xFF, 0x2F, 0x00})});
  const MidiPiece piece = ReadMidiFile(file);
  EXPECT_EQ(piece.length_ticks, 0x60);
  ExpectPlayableRewrite(piece);
}

TEST(MidiFileTest, TrackEndingWithoutEndOfTrackEndsAtItsLastEvent) {
  const Bytes file =
      Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x40, 0x40, 0x30, 0x80, 0x40, 0x00})});
  const MidiPiece piece = ReadMidiFile(file);
  EXPECT_EQ(piece.length_ticks, 0x30);
  ExpectPlayableRewrite(piece);
}

TEST(MidiFileTest, TrackClaimingMoreThanTheFileMustReachItsEnd) {
  const Bytes events = {0x00, 0x90, 0x40, 0x40, 0x30, 0x80, 0x40, 0x00};
  const Bytes with_end = Cat({events, {0x00, 0xFF, 0x2F, 0x00}});
  const MidiPiece whole = ReadMidiFile(Cat({Header(0, 1, 96), Chunk("MTrk", with_end, 1 << 24)}));
  EXPECT_EQ(whole.length_ticks, 0x30);
  ExpectPlayableRewrite(whole);
  EXPECT_EQ(ReadMidiFile(Cat({Header(0, 1, 96), Chunk("MTrk", events, 1 << 24)})).error,
            MidiFileError::Truncated);
}

TEST(MidiFileTest, RefusesBrokenHeaders) {
  const Bytes track = Track({0x00, 0xFF, 0x2F, 0x00});
  const Bytes header = Header(0, 1, 96);
  const struct {
    const char* what;
    Bytes file;
    MidiFileError error;
  } cases[] = {
      {"empty", {}, MidiFileError::NotMidi},
      {"text", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'i', 'd', 'i'}, MidiFileError::NotMidi},
      {"riff", Cat({{'R', 'I', 'F', 'F'}, Header(0, 1, 96), track}), MidiFileError::NotMidi},
      {"magic only", {'M', 'T', 'h', 'd'}, MidiFileError::Truncated},
      {"header cut", Bytes(header.begin(), header.begin() + 12), MidiFileError::Truncated},
      {"short header", Cat({Header(0, 1, 96, 5), track}), MidiFileError::Corrupt},
      {"no tracks", Header(0, 0, 96), MidiFileError::Corrupt},
      {"division 0", Cat({Header(0, 1, 0), track}), MidiFileError::Corrupt},
      {"smpte", Cat({Header(0, 1, 0xE728), track}), MidiFileError::Unsupported},
      {"format 3", Cat({Header(3, 1, 96), track}), MidiFileError::Unsupported},
      {"129 tracks", Header(1, 129, 96), MidiFileError::Unsupported},
      {"track missing", Cat({Header(1, 2, 96), track}), MidiFileError::Truncated},
      {"binary chunk name", Cat({Header(0, 1, 96), Chunk("\x01\x02\x03\x04", {}), track}),
       MidiFileError::Corrupt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadMidiFile(c.file).error, c.error) << c.what;
  }
}

TEST(MidiFileTest, LongerHeaderIsSkipped) {
  const MidiPiece piece =
      ReadMidiFile(Cat({Header(0, 1, 96, 10), Track({0x10, 0xFF, 0x2F, 0x00})}));
  EXPECT_EQ(piece.length_ticks, 0x10);
  ExpectPlayableRewrite(piece);
}

TEST(MidiFileTest, RefusesEventsNoReadingMakesSenseOf) {
  const struct {
    const char* what;
    Bytes events;
  } cases[] = {
      {"data byte with no status", {0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}},
      {"five-byte delta", {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}},
      {"status byte as data", {0x00, 0x90, 0x3C, 0x90, 0x00, 0xFF, 0x2F, 0x00}},
      {"system common message", {0x00, 0xF1, 0x01, 0x00, 0xFF, 0x2F, 0x00}},
      {"real-time message", {0x00, 0xF8, 0x00, 0xFF, 0x2F, 0x00}},
      {"event past the chunk", {0x00, 0x90, 0x3C}},
  };
  for (const auto& c : cases) {
    const Bytes file = Cat({Header(0, 1, 96), Track(c.events), {0x40, 0x00}});
    EXPECT_EQ(ReadMidiFile(file).error, MidiFileError::Corrupt) << c.what;
  }
}

TEST(MidiFileTest, EveryCutOfAFileIsRefused) {
  const Bytes file = FileBytes(test_support::kMidiDir + "test-c-major-scale.mid");
  ASSERT_GT(file.size(), 100u);
  for (std::size_t size = 0; size < file.size(); ++size) {
    const MidiPiece piece = ReadMidiFile(std::span(file.data(), size));
    EXPECT_EQ(piece.error, size < 4 ? MidiFileError::NotMidi : MidiFileError::Truncated) << size;
  }
}

// Damaged copies of a real file: each is refused, or read into a rewrite that FluidSynth
// reads to the same length.
TEST(MidiFileTest, DamagedFilesAreRefusedOrPlayable) {
  const Bytes original = FileBytes(test_support::kMidiDir + "test-c-major-scale.mid");
  std::mt19937 random(20240601);
  int accepted = 0;
  int refused = 0;
  for (int round = 0; round < 400; ++round) {
    Bytes file = original;
    const int flips = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < flips; ++i) {
      // Damage past the header, where most of the reading happens.
      file[14 + random() % (file.size() - 14)] = static_cast<uint8_t>(random());
    }
    const MidiPiece piece = ReadMidiFile(file);
    if (piece.error != MidiFileError::None) {
      ++refused;
      continue;
    }
    ++accepted;
    SCOPED_TRACE(round);
    ExpectPlayableRewrite(piece);
    if (HasFatalFailure() || HasNonfatalFailure()) break;
  }
  EXPECT_GT(accepted, 50);
  EXPECT_GT(refused, 50);
}

TEST(MidiFileTest, LoadingNeedsAReadableFile) {
  EXPECT_EQ(LoadMidiFile(test_support::kMidiDir + "no-such-file.mid").error,
            MidiFileError::Unreadable);
  EXPECT_EQ(LoadMidiFile(test_support::kMidiDir).error, MidiFileError::Unreadable);
  EXPECT_EQ(LoadMidiFile("").error, MidiFileError::Unreadable);

  const test_support::TempFolder folder("midi");
  EXPECT_EQ(LoadMidiFile(folder.Write("bgm.mid", "").string()).error, MidiFileError::NotMidi);
}

// A game's music read from the archive it is in plays as the same file unpacked.
TEST(MidiFileTest, MusicInAnArchiveReadsAsTheFileUnpacked) {
  const std::filesystem::path archives = TAVRIN_ARCHIVES_DIR;
  const MidiPiece unpacked = LoadMidiFile((archives / "game" / "bgm.mid").string());
  ASSERT_EQ(unpacked.error, MidiFileError::None);
  for (const char* kind : {"zip-cp932.zip", "lzh-level2-lh5.lzh", "7z-solid.7z", "rar5.rar"}) {
    const ArchiveContents::Listing listing = ArchiveContents::List(archives / kind);
    ASSERT_NE(listing.contents, nullptr) << kind;
    const MidiPiece piece = LoadMidiFile(
        GameFile::InArchive(listing.contents, listing.contents->Find("ゲーム/BGM.MID"), "bgm.mid"));
    EXPECT_EQ(piece.error, MidiFileError::None) << kind;
    EXPECT_EQ(piece.bytes, unpacked.bytes) << kind;
    EXPECT_EQ(piece.length_ticks, unpacked.length_ticks) << kind;
  }
  const MidiPiece missing = LoadMidiFile(GameFile::InArchive(
      ArchiveContents::List(archives / "zip-utf8.zip").contents, nullptr, "bgm.mid"));
  EXPECT_EQ(missing.error, MidiFileError::Unreadable);
}

}  // namespace
}  // namespace tavrin
