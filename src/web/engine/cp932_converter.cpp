// SPDX-License-Identifier: MIT
// The C library's converter from code page 932, for a C library that has none (the
// browser's): iconv answered from the table that the build machine's C library gave
// (cp932_table.inc, made by cp932_table), so that the decoding of game_files/cp932.cpp is
// the same code on the same table here as natively. Only CP932 to UTF-8 opens.
#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace {

struct Mapping {
  uint16_t code;  // a single byte, or lead << 8 | trail
  uint32_t character;
};

constexpr Mapping kMappings[] = {
#include "cp932_table.inc"
};

// Each code's character, plus one (0: the code is no character).
class Table {
 public:
  Table() {
    for (const Mapping& m : kMappings) characters_[m.code] = m.character + 1;
  }
  bool Maps(uint16_t code) const { return characters_[code] != 0; }
  char32_t Character(uint16_t code) const { return characters_[code] - 1; }

 private:
  std::array<uint32_t, 0x10000> characters_{};
};

const Table& TheTable() {
  static const Table table;
  return table;
}

size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

void PutUtf8(char32_t c, char* out) {
  const size_t length = Utf8Length(c);
  if (length == 1) {
    out[0] = static_cast<char>(c);
    return;
  }
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (size_t i = length - 1; i > 0; --i, c >>= 6) out[i] = static_cast<char>(0x80 | (c & 0x3F));
  out[0] = static_cast<char>(kLead[length] | c);
}

// The one converter there is; its address is the descriptor.
char the_converter;

}  // namespace

extern "C" {

iconv_t iconv_open(const char* to, const char* from) {
  if (std::strcmp(to, "UTF-8") != 0 || std::strcmp(from, "CP932") != 0) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  TheTable();
  return reinterpret_cast<iconv_t>(&the_converter);
}

int iconv_close(iconv_t) { return 0; }

size_t iconv(iconv_t, char** in, size_t* in_left, char** out, size_t* out_left) {
  if (in == nullptr || *in == nullptr) return 0;  // no shift state to reset or flush
  const Table& table = TheTable();
  while (*in_left > 0) {
    const auto* p = reinterpret_cast<const unsigned char*>(*in);
    uint16_t code = p[0];
    size_t used = 1;
    if (!table.Maps(code)) {
      if (*in_left < 2) {
        errno = EINVAL;  // a lead byte whose trail has not come
        return static_cast<size_t>(-1);
      }
      code = static_cast<uint16_t>(p[0] << 8 | p[1]);
      used = 2;
      if (!table.Maps(code)) {
        errno = EILSEQ;
        return static_cast<size_t>(-1);
      }
    }
    const char32_t c = table.Character(code);
    if (Utf8Length(c) > *out_left) {
      errno = E2BIG;
      return static_cast<size_t>(-1);
    }
    PutUtf8(c, *out);
    *out += Utf8Length(c);
    *out_left -= Utf8Length(c);
    *in += used;
    *in_left -= used;
  }
  return 0;
}

}  // extern "C"
