// SPDX-License-Identifier: MIT
#include "audio/soundfont_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "audio/riff_chunk.h"
#include "audio/soundfont_preset_lists.h"

namespace tavrin {

namespace {

using riff::ChunkSpan;
using riff::Get32;
using riff::kChunkHeaderSize;
using riff::kListHeaderSize;

// The sample data of a SoundFont 2 file (a RIFF chunk of type "sfbk") is in its "sdta"
// list, and the preset lists in its "pdta" list. The preset lists of the General MIDI
// soundfonts are well under a megabyte; a larger one is
// read as it is rather than into memory.
constexpr uint32_t kMaxPresetListsSize = 32u << 20;

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
  const PresetListing listing = ListPresets(*lists, programs);

  // The new pdta list: its own preset lists, then the file's from the instruments on.
  std::vector<uint8_t> head = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'p', 'd', 't', 'a'};
  riff::AppendChunk(head, "phdr", listing.presets);
  riff::AppendChunk(head, "pbag", listing.bags);
  riff::AppendChunk(head, "pmod", listing.modulators);
  riff::AppendChunk(head, "pgen", listing.generators);
  const uint64_t rest_at = pdta_at + kListHeaderSize + ((*chunks)[4].body - kChunkHeaderSize);
  const uint64_t new_pdta_size = head.size() - kChunkHeaderSize + (pdta_end - rest_at);
  const uint64_t new_riff_size =
      riff_end - kChunkHeaderSize - (pdta_end - pdta_at) + kChunkHeaderSize + new_pdta_size;
  if (new_pdta_size > UINT32_MAX || new_riff_size > UINT32_MAX) return false;
  riff::Put32(head.data() + 4, static_cast<uint32_t>(new_pdta_size));
  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  riff::Put32(riff.data() + 4, static_cast<uint32_t>(new_riff_size));

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
