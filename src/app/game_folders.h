#pragma once

#include <filesystem>

namespace tavrin {

/// Where a game's files are: the game folder itself (`AppDir`), its pictures (`ImgDir`) and
/// its scenario files (`DatDir`, the game folder itself). Fixed once at start-up.
struct GameFolders {
  std::filesystem::path AppDir;
  std::filesystem::path ImgDir;
  std::filesystem::path DatDir;

  /// The music file, "bgm.mid" in the game folder, whatever the case of its name.
  std::filesystem::path MusicFile() const;
};

/// The folders of the game in the folder `game`, or of the game whose scenario file dat.dat
/// `game` is (made absolute; a folder that does not exist is taken as it is, and its
/// scenario is reported missing when it is opened).
GameFolders FoldersOf(const std::filesystem::path& game);

}  // namespace tavrin
