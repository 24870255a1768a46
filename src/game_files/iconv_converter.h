// SPDX-License-Identifier: MIT
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace tavrin {

/// The C library's converter between two encodings, asked one short piece (a character or
/// two) at a time. It is not usable where the C library lacks one of the encodings.
class IconvConverter {
 public:
  IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvConverter() {
    if (Usable()) iconv_close(cd_);
  }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  bool Usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  /// Converts exactly `piece` (a few bytes at most) in one go into `out`. False when the
  /// converter does not take all of it as complete characters.
  bool ConvertWhole(std::string_view piece, std::string& out) {
    out.clear();
    if (!Usable()) return false;
    char converted[16];
    char* in = const_cast<char*>(piece.data());
    size_t in_left = piece.size();
    char* dst = converted;
    size_t out_left = sizeof converted;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    const bool whole = iconv(cd_, &in, &in_left, &dst, &out_left) != static_cast<size_t>(-1) &&
                       in_left == 0 && iconv(cd_, nullptr, nullptr, &dst, &out_left) == 0;
    out.assign(converted, static_cast<size_t>(dst - converted));
    return whole;
  }

 private:
  iconv_t cd_;
};

}  // namespace tavrin
