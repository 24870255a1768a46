#pragma once

#include <iosfwd>

#include "app/game_folders.h"

namespace tavrin {

/// Scripted play: starts the game in `folders` as the window would (no sound), reads events
/// from `events`, and after start-up and every event writes one JSON line of what a reader
/// would see to `states`. Returns the exit status: 0 after "close" or the end of the
/// events, 2 after a line that is not an event (reported on `errors`).
int RunHeadless(const GameFolders& folders, std::istream& events, std::ostream& states,
                std::ostream& errors);

}  // namespace tavrin
