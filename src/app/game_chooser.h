// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "game_files/game_location.h"

namespace tavrin {

/// Asks the reader for a game folder or archive, starting in `start`; none when the reader
/// cancels.
using FolderChooser =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start)>;

/// A button's label with its shortcut mark taken out, for a dialog that does not read it:
/// "&Play" is "Play", "プレイ(&P)" is "プレイ", and "&&" is one "&".
QString WithoutMnemonic(const QString& label);

/// The desktop's folder chooser (a QFileDialog; needs the QApplication).
std::optional<std::filesystem::path> ChooseGameFolder(const std::filesystem::path& start);

/// The demo game installed with the program, found from the program's folder whatever the
/// installation prefix (bin/tavrin beside share/tavrin/demo).
std::filesystem::path InstalledDemo(const std::filesystem::path& program_dir);

/// The game the window plays: the one named on the command line (a folder, its dat.dat or
/// an archive); else the one beside the program when its folder holds dat.dat; else the
/// folder or archive picked with `choose`, which starts in the installed demo. None when the
/// reader cancelled.
std::optional<GameLocation> GameForWindow(const std::optional<std::string>& named,
                                         const std::filesystem::path& program_dir,
                                         const FolderChooser& choose);

}  // namespace tavrin
