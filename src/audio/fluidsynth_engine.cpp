// SPDX-License-Identifier: MIT
#include "audio/fluidsynth_engine.h"

#include <algorithm>
#include <bitset>
#include <chrono>
#include <climits>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

#include "audio/sound_system.h"

namespace tavrin {

namespace {

// FluidSynth writes its complaints (a missing sound server, a preset the soundfont lacks)
// to the standard error stream; nothing about the music is reported unless asked for.
void QuietenFluidSynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (SoundLibraryMessagesShown()) return;
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
  });
}

int64_t NowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Whether any sound output opens, tried with a synthesizer of its own that plays nothing:
// without one there is nothing to load a soundfont for.
bool AnyOutputOpens(const SynthesisSettings& synthesis, std::stop_token stop) {
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return false;
  fluid_settings_setnum(settings, "synth.sample-rate", synthesis.sample_rate);
  fluid_settings_setint(settings, "synth.polyphony", 1);
  fluid_settings_setint(settings, "audio.period-size", synthesis.period_size);
  fluid_settings_setint(settings, "audio.periods", synthesis.periods);
  fluid_settings_setint(settings, "audio.pulseaudio.adjust-latency", 0);
  bool opens = false;
  if (fluid_synth_t* synth = new_fluid_synth(settings)) {
    for (const std::string& name :
         FluidSynthEngine::OrderDrivers(FluidSynthEngine::AvailableDrivers())) {
      if (stop.stop_requested()) break;
      fluid_settings_setstr(settings, "audio.driver", name.c_str());
      if (fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth)) {
        delete_fluid_audio_driver(driver);
        opens = true;
        break;
      }
    }
    delete_fluid_synth(synth);
  }
  delete_fluid_settings(settings);
  return opens;
}

}  // namespace

std::unique_ptr<FluidSynthEngine> FluidSynthEngine::Build(const EngineSetup& setup,
                                                          std::stop_token stop) {
  QuietenFluidSynth();
  if (setup.output == AudioOutput::Device && !AnyOutputOpens(setup.synthesis, stop)) {
    return nullptr;
  }
  std::unique_ptr<FluidSynthEngine> engine(new FluidSynthEngine);
  engine->length_ticks_ = setup.length_ticks;
  engine->clock_ = setup.clock;

  fluid_settings_t* settings = engine->settings_ = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  // Samples are read from the soundfont only for the instruments the piece selects: the
  // General MIDI soundfont is 148 MB and a piece uses a few of its instruments.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  // Locking the samples into memory would fail under the usual limit for a user's process.
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  const SynthesisSettings& synthesis = setup.synthesis;
  fluid_settings_setnum(settings, "synth.sample-rate", synthesis.sample_rate);
  fluid_settings_setint(settings, "synth.reverb.active", synthesis.reverb ? 1 : 0);
  fluid_settings_setint(settings, "synth.chorus.active", synthesis.chorus ? 1 : 0);
  fluid_settings_setint(settings, "synth.polyphony", synthesis.polyphony);
  // At a piece's natural end the player would reset the synthesizer, which selects the
  // piano on every channel and the drum kit on channel 10, reading their samples. The piece
  // is stopped at its last End of Track before that, and its own events set every channel
  // that sounds as it plays.
  fluid_settings_setint(settings, "player.reset-synth", 0);
  // Background music needs no low latency: two long periods and no
  // latency adjustment by the sound server wake the audio threads a few times a second
  // instead of dozens, which halves the cost of playing. The loop's timing does not depend
  // on them: the player keeps time in rendered samples.
  fluid_settings_setint(settings, "audio.period-size", synthesis.period_size);
  fluid_settings_setint(settings, "audio.periods", synthesis.periods);
  fluid_settings_setint(settings, "audio.pulseaudio.adjust-latency", 0);

  fluid_synth_t* synth = engine->synth_ = new_fluid_synth(settings);
  if (synth == nullptr) return nullptr;
  static constexpr int kInterpolation[] = {FLUID_INTERP_NONE, FLUID_INTERP_LINEAR,
                                           FLUID_INTERP_4THORDER, FLUID_INTERP_7THORDER};
  engine->interpolation_ = kInterpolation[static_cast<int>(synthesis.interpolation)];
  fluid_synth_set_interp_method(synth, -1, engine->interpolation_);

  // The soundfont lists only the presets the piece may select: the programs chosen on the
  // channels that sound, in any bank, and the first program, which a channel plays until
  // the piece chooses one and again after a reset.
  std::bitset<128> programs;
  programs.set(0);
  for (const MidiChannelUse& use : setup.channels) programs |= use.programs;
  SoundfontView::AddLoader(synth, settings);
  for (const std::string& path : setup.soundfonts) {
    if (stop.stop_requested()) return nullptr;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) continue;
    std::shared_ptr<SoundfontView> view = SoundfontView::Open(path, programs);
    if (view == nullptr) continue;
    // Without selecting any instrument yet: the default selection is the piano on every
    // channel and the drum kit on channel 10, and their samples would all be read.
    engine->sfont_id_ = fluid_synth_sfload(synth, view->Name().c_str(), 0);
    if (engine->sfont_id_ != FLUID_FAILED) {
      engine->view_ = std::move(view);
      engine->soundfont_ = path;
      break;
    }
  }
  if (stop.stop_requested()) return nullptr;
  engine->SelectInstruments(setup.channels);
  if (stop.stop_requested()) return nullptr;

  fluid_player_t* player = engine->player_ = new_fluid_player(synth);
  if (player == nullptr ||
      fluid_player_add_mem(player, setup.midi.data(), setup.midi.size()) != FLUID_OK) {
    return nullptr;
  }
  fluid_player_set_tick_callback(player, &FluidSynthEngine::OnTick, engine.get());
  fluid_player_set_playback_callback(player, &FluidSynthEngine::OnMidiEvent, engine.get());

  // The sound output comes last: from its start the audio thread renders the synthesizer
  // and runs the player, which must be complete by then. Without a soundfont there is
  // nothing to hear, and no output is opened to synthesize silence.
  if (setup.output == AudioOutput::Device) {
    if (engine->view_ == nullptr) return nullptr;
    for (const std::string& name : OrderDrivers(AvailableDrivers())) {
      if (stop.stop_requested()) return nullptr;
      fluid_settings_setstr(settings, "audio.driver", name.c_str());
      engine->driver_ = new_fluid_audio_driver(settings, synth);
      if (engine->driver_ != nullptr) {
        engine->driver_name_ = name;
        break;
      }
    }
    if (engine->driver_ == nullptr) return nullptr;
  }
  return engine;
}

FluidSynthEngine::~FluidSynthEngine() {
  // The driver's deletion ends the audio thread, the only other user of the player and the
  // synthesizer.
  if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
  if (player_ != nullptr) delete_fluid_player(player_);
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}

bool FluidSynthEngine::Playing() const {
  const int status = fluid_player_get_status(player_);
  return status == FLUID_PLAYER_PLAYING || status == FLUID_PLAYER_STOPPING;
}

void FluidSynthEngine::Play() {
  if (length_ticks_ == 0) return;
  // The piece moves on from here, from now.
  reached_at_ns_.store(NowNanoseconds(), std::memory_order_relaxed);
  fluid_player_play(player_);
}

void FluidSynthEngine::Rewind() {
  // The player takes a new position only once it is stopped: while it plays, a seek waits
  // for the audio thread and may be refused.
  if (Playing()) fluid_player_stop(player_);
  fluid_player_seek(player_, 0);
  tick_reached_.store(0, std::memory_order_relaxed);
}

double FluidSynthEngine::PositionMilliseconds(bool since_synthesized) const {
  constexpr int64_t kMostAhead = 1'000'000'000;  // a stalled output does not run the clock on
  double position = clock_.Milliseconds(tick_reached_.load(std::memory_order_relaxed));
  if (since_synthesized && Playing()) {
    const int64_t since = NowNanoseconds() - reached_at_ns_.load(std::memory_order_relaxed);
    position += static_cast<double>(std::clamp<int64_t>(since, 0, kMostAhead)) / 1e6;
  }
  return std::clamp(position, 0.0, clock_.Milliseconds(length_ticks_));
}

int FluidSynthEngine::OnTick(void* data, int tick) {
  // Left alone, the player runs on for two seconds after the last event while the notes
  // die away. The piece ends at its last End of Track, as a sequencer's does, so that the
  // watchdog restarts it on the beat.
  auto* engine = static_cast<FluidSynthEngine*>(data);
  engine->tick_reached_.store(tick, std::memory_order_relaxed);
  engine->reached_at_ns_.store(NowNanoseconds(), std::memory_order_relaxed);
  if (tick >= engine->length_ticks_) fluid_player_stop(engine->player_);
  return FLUID_OK;
}

void FluidSynthEngine::SelectInstruments(const std::array<MidiChannelUse, 16>& channels) {
  if (sfont_id_ == FLUID_FAILED) return;
  for (int channel = 0; channel < static_cast<int>(channels.size()); ++channel) {
    const MidiChannelUse& use = channels[channel];
    sounding_[channel] = use.sounds;
    if (!use.sounds) continue;
    // As the piece does it, so that the synthesizer reads the bank as it will then; once the
    // piece sends the same program, the instrument is already in and nothing is read again.
    if (use.program >= 0) {
      if (use.bank_msb >= 0) fluid_synth_cc(synth_, channel, 0, use.bank_msb);
      if (use.bank_lsb >= 0) fluid_synth_cc(synth_, channel, 32, use.bank_lsb);
    }
    fluid_synth_program_change(synth_, channel, use.program >= 0 ? use.program : 0);
  }
}

int FluidSynthEngine::OnMidiEvent(void* data, fluid_midi_event_t* event) {
  auto* engine = static_cast<FluidSynthEngine*>(data);
  if (engine->sfont_id_ != FLUID_FAILED) {
    const int type = fluid_midi_event_get_type(event);
    const int channel = fluid_midi_event_get_channel(event);
    if (type == 0xF0) return engine->HandleSystemExclusive(event);
    if (type == 0xC0) engine->pending_program_[channel] = -1;
    if (type == 0x90 && fluid_midi_event_get_velocity(event) > 0) engine->SelectBeforeNote(channel);
  }
  return fluid_synth_handle_midi_event(engine->synth_, event);
}

int FluidSynthEngine::HandleSystemExclusive(fluid_midi_event_t* event) {
  // A General MIDI, GS or XG reset selects the piano on every channel and the drum kit on
  // channel 10, and a GS part turned to drums selects a kit: each reads samples that the
  // piece may never play. While the message is handled the soundfont's banks are moved out
  // of reach, so that such a selection finds nothing and leaves the channel without an
  // instrument. A channel that plays keeps the instrument it had, held in by a pin meanwhile
  // so that its samples are not dropped and read again, and takes the program the message
  // gave it at its next note, unless the piece chooses one first.
  struct Held {
    int bank = -1;
    int program = -1;
  };
  std::array<Held, 16> held;
  for (int channel = 0; channel < static_cast<int>(held.size()); ++channel) {
    fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel);
    if (!sounding_[channel] || preset == nullptr) continue;
    held[channel] = {fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)};
    fluid_synth_pin_preset(synth_, sfont_id_, held[channel].bank, held[channel].program);
  }

  constexpr int kOutOfReach = 1 << 20;
  fluid_synth_set_bank_offset(synth_, sfont_id_, kOutOfReach);
  const int result = fluid_synth_handle_midi_event(synth_, event);
  fluid_synth_set_bank_offset(synth_, sfont_id_, 0);
  // A reset gives every channel FluidSynth's own interpolation again.
  fluid_synth_set_interp_method(synth_, -1, interpolation_);

  for (int channel = 0; channel < static_cast<int>(held.size()); ++channel) {
    if (held[channel].program < 0 || fluid_synth_get_channel_preset(synth_, channel) != nullptr) {
      continue;
    }
    int sfont = 0;
    int bank = 0;
    int program = 0;
    if (fluid_synth_get_program(synth_, channel, &sfont, &bank, &program) != FLUID_OK) continue;
    fluid_synth_program_select(synth_, channel, sfont_id_, held[channel].bank,
                               held[channel].program);
    // The bank the message set, for the piece's next program change.
    fluid_synth_bank_select(synth_, channel, bank);
    pending_program_[channel] = program;
  }
  for (const Held& instrument : held) {
    if (instrument.program >= 0) {
      fluid_synth_unpin_preset(synth_, sfont_id_, instrument.bank, instrument.program);
    }
  }
  return result;
}

void FluidSynthEngine::SelectBeforeNote(int channel) {
  int program = pending_program_[channel];
  pending_program_[channel] = -1;
  if (program < 0) {
    // A channel left without an instrument (by a reset before it had one, or when the
    // soundfont has none for its program) tries again with the program it was given.
    if (fluid_synth_get_channel_preset(synth_, channel) != nullptr) return;
    int sfont = 0;
    int bank = 0;
    if (fluid_synth_get_program(synth_, channel, &sfont, &bank, &program) != FLUID_OK) return;
  }
  if (program >= 0 && program < 128) fluid_synth_program_change(synth_, channel, program);
}

void FluidSynthEngine::Render(std::span<float> left, std::span<float> right) {
  std::size_t done = 0;
  const std::size_t frames = std::min(left.size(), right.size());
  while (done < frames) {
    const int count = static_cast<int>(std::min<std::size_t>(frames - done, INT_MAX));
    fluid_synth_write_float(synth_, count, left.data() + done, 0, 1, right.data() + done, 0, 1);
    done += static_cast<std::size_t>(count);
  }
}

int FluidSynthEngine::SampleRate() const {
  double rate = 44100;
  fluid_settings_getnum(settings_, "synth.sample-rate", &rate);
  return static_cast<int>(rate);
}

std::vector<std::string> FluidSynthEngine::DefaultSoundfonts() {
  // Debian's choice of General MIDI soundfont, then the one it usually points to.
  std::vector<std::string> paths = {"/usr/share/sounds/sf2/default-GM.sf2",
                                    "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
  if (fluid_settings_t* settings = new_fluid_settings()) {
    char* built_in = nullptr;
    if (fluid_settings_getstr_default(settings, "synth.default-soundfont", &built_in) == FLUID_OK &&
        built_in != nullptr && built_in[0] != '\0' && !Contains(paths, built_in)) {
      paths.emplace_back(built_in);
    }
    delete_fluid_settings(settings);
  }
  for (const char* path : {
           "/usr/share/sounds/sf3/default-GM.sf3",
           "/usr/share/soundfonts/default.sf2",
           "/usr/share/soundfonts/FluidR3_GM.sf2",
           "/usr/share/sounds/sf2/TimGM6mb.sf2",
       }) {
    if (!Contains(paths, path)) paths.emplace_back(path);
  }
  return paths;
}

std::vector<std::string> FluidSynthEngine::OrderDrivers(const std::vector<std::string>& available) {
  static constexpr std::string_view kPreferred[] = {"pipewire", "pulseaudio", "alsa"};
  // "file" writes the sound into a file in the current folder; "jack" may start a JACK
  // server of its own and leaves its ports unconnected.
  static constexpr std::string_view kNever[] = {"file", "jack"};
  std::vector<std::string> order;
  for (std::string_view name : kPreferred) {
    if (Contains(available, name)) order.emplace_back(name);
  }
  for (const std::string& name : available) {
    const bool never = std::find(std::begin(kNever), std::end(kNever), name) != std::end(kNever);
    if (!never && !Contains(order, name)) order.push_back(name);
  }
  return order;
}

std::vector<std::string> FluidSynthEngine::AvailableDrivers() {
  std::vector<std::string> names;
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return names;
  fluid_settings_foreach_option(
      settings, "audio.driver", &names, [](void* data, const char*, const char* option) {
        static_cast<std::vector<std::string>*>(data)->emplace_back(option);
      });
  delete_fluid_settings(settings);
  return names;
}

}  // namespace tavrin
