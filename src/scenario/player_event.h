// SPDX-License-Identifier: MIT
#pragma once

#include "scenario/mouse_button.h"

namespace tavrin {

class Player;

/// A window event as a front end without a window hands it to the `Player`: scripted play,
/// the checker, the tests and the fuzz target deliver theirs through `DeliverEvent`, so they
/// keep to the rules the window's platform keeps for it.
struct PlayerEvent {
  enum class Kind {
    Tick,    // `count` ticks of the pacing timer; each arrives only while the timer is on
    Run,     // ticks until a tick would change nothing, at most `count` of them
    Click,   // a press of `button` on the message window, released over it
    Press,   // a press of `button` on the message window, released elsewhere
    Choose,  // a click on choice button `choice`
    Close,   // the window closes
  };
  Kind kind = Kind::Tick;
  long count = 1;
  MouseButton button = MouseButton::Left;
  int choice = 0;
};

/// Hands `event` to `player`'s handlers. Returns how many ticks reached the player.
long DeliverEvent(Player& player, const PlayerEvent& event);

}  // namespace tavrin
