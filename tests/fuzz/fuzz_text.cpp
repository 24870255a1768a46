// SPDX-License-Identifier: MIT
// fuzz_text: the score's numbers and the decoding of a scenario line.
//
// The input: bytes 0-1 are a score (int16, little-endian), bytes 2-9 the bits of a double
// added to it as they are, byte 10 a split position; everything from byte 11 on is the
// text, read as the number after a "+" and decoded as a line of code page 932. Shorter
// inputs leave the missing fields zero and the text empty.
//
// Checked:
// - ScoreNumber never gives NaN and reads what strtod reads from the same number, written
//   out as the documented rules take it (blanks and tabs dropped, one sign, digits, one
//   period, up to the first other character);
// - AddToScore is the sum rounded half to even and held at the 16-bit bounds, for any
//   double (NaN leaves the score as it is), and it never decreases when the number grows;
// - DecodeCp932 gives valid UTF-8 of at most three bytes per input byte; leaves an ASCII
//   line as it is; an ASCII start is kept as it is before the decoding of the rest; and the
//   result is what glibc's iconv gives, replacing one byte at a time where it fails.
#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "game_files/cp932.h"
#include "scenario/score_number.h"

namespace tavrin {
namespace {

using fuzz::Escaped;

// The number as the rules read it, as text for strtod; empty when there is none.
std::string NumberAsWritten(std::string_view text) {
  std::string sign;
  std::string digits;
  bool seen_sign = false;
  bool seen_point = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (!seen_sign && digits.empty() && (c == '+' || c == '-')) {
      seen_sign = true;
      sign = c == '-' ? "-" : "";
    } else if ((c >= '0' && c <= '9') || (c == '.' && !seen_point)) {
      seen_point = seen_point || c == '.';
      digits.push_back(c);
    } else {
      break;
    }
  }
  if (digits.empty() || digits == ".") return "";
  return sign + digits;
}

void CheckScoreNumber(std::string_view text) {
  const double value = ScoreNumber(text);
  TAVRIN_FUZZ_CHECK(!std::isnan(value), "NaN from \"" + Escaped(text) + "\"");
  const std::string written = NumberAsWritten(text);
  if (written.empty()) {
    TAVRIN_FUZZ_CHECK(value == 0.0, "no number in \"" + Escaped(text) + "\" but " +
                                        std::to_string(value));
    return;
  }
  const double expected = std::strtod(written.c_str(), nullptr);
  // strtod keeps subnormal results that ScoreNumber may read as 0; both are 0 to a score.
  const bool both_negligible = std::fabs(value) < 1e-300 && std::fabs(expected) < 1e-300;
  TAVRIN_FUZZ_CHECK(value == expected || both_negligible,
                    "\"" + Escaped(text) + "\" reads as " + std::to_string(value) +
                        ", strtod reads \"" + written + "\" as " + std::to_string(expected));
}

// Rounds half to even without the floating-point environment.
double RoundHalfEven(double x) {
  const double low = std::floor(x);
  const double fraction = x - low;
  if (fraction < 0.5) return low;
  if (fraction > 0.5) return low + 1;
  return std::fmod(low, 2.0) == 0.0 ? low : low + 1;
}

int16_t ExpectedSum(int16_t score, double number) {
  if (std::isnan(number)) return score;
  const double sum = static_cast<double>(score) + number;
  if (sum >= 32767.0) return std::numeric_limits<int16_t>::max();
  if (sum <= -32768.0) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(RoundHalfEven(sum));
}

void CheckAddToScore(int16_t score, double number, double larger) {
  const int16_t sum = AddToScore(score, number);
  TAVRIN_FUZZ_CHECK(sum == ExpectedSum(score, number),
                    std::to_string(score) + " + " + std::to_string(number) + " gave " +
                        std::to_string(sum) + ", expected " +
                        std::to_string(ExpectedSum(score, number)));
  if (!std::isnan(number) && !std::isnan(larger) && number <= larger) {
    TAVRIN_FUZZ_CHECK(sum <= AddToScore(score, larger),
                      "adding more gave less: " + std::to_string(score) + " + " +
                          std::to_string(number) + " and + " + std::to_string(larger));
  }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t length;
    uint32_t code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = code << 6 | (t & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

// glibc's converter straight, replacing one byte where it stops: the decoding documented
// for DecodeCp932, computed without its table.
std::string DecodeThroughIconv(std::string_view bytes) {
  static iconv_t cd = iconv_open("UTF-8", "CP932");
  TAVRIN_FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1), "no CP932 converter in the C library");
  std::string out;
  char buffer[64];
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  while (in_left > 0) {
    char* dst = buffer;
    size_t out_left = sizeof buffer;
    const size_t result = iconv(cd, &in, &in_left, &dst, &out_left);
    const int error = errno;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
    out += "\xEF\xBF\xBD";
    ++in;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

void CheckDecode(std::string_view line, size_t split) {
  const std::string utf8 = DecodeCp932(line);
  TAVRIN_FUZZ_CHECK(IsValidUtf8(utf8), "invalid UTF-8 from \"" + Escaped(line) + "\": \"" +
                                           Escaped(utf8) + "\"");
  TAVRIN_FUZZ_CHECK(utf8.size() <= 3 * line.size(),
                    std::to_string(utf8.size()) + " bytes from " + std::to_string(line.size()));
  if (IsAscii(line)) {
    TAVRIN_FUZZ_CHECK(utf8 == line, "ASCII \"" + Escaped(line) + "\" changed");
  }
  const std::string_view head = line.substr(0, split);
  if (IsAscii(head)) {
    TAVRIN_FUZZ_CHECK(utf8 == std::string(head) + DecodeCp932(line.substr(head.size())),
                      "the ASCII start of \"" + Escaped(line) + "\" changes the rest");
  }
  const std::string expected = DecodeThroughIconv(line);
  TAVRIN_FUZZ_CHECK(utf8 == expected, "\"" + Escaped(line) + "\" decodes as \"" + Escaped(utf8) +
                                          "\", iconv gives \"" + Escaped(expected) + "\"");
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  uint8_t fields[11] = {};
  std::memcpy(fields, data, std::min(size, sizeof fields));
  const auto score = static_cast<int16_t>(static_cast<uint16_t>(fields[0] | fields[1] << 8));
  double raw;
  std::memcpy(&raw, fields + 2, sizeof raw);
  const size_t split = fields[10];
  const std::string_view text =
      size > sizeof fields ? std::string_view(reinterpret_cast<const char*>(data) + sizeof fields,
                                              size - sizeof fields)
                           : std::string_view();

  CheckScoreNumber(text);
  const double number = ScoreNumber(text);
  CheckAddToScore(score, number, number + 1.0);
  CheckAddToScore(score, raw, number);
  CheckAddToScore(score, number, raw);
  CheckDecode(text, split);
  return 0;
}
