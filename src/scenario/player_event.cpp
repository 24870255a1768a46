// SPDX-License-Identifier: MIT
#include "scenario/player_event.h"

#include "scenario/player.h"

namespace tavrin {

long DeliverEvent(Player& player, const PlayerEvent& event) {
  long ticks = 0;
  switch (event.kind) {
    case PlayerEvent::Kind::Tick:
      // A timer that is off raises no tick.
      for (long i = 0; i < event.count; ++i) {
        if (!player.TimSay().enabled) continue;
        player.TimSay_Timer();
        ++ticks;
      }
      break;
    case PlayerEvent::Kind::Run:
      for (; ticks < event.count && !player.TickWouldIdle(); ++ticks) player.TimSay_Timer();
      break;
    case PlayerEvent::Kind::Click:
      // The press comes first: a right button sets fast pacing before the click steps.
      player.Lbl_MouseDown(event.button);
      player.Lbl_Click();
      break;
    case PlayerEvent::Kind::Press:
      player.Lbl_MouseDown(event.button);
      break;
    case PlayerEvent::Kind::Choose:
      player.Com_Click(event.choice);
      break;
    case PlayerEvent::Kind::Close:
      player.Form_Unload();
      break;
  }
  return ticks;
}

}  // namespace tavrin
