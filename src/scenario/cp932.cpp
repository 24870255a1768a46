#include "scenario/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace tavrin {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One converter per thread, opened on first use: opening one costs far more than a line.
class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-8", "CP932")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("the C library has no CP932 converter");
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string Convert(std::string_view bytes) {
    // A code page 932 character of one or two bytes never takes more than three in UTF-8.
    std::string out(bytes.size() * 3, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char* dst = out.data();
    size_t out_left = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
      if (iconv(cd_, &in, &in_left, &dst, &out_left) != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {  // cannot happen with the sizing above; grow all the same
        size_t used = static_cast<size_t>(dst - out.data());
        out.resize(out.size() * 2 + 16);
        dst = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // EILSEQ (unmapped) or EINVAL (a lead byte at the end): replace one byte, go on.
      size_t used = static_cast<size_t>(dst - out.data());
      out.resize(used);
      out.append(kReplacement);
      out.resize(used + kReplacement.size() + in_left * 3);
      dst = out.data() + used + kReplacement.size();
      out_left = out.size() - used - kReplacement.size();
      ++in;
      --in_left;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string DecodeCp932(std::string_view bytes) {
  // Code page 932 leaves the ASCII range as it is, so most directive lines need no converter.
  if (IsAscii(bytes)) return std::string(bytes);
  thread_local Converter converter;
  return converter.Convert(bytes);
}

}  // namespace tavrin
