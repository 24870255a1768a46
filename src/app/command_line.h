// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/text_out/text_out_option.h"
#include "app/warp/warp_target.h"

namespace tavrin {

/// What the command line asks for.
struct CommandLine {
  enum class Action {
    PlayInWindow,
    PlayHeadless,
    Check,
    LanguageServer,
    ExportWeb,
    ShowHelp,
    ShowVersion,
    Refuse
  };
  Action action = Action::PlayInWindow;
  /// The game folder given, if any, as the bytes the system passed; otherwise the
  /// executable's folder is the game.
  std::optional<std::string> game_dir;
  /// Let the libraries' own messages (damaged pictures, the sound system) reach standard
  /// error.
  bool verbose = false;
  /// The window starts in full screen.
  bool full_screen = false;
  /// Where the window hands out each page's text as it completes (`--text-out`, given once
  /// for each kind at most), in the order given.
  std::vector<TextOutOption> text_out;
  /// For `Action::Check`: JSON Lines out, and warnings counted as errors.
  bool json = false;
  bool werror = false;
  /// For `Action::Check`: the story as a Graphviz graph instead of the findings.
  bool graph = false;
  /// Where play starts instead of the opening (`--warp`); with `Action::Check`, the way
  /// there is told and nothing is played.
  std::optional<WarpTarget> warp;
  /// The window reloads the game when its files change, and goes on at the same line.
  bool watch = false;
  /// For `Action::ExportWeb`: the folder the site is written to (the game is `game_dir`).
  std::string web_dir;
  /// Why the command line was refused (for `Action::Refuse`).
  std::string error;
};

CommandLine ParseCommandLine(int argc, char** argv);

/// The text of `tavrin --help`.
std::string UsageText();

}  // namespace tavrin
