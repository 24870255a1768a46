#include "audio/music.h"

#include <cstddef>
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

}  // namespace tavrin
