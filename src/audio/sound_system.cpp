// SPDX-License-Identifier: MIT
#include "audio/sound_system.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tavrin {
namespace {

bool messages_shown = false;

// ALSA reports its failures through a handler of its own, which prints them by default.
// The library is reached through the dynamic loader: FluidSynth brings it in, and the
// program does not link it itself.
extern "C" void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void QuietenAlsa() {
  void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler"))) {
    set(&IgnoreAlsaMessage);
  }
  // Kept loaded: the handler stays in force for the life of the program.
}

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// The PulseAudio client reads its cookie from $PULSE_COOKIE, then the user's cookie files,
// and when none can be read it creates ~/.config/pulse/cookie. A cookie file that always
// reads (a device of zeros) keeps it from writing; a user who has a cookie keeps theirs.
void KeepPulseAudioFromWriting() {
  if (std::getenv("PULSE_COOKIE") != nullptr) return;
  const char* home = std::getenv("HOME");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] != '\0' &&
      Exists(std::filesystem::path(config) / "pulse" / "cookie")) {
    return;
  }
  if (home != nullptr && home[0] != '\0' &&
      (Exists(std::filesystem::path(home) / ".config" / "pulse" / "cookie") ||
       Exists(std::filesystem::path(home) / ".pulse-cookie"))) {
    return;
  }
  ::setenv("PULSE_COOKIE", "/dev/zero", 1);
}

}  // namespace

void PrepareSoundSystem(bool verbose) {
  messages_shown = verbose;
  if (!verbose) QuietenAlsa();
  KeepPulseAudioFromWriting();
}

bool SoundLibraryMessagesShown() { return messages_shown; }

}  // namespace tavrin
