// SPDX-License-Identifier: MIT
// The browser's build reads no archive itself: the page unpacks one into the game's folder
// in memory, which the engine reads as a folder on disk. These are the only two members of
// the archive reader that the game's files name; with no archive listed (nothing here can
// list one), no game file is ever in one, and they are never reached.
#include "game_files/archive_contents.h"

namespace tavrin {

const ArchiveEntry* ArchiveContents::Find(std::string_view) const { return nullptr; }

std::unique_ptr<ByteSource> ArchiveContents::OpenMember(const ArchiveEntry&) const {
  return nullptr;
}

}  // namespace tavrin
