#include "audio/fluidsynth_engine.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

namespace tavrin {

namespace {

// FluidSynth writes its complaints (a missing sound server, a preset the soundfont lacks)
// to the standard error stream; nothing about the music is ever reported.
void QuietenFluidSynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
  });
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::unique_ptr<FluidSynthEngine> FluidSynthEngine::Build(const EngineSetup& setup,
                                                          std::stop_token stop) {
  QuietenFluidSynth();
  std::unique_ptr<FluidSynthEngine> engine(new FluidSynthEngine);
  engine->length_ticks_ = setup.length_ticks;

  fluid_settings_t* settings = engine->settings_ = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  // Samples are read from the soundfont only for the instruments the piece selects: the
  // General MIDI soundfont is 148 MB and a piece uses a few of its instruments.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  // Locking the samples into memory would fail under the usual limit for a user's process.
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  // Background music needs no low latency; larger periods wake the audio thread less often.
  fluid_settings_setint(settings, "audio.period-size", 1024);
  fluid_settings_setint(settings, "audio.periods", 4);

  fluid_synth_t* synth = engine->synth_ = new_fluid_synth(settings);
  if (synth == nullptr) return nullptr;

  for (const std::string& path : setup.soundfonts) {
    if (stop.stop_requested()) return nullptr;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) continue;
    if (fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
      engine->soundfont_ = path;
      break;
    }
  }
  if (stop.stop_requested()) return nullptr;

  fluid_player_t* player = engine->player_ = new_fluid_player(synth);
  if (player == nullptr ||
      fluid_player_add_mem(player, setup.midi.data(), setup.midi.size()) != FLUID_OK) {
    return nullptr;
  }
  fluid_player_set_tick_callback(player, &FluidSynthEngine::OnTick, engine.get());

  // The sound output comes last: from its start the audio thread renders the synthesizer
  // and runs the player, which must be complete by then.
  if (setup.output == AudioOutput::Device) {
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
  fluid_player_play(player_);
}

void FluidSynthEngine::Rewind() {
  // The player takes a new position only once it is stopped: while it plays, a seek waits
  // for the audio thread and may be refused.
  if (Playing()) fluid_player_stop(player_);
  fluid_player_seek(player_, 0);
}

int FluidSynthEngine::OnTick(void* data, int tick) {
  // Left alone, the player runs on for two seconds after the last event while the notes
  // die away. The piece ends at its last End of Track, as a sequencer's does, so that the
  // watchdog restarts it on the beat.
  auto* engine = static_cast<FluidSynthEngine*>(data);
  if (tick >= engine->length_ticks_) fluid_player_stop(engine->player_);
  return FLUID_OK;
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
