// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game_files/game_folder.h"

namespace tavrin {

/// Why no game can be played from what was named, with the pieces its sentence names, so
/// that a front end can word it in the reader's own language.
struct LocationProblem {
  enum class Kind {
    None,
    SeveralGames,       // `path` holds a game in each of `folders`
    NoGame,             // the archive (or its folder) `path` holds no dat.dat anywhere
    NoGameButLink,      // ... its dat.dat `entry` is a link
    NoGameButUnsafe,    // ... its entries with unsafe names, such as `entry`, were left out
    NoGameButArchive,   // ... it holds the archive `entry`
    EncryptedScenario,  // the archive `path` holds its dat.dat encrypted
    EncryptedArchive,   // the archive `path` is encrypted
    TooManyEntries,     // the archive `path` holds more than `count` entries
    Damaged,            // `path` cannot be read as an archive; `detail` is libarchive's word
    NotAnArchive,       // `path` is no game folder, no dat.dat and no archive
  };
  Kind kind = Kind::None;
  std::filesystem::path path;
  std::vector<std::string> folders;
  std::string entry;
  size_t count = 0;
  std::string detail;
};

/// Where the game named on the command line (or picked by the reader) is.
struct GameLocation {
  /// Null when no game can be played from what was named; `error` says why.
  std::shared_ptr<GameFolder> game;
  /// A whole sentence for the reader, naming what was given, in English.
  std::string error;
  /// What `error` says, in pieces.
  LocationProblem problem;
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

/// `LocateGame` for a game that must be there: what holds no dat.dat to play (a folder
/// without one) is refused as holding no game, instead of being taken as it is.
GameLocation LocateExistingGame(const std::filesystem::path& given);

}  // namespace tavrin
