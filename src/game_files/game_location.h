#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "game_files/game_folder.h"

namespace tavrin {

/// Where the game named on the command line (or picked by the reader) is.
struct GameLocation {
  /// Null when no game can be played from what was named; `error` says why.
  std::shared_ptr<GameFolder> game;
  /// A whole sentence for the reader, naming what was given.
  std::string error;
  /// Said of a game that plays all the same (a name the archive holds twice).
  std::vector<std::string> warnings;
};

/// The game that `given` names:
/// - a game folder, or its dat.dat (in any letter case);
/// - a folder with no dat.dat in it but exactly one folder in it that has one;
/// - an archive (zip, LZH, 7z, RAR, or a self-extracting program of one of them), whose
///   game is its root if that holds a dat.dat, else the one folder nearest the root that
///   holds one;
/// - a folder inside an archive, written as the archive's path followed by the folder
///   ("game.zip/ゲーム"), for an archive that holds several games.
/// A folder that holds no game is taken as it is, so that the front end reports its
/// missing scenario as usual. Several games at the same depth are an error that names them.
GameLocation LocateGame(const std::filesystem::path& given);

}  // namespace tavrin
