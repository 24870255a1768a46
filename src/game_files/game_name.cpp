// SPDX-License-Identifier: MIT
#include "game_files/game_name.h"

namespace tavrin {

std::string CleanName(std::string_view relative) {
  std::string clean;
  ForEachNamePart(relative, [&clean](std::string_view part) {
    if (!clean.empty()) clean += '/';
    clean += part;
  });
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
