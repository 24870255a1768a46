// SPDX-License-Identifier: MIT
#include "game_files/cp932_encoder.h"

#include <iconv.h>

#include <cstdint>

#include "game_files/utf8.h"

namespace tavrin {
namespace {

// The code page 932 form of each character below U+10000 (the code page has none above),
// asked of the C library's converter when the character first turns up.
class EncodeTable {
 public:
  EncodeTable() : cd_(iconv_open("CP932", "UTF-8")), forms_(0x10000, kNotAsked) {}
  ~EncodeTable() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  EncodeTable(const EncodeTable&) = delete;
  EncodeTable& operator=(const EncodeTable&) = delete;

  // Writes the form of `c`, whose UTF-8 is `utf8`, at `out` (room for two bytes), and
  // returns where it ends; null when the code page has none.
  char* Write(char32_t c, std::string_view utf8, char* out) {
    if (c >= forms_.size()) return nullptr;
    uint32_t& form = forms_[c];
    if (form == kNotAsked) form = Ask(utf8);
    if (form == kNone) return nullptr;
    if (form > 0xFF) *out++ = static_cast<char>(form >> 8);
    *out++ = static_cast<char>(form & 0xFF);
    return out;
  }

 private:
  static constexpr uint32_t kNotAsked = 0xFFFFFFFF;
  static constexpr uint32_t kNone = 0xFFFFFFFE;

  uint32_t Ask(std::string_view utf8) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return kNone;
    char out[8];
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* dst = out;
    size_t out_left = sizeof out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1) || in_left != 0) {
      return kNone;
    }
    const auto length = static_cast<size_t>(dst - out);
    if (length == 1) return static_cast<unsigned char>(out[0]);
    if (length == 2) {
      return static_cast<uint32_t>(static_cast<unsigned char>(out[0]) << 8 |
                                   static_cast<unsigned char>(out[1]));
    }
    return kNone;
  }

  iconv_t cd_;
  std::vector<uint32_t> forms_;
};

}  // namespace

Cp932Text EncodeCp932(std::string_view utf8) {
  thread_local EncodeTable table;
  Cp932Text text;
  // No character takes more bytes in code page 932 than in UTF-8.
  text.bytes.resize(utf8.size());
  char* out = text.bytes.data();
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {  // code page 932 leaves ASCII as it is
      *out++ = static_cast<char>(byte);
      ++i;
      continue;
    }
    const auto [c, length] = ReadUtf8(utf8, i);
    char* written = length == 0 ? nullptr : table.Write(c, utf8.substr(i, length), out);
    if (written == nullptr) {
      text.lacking.push_back(i);
      *out++ = '?';
    } else {
      out = written;
    }
    i += length == 0 ? 1 : length;
  }
  text.bytes.resize(static_cast<size_t>(out - text.bytes.data()));
  return text;
}

}  // namespace tavrin
