// SPDX-License-Identifier: MIT
// fuzz_music: the music's command layer on any command texts, and any bytes as the MIDI
// file it opens. No sound output and no soundfont: the channel renders silence when asked.
//
// The input: command lines (LF between them), then a NUL, then the MIDI file's bytes (no NUL:
// all commands, no file). The file is read with ReadMidiFile and written to bgm.mid in a
// folder of this process's own. Each command line is sent to a FluidSynthChannel as it
// is, with "$MIDI" standing for bgm.mid's path, except these lines for the harness:
//
//   #wait            wait until the open piece's synthesizer is built
//   #render N        render N blocks of 1024 frames (N from 0 to 8; at most 64 per input)
//   #reply N         give the commands after it a reply buffer of N characters (0 to 16; 0
//                    passes no buffer at all)
//   #music open / #music play / #music close / #music tick / #music loop / #music noloop
//                    the program's music procedures over the same channel (Music)
//
// At most 64 lines and 4 opens per input. Checked:
// - ReadMidiFile: a file that reads gives a plain Standard MIDI File (header of 6, the
//   same tracks and division) that reads again the same, bytes and length; a failure
//   gives no bytes;
// - a command that fails leaves the reply buffer untouched; a mode answer is "playing" or
//   "stopped" with its NUL;
// - the channel does what a model of its one device expects: every command but an open
//   needs one open, a second open is refused, opening bgm.mid succeeds exactly when
//   ReadMidiFile reads it, and anything else is refused as unknown;
// - an open piece's synthesizer is built within ten seconds; rendering gives silence
//   (no soundfont) or, before anything renders, zeros.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audio/fluidsynth_channel.h"
#include "audio/midi_file.h"
#include "audio/music.h"
#include "fuzz_support.h"

namespace tavrin {
namespace {

using fuzz::Escaped;

constexpr size_t kMaxLines = 64;
constexpr int kMaxOpens = 4;
constexpr int kMaxBlocks = 64;
constexpr size_t kBlockFrames = 1024;
constexpr size_t kReplyCapacity = 16;

uint32_t Get32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

void CheckMidiFile(std::span<const uint8_t> file, const MidiPiece& piece) {
  if (piece.error != MidiFileError::None) {
    TAVRIN_FUZZ_CHECK(piece.bytes.empty(), "a failed read left " +
                                               std::to_string(piece.bytes.size()) + " bytes");
    return;
  }
  const std::span<const uint8_t> out(piece.bytes);
  TAVRIN_FUZZ_CHECK(out.size() >= 14 && std::memcmp(out.data(), "MThd", 4) == 0 &&
                        Get32(out, 4) == 6,
                    "the rewritten file has no plain header");
  TAVRIN_FUZZ_CHECK(file.size() >= 14 && out[10] == file[10] && out[11] == file[11] &&
                        out[12] == file[12] && out[13] == file[13],
                    "the rewritten file changed the track count or the division");
  TAVRIN_FUZZ_CHECK(piece.division == (file[12] << 8 | file[13]), "division " +
                                                                     std::to_string(piece.division));
  TAVRIN_FUZZ_CHECK(piece.length_ticks >= 0 && piece.length_ticks <= INT32_MAX,
                    "length " + std::to_string(piece.length_ticks));
  const MidiPiece again = ReadMidiFile(out);
  TAVRIN_FUZZ_CHECK(again.error == MidiFileError::None,
                    "the rewritten file does not read: error " +
                        std::to_string(static_cast<int>(again.error)));
  TAVRIN_FUZZ_CHECK(again.bytes == piece.bytes && again.length_ticks == piece.length_ticks &&
                        again.division == piece.division,
                    "reading the rewritten file rewrites it again differently");
}

class Session {
 public:
  Session(std::string midi_path, MidiFileError midi_error)
      : midi_path_(std::move(midi_path)), midi_error_(midi_error) {}

  void Line(std::string_view line) {
    if (line.starts_with("#")) {
      Harness(line);
      return;
    }
    std::string command(line);
    for (size_t at; (at = command.find("$MIDI")) != std::string::npos;) {
      command.replace(at, 5, midi_path_);
    }
    Send(command);
  }

  void Finish() {
    // Whatever is open closes with the channel, without waiting on anything but the build.
    music_.MidiClose();
    open_ = false;
  }

 private:
  void Send(const std::string& command) {
    const bool is_open = command.starts_with("open \"") && command.ends_with("\" alias MIDI") &&
                         command.size() >= 18;
    if (is_open && ++opens_ > kMaxOpens) return;
    char reply[kReplyCapacity];
    std::memset(reply, 0x5A, sizeof reply);
    char* buffer = reply_size_ == 0 ? nullptr : reply;
    const ChannelError error = channel_.Send(command, buffer, reply_size_);
    const std::string what = "\"" + Escaped(command) + "\" gave error " +
                             std::to_string(static_cast<int>(error));

    // Only a status query that succeeds answers, and never past the reply's size.
    const bool answers = error == ChannelError::None && command.starts_with("status MIDI ");
    const size_t writable = answers ? reply_size_ : 0;
    TAVRIN_FUZZ_CHECK(
        std::all_of(reply + writable, reply + sizeof reply, [](char c) { return c == 0x5A; }),
        what + " and wrote into the reply");
    if (is_open) {
      const std::string path = command.substr(6, command.size() - 18);
      if (open_) {
        TAVRIN_FUZZ_CHECK(error == ChannelError::NameInUse, what + " with a piece open");
      } else if (path == midi_path_) {
        const ChannelError expected = midi_error_ == MidiFileError::None
                                          ? ChannelError::None
                                          : ChannelError::NotMidiFile;
        TAVRIN_FUZZ_CHECK(error == expected, what + " for bgm.mid, which ReadMidiFile read with error " +
                                                 std::to_string(static_cast<int>(midi_error_)));
      } else {
        TAVRIN_FUZZ_CHECK(error == ChannelError::None || error == ChannelError::CannotOpenFile ||
                              error == ChannelError::NotMidiFile,
                          what);
      }
      if (error == ChannelError::None) open_ = true;
      return;
    }
    const bool known = command == "status MIDI mode" || command == "seek MIDI to start" ||
                       command == "play MIDI from 0" || command == "play MIDI notify" ||
                       command == "close MIDI notify" || command == "status MIDI length" ||
                       command == "status MIDI position";
    if (!known) {
      TAVRIN_FUZZ_CHECK(error == ChannelError::UnknownCommand, what);
      return;
    }
    if (!open_) {
      TAVRIN_FUZZ_CHECK(error == ChannelError::NoDevice, what + " with nothing open");
      return;
    }
    if (command == "status MIDI mode") {
      if (reply_size_ < 8) {
        TAVRIN_FUZZ_CHECK(error == ChannelError::ReplyTooSmall, what + " with a reply of " +
                                                                    std::to_string(reply_size_));
      } else {
        TAVRIN_FUZZ_CHECK(error == ChannelError::None, what);
        const std::string_view answer(reply, std::strlen(reply));
        TAVRIN_FUZZ_CHECK(answer == "playing" || answer == "stopped",
                          "mode \"" + Escaped(std::string_view(reply, sizeof reply)) + "\"");
      }
      return;
    }
    if (command == "status MIDI length" || command == "status MIDI position") {
      // Whole milliseconds as decimal text; the position only once the piece can be played.
      if (error == ChannelError::None) {
        const std::string_view answer(reply, std::strlen(reply));
        TAVRIN_FUZZ_CHECK(!answer.empty() && answer.size() < reply_size_ &&
                              std::all_of(answer.begin(), answer.end(),
                                          [](char c) { return c >= '0' && c <= '9'; }),
                          what + " answered \"" + Escaped(answer) + "\"");
      } else {
        TAVRIN_FUZZ_CHECK(error == ChannelError::ReplyTooSmall ||
                              (command == "status MIDI position" &&
                               (error == ChannelError::NotReady ||
                                error == ChannelError::NoSoundOutput)),
                          what);
      }
      return;
    }
    TAVRIN_FUZZ_CHECK(error == ChannelError::None, what);
    if (command == "close MIDI notify") open_ = false;
  }

  void Harness(std::string_view line) {
    const std::string_view argument = line.substr(std::min(line.find(' '), line.size()));
    const int number = argument.size() > 1 && argument[1] >= '0' && argument[1] <= '9'
                           ? std::atoi(std::string(argument.substr(1, 2)).c_str())
                           : 0;
    if (line == "#wait") {
      const bool ready = channel_.WaitUntilReady(std::chrono::seconds(10));
      TAVRIN_FUZZ_CHECK(ready == open_, open_ ? "the synthesizer was not built in 10 s"
                                              : "ready with nothing open");
    } else if (line.starts_with("#render ")) {
      for (int i = 0; i < std::min(number, 8) && blocks_ < kMaxBlocks; ++i, ++blocks_) Render();
    } else if (line.starts_with("#reply ")) {
      reply_size_ = static_cast<size_t>(std::min(number, static_cast<int>(kReplyCapacity)));
    } else if (line == "#music open") {
      if (++opens_ > kMaxOpens) return;
      music_.MidiOpen(midi_path_);  // closes what is open, then opens bgm.mid
      open_ = midi_error_ == MidiFileError::None;
    } else if (line == "#music play") {
      music_.MidiPlay();
    } else if (line == "#music close") {
      music_.MidiClose();
      open_ = false;
    } else if (line == "#music tick") {
      music_.BgmTim_Timer();
    } else if (line == "#music loop") {
      music_.SetBgmLoop(true);
    } else if (line == "#music noloop") {
      music_.SetBgmLoop(false);
    }
  }

  void Render() {
    std::fill(left_.begin(), left_.end(), 1.0f);
    std::fill(right_.begin(), right_.end(), 1.0f);
    const bool rendered = channel_.Render(left_, right_);
    for (size_t i = 0; i < kBlockFrames; ++i) {
      // Without a soundfont nothing sounds; FluidSynth leaves traces of about 1e-7.
      TAVRIN_FUZZ_CHECK(std::fabs(left_[i]) < 1e-4f && std::fabs(right_[i]) < 1e-4f,
                        std::string(rendered ? "rendered" : "unrendered") + " frame " +
                            std::to_string(i) + " is not silent");
    }
    TAVRIN_FUZZ_CHECK(!rendered || open_, "rendered with nothing open");
  }

  const std::string midi_path_;
  const MidiFileError midi_error_;
  FluidSynthChannel channel_{AudioOutput::None, std::vector<std::string>{}};
  Music music_{channel_};
  bool open_ = false;
  int opens_ = 0;
  int blocks_ = 0;
  size_t reply_size_ = kReplyCapacity;
  std::vector<float> left_ = std::vector<float>(kBlockFrames);
  std::vector<float> right_ = std::vector<float>(kBlockFrames);
};

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string_view commands = input.substr(0, nul);
  const std::span<const uint8_t> midi =
      nul == std::string_view::npos ? std::span<const uint8_t>()
                                    : std::span<const uint8_t>(data + nul + 1, size - nul - 1);

  const MidiPiece piece = ReadMidiFile(midi);
  CheckMidiFile(midi, piece);

  const std::filesystem::path file = fuzz::ProcessTempDir("fuzz_music") / "bgm.mid";
  fuzz::WriteFile(file, midi);
  Session session(file.string(), piece.error);
  size_t lines = 0;
  for (size_t start = 0; start <= commands.size() && lines < kMaxLines; ++lines) {
    size_t end = commands.find('\n', start);
    if (end == std::string_view::npos) end = commands.size();
    session.Line(commands.substr(start, end - start));
    start = end + 1;
  }
  session.Finish();
  return 0;
}
