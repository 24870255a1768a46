#include "audio/soundfont_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <span>

namespace tavrin {

namespace {

// A SoundFont 2 file is a RIFF chunk of type "sfbk": a chunk is an id and a 32-bit size, then
// its body, padded to an even length; a LIST chunk's body begins with the list's type. The
// sample data is in the "sdta" list, and the preset lists in the "pdta" list.
constexpr std::size_t kChunkHeaderSize = 8;  // the id and the size
constexpr std::size_t kListHeaderSize = 12;  // ...and the list's type

// The records of the preset lists, each list ended by a terminal record.
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

// The preset lists of the General MIDI soundfonts are well under a megabyte; a larger one is
// read as it is rather than into memory.
constexpr uint32_t kMaxPresetListsSize = 32u << 20;

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

uint32_t Get32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The size a chunk of `body_size` takes, with its header and its padding.
uint64_t ChunkSpan(uint32_t body_size) {
  return kChunkHeaderSize + uint64_t{body_size} + (body_size & 1);
}

void AppendChunk(std::vector<uint8_t>& out, const char (&id)[5], const std::vector<uint8_t>& body) {
  out.insert(out.end(), id, id + 4);
  out.resize(out.size() + 4);
  Put32(out.data() + out.size() - 4, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

bool ReadAt(std::FILE* file, uint64_t offset, std::size_t count, uint8_t* out) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, count, file) == count;
}

// The views FluidSynth may open, by name.
std::mutex registry_mutex;
std::map<std::string, std::weak_ptr<SoundfontView>>& Registry() {
  static auto* registry = new std::map<std::string, std::weak_ptr<SoundfontView>>;
  return *registry;
}

// One sub-chunk of the preset lists: its id, and where its body lies in the lists.
struct ListChunk {
  std::string id;
  std::size_t body = 0;
  std::size_t size = 0;
};

// The sub-chunks of the body of a pdta list (after its type); nothing when one claims more
// than the list holds.
std::optional<std::vector<ListChunk>> SplitList(std::span<const uint8_t> list) {
  std::vector<ListChunk> chunks;
  for (std::size_t pos = 0; pos + kChunkHeaderSize <= list.size();) {
    const uint32_t size = Get32(list.data() + pos + 4);
    if (size > list.size() - pos - kChunkHeaderSize) return std::nullopt;
    chunks.push_back({std::string(reinterpret_cast<const char*>(list.data() + pos), 4),
                      pos + kChunkHeaderSize, size});
    pos += ChunkSpan(size);
  }
  return chunks;
}

// The preset lists of a soundfont: the preset headers, their bags, and the bags' modulators
// and generators, each list ended by its terminal record. Presets point at their first bag
// and bags at their first modulator and generator; each runs up to the next one's first.
class PresetLists {
 public:
  // The lists in `chunks`, split from `list`; nothing when they are not the first four
  // chunks followed by the instruments, or their records do not hold together.
  static std::optional<PresetLists> Read(std::span<const uint8_t> list,
                                         const std::vector<ListChunk>& chunks) {
    // The preset lists come first, then the instruments, which are passed on as they are.
    static constexpr const char* kOrder[] = {"phdr", "pbag", "pmod", "pgen", "inst"};
    if (chunks.size() < std::size(kOrder)) return std::nullopt;
    for (std::size_t i = 0; i < std::size(kOrder); ++i) {
      if (chunks[i].id != kOrder[i]) return std::nullopt;
    }
    PresetLists lists;
    const auto records = [&](const ListChunk& chunk, std::size_t record_size,
                             std::size_t least_records) -> std::span<const uint8_t> {
      if (chunk.size % record_size != 0 || chunk.size < least_records * record_size) return {};
      return list.subspan(chunk.body, chunk.size);
    };
    lists.presets_ = records(chunks[0], kPresetHeaderSize, 2);
    lists.bags_ = records(chunks[1], kBagSize, 1);
    lists.modulators_ = records(chunks[2], kModulatorSize, 1);
    lists.generators_ = records(chunks[3], kGeneratorSize, 1);
    if (lists.presets_.empty() || lists.bags_.empty() || lists.modulators_.empty() ||
        lists.generators_.empty() || !lists.HoldTogether()) {
      return std::nullopt;
    }
    return lists;
  }

  // The counts, less the terminal records.
  std::size_t PresetCount() const { return presets_.size() / kPresetHeaderSize - 1; }
  std::size_t BagCount() const { return bags_.size() / kBagSize - 1; }
  std::size_t ModulatorCount() const { return modulators_.size() / kModulatorSize - 1; }
  std::size_t GeneratorCount() const { return generators_.size() / kGeneratorSize - 1; }

  std::span<const uint8_t> Preset(std::size_t preset) const {
    return presets_.subspan(preset * kPresetHeaderSize, kPresetHeaderSize);
  }
  std::size_t PresetNumber(std::size_t preset) const {
    return Get16(Preset(preset).data() + kPresetNumberAt);
  }
  std::size_t FirstBag(std::size_t preset) const {
    return Get16(Preset(preset).data() + kPresetBagAt);
  }
  std::size_t FirstGenerator(std::size_t bag) const {
    return Get16(bags_.data() + bag * kBagSize + kBagGeneratorAt);
  }
  std::size_t FirstModulator(std::size_t bag) const {
    return Get16(bags_.data() + bag * kBagSize + kBagModulatorAt);
  }
  // The records from `first` up to `end` (exclusive) of a bag's lists.
  std::span<const uint8_t> Generators(std::size_t first, std::size_t end) const {
    return generators_.subspan(first * kGeneratorSize, (end - first) * kGeneratorSize);
  }
  std::span<const uint8_t> Modulators(std::size_t first, std::size_t end) const {
    return modulators_.subspan(first * kModulatorSize, (end - first) * kModulatorSize);
  }

 private:
  // Every preset's bags, and every bag's generators and modulators, follow the previous
  // ones and end with the lists.
  bool HoldTogether() const {
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

  std::span<const uint8_t> presets_, bags_, modulators_, generators_;
};

// Preset lists rewritten to hold some of the presets: each kept preset with its bags, and
// their modulators and generators, renumbered to follow one another.
struct Listing {
  std::vector<uint8_t> presets, bags, modulators, generators;
  int listed = 0;

  void AddPreset(std::span<const uint8_t> record) {
    const std::size_t at = presets.size();
    presets.insert(presets.end(), record.begin(), record.end());
    Put16(presets.data() + at + kPresetBagAt, static_cast<uint16_t>(bags.size() / kBagSize));
  }
  void AddBag(std::span<const uint8_t> bag_modulators, std::span<const uint8_t> bag_generators) {
    const std::size_t at = bags.size();
    bags.resize(at + kBagSize);
    Put16(bags.data() + at + kBagGeneratorAt,
          static_cast<uint16_t>(generators.size() / kGeneratorSize));
    Put16(bags.data() + at + kBagModulatorAt,
          static_cast<uint16_t>(modulators.size() / kModulatorSize));
    modulators.insert(modulators.end(), bag_modulators.begin(), bag_modulators.end());
    generators.insert(generators.end(), bag_generators.begin(), bag_generators.end());
  }
};

// The presets of `lists` whose program number `programs` holds, of any bank, and the
// terminal records as the file has them.
Listing ListPresets(const PresetLists& lists, const std::bitset<128>& programs) {
  Listing listing;
  for (std::size_t preset = 0; preset < lists.PresetCount(); ++preset) {
    const std::size_t number = lists.PresetNumber(preset);
    if (number >= programs.size() || !programs.test(number)) continue;
    listing.AddPreset(lists.Preset(preset));
    ++listing.listed;
    for (std::size_t bag = lists.FirstBag(preset); bag < lists.FirstBag(preset + 1); ++bag) {
      listing.AddBag(lists.Modulators(lists.FirstModulator(bag), lists.FirstModulator(bag + 1)),
                     lists.Generators(lists.FirstGenerator(bag), lists.FirstGenerator(bag + 1)));
    }
  }
  listing.AddPreset(lists.Preset(lists.PresetCount()));
  listing.AddBag(lists.Modulators(lists.ModulatorCount(), lists.ModulatorCount() + 1),
                 lists.Generators(lists.GeneratorCount(), lists.GeneratorCount() + 1));
  return listing;
}

}  // namespace

// An open view, as FluidSynth's loader reads it.
class SoundfontView::Handle {
 public:
  static void* Open(const char* name) {
    std::shared_ptr<SoundfontView> view;
    {
      std::lock_guard lock(registry_mutex);
      const auto found = Registry().find(name);
      if (found != Registry().end()) view = found->second.lock();
    }
    if (view == nullptr) return nullptr;
    std::FILE* file = std::fopen(view->path_.c_str(), "rb");
    if (file == nullptr) return nullptr;
    auto* handle = new Handle;
    handle->view_ = std::move(view);
    handle->file_ = file;
    return handle;
  }

  static int Read(void* buffer, fluid_long_long_t count, void* data) {
    auto* handle = static_cast<Handle*>(data);
    if (count < 0 || static_cast<uint64_t>(count) > handle->view_->size_ - handle->position_) {
      return FLUID_FAILED;
    }
    if (!handle->ReadBytes(static_cast<uint64_t>(count), static_cast<uint8_t*>(buffer))) {
      return FLUID_FAILED;
    }
    handle->position_ += static_cast<uint64_t>(count);
    return FLUID_OK;
  }

  static int Seek(void* data, fluid_long_long_t offset, int origin) {
    auto* handle = static_cast<Handle*>(data);
    const auto size = static_cast<fluid_long_long_t>(handle->view_->size_);
    fluid_long_long_t base = 0;
    switch (origin) {
      case SEEK_SET:
        break;
      case SEEK_CUR:
        base = static_cast<fluid_long_long_t>(handle->position_);
        break;
      case SEEK_END:
        base = size;
        break;
      default:
        return FLUID_FAILED;
    }
    if (offset > size - base || base + offset < 0) return FLUID_FAILED;
    handle->position_ = static_cast<uint64_t>(base + offset);
    return FLUID_OK;
  }

  static fluid_long_long_t Tell(void* data) {
    return static_cast<fluid_long_long_t>(static_cast<Handle*>(data)->position_);
  }

  static int Close(void* data) {
    auto* handle = static_cast<Handle*>(data);
    std::fclose(handle->file_);
    delete handle;
    return FLUID_OK;
  }

 private:
  // Reads `count` bytes from the current position, which the caller has checked.
  bool ReadBytes(uint64_t count, uint8_t* out) {
    const SoundfontView& view = *view_;
    uint64_t offset = position_;
    uint64_t piece_start = 0;
    for (const Piece& piece : view.pieces_) {
      if (count == 0) break;
      const uint64_t piece_end = piece_start + piece.size;
      if (offset < piece_end) {
        const uint64_t within = offset - piece_start;
        const uint64_t n = std::min(count, piece.size - within);
        if (piece.from_memory) {
          std::memcpy(out, piece.memory.data() + within, n);
        } else {
          const uint64_t at = piece.file_offset + within;
          // The preset lists are read a few bytes at a time: seeking only when the file is
          // elsewhere keeps its buffer.
          if (at != file_position_ && fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0) {
            file_position_ = UINT64_MAX;
            return false;
          }
          if (std::fread(out, 1, n, file_) != n) {
            file_position_ = UINT64_MAX;
            return false;
          }
          file_position_ = at + n;
          for (const auto& [begin, end] : view.samples_) {
            const uint64_t from = std::max(at, begin);
            const uint64_t to = std::min(at + n, end);
            if (from < to) {
              view.sample_bytes_read_.fetch_add(to - from, std::memory_order_relaxed);
            }
          }
        }
        out += n;
        offset += n;
        count -= n;
      }
      piece_start = piece_end;
    }
    return count == 0;
  }

  std::shared_ptr<const SoundfontView> view_;
  std::FILE* file_ = nullptr;
  uint64_t position_ = 0;       // in the view
  uint64_t file_position_ = 0;  // in the file, where the next fread reads
};

std::shared_ptr<SoundfontView> SoundfontView::Open(const std::string& path,
                                                   const std::bitset<128>& programs) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  std::shared_ptr<SoundfontView> view(new SoundfontView);
  view->path_ = path;
  uint64_t file_size = 0;
  if (fseeko(file, 0, SEEK_END) == 0) file_size = static_cast<uint64_t>(ftello(file));
  // Read as it is, unless the preset lists can be rewritten.
  view->size_ = file_size;
  view->pieces_ = {Piece{file_size, 0, {}, false}};
  if (!view->BuildListing(file, file_size, programs)) {
    view->size_ = file_size;
    view->pieces_ = {Piece{file_size, 0, {}, false}};
    view->presets_listed_ = view->presets_in_file_;
  }
  std::fclose(file);

  static std::atomic<uint64_t> next_id{0};
  view->name_ = "tavrin-soundfont-" + std::to_string(next_id.fetch_add(1)) + ":" + path;
  std::lock_guard lock(registry_mutex);
  Registry()[view->name_] = view;
  return view;
}

SoundfontView::~SoundfontView() {
  std::lock_guard lock(registry_mutex);
  Registry().erase(name_);
}

void SoundfontView::AddLoader(fluid_synth_t* synth, fluid_settings_t* settings) {
  fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
  if (loader == nullptr) return;
  fluid_sfloader_set_callbacks(loader, &Handle::Open, &Handle::Read, &Handle::Seek, &Handle::Tell,
                               &Handle::Close);
  fluid_synth_add_sfloader(synth, loader);
}

// Walks the chunks of the RIFF chunk that ends at `riff_end`: notes where the bodies of
// the sdta list's chunks lie, and returns where the pdta list's chunk starts and its size
// (0 and 0 for none). False when the file cannot be read.
bool SoundfontView::FindLists(std::FILE* file, uint64_t riff_end, uint64_t& pdta_at,
                              uint32_t& pdta_size) {
  for (uint64_t pos = kListHeaderSize; pos + kListHeaderSize <= riff_end;) {
    uint8_t chunk[kListHeaderSize];
    if (!ReadAt(file, pos, kListHeaderSize, chunk)) return false;
    const uint32_t size = Get32(chunk + 4);
    if (std::memcmp(chunk, "LIST", 4) == 0 && size >= 4) {
      if (std::memcmp(chunk + 8, "sdta", 4) == 0) {
        const uint64_t list_end = std::min<uint64_t>(pos + kChunkHeaderSize + size, riff_end);
        for (uint64_t at = pos + kListHeaderSize; at + kChunkHeaderSize <= list_end;) {
          uint8_t sub[kChunkHeaderSize];
          if (!ReadAt(file, at, kChunkHeaderSize, sub)) return false;
          const uint32_t sub_size = Get32(sub + 4);
          const uint64_t body = at + kChunkHeaderSize;
          samples_.emplace_back(body, std::min<uint64_t>(body + sub_size, list_end));
          at += ChunkSpan(sub_size);
        }
      } else if (std::memcmp(chunk + 8, "pdta", 4) == 0) {
        pdta_at = pos;
        pdta_size = size;
      }
    }
    pos += ChunkSpan(size);
  }
  return true;
}

// Finds the sample data and the preset lists of a SoundFont 2 file and makes the view of it
// that lists only the presets kept: the file up to its pdta list, a new pdta list whose
// preset lists are made in memory, and the file again from the instruments on. False when
// the file is laid out otherwise.
bool SoundfontView::BuildListing(std::FILE* file, uint64_t file_size,
                                 const std::bitset<128>& programs) {
  uint8_t header[kListHeaderSize];
  if (file_size < kListHeaderSize || !ReadAt(file, 0, kListHeaderSize, header) ||
      std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "sfbk", 4) != 0) {
    return false;
  }
  const uint64_t riff_end =
      std::min<uint64_t>(file_size, kChunkHeaderSize + uint64_t{Get32(header + 4)});
  uint64_t pdta_at = 0;
  uint32_t pdta_size = 0;
  if (!FindLists(file, riff_end, pdta_at, pdta_size)) return false;
  const uint64_t pdta_end = pdta_at + kChunkHeaderSize + pdta_size;
  if (pdta_at == 0 || pdta_size % 2 != 0 || pdta_size > kMaxPresetListsSize ||
      pdta_end > riff_end) {
    return false;
  }

  std::vector<uint8_t> list(pdta_size - 4);  // the body after the list's type
  if (!ReadAt(file, pdta_at + kListHeaderSize, list.size(), list.data())) return false;
  const std::optional<std::vector<ListChunk>> chunks = SplitList(list);
  if (!chunks) return false;
  const std::optional<PresetLists> lists = PresetLists::Read(list, *chunks);
  if (!lists) return false;
  const Listing listing = ListPresets(*lists, programs);

  // The new pdta list: its own preset lists, then the file's from the instruments on.
  std::vector<uint8_t> head = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'p', 'd', 't', 'a'};
  AppendChunk(head, "phdr", listing.presets);
  AppendChunk(head, "pbag", listing.bags);
  AppendChunk(head, "pmod", listing.modulators);
  AppendChunk(head, "pgen", listing.generators);
  const uint64_t rest_at = pdta_at + kListHeaderSize + ((*chunks)[4].body - kChunkHeaderSize);
  const uint64_t new_pdta_size = head.size() - kChunkHeaderSize + (pdta_end - rest_at);
  const uint64_t new_riff_size =
      riff_end - kChunkHeaderSize - (pdta_end - pdta_at) + kChunkHeaderSize + new_pdta_size;
  if (new_pdta_size > UINT32_MAX || new_riff_size > UINT32_MAX) return false;
  Put32(head.data() + 4, static_cast<uint32_t>(new_pdta_size));
  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  Put32(riff.data() + 4, static_cast<uint32_t>(new_riff_size));

  pieces_.clear();
  pieces_.push_back(Piece{riff.size(), 0, riff, true});
  pieces_.push_back(Piece{pdta_at - kChunkHeaderSize, kChunkHeaderSize, {}, false});
  pieces_.push_back(Piece{head.size(), 0, head, true});
  pieces_.push_back(Piece{file_size - rest_at, rest_at, {}, false});
  size_ = 0;
  for (const Piece& piece : pieces_) size_ += piece.size;
  presets_in_file_ = static_cast<int>(lists->PresetCount());
  presets_listed_ = listing.listed;
  return true;
}

}  // namespace tavrin
