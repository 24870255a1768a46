// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>

namespace tavrin {

class MainWindow;

/// Plays in `window` the game dropped on it (a folder, its dat.dat or an archive). A path
/// that holds no game to play (a folder without a dat.dat included: dropped by mistake, it
/// must not end the game being read) leaves the current game playing, and says why in a
/// message box over the window and on standard error. Returns whether the game plays.
bool PlayDroppedGame(MainWindow& window, const std::filesystem::path& dropped);

}  // namespace tavrin
