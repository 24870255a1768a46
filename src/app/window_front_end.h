#pragma once

#include <QApplication>
#include <memory>

#include "game_files/game_folder.h"

namespace tavrin {

/// The application of the window front end. Where no window can be opened (no display, or
/// one that cannot be reached) it says so in one line on standard error and ends the
/// program with status 1, instead of Qt's own abort.
std::unique_ptr<QApplication> StartWindowApplication(int& argc, char** argv);

/// Plays `game` in the Tavrin window until the window is closed; returns the
/// exit status. Needs the QApplication to exist.
int RunWindow(const std::shared_ptr<GameFolder>& game);

}  // namespace tavrin
