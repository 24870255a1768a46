// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace tavrin::lsp {

/// The file a "file:" URI names on this computer ("file:///home/a/dat.dat", its bytes
/// percent-encoded as the protocol's clients write them); nothing for a URI of another
/// scheme (an editor's unsaved "untitled:" buffer), of another host, or that is malformed.
std::optional<std::filesystem::path> PathOfFileUri(std::string_view uri);

}  // namespace tavrin::lsp
