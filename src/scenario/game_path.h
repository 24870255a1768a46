#pragma once

#include <filesystem>
#include <string_view>

namespace tavrin {

/// The file `relative` (UTF-8, "/" or "\" between folders) inside `dir`, looked up the way
/// Windows would find it: a folder or file that does not exist with exactly the written
/// case is matched case-insensitively in its folder. A name with no match at all comes
/// back as written, so the caller's open fails as usual.
std::filesystem::path ResolveGamePath(const std::filesystem::path& dir, std::string_view relative);

}  // namespace tavrin
