// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace tavrin {

/// Closes `window` as the reader closing it would when the program is asked to end (SIGTERM
/// from a logout or `kill`, SIGINT from Ctrl+C in its terminal, SIGHUP from a closed
/// terminal): the game shuts down as usual, and the program exits with status 0.
void CloseOnSignal(QWidget& window);

}  // namespace tavrin
