// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tavrin {

/// A stdio stream that reads `bytes` from their first, and seeks anywhere in them without
/// reading: a scenario held in memory (an editor's buffer) read as a file is. The stream
/// keeps the bytes for as long as it is open. Null when the stream cannot be made.
std::FILE* OpenMemoryStream(std::shared_ptr<const std::string> bytes);

}  // namespace tavrin
