// SPDX-License-Identifier: MIT
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrin {

/// One chunk of a soundfont's pdta list: its id, and where its body lies in the list.
struct ListChunk {
  std::string id;
  std::size_t body = 0;
  std::size_t size = 0;
};

/// The chunks of the body of a pdta list (after its type); nothing when one claims more than
/// the list holds.
std::optional<std::vector<ListChunk>> SplitList(std::span<const uint8_t> list);

/// The preset lists of a soundfont: the preset headers (phdr), their bags (pbag), and the
/// bags' modulators (pmod) and generators (pgen), each list ended by its terminal record.
/// A preset points at its first bag and a bag at its first modulator and generator; each
/// runs up to the next one's first.
class PresetLists {
 public:
  /// The lists among `chunks`, split from `list`; nothing when they are not its first four
  /// chunks, followed by the instruments, or their records do not hold together.
  static std::optional<PresetLists> Read(std::span<const uint8_t> list,
                                         const std::vector<ListChunk>& chunks);

  /// The counts, less the terminal records.
  std::size_t PresetCount() const;
  std::size_t BagCount() const;
  std::size_t ModulatorCount() const;
  std::size_t GeneratorCount() const;

  /// The header of `preset` (the terminal one at `PresetCount()`), its preset number and
  /// its first bag.
  std::span<const uint8_t> Preset(std::size_t preset) const;
  std::size_t PresetNumber(std::size_t preset) const;
  std::size_t FirstBag(std::size_t preset) const;
  /// The first generator and modulator of `bag`.
  std::size_t FirstGenerator(std::size_t bag) const;
  std::size_t FirstModulator(std::size_t bag) const;
  /// The records from `first` up to `end`, not included.
  std::span<const uint8_t> Generators(std::size_t first, std::size_t end) const;
  std::span<const uint8_t> Modulators(std::size_t first, std::size_t end) const;

 private:
  bool HoldTogether() const;

  std::span<const uint8_t> presets_, bags_, modulators_, generators_;
};

/// Preset lists rewritten to hold some of the presets: each one kept with its bags, and
/// their modulators and generators, renumbered to follow one another.
struct PresetListing {
  std::vector<uint8_t> presets, bags, modulators, generators;
  int listed = 0;  // presets, less the terminal one
};

/// The presets of `lists` whose program number `programs` holds, of any bank, and the
/// terminal records as the file has them.
PresetListing ListPresets(const PresetLists& lists, const std::bitset<128>& programs);

}  // namespace tavrin
