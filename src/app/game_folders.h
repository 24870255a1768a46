#pragma once

#include <filesystem>

namespace tavrin {

/// Where a game's files are. Fixed once at start-up.
struct GameFolders {
  std::filesystem::path app_dir;  // `AppDir`: the game folder itself
  std::filesystem::path img_dir;  // `ImgDir`: its pictures, "img" in any letter case
  std::filesystem::path dat_dir;  // `DatDir`: its scenario files, the game folder itself

  /// The music file, "bgm.mid" in the game folder, whatever the case of its name.
  std::filesystem::path MusicFile() const;
};

/// The folders of the game in the folder `game`, or of the game whose scenario file dat.dat
/// `game` is (made absolute; a folder that does not exist is taken as it is, and its
/// scenario is reported missing when it is opened).
GameFolders FoldersOf(const std::filesystem::path& game);

}  // namespace tavrin
