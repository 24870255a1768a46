// SPDX-License-Identifier: MIT
#include "audio/soundfont_view.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/midi_files.h"

namespace tavrin {
namespace {

// Debian's General MIDI soundfont (fluid-soundfont-gm), 148 MB.

constexpr int kHarp = 46;
constexpr int kGuitar = 25;

// A synthesizer that reads soundfonts as the engine does: samples only for selected presets.
class Synth {
 public:
  Synth() {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
    settings_ = new_fluid_settings();
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
    SoundfontView::AddLoader(synth_, settings_);
  }
  ~Synth() {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }
  Synth(const Synth&) = delete;
  Synth& operator=(const Synth&) = delete;

  fluid_synth_t* get() const { return synth_; }

  // The bank and program of every preset of the soundfont loaded as `id`.
  std::set<std::pair<int, int>> Presets(int id) const {
    std::set<std::pair<int, int>> presets;
    fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(synth_, id);
    if (sfont == nullptr) return presets;
    fluid_sfont_iteration_start(sfont);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(sfont)) {
      presets.emplace(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset));
    }
    return presets;
  }

  // Plays a few notes of `program` on channel 1 and of the standard drum kit on channel 10,
  // and returns the sound, both sides interleaved.
  std::vector<float> Play(int program) {
    fluid_synth_program_change(synth_, 0, program);
    fluid_synth_program_change(synth_, 9, 0);
    std::vector<float> sound;
    float left[441], right[441];
    for (int note = 0; note < 8; ++note) {
      fluid_synth_noteon(synth_, 0, 60 + 3 * note, 100);
      fluid_synth_noteon(synth_, 9, 35 + 2 * note, 100);
      for (int block = 0; block < 10; ++block) {
        fluid_synth_write_float(synth_, 441, left, 0, 1, right, 0, 1);
        for (int i = 0; i < 441; ++i) {
          sound.push_back(left[i]);
          sound.push_back(right[i]);
        }
      }
      fluid_synth_noteoff(synth_, 0, 60 + 3 * note);
    }
    return sound;
  }

 private:
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
};

std::bitset<128> Programs(std::initializer_list<int> numbers) {
  std::bitset<128> programs;
  for (int number : numbers) programs.set(number);
  return programs;
}

class SoundfontViewTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(std::filesystem::exists(test_support::kGeneralMidi)); }
};

// Every bank's presets of the programs asked for, and no other, as the file has them.
TEST_F(SoundfontViewTest, ListsThePresetsOfTheProgramsAskedForInEveryBank) {
  Synth whole;
  const int whole_id = fluid_synth_sfload(whole.get(), test_support::kGeneralMidi.c_str(), 0);
  ASSERT_NE(whole_id, FLUID_FAILED);
  const auto in_file = whole.Presets(whole_id);
  std::set<std::pair<int, int>> expected;
  for (const auto& preset : in_file) {
    if (preset.second == 0 || preset.second == kGuitar) expected.insert(preset);
  }
  // The piano and the standard drum kit, the guitar, its variation in bank 16 and the kit
  // of the same number.
  ASSERT_TRUE(expected.contains({0, 0}));
  ASSERT_TRUE(expected.contains({128, 0}));
  ASSERT_TRUE(expected.contains({0, kGuitar}));
  ASSERT_TRUE(expected.contains({16, kGuitar}));
  ASSERT_TRUE(expected.contains({128, kGuitar}));
  ASSERT_LT(expected.size(), in_file.size() / 10);

  const auto view = SoundfontView::Open(test_support::kGeneralMidi, Programs({0, kGuitar}));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->PresetsInFile(), static_cast<int>(in_file.size()));
  EXPECT_EQ(view->PresetsListed(), static_cast<int>(expected.size()));
  Synth synth;
  const int id = fluid_synth_sfload(synth.get(), view->Name().c_str(), 0);
  ASSERT_NE(id, FLUID_FAILED);
  EXPECT_EQ(synth.Presets(id), expected);
}

// The presets the view lists sound exactly as the file's own: their zones, generators and
// modulators are passed on unchanged, and the samples are the file's.
TEST_F(SoundfontViewTest, ListedPresetsSoundAsTheFilesOwn) {
  Synth whole;
  ASSERT_NE(fluid_synth_sfload(whole.get(), test_support::kGeneralMidi.c_str(), 0), FLUID_FAILED);
  const auto view =
      SoundfontView::Open(test_support::kGeneralMidi, Programs({0, test_support::kFlute, kHarp}));
  ASSERT_NE(view, nullptr);
  Synth synth;
  ASSERT_NE(fluid_synth_sfload(synth.get(), view->Name().c_str(), 0), FLUID_FAILED);

  for (int program : {test_support::kFlute, kHarp, 0}) {
    SCOPED_TRACE(program);
    const std::vector<float> expected = whole.Play(program);
    const std::vector<float> heard = synth.Play(program);
    ASSERT_EQ(heard.size(), expected.size());
    EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 0.02f);
    EXPECT_EQ(heard, expected);
  }
}

// Loading reads the preset lists and no sample; selecting a preset reads its samples.
TEST_F(SoundfontViewTest, CountsTheSampleBytesReadForTheSelectedPresets) {
  const auto view =
      SoundfontView::Open(test_support::kGeneralMidi, Programs({0, test_support::kFlute}));
  ASSERT_NE(view, nullptr);
  Synth synth;
  ASSERT_NE(fluid_synth_sfload(synth.get(), view->Name().c_str(), 0), FLUID_FAILED);
  // Only the header of the sample chunk.
  EXPECT_LT(view->SampleBytesRead(), 64u);

  fluid_synth_program_change(synth.get(), 0, test_support::kFlute);
  const uint64_t flute = view->SampleBytesRead();
  EXPECT_GT(flute, 100'000u);
  fluid_synth_program_change(synth.get(), 1, 0);
  const uint64_t flute_and_piano = view->SampleBytesRead();
  EXPECT_GT(flute_and_piano, 2 * flute);
  // Already in: nothing more is read.
  fluid_synth_program_change(synth.get(), 2, test_support::kFlute);
  EXPECT_EQ(view->SampleBytesRead(), flute_and_piano);
}

TEST_F(SoundfontViewTest, AFileOfAnotherLayoutIsReadAsItIs) {
  EXPECT_EQ(SoundfontView::Open(test_support::kMidiDir + "no-such-font.sf2", Programs({0})),
            nullptr);

  const auto not_a_soundfont =
      SoundfontView::Open(test_support::kMidiDir + "dummy.mid", Programs({0}));
  ASSERT_NE(not_a_soundfont, nullptr);
  EXPECT_EQ(not_a_soundfont->PresetsListed(), not_a_soundfont->PresetsInFile());
  Synth synth;
  EXPECT_EQ(fluid_synth_sfload(synth.get(), not_a_soundfont->Name().c_str(), 0), FLUID_FAILED);
}

TEST_F(SoundfontViewTest, NamesAreGoneWithTheirViews) {
  std::string name;
  {
    const auto view = SoundfontView::Open(test_support::kGeneralMidi, Programs({0}));
    ASSERT_NE(view, nullptr);
    name = view->Name();
    const auto other = SoundfontView::Open(test_support::kGeneralMidi, Programs({0}));
    EXPECT_NE(other->Name(), name);
  }
  Synth synth;
  EXPECT_EQ(fluid_synth_sfload(synth.get(), name.c_str(), 0), FLUID_FAILED);
}

}  // namespace
}  // namespace tavrin
