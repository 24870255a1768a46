// SPDX-License-Identifier: MIT
#include "game_files/game_name.h"

namespace tavrin {

std::string CleanName(std::string_view relative) {
  std::string clean;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t stop = relative.find_first_of("/\\", start);
    if (stop == std::string_view::npos) stop = relative.size();
    const std::string_view part = relative.substr(start, stop - start);
    start = stop + 1;
    if (part.empty() || part == ".") continue;
    if (!clean.empty()) clean += '/';
    clean += part;
  }
  return clean;
}

std::optional<std::string> ArchiveMemberName(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  if (name.starts_with('/') || (name.size() >= 2 && name[1] == ':')) return std::nullopt;
  std::string clean = CleanName(name);
  if (clean.empty() || clean == ".." || clean.starts_with("../") || clean.ends_with("/..") ||
      clean.find("/../") != std::string::npos) {
    return std::nullopt;
  }
  return clean;
}

std::string FoldAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace tavrin
