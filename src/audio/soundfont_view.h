// SPDX-License-Identifier: MIT
#pragma once

#include <fluidsynth.h>

#include <atomic>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tavrin {

/// A soundfont file as FluidSynth is to read it: the file itself, but with only some of its
/// presets listed. FluidSynth keeps the zones and generators of every listed preset in
/// memory, whatever a piece plays (about 10 MB for Debian's 148 MB General MIDI soundfont),
/// and with dynamic sample loading it reads a preset's samples once a channel selects it;
/// listing only the presets a piece may select leaves the rest of the file on disk.
///
/// FluidSynth reads the view through the loader `AddLoader` gives a synthesizer, under the
/// view's `Name`, as long as the view lives. A file whose layout the view does not follow is
/// read as it is, every preset listed.
class SoundfontView {
 public:
  /// Opens the soundfont at `path`, listing the presets, of any bank, whose program number
  /// `programs` holds. Null when the file cannot be read.
  static std::shared_ptr<SoundfontView> Open(const std::string& path,
                                             const std::bitset<128>& programs);

  ~SoundfontView();
  SoundfontView(const SoundfontView&) = delete;
  SoundfontView& operator=(const SoundfontView&) = delete;

  /// Gives `synth` a loader that reads soundfonts through their views, by their names; a
  /// name that is no view's is left to FluidSynth's own loader. The synthesizer owns the
  /// loader.
  static void AddLoader(fluid_synth_t* synth, fluid_settings_t* settings);

  /// The name to load the view by, with `fluid_synth_sfload`.
  const std::string& Name() const { return name_; }

  /// The presets the view lists and the presets the file has; equal when the file is read
  /// as it is.
  int PresetsListed() const { return presets_listed_; }
  int PresetsInFile() const { return presets_in_file_; }

  /// How many bytes of sample data FluidSynth has read through the view so far.
  uint64_t SampleBytesRead() const { return sample_bytes_read_.load(std::memory_order_relaxed); }

 private:
  // The view is the file's bytes with some stretches taken from memory instead.
  struct Piece {
    uint64_t size = 0;
    uint64_t file_offset = 0;     // where the bytes come from in the file...
    std::vector<uint8_t> memory;  // ...unless they are these
    bool from_memory = false;
  };
  class Handle;

  SoundfontView() = default;
  bool FindLists(std::FILE* file, uint64_t riff_end, uint64_t& pdta_at, uint32_t& pdta_size);
  bool BuildListing(std::FILE* file, uint64_t file_size, const std::bitset<128>& programs);
  // Reads `count` bytes at `offset` of the view; false past its end or on a read error.
  bool Read(std::FILE* file, uint64_t offset, uint64_t count, uint8_t* out) const;

  std::string path_;
  std::string name_;
  uint64_t size_ = 0;
  std::vector<Piece> pieces_;
  // Where the sample data lies in the file: the bodies of the sdta list's chunks.
  std::vector<std::pair<uint64_t, uint64_t>> samples_;
  int presets_listed_ = 0;
  int presets_in_file_ = 0;
  mutable std::atomic<uint64_t> sample_bytes_read_{0};
};

}  // namespace tavrin
