// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

/// `relative` with "/" between its parts ("/" or "\" before), none of them empty or ".".
std::string CleanName(std::string_view relative);

/// An archive entry's name (UTF-8, "/" or "\" between folders) as a reader reads it, with
/// "/" between folders; nothing for a name that must not be used: one that is absolute (a
/// root, a drive or a network share) or that climbs out with "..".
std::optional<std::string> ArchiveMemberName(std::string name);

/// `text` with the ASCII letters in lower case.
std::string FoldAsciiCase(std::string_view text);

}  // namespace tavrin
