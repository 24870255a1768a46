#include "scenario/game_path.h"

#include <string>

#include "scenario/cp932.h"

namespace tavrin {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// A folder unpacked from a Windows archive may keep its names in code page 932.
bool NamesMatch(const std::string& on_disk, std::string_view wanted) {
  if (EqualIgnoringAsciiCase(on_disk, wanted)) return true;
  return !IsValidUtf8(on_disk) && EqualIgnoringAsciiCase(DecodeCp932(on_disk), wanted);
}

std::filesystem::path FindInFolder(const std::filesystem::path& folder, std::string_view name) {
  std::filesystem::path exact = folder / std::string(name);
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (NamesMatch(it->path().filename().string(), name)) return it->path();
  }
  return exact;
}

}  // namespace

std::filesystem::path ResolveGamePath(const std::filesystem::path& dir, std::string_view relative) {
  std::filesystem::path result = dir;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t stop = relative.find_first_of("/\\", start);
    if (stop == std::string_view::npos) stop = relative.size();
    std::string_view part = relative.substr(start, stop - start);
    if (!part.empty() && part != ".") {
      result = part == ".." ? result / ".." : FindInFolder(result, part);
    }
    start = stop + 1;
  }
  return result;
}

}  // namespace tavrin
