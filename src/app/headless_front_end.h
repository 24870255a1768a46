// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <iosfwd>

#include <memory>

#include "game_files/game_folder.h"
#include "scenario/resume_point.h"

namespace tavrin {

/// Scripted play: starts `game` as the window would (no sound), reads events
/// from `events`, and after start-up and every event writes one JSON line of what a reader
/// would see to `states`. Returns the exit status: 0 after "close" or the end of the
/// events, 2 after a line that is not an event (one longer than any event is not read on),
/// 1 when the events cannot be read or the states cannot be written; each reported on
/// `errors`. With `start`, play takes up there instead of at the opening (`--warp`).
int RunHeadless(const std::shared_ptr<GameFolder>& game, std::FILE* events, std::FILE* states,
                std::ostream& errors, const ResumePoint* start = nullptr);

}  // namespace tavrin
