// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <ostream>

namespace tavrin {

/// `tavrin --export-web GAME OUTDIR`: writes into OUTDIR (a new or empty folder) a static
/// site that plays the game GAME names (a folder, its dat.dat or an archive), as a game
/// host's HTML5 upload takes it: the web page, and in its folder game/ the game's dat.dat,
/// the pictures its picture lines name and its bgm.mid, with their names in UTF-8 and a
/// listing of them (files.json). Returns the exit status: 0 when written, 2 when the game
/// or OUTDIR cannot be used (said on `errors`), 1 when writing failed.
int ExportWeb(const std::filesystem::path& game, const std::filesystem::path& out_dir,
              std::ostream& errors);

}  // namespace tavrin
