#pragma once

#include "app/game_folders.h"

namespace tavrin {

/// Plays the game in `folders` in the Tavrin window until the window is closed; returns the
/// exit status. Needs the QApplication to exist.
int RunWindow(const GameFolders& folders);

}  // namespace tavrin
