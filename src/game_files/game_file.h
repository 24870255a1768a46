// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "game_files/archive_contents.h"
#include "game_files/file_identity.h"

namespace tavrin {

/// One file of a game, found by the name the game gives it: a file on disk, or a member of
/// the archive the game is in. Only a regular file is ever read: a folder, a named pipe, a
/// device or an archive's link counts as missing. Copies are cheap, and may be read on any
/// thread.
class GameFile {
 public:
  GameFile() = default;
  /// The file at `path` on disk, named `name` for the reader.
  static GameFile OnDisk(std::filesystem::path path, std::string name);
  /// The member `entry` of `archive` (none: not there), named `name` for the reader.
  static GameFile InArchive(std::shared_ptr<const ArchiveContents> archive,
                            const ArchiveEntry* entry, std::string name);
  /// The file whose bytes are `bytes`, held in memory (an editor's buffer), named `name`.
  static GameFile InMemory(std::shared_ptr<const std::string> bytes, std::string name);

  /// The name as a reader reads it: relative to the game folder, "/" between folders, in
  /// UTF-8 (a name stored in code page 932 bytes decoded).
  const std::string& Name() const { return name_; }
  /// The file on disk; for a member, the archive file.
  const std::filesystem::path& DiskPath() const { return path_; }
  bool InArchive() const { return archive_ != nullptr; }

  /// Whether anything of the name is there (a folder or a link too).
  bool Exists() const;
  /// Whether it is a regular file (for a member: an entry for a file, not a link).
  bool IsRegularFile() const;
  /// Whether its bytes are encrypted (only a member can be).
  bool Encrypted() const;
  /// Its size: on disk as it is now, in an archive as the archive declares it.
  std::optional<uint64_t> Size() const;

  /// Opens it for reading through stdio; null when it cannot be read, or when it is larger
  /// than `limit` bytes by its size. No more than `limit` bytes are ever read: a member that
  /// holds more than it declared is a read error there. `identity`, when given, receives
  /// the identity of the file as it was opened.
  std::FILE* Open(uint64_t limit = UINT64_MAX, FileIdentity* identity = nullptr) const;
  /// All of its bytes, when it can be read and holds at most `limit`.
  std::optional<std::string> ReadAll(uint64_t limit, FileIdentity* identity = nullptr) const;
  /// Its identity now: a member's is the archive file's.
  std::optional<FileIdentity> Identity() const;

  /// The same file of the same game (not: the same bytes).
  bool operator==(const GameFile& other) const {
    return path_ == other.path_ && archive_ == other.archive_ && entry_ == other.entry_ &&
           bytes_ == other.bytes_;
  }

 private:
  std::filesystem::path path_;
  std::shared_ptr<const ArchiveContents> archive_;
  const ArchiveEntry* entry_ = nullptr;
  std::shared_ptr<const std::string> bytes_;
  std::string name_;
};

}  // namespace tavrin
