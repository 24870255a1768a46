#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of `tavrin --watch` in a real X server (Xvfb, no window manager).

Plays the demo by hand into a branch, then saves dat.dat as editors do (written aside and
renamed into place) with the line shown edited: the window must show the same line again,
its new text, exactly as a window started there with --warp draws it, and the check's
findings must reach the terminal. A second save takes that line out of the story: play goes
on at the nearest line before it that a path reaches. Exit status 0 passes, 1 fails, 77 is
a skip.
"""

import argparse
import os
import shutil
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdisplay import XServer, stop_process, tools_missing  # noqa: E402
from window_e2e import TEXT, Failure, Window, check, choice_share, wait_for  # noqa: E402

DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo")
# The demo's line 40, at the end of the river branch's first page, and its edit.
LINE = 40
BEFORE = "ハルは土手の上を、ゆっくり歩いた。"
AFTER = "ハルは土手の上を、そっと歩いた。"


def read_script(game):
    with open(os.path.join(game, "dat.dat"), "rb") as f:
        return f.read().decode("cp932").split("\r\n")


def save(game, lines):
    """Saves dat.dat as an editor does: a new file beside it, renamed over it."""
    aside = os.path.join(game, ".dat.dat.swp")
    with open(aside, "wb") as f:
        f.write("\r\n".join(lines).encode("cp932"))
    os.replace(aside, os.path.join(game, "dat.dat"))


class Program:
    """The program started on the display, its standard error kept in a file."""

    def __init__(self, x_server, args, log):
        self.log = log
        with open(log, "wb") as err:
            self.process = subprocess.Popen(args, env=x_server.env(), stdout=subprocess.DEVNULL,
                                            stderr=err)
        window = wait_for("the Tavrin window", lambda: x_server.windows_named("Tavrin"),
                          timeout=10)[0]
        self.window = Window(x_server, self.process, window)
        wait_for("the first page", lambda: self.window.message().count(TEXT, 30) >= 40,
                 timeout=10)

    def said(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def close(self, x_server):
        x_server.close_window(self.window.id)
        try:
            status = self.process.wait(10)
        except subprocess.TimeoutExpired:
            stop_process(self.process)
            raise Failure("the program did not end after its window was closed")
        check(status == 0, f"closing the window ends the program with status 0 (got {status})")


def readings(program):
    """How many times the check's findings were written: once for each reading."""
    return len(re.findall(r"^dat\.dat: \d+ errors?,", program.said(), re.MULTILINE))


def whole(window):
    return window.x.grab(window.left, window.top, window.width, window.height)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    args = parser.parse_args()
    missing = tools_missing()
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77

    with tempfile.TemporaryDirectory(prefix="tavrin-watch-e2e-") as scratch, XServer() as x:
        game = os.path.join(scratch, "game")
        shutil.copytree(DEMO, game, ignore=shutil.ignore_patterns("README.md"))
        lines = read_script(game)
        check(lines[LINE - 1] == BEFORE, f"line {LINE} of the demo is the one edited")

        # Read by hand from line 30 to the choice, and into the river branch.
        watched = Program(x, [args.tavrin, "--watch", "--warp", "30", game],
                          os.path.join(scratch, "watched.err"))
        w = watched.window
        w.settled_message()
        w.click_message(1)
        wait_for("the choice", lambda: choice_share(w.message(step=4)) > 0.2)
        w.click_choice(0)
        page_before = w.settled_message()

        lines[LINE - 1] = AFTER
        save(game, lines)
        wait_for("the check's findings", lambda: readings(watched) == 1, timeout=10)
        said = watched.said()
        check(f"line {LINE} is reached after choosing \"＞川沿いの道を行く\" at line 33, with a "
              f"score of 30" in said, "the terminal says where play goes on, and how")
        page_after = w.settled_message()
        check(page_after != page_before and page_after.count(TEXT, 30) >= 40,
              "the page shows the new text")
        shown = whole(w)

        # A line taken out of the story: play goes on at the nearest line before it.
        save(game, lines[:20])
        wait_for("the second reading", lambda: readings(watched) == 2, timeout=10)
        check(f"line {LINE} is no longer reached; line 20 is reached with no choice made"
              in watched.said(), "a line taken out goes back to the nearest line before it")
        watched.close(x)

        # The same line, started there: drawn alike, pixel for pixel.
        save(game, lines)
        started = Program(x, [args.tavrin, "--warp", str(LINE), game],
                          os.path.join(scratch, "started.err"))
        started.window.settled_message()
        check(whole(started.window) == shown,
              f"the window read again shows line {LINE} as a window started there does")
        started.close(x)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}")
        sys.exit(1)
