// SPDX-License-Identifier: MIT
#include "audio/music.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavrin {

namespace {

// Only the answer's first seven characters count, upper-cased, so "Stopped", "STOPPED" and
// "stopped at the end" all mean the piece has ended, and "stoppe" does not.
bool ReadsStopped(std::string_view reply) {
  constexpr std::string_view kStopped = "STOPPED";
  if (reply.size() < kStopped.size()) return false;
  for (std::size_t i = 0; i < kStopped.size(); ++i) {
    char c = reply[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kStopped[i]) return false;
  }
  return true;
}

// A status answer in milliseconds: whole decimal digits and nothing else.
std::optional<int64_t> Milliseconds(const char* reply) {
  const std::string_view text(reply);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

}  // namespace

void Music::MidiOpen(const std::string& path) {
  // The open goes out whatever the close answered: at start-up nothing is open yet and the
  // close fails harmlessly.
  channel_.Send("close MIDI notify", nullptr, 0);
  channel_.Send("open \"" + path + "\" alias MIDI", nullptr, 0);
}

void Music::MidiPlay() {
  if (!bgm_loop_) return;
  channel_.Send("play MIDI notify", nullptr, 0);
}

void Music::MidiClose() { channel_.Send("close MIDI notify", nullptr, 0); }

void Music::BgmTim_Timer() {
  // Sixteen blanks of which fifteen are offered to the device; the whole sixteen are read
  // back, the NUL and the blanks after it included. A device that fails the query leaves
  // the blanks, which never read stopped.
  constexpr std::size_t kReplyLength = 15;
  char buffer[kReplyLength + 1];
  for (char& c : buffer) c = ' ';
  channel_.Send("status MIDI mode", buffer, kReplyLength);
  if (!ReadsStopped(std::string_view(buffer, sizeof buffer)) || !bgm_loop_) return;
  channel_.Send("seek MIDI to start", nullptr, 0);
  channel_.Send("play MIDI from 0", nullptr, 0);
}

std::optional<std::chrono::milliseconds> Music::BgmTimDelay() {
  using std::chrono::milliseconds;
  // A piece that plays for days is looked at again within the hour, which costs nothing.
  constexpr int64_t kLongestWait = 3'600'000;
  if (!bgm_loop_) return std::nullopt;
  const auto plays_nowhere = [](ChannelError error) {
    return error == ChannelError::NoDevice || error == ChannelError::NoSoundOutput;
  };
  char reply[32] = {};
  ChannelError error = channel_.Send("status MIDI length", reply, sizeof reply - 1);
  if (plays_nowhere(error)) return std::nullopt;
  const std::optional<int64_t> length =
      error == ChannelError::None ? Milliseconds(reply) : std::nullopt;
  if (length == 0) return std::nullopt;  // over as soon as it starts: nothing ever sounds

  std::fill(std::begin(reply), std::end(reply), '\0');
  error = channel_.Send("status MIDI position", reply, sizeof reply - 1);
  if (plays_nowhere(error)) return std::nullopt;
  std::optional<int64_t> position;
  if (error == ChannelError::None) position = Milliseconds(reply);
  if (error == ChannelError::NotReady) position = 0;  // it will start from the beginning
  if (!length || !position) return kPollInterval;
  const int64_t left = *length - std::min(*position, *length);
  if (left <= kPollInterval.count()) return kPollInterval;
  return milliseconds(std::min(left, kLongestWait));
}

}  // namespace tavrin
