// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "game_files/archive_contents.h"
#include "game_files/game_file.h"
#include "game_files/game_path.h"

namespace tavrin {

/// A game's folder, wherever it is: a folder on disk, or the folder of an archive that
/// holds the game. Files are found by the names the game gives them, as Windows finds
/// them: "/" or "\" between folders, in any letter case, and a name that Windows left in
/// code page 932 bytes matches its text. Finding is for one thread at a time; the files
/// found may be read on any.
class GameFolder {
 public:
  virtual ~GameFolder() = default;

  static std::shared_ptr<GameFolder> OnDisk(std::filesystem::path folder);
  /// The folder `folder` ("" for the root) of `archive`.
  static std::shared_ptr<GameFolder> InArchive(std::shared_ptr<const ArchiveContents> archive,
                                               std::string folder);

  /// The file `name` names, relative to the game folder. One that is not there comes back
  /// as a file that does not exist, named as written.
  virtual GameFile Find(std::string_view name) = 0;

  /// Where the game is, for messages: its folder, or the archive and the folder in it.
  virtual std::string Where() const = 0;
  /// The archive the game is in; null for a folder on disk.
  virtual const ArchiveContents* Archive() const { return nullptr; }
};

}  // namespace tavrin
