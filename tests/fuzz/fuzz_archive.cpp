// SPDX-License-Identifier: MIT
// fuzz_archive: any bytes as an archive a game comes in, listed and read the way a game is
// found and played from it (ArchiveContents, LocateGame, GameFile).
//
// The input is the archive file itself. Checked:
// - every name listed is UTF-8 with "/" between folders, never absolute, never with an
//   empty, "." or ".." part, and finding it gives back the first entry of that name in any
//   letter case;
// - a member's bytes, read within a limit, are never more than the limit, and reading them
//   twice gives the same bytes (the stream starts again from the archive each time);
// - where a game is found in it, its dat.dat is found by name in any letter case.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "game_files/archive_contents.h"
#include "game_files/game_location.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

// What is read of each member, and of how many: enough for every path through the readers.
constexpr uint64_t kReadLimit = 64 * 1024;
constexpr size_t kMembersRead = 16;

const std::filesystem::path& ArchiveFile() {
  static const std::filesystem::path file = fuzz::ProcessTempDir("fuzz_archive") / "game.zip";
  return file;
}

void CheckName(const std::string& name) {
  TAVRIN_FUZZ_CHECK(IsValidUtf8(name), "a name that is not UTF-8: " + fuzz::Escaped(name));
  TAVRIN_FUZZ_CHECK(!name.empty() && !name.starts_with('/') && !name.ends_with('/') &&
                        name.find('\\') == std::string::npos,
                    "a name not cleaned: " + fuzz::Escaped(name));
  size_t start = 0;
  while (start <= name.size()) {
    size_t stop = name.find('/', start);
    if (stop == std::string::npos) stop = name.size();
    const std::string_view part = std::string_view(name).substr(start, stop - start);
    TAVRIN_FUZZ_CHECK(!part.empty() && part != "." && part != "..",
                      "a name with an unsafe part: " + fuzz::Escaped(name));
    start = stop + 1;
  }
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  fuzz::WriteFile(ArchiveFile(), std::span<const uint8_t>(data, size));

  ArchiveContents::Listing listing = ArchiveContents::List(ArchiveFile());
  if (listing.contents == nullptr) {
    TAVRIN_FUZZ_CHECK(listing.refusal != ArchiveContents::Refusal::None, "refused without a reason");
  } else {
    const std::shared_ptr<const ArchiveContents> contents = listing.contents;
    size_t read = 0;
    for (const ArchiveEntry& entry : contents->Entries()) {
      CheckName(entry.name);
      const ArchiveEntry* found = contents->Find(entry.name);
      // Of names that differ only in letter case, the first is the one found.
      TAVRIN_FUZZ_CHECK(found != nullptr && found->index <= entry.index &&
                            FoldAsciiCase(found->name) == FoldAsciiCase(entry.name),
                        "the entry " + fuzz::Escaped(entry.name) + " is not found by its name");
      if (entry.kind != ArchiveEntry::Kind::File || read == kMembersRead) continue;
      ++read;
      const GameFile file = GameFile::InArchive(contents, &entry, entry.name);
      const std::optional<std::string> first = file.ReadAll(kReadLimit);
      if (!first) continue;
      TAVRIN_FUZZ_CHECK(first->size() <= kReadLimit, "read past the limit");
      const std::optional<std::string> again = file.ReadAll(kReadLimit);
      TAVRIN_FUZZ_CHECK(again && *again == *first,
                        "a member reads differently the second time: " + fuzz::Escaped(entry.name));
    }
  }

  const GameLocation location = LocateGame(ArchiveFile());
  TAVRIN_FUZZ_CHECK((location.game == nullptr) != location.error.empty(),
                    "a game and an error, or neither");
  if (location.game != nullptr && location.game->Archive() != nullptr) {
    const GameFile dat = location.game->Find("DAT.DAT");
    TAVRIN_FUZZ_CHECK(dat.IsRegularFile(), "the game found has no dat.dat: " + location.game->Where());
    const std::optional<std::string> bytes = dat.ReadAll(kReadLimit);
    TAVRIN_FUZZ_CHECK(!bytes || bytes->size() <= kReadLimit, "dat.dat read past the limit");
  }
  return 0;
}
