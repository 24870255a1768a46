// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QProcessEnvironment>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "app/text_out/text_out_option.h"
#include "game_files/game_folder.h"
#include "scenario/resume_point.h"

namespace tavrin {

/// The application of the window front end, speaking the reader's language (QLocale's UI
/// languages) where Tavrin and Qt have it. Where no window can be opened (no display, or one
/// that cannot be reached) it says so in one line on standard error and ends the program
/// with status 1, instead of Qt's own abort. On a Wayland session where Qt had to fall back
/// to X11 for want of its Wayland platform it says so too.
std::unique_ptr<QApplication> StartWindowApplication(int& argc, char** argv);

/// Whether Qt, on `platform`, runs the window through XWayland for want of its Wayland
/// platform: a Wayland session (XDG_SESSION_TYPE=wayland, or WAYLAND_DISPLAY set), no
/// platform asked for (QT_QPA_PLATFORM), X11 ("xcb") taken, and no Wayland platform installed.
bool RunsThroughXWayland(const QProcessEnvironment& environment, const QString& platform,
                         bool wayland_installed);

/// Plays `game` in the Tavrin window (in full screen if asked) until the window is closed,
/// and a game dropped on it in its place; returns the exit status. Each page's text, and
/// each question's, is handed out to the outs of `text_out` as it completes (one that cannot
/// open is said so on standard error, and play goes on). With `start`, play takes up there
/// instead of at the opening (`--warp`); with `watch`, the game found there is read again
/// whenever its files are saved (`--watch`). Needs the QApplication.
int RunWindow(const std::shared_ptr<GameFolder>& game, bool full_screen,
              const std::vector<TextOutOption>& text_out, std::optional<ResumePoint> start = {},
              const std::optional<std::filesystem::path>& watch = {});

}  // namespace tavrin
