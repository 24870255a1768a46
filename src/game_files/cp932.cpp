// SPDX-License-Identifier: MIT
#include "game_files/cp932.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "game_files/iconv_converter.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The decoding of one- and two-byte sequences, asked of the C library's converter and kept,
// so that a line is decoded by lookups and gives exactly what the converter, replacing one
// byte at a time, would give. Code page 932 has no shift states: a byte either stands for a
// character of its own, or it and the byte after it do, or it is replaced. The pairs of a
// lead byte are asked for when that lead byte first turns up, so a game's first page does
// not wait for the whole table.
class DecodeTable {
 public:
  DecodeTable() {
    std::string utf8;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      if (!converter_.ConvertWhole(std::string_view(&byte, 1), utf8) ||
          !Store(single_[b], utf8)) {
        may_lead_[b] = true;  // a lead byte, or a byte that is always replaced
      }
    }
  }

  // Writes the UTF-8 of `bytes` to `out` (if given), which has room for three bytes per
  // input byte, and the offset of each byte it replaces to `replaced` (if given).
  char* Decode(std::string_view bytes, char* out, std::vector<size_t>* replaced = nullptr) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const begin = p;
    const auto* end = p + bytes.size();
    while (p < end) {
      const unsigned char b = *p;
      const Entry* e = &single_[b];
      size_t used = 1;
      if (e->length == 0 && may_lead_[b] && p + 1 < end) {
        const Entry& pair = Row(b)[p[1]];
        if (pair.length != 0) {
          e = &pair;
          used = 2;
        }
      }
      if (e->length == 0) {
        if (replaced != nullptr) replaced->push_back(static_cast<size_t>(p - begin));
        if (out != nullptr) {
          std::memcpy(out, kReplacement.data(), kReplacement.size());
          out += kReplacement.size();
        }
      } else if (out != nullptr) {
        std::memcpy(out, e->utf8, 3);
        out += e->length;
      }
      p += used;
    }
    return out;
  }

 private:
  // UTF-8 of one character; length 0 when the sequence is not a character.
  struct Entry {
    uint8_t length = 0;
    char utf8[3] = {};
  };
  using Row_ = std::array<Entry, 256>;

  const Row_& Row(unsigned char lead) {
    if (pairs_[lead] == nullptr) {
      auto row = std::make_unique<Row_>();
      std::string utf8;
      for (int t = 0; t < 256; ++t) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
        if (converter_.ConvertWhole(std::string_view(pair, 2), utf8) && !Store((*row)[t], utf8)) {
          (*row)[t] = Entry{};  // cannot happen for code page 932; replaced rather than cut
        }
      }
      pairs_[lead] = std::move(row);
    }
    return *pairs_[lead];
  }

  static bool Store(Entry& entry, const std::string& utf8) {
    if (utf8.empty() || utf8.size() > sizeof entry.utf8) return false;
    entry.length = static_cast<uint8_t>(utf8.size());
    std::memcpy(entry.utf8, utf8.data(), utf8.size());
    return true;
  }

  IconvConverter converter_{"UTF-8", "CP932"};
  std::array<Entry, 256> single_{};
  std::array<bool, 256> may_lead_{};
  std::array<std::unique_ptr<Row_>, 256> pairs_{};
};

// Without a converter every byte outside ASCII stands for no character of its own and is
// replaced; the program refuses to start then, so only a test meets this.
DecodeTable& Table() {
  thread_local DecodeTable table;
  return table;
}

}  // namespace

bool Cp932Available() {
  static const bool available = IconvConverter("UTF-8", "CP932").Usable();
  return available;
}

std::string DecodeCp932(std::string_view bytes) {
  // Code page 932 leaves the ASCII range as it is, so most directive lines need no converter.
  if (IsAscii(bytes)) return std::string(bytes);
  std::string out(bytes.size() * 3, '\0');
  char* end = Table().Decode(bytes, out.data());
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

std::vector<size_t> UndecodableBytes(std::string_view bytes) {
  std::vector<size_t> replaced;
  if (!IsAscii(bytes)) Table().Decode(bytes, nullptr, &replaced);  // nothing written out
  return replaced;
}

}  // namespace tavrin
