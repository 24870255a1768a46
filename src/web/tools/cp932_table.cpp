// SPDX-License-Identifier: MIT
// Writes the code page 932 decoding that this machine's C library gives, as a C++ table
// for a build that has no such converter (the browser's): every single byte and every pair
// that decodes to one character, with that character.
#include <cstdio>
#include <string>

#include "game_files/cp932.h"
#include "game_files/utf8.h"

namespace {

// The one character `utf8` holds; 0 when it holds none or more than one.
char32_t OnlyCharacter(const std::string& utf8) {
  if (utf8.empty()) return 0;
  const tavrin::Utf8Character c = tavrin::ReadUtf8(utf8, 0);
  return c.length == utf8.size() ? c.code : 0;
}

void Write(std::FILE* out, unsigned code, char32_t c) {
  std::fprintf(out, "{0x%X, 0x%X},\n", code, static_cast<unsigned>(c));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !tavrin::Cp932Available()) {
    std::fprintf(stderr, "usage: cp932_table OUT.inc (with a C library that has CP932)\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "// Made by cp932_table from the C library's converter; do not edit.\n");
  for (unsigned b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    if (tavrin::UndecodableBytes(byte).empty()) {
      Write(out, b, OnlyCharacter(tavrin::DecodeCp932(byte)));
      continue;
    }
    for (unsigned t = 0; t < 256; ++t) {
      const std::string pair = {static_cast<char>(b), static_cast<char>(t)};
      const char32_t c = OnlyCharacter(tavrin::DecodeCp932(pair));
      if (tavrin::UndecodableBytes(pair).empty() && c != 0) Write(out, b << 8 | t, c);
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
