#include "audio/soundfont_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace tavrin {

namespace {

// The sizes of the records of a soundfont's preset lists.
constexpr std::size_t kPresetHeaderSize = 38;
constexpr std::size_t kBagSize = 4;
constexpr std::size_t kModulatorSize = 10;
constexpr std::size_t kGeneratorSize = 4;
// Where a preset header holds its preset number and its first bag.
constexpr std::size_t kPresetNumberAt = 20;
constexpr std::size_t kPresetBagAt = 24;

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

void Append32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& out, const char (&id)[5], const std::vector<uint8_t>& body) {
  out.insert(out.end(), id, id + 4);
  Append32(out, static_cast<uint32_t>(body.size()));
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

// Finds the sample data and the preset lists of a SoundFont 2 file (a RIFF "sfbk": an INFO,
// an sdta and a pdta list) and makes the view of it that lists only the presets kept. False
// when the file is laid out otherwise.
bool SoundfontView::BuildListing(std::FILE* file, uint64_t file_size,
                                 const std::bitset<128>& programs) {
  uint8_t header[12];
  if (file_size < 12 || !ReadAt(file, 0, 12, header) || std::memcmp(header, "RIFF", 4) != 0 ||
      std::memcmp(header + 8, "sfbk", 4) != 0) {
    return false;
  }
  const uint64_t riff_end = std::min<uint64_t>(file_size, 8 + uint64_t{Get32(header + 4)});

  uint64_t lists_at = 0;  // where the pdta list's chunk starts
  uint32_t lists_size = 0;
  for (uint64_t pos = 12; pos + 12 <= riff_end;) {
    uint8_t chunk[12];
    if (!ReadAt(file, pos, 12, chunk)) return false;
    const uint32_t size = Get32(chunk + 4);
    if (std::memcmp(chunk, "LIST", 4) == 0 && size >= 4) {
      if (std::memcmp(chunk + 8, "sdta", 4) == 0) {
        const uint64_t list_end = std::min<uint64_t>(pos + 8 + size, riff_end);
        for (uint64_t at = pos + 12; at + 8 <= list_end;) {
          uint8_t sub[8];
          if (!ReadAt(file, at, 8, sub)) return false;
          const uint32_t sub_size = Get32(sub + 4);
          samples_.emplace_back(at + 8, std::min<uint64_t>(at + 8 + sub_size, list_end));
          at += 8 + uint64_t{sub_size} + (sub_size & 1);
        }
      } else if (std::memcmp(chunk + 8, "pdta", 4) == 0) {
        lists_at = pos;
        lists_size = size;
      }
    }
    pos += 8 + uint64_t{size} + (size & 1);
  }
  if (lists_at == 0 || lists_size % 2 != 0 || lists_size > kMaxPresetListsSize ||
      lists_at + 8 + lists_size > riff_end) {
    return false;
  }

  std::vector<uint8_t> lists(lists_size - 4);
  if (!ReadAt(file, lists_at + 12, lists.size(), lists.data())) return false;
  std::vector<ListChunk> chunks;
  for (std::size_t pos = 0; pos + 8 <= lists.size();) {
    const uint32_t size = Get32(lists.data() + pos + 4);
    if (size > lists.size() - pos - 8) return false;
    chunks.push_back(
        {std::string(reinterpret_cast<const char*>(lists.data() + pos), 4), pos + 8, size});
    pos += 8 + uint64_t{size} + (size & 1);
  }
  // The preset lists come first, then the instruments, which are passed on as they are.
  static constexpr const char* kOrder[] = {"phdr", "pbag", "pmod", "pgen", "inst"};
  if (chunks.size() < std::size(kOrder)) return false;
  for (std::size_t i = 0; i < std::size(kOrder); ++i) {
    if (chunks[i].id != kOrder[i]) return false;
  }
  const ListChunk& phdr = chunks[0];
  const ListChunk& pbag = chunks[1];
  const ListChunk& pmod = chunks[2];
  const ListChunk& pgen = chunks[3];
  if (phdr.size % kPresetHeaderSize != 0 || phdr.size < 2 * kPresetHeaderSize ||
      pbag.size % kBagSize != 0 || pbag.size == 0 || pmod.size % kModulatorSize != 0 ||
      pmod.size == 0 || pgen.size % kGeneratorSize != 0 || pgen.size == 0) {
    return false;
  }
  const std::size_t preset_count = phdr.size / kPresetHeaderSize - 1;  // less the terminal
  const std::size_t bag_count = pbag.size / kBagSize - 1;
  const std::size_t modulator_count = pmod.size / kModulatorSize - 1;
  const std::size_t generator_count = pgen.size / kGeneratorSize - 1;
  const uint8_t* preset_at = lists.data() + phdr.body;
  const uint8_t* bag_at = lists.data() + pbag.body;
  const auto first_bag = [&](std::size_t preset) {
    return std::size_t{Get16(preset_at + preset * kPresetHeaderSize + kPresetBagAt)};
  };
  const auto bag_generator = [&](std::size_t bag) { return std::size_t{Get16(bag_at + bag * 4)}; };
  const auto bag_modulator = [&](std::size_t bag) {
    return std::size_t{Get16(bag_at + bag * 4 + 2)};
  };
  // Every preset's bags, and every bag's generators and modulators, follow the previous
  // ones and end with the lists.
  for (std::size_t preset = 0; preset < preset_count; ++preset) {
    if (first_bag(preset) > first_bag(preset + 1)) return false;
  }
  if (first_bag(preset_count) > bag_count) return false;
  for (std::size_t bag = 0; bag < bag_count; ++bag) {
    if (bag_generator(bag) > bag_generator(bag + 1) ||
        bag_modulator(bag) > bag_modulator(bag + 1)) {
      return false;
    }
  }
  if (bag_generator(bag_count) > generator_count || bag_modulator(bag_count) > modulator_count) {
    return false;
  }

  std::vector<uint8_t> presets, bags, modulators, generators;
  int listed = 0;
  for (std::size_t preset = 0; preset <= preset_count; ++preset) {
    const uint8_t* record = preset_at + preset * kPresetHeaderSize;
    const bool terminal = preset == preset_count;
    if (!terminal && (Get16(record + kPresetNumberAt) >= programs.size() ||
                      !programs.test(Get16(record + kPresetNumberAt)))) {
      continue;
    }
    const std::size_t at = presets.size();
    presets.insert(presets.end(), record, record + kPresetHeaderSize);
    Put16(presets.data() + at + kPresetBagAt, static_cast<uint16_t>(bags.size() / kBagSize));
    if (terminal) break;
    ++listed;
    for (std::size_t bag = first_bag(preset); bag < first_bag(preset + 1); ++bag) {
      const std::size_t bag_record = bags.size();
      bags.resize(bag_record + kBagSize);
      Put16(bags.data() + bag_record, static_cast<uint16_t>(generators.size() / kGeneratorSize));
      Put16(bags.data() + bag_record + 2,
            static_cast<uint16_t>(modulators.size() / kModulatorSize));
      const uint8_t* generator = lists.data() + pgen.body;
      generators.insert(generators.end(), generator + bag_generator(bag) * kGeneratorSize,
                        generator + bag_generator(bag + 1) * kGeneratorSize);
      const uint8_t* modulator = lists.data() + pmod.body;
      modulators.insert(modulators.end(), modulator + bag_modulator(bag) * kModulatorSize,
                        modulator + bag_modulator(bag + 1) * kModulatorSize);
    }
  }
  // The terminal bag, modulator and generator, as the file has them.
  const std::size_t terminal_bag = bags.size();
  bags.resize(terminal_bag + kBagSize);
  Put16(bags.data() + terminal_bag, static_cast<uint16_t>(generators.size() / kGeneratorSize));
  Put16(bags.data() + terminal_bag + 2, static_cast<uint16_t>(modulators.size() / kModulatorSize));
  const uint8_t* terminal_modulator = lists.data() + pmod.body + modulator_count * kModulatorSize;
  modulators.insert(modulators.end(), terminal_modulator, terminal_modulator + kModulatorSize);
  const uint8_t* terminal_generator = lists.data() + pgen.body + generator_count * kGeneratorSize;
  generators.insert(generators.end(), terminal_generator, terminal_generator + kGeneratorSize);

  // The new pdta list: its own preset lists, then the file's from the instruments on.
  std::vector<uint8_t> head = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'p', 'd', 't', 'a'};
  AppendChunk(head, "phdr", presets);
  AppendChunk(head, "pbag", bags);
  AppendChunk(head, "pmod", modulators);
  AppendChunk(head, "pgen", generators);
  const uint64_t rest_at = lists_at + 12 + (chunks[4].body - 8);  // the inst chunk, in the file
  const uint64_t rest_size = file_size - rest_at;
  const uint64_t lists_end = lists_at + 8 + lists_size;
  const uint64_t new_lists_size = head.size() - 8 + (lists_end - rest_at);
  const uint64_t new_riff_size = riff_end - 8 - (8 + uint64_t{lists_size}) + 8 + new_lists_size;
  if (new_lists_size > UINT32_MAX || new_riff_size > UINT32_MAX) return false;
  Put16(head.data() + 4, static_cast<uint16_t>(new_lists_size));
  Put16(head.data() + 6, static_cast<uint16_t>(new_lists_size >> 16));

  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  Put16(riff.data() + 4, static_cast<uint16_t>(new_riff_size));
  Put16(riff.data() + 6, static_cast<uint16_t>(new_riff_size >> 16));
  pieces_.clear();
  pieces_.push_back(Piece{riff.size(), 0, riff, true});
  pieces_.push_back(Piece{lists_at - 8, 8, {}, false});
  pieces_.push_back(Piece{head.size(), 0, head, true});
  pieces_.push_back(Piece{rest_size, rest_at, {}, false});
  size_ = 0;
  for (const Piece& piece : pieces_) size_ += piece.size;
  presets_in_file_ = static_cast<int>(preset_count);
  presets_listed_ = listed;
  return true;
}

}  // namespace tavrin
