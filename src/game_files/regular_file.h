// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>

namespace tavrin {

/// Opens `path` for reading when it is a regular file (a link to one counts), and returns its
/// descriptor; -1 otherwise. A named pipe, a device or a folder counts as missing: it is
/// never waited on, since the opening does not block and the kind is checked on what was
/// opened, not on a name that may change meanwhile. The descriptor reads blocking as usual.
int OpenRegularFile(const std::filesystem::path& path);

}  // namespace tavrin
