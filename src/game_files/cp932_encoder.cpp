// SPDX-License-Identifier: MIT
#include "game_files/cp932_encoder.h"

#include <cstdint>
#include <string>
#include <vector>

#include "game_files/iconv_converter.h"
#include "game_files/utf8.h"

namespace tavrin {
namespace {

// The code page 932 form of each character below U+10000 (the code page has none above),
// asked of the C library's converter when the character first turns up.
class EncodeTable {
 public:
  EncodeTable() : forms_(0x10000, kNotAsked) {}

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
    std::string form;
    if (!converter_.ConvertWhole(utf8, form)) return kNone;
    if (form.size() == 1) return static_cast<unsigned char>(form[0]);
    if (form.size() == 2) {
      return static_cast<uint32_t>(static_cast<unsigned char>(form[0]) << 8 |
                                   static_cast<unsigned char>(form[1]));
    }
    return kNone;
  }

  IconvConverter converter_{"CP932", "UTF-8"};
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
