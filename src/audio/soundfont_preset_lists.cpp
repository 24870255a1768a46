// SPDX-License-Identifier: MIT
#include "audio/soundfont_preset_lists.h"

#include "audio/riff_chunk.h"

namespace tavrin {
namespace {

using riff::Get16;
using riff::Put16;

// The records of the preset lists.
constexpr std::size_t kPresetHeaderSize = 38;  // phdr
constexpr std::size_t kBagSize = 4;            // pbag
constexpr std::size_t kModulatorSize = 10;     // pmod
constexpr std::size_t kGeneratorSize = 4;      // pgen
// Where a preset header holds its preset number and its first bag.
constexpr std::size_t kPresetNumberAt = 20;
constexpr std::size_t kPresetBagAt = 24;
// Where a bag holds its first generator and its first modulator.
constexpr std::size_t kBagGeneratorAt = 0;
constexpr std::size_t kBagModulatorAt = 2;

void AddPreset(PresetListing& listing, std::span<const uint8_t> record) {
  const std::size_t at = listing.presets.size();
  listing.presets.insert(listing.presets.end(), record.begin(), record.end());
  Put16(listing.presets.data() + at + kPresetBagAt,
        static_cast<uint16_t>(listing.bags.size() / kBagSize));
}

void AddBag(PresetListing& listing, std::span<const uint8_t> modulators,
            std::span<const uint8_t> generators) {
  const std::size_t at = listing.bags.size();
  listing.bags.resize(at + kBagSize);
  Put16(listing.bags.data() + at + kBagGeneratorAt,
        static_cast<uint16_t>(listing.generators.size() / kGeneratorSize));
  Put16(listing.bags.data() + at + kBagModulatorAt,
        static_cast<uint16_t>(listing.modulators.size() / kModulatorSize));
  listing.modulators.insert(listing.modulators.end(), modulators.begin(), modulators.end());
  listing.generators.insert(listing.generators.end(), generators.begin(), generators.end());
}

}  // namespace

std::optional<std::vector<ListChunk>> SplitList(std::span<const uint8_t> list) {
  std::vector<ListChunk> chunks;
  for (std::size_t pos = 0; pos + riff::kChunkHeaderSize <= list.size();) {
    const uint32_t size = riff::Get32(list.data() + pos + 4);
    if (size > list.size() - pos - riff::kChunkHeaderSize) return std::nullopt;
    chunks.push_back({std::string(reinterpret_cast<const char*>(list.data() + pos), 4),
                      pos + riff::kChunkHeaderSize, size});
    pos += riff::ChunkSpan(size);
  }
  return chunks;
}

std::optional<PresetLists> PresetLists::Read(std::span<const uint8_t> list,
                                             const std::vector<ListChunk>& chunks) {
  // The preset lists come first, then the instruments, which are passed on as they are.
  static constexpr const char* kOrder[] = {"phdr", "pbag", "pmod", "pgen", "inst"};
  if (chunks.size() < std::size(kOrder)) return std::nullopt;
  for (std::size_t i = 0; i < std::size(kOrder); ++i) {
    if (chunks[i].id != kOrder[i]) return std::nullopt;
  }
  // Whole records, at least `least` of them; empty otherwise.
  const auto records = [&](const ListChunk& chunk, std::size_t record_size,
                           std::size_t least) -> std::span<const uint8_t> {
    if (chunk.size % record_size != 0 || chunk.size < least * record_size) return {};
    return list.subspan(chunk.body, chunk.size);
  };
  PresetLists lists;
  lists.presets_ = records(chunks[0], kPresetHeaderSize, 2);  // a preset and the terminal
  lists.bags_ = records(chunks[1], kBagSize, 1);
  lists.modulators_ = records(chunks[2], kModulatorSize, 1);
  lists.generators_ = records(chunks[3], kGeneratorSize, 1);
  if (lists.presets_.empty() || lists.bags_.empty() || lists.modulators_.empty() ||
      lists.generators_.empty() || !lists.HoldTogether()) {
    return std::nullopt;
  }
  return lists;
}

std::size_t PresetLists::PresetCount() const { return presets_.size() / kPresetHeaderSize - 1; }
std::size_t PresetLists::BagCount() const { return bags_.size() / kBagSize - 1; }
std::size_t PresetLists::ModulatorCount() const { return modulators_.size() / kModulatorSize - 1; }
std::size_t PresetLists::GeneratorCount() const { return generators_.size() / kGeneratorSize - 1; }

std::span<const uint8_t> PresetLists::Preset(std::size_t preset) const {
  return presets_.subspan(preset * kPresetHeaderSize, kPresetHeaderSize);
}
std::size_t PresetLists::PresetNumber(std::size_t preset) const {
  return Get16(Preset(preset).data() + kPresetNumberAt);
}
std::size_t PresetLists::FirstBag(std::size_t preset) const {
  return Get16(Preset(preset).data() + kPresetBagAt);
}
std::size_t PresetLists::FirstGenerator(std::size_t bag) const {
  return Get16(bags_.data() + bag * kBagSize + kBagGeneratorAt);
}
std::size_t PresetLists::FirstModulator(std::size_t bag) const {
  return Get16(bags_.data() + bag * kBagSize + kBagModulatorAt);
}
std::span<const uint8_t> PresetLists::Generators(std::size_t first, std::size_t end) const {
  return generators_.subspan(first * kGeneratorSize, (end - first) * kGeneratorSize);
}
std::span<const uint8_t> PresetLists::Modulators(std::size_t first, std::size_t end) const {
  return modulators_.subspan(first * kModulatorSize, (end - first) * kModulatorSize);
}

// Every preset's bags, and every bag's generators and modulators, follow the previous ones
// and end with the lists.
bool PresetLists::HoldTogether() const {
  for (std::size_t preset = 0; preset < PresetCount(); ++preset) {
    if (FirstBag(preset) > FirstBag(preset + 1)) return false;
  }
  if (FirstBag(PresetCount()) > BagCount()) return false;
  for (std::size_t bag = 0; bag < BagCount(); ++bag) {
    if (FirstGenerator(bag) > FirstGenerator(bag + 1) ||
        FirstModulator(bag) > FirstModulator(bag + 1)) {
      return false;
    }
  }
  return FirstGenerator(BagCount()) <= GeneratorCount() &&
         FirstModulator(BagCount()) <= ModulatorCount();
}

PresetListing ListPresets(const PresetLists& lists, const std::bitset<128>& programs) {
  PresetListing listing;
  for (std::size_t preset = 0; preset < lists.PresetCount(); ++preset) {
    const std::size_t number = lists.PresetNumber(preset);
    if (number >= programs.size() || !programs.test(number)) continue;
    AddPreset(listing, lists.Preset(preset));
    ++listing.listed;
    for (std::size_t bag = lists.FirstBag(preset); bag < lists.FirstBag(preset + 1); ++bag) {
      AddBag(listing, lists.Modulators(lists.FirstModulator(bag), lists.FirstModulator(bag + 1)),
             lists.Generators(lists.FirstGenerator(bag), lists.FirstGenerator(bag + 1)));
    }
  }
  AddPreset(listing, lists.Preset(lists.PresetCount()));
  AddBag(listing, lists.Modulators(lists.ModulatorCount(), lists.ModulatorCount() + 1),
         lists.Generators(lists.GeneratorCount(), lists.GeneratorCount() + 1));
  return listing;
}

}  // namespace tavrin
