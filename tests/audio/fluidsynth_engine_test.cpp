// SPDX-License-Identifier: MIT
#include "audio/fluidsynth_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin {
namespace {

using Names = std::vector<std::string>;

TEST(DriverOrderTest, DesktopOutputsFirstThenTheRestButNeverFileOrJack) {
  // Debian's FluidSynth 2.3 offers these, in this order.
  EXPECT_EQ(FluidSynthEngine::OrderDrivers({"alsa", "file", "jack", "oss", "pulseaudio", "sdl2"}),
            (Names{"pulseaudio", "alsa", "oss", "sdl2"}));
  EXPECT_EQ(FluidSynthEngine::OrderDrivers({"sdl2", "alsa", "pipewire", "pulseaudio", "jack"}),
            (Names{"pipewire", "pulseaudio", "alsa", "sdl2"}));
  EXPECT_EQ(FluidSynthEngine::OrderDrivers({"oss", "sdl2"}), (Names{"oss", "sdl2"}));
  EXPECT_EQ(FluidSynthEngine::OrderDrivers({"file", "jack"}), Names{});
  EXPECT_EQ(FluidSynthEngine::OrderDrivers({}), Names{});
}

}  // namespace
}  // namespace tavrin
