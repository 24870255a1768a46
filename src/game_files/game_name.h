// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

/// Calls `visit` with each part of `relative` ("/" or "\" between them) in order, leaving
/// out the empty ones and ".".
template <typename Visit>
void ForEachNamePart(std::string_view relative, Visit visit) {
  size_t start = 0;
  while (start <= relative.size()) {
    size_t stop = relative.find_first_of("/\\", start);
    if (stop == std::string_view::npos) stop = relative.size();
    const std::string_view part = relative.substr(start, stop - start);
    start = stop + 1;
    if (!part.empty() && part != ".") visit(part);
  }
}

/// `relative` with "/" between its parts ("/" or "\" before), none of them empty or ".".
std::string CleanName(std::string_view relative);

/// An archive entry's name (UTF-8, "/" or "\" between folders) as a reader reads it, with
/// "/" between folders; nothing for a name that must not be used: one that is absolute (a
/// root, a drive or a network share) or that climbs out with "..".
std::optional<std::string> ArchiveMemberName(std::string name);

/// `text` with the ASCII letters in lower case.
std::string FoldAsciiCase(std::string_view text);

}  // namespace tavrin
