# SPDX-License-Identifier: MIT
"""Runs the Orca screen reader with its debug log for speech, for screen_reader_e2e.py.

Usage: python3 orca_speech_log.py PREFS_DIR LOG_FILE, with the interpreter Orca is installed
for. No speech server is started: every utterance, and what Orca made it from, is in the
log. Key echo, braille, sounds and mouse review are off.

Orca's own launcher is not used: it refuses to start while any other process of the same
user is called "orca" (another test running at the same time, or someone else's screen
reader), and this one takes no name of Orca's, so neither stops the other.
"""

import sys

SETTINGS = {
    "speechServerFactory": "no-speech-server",  # no such module: nothing is spoken aloud
    "speechFactoryModules": [],
    "enableKeyEcho": False,
    "enableEchoByCharacter": False,
    "enableEchoByWord": False,
    "enableEchoBySentence": False,
    "enableMouseReview": False,
    "enableBraille": False,
    "enableBrailleMonitor": False,
    "enableSound": False,
}


def main():
    prefs, log = sys.argv[1], sys.argv[2]
    # Orca's modules are imported here: pyatspi connects to the accessibility bus as it is.
    from orca import debug
    debug.debugLevel = debug.LEVEL_ALL
    debug.eventDebugLevel = debug.LEVEL_OFF
    debug.debugFile = open(log, "w", buffering=1, encoding="utf-8")  # line by line, as said
    from orca import orca
    manager = orca.getSettingsManager()
    manager.activate(prefs, dict(SETTINGS))
    sys.path.insert(0, manager.getPrefsDir())
    return orca.main()


if __name__ == "__main__":
    sys.exit(main())
