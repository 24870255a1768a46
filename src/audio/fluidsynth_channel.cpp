// SPDX-License-Identifier: MIT
#include "audio/fluidsynth_channel.h"

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "audio/fluidsynth_engine.h"
#include "audio/midi_file.h"

namespace tavrin {

namespace {

constexpr std::string_view kOpenStart = "open \"";
constexpr std::string_view kOpenEnd = "\" alias MIDI";

// Writes `answer` and its NUL into the reply buffer, if they fit.
ChannelError Answer(std::string_view answer, char* reply, std::size_t reply_size) {
  if (reply == nullptr || reply_size < answer.size() + 1) return ChannelError::ReplyTooSmall;
  std::memcpy(reply, answer.data(), answer.size());
  reply[answer.size()] = '\0';
  return ChannelError::None;
}

}  // namespace

FluidSynthChannel::FluidSynthChannel(AudioOutput output)
    : FluidSynthChannel(output, FluidSynthEngine::DefaultSoundfonts()) {}

FluidSynthChannel::FluidSynthChannel(AudioOutput output, std::vector<std::string> soundfonts,
                                     SynthesisSettings synthesis)
    : output_(output), soundfonts_(std::move(soundfonts)), synthesis_(synthesis) {}

FluidSynthChannel::~FluidSynthChannel() {
  if (open_) Close();
}

ChannelError FluidSynthChannel::Send(std::string_view command, char* reply,
                                     std::size_t reply_size) {
  if (command == "status MIDI mode") return Mode(reply, reply_size);
  if (command == "status MIDI position") return Position(reply, reply_size);
  if (command == "status MIDI length") {
    if (!open_) return ChannelError::NoDevice;
    return Answer(std::to_string(length_ms_), reply, reply_size);
  }
  if (command == "seek MIDI to start") return Seek();
  if (command == "play MIDI from 0") return Play(true);
  if (command == "play MIDI notify") return Play(false);
  if (command == "close MIDI notify") return Close();
  if (command.size() >= kOpenStart.size() + kOpenEnd.size() && command.starts_with(kOpenStart) &&
      command.ends_with(kOpenEnd)) {
    return Open(
        command.substr(kOpenStart.size(), command.size() - kOpenStart.size() - kOpenEnd.size()));
  }
  return ChannelError::UnknownCommand;
}

ChannelError FluidSynthChannel::Open(std::string_view path) {
  if (open_) return ChannelError::NameInUse;
  // The file is read here, at once, so that a file that cannot play fails the open; only
  // the synthesizer, which waits for the soundfont, is left to the worker.
  MidiPiece piece = read_file_(path);
  if (piece.error == MidiFileError::Unreadable) return ChannelError::CannotOpenFile;
  if (piece.error != MidiFileError::None) return ChannelError::NotMidiFile;

  EngineSetup setup;
  setup.output = output_;
  setup.synthesis = synthesis_;
  setup.soundfonts = soundfonts_;
  setup.midi = std::move(piece.bytes);
  setup.length_ticks = piece.length_ticks;
  setup.clock = piece.clock;
  setup.channels = piece.channels;
  length_ms_ = static_cast<int64_t>(std::floor(piece.clock.Milliseconds(piece.length_ticks)));
  {
    std::lock_guard lock(mutex_);
    built_ = false;
    play_requested_ = false;
  }
  open_ = true;
  worker_ = std::jthread([this, setup = std::move(setup)](std::stop_token stop) {
    std::unique_ptr<FluidSynthEngine> engine = FluidSynthEngine::Build(setup, stop);
#ifdef __GLIBC__
    // What a build that came to nothing took goes back to the system, not only to the heap.
    if (engine == nullptr) ::malloc_trim(0);
#endif
    {
      std::lock_guard lock(mutex_);
      // A close that came meanwhile waits for this thread and wants nothing of its work;
      // the engine is destroyed here, outside the lock.
      if (stop.stop_requested()) return;
      engine_ = std::move(engine);
      built_ = true;
      if (engine_ != nullptr && play_requested_) engine_->Play();
    }
    built_cv_.notify_all();
  });
  return ChannelError::None;
}

ChannelError FluidSynthChannel::Close() {
  if (!open_) return ChannelError::NoDevice;
  // The worker checks for the stop between the slow steps of its build (the soundfont, the
  // sound output), so the wait is at most one of them.
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
  std::unique_ptr<FluidSynthEngine> engine;
  {
    std::lock_guard lock(mutex_);
    engine = std::move(engine_);
    built_ = false;
    play_requested_ = false;
  }
  engine.reset();
  open_ = false;
  return ChannelError::None;
}

ChannelError FluidSynthChannel::Play(bool from_start) {
  if (!open_) return ChannelError::NoDevice;
  std::lock_guard lock(mutex_);
  if (engine_ == nullptr) {
    // Nothing has played yet, so from the start or not is the same.
    play_requested_ = true;
    return ChannelError::None;
  }
  if (from_start) engine_->Rewind();
  engine_->Play();
  return ChannelError::None;
}

ChannelError FluidSynthChannel::Seek() {
  if (!open_) return ChannelError::NoDevice;
  std::lock_guard lock(mutex_);
  if (engine_ == nullptr) {
    play_requested_ = false;
    return ChannelError::None;
  }
  engine_->Rewind();
  return ChannelError::None;
}

ChannelError FluidSynthChannel::Mode(char* reply, std::size_t reply_size) {
  if (!open_) return ChannelError::NoDevice;
  bool playing;
  {
    std::lock_guard lock(mutex_);
    // While the soundfont loads, a piece that was asked to play reads as playing: were it
    // to read stopped, the watchdog would rewind and restart it at every tick until the
    // synthesizer is there.
    playing = engine_ != nullptr ? engine_->Playing() : play_requested_;
  }
  return Answer(playing ? "playing" : "stopped", reply, reply_size);
}

ChannelError FluidSynthChannel::Position(char* reply, std::size_t reply_size) {
  if (!open_) return ChannelError::NoDevice;
  double position;
  {
    std::lock_guard lock(mutex_);
    if (!built_) return ChannelError::NotReady;
    if (engine_ == nullptr) return ChannelError::NoSoundOutput;
    position = engine_->PositionMilliseconds(output_ == AudioOutput::Device);
  }
  return Answer(std::to_string(static_cast<int64_t>(std::floor(position))), reply, reply_size);
}

bool FluidSynthChannel::WaitUntilReady(std::chrono::milliseconds timeout) {
  if (!open_) return false;
  std::unique_lock lock(mutex_);
  return built_cv_.wait_for(lock, timeout, [this] { return built_; });
}

bool FluidSynthChannel::Render(std::span<float> left, std::span<float> right) {
  std::lock_guard lock(mutex_);
  // With a sound output the audio thread renders; a second renderer would race it.
  if (engine_ == nullptr || output_ != AudioOutput::None) {
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    return false;
  }
  engine_->Render(left, right);
  return true;
}

int FluidSynthChannel::SampleRate() const {
  std::lock_guard lock(mutex_);
  return engine_ != nullptr ? engine_->SampleRate() : synthesis_.sample_rate;
}

std::string FluidSynthChannel::Soundfont() const {
  std::lock_guard lock(mutex_);
  return engine_ != nullptr ? engine_->Soundfont() : std::string();
}

std::string FluidSynthChannel::Driver() const {
  std::lock_guard lock(mutex_);
  return engine_ != nullptr ? engine_->Driver() : std::string();
}

uint64_t FluidSynthChannel::SampleBytesRead() const {
  std::lock_guard lock(mutex_);
  return engine_ != nullptr ? engine_->SampleBytesRead() : 0;
}

}  // namespace tavrin
