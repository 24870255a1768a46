#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of the `tavrin` window in a real X server (Xvfb, no window manager).

Plays a game the way a reader does, with xdotool's mouse, and checks the screen: the first
page's text in the message colour, the first picture, a click that turns the page, a right
click that runs fast to the choice, the choice buttons' face colour, a click that follows a
branch, the ending's picture, a close that ends the program with status 0, the message
box of a game folder without a scenario, and the window destroyed from outside. Exit status 0 passes, 1 fails, 77 is a skip.

Without --game the game beside the program is played (the build copies the demo there).
When that folder holds no scenario, a small game written by this script stands in.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdisplay import XServer, tools_missing  # noqa: E402

TEXT = (0, 200, 255)
FACE = (192, 192, 255)
FACES = (FACE, (216, 216, 255), (160, 160, 232))  # as drawn, under the mouse, pressed

# A game with the demo's shape, for when the demo is not beside the program: a title page,
# a page, a question whose first branch alone scores enough for the good ending, a restart.
STAND_IN_SCRIPT = """>img sunset
テストの手紙
── Test ──

一ページ目の一行目。
二行目。

>img gate
どちらの道を行く？
-qst
＞川の道
＞森の道
＞川の道
+30
>img river
川の道を行った。

＞森の道
+10
>img forest
森の道を行った。
●

-end
＞グッド
>img dawn
よい終わり。

＞バッド
>img fog
わるい終わり。
●

── おしまい ──
>end
"""
STAND_IN_COLOURS = {"sunset": "#d8702c", "gate": "#8a6a9a", "river": "#1c3a78",
                    "forest": "#2c6a34", "dawn": "#f0d890", "fog": "#9a9a9a"}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)
    print(f"ok: {message}")


def wait_for(what, predicate, timeout=5.0, interval=0.02):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)


def write_stand_in_game(folder):
    os.makedirs(os.path.join(folder, "img"), exist_ok=True)
    with open(os.path.join(folder, "dat.dat"), "wb") as f:
        f.write(STAND_IN_SCRIPT.replace("\n", "\r\n").encode("cp932"))
    for name, colour in STAND_IN_COLOURS.items():
        subprocess.run(["convert", "-size", "680x640", f"xc:{colour}", "-quality", "90",
                        os.path.join(folder, "img", name + ".jpg")], check=True)


def picture_mean(path):
    """The average colour of a picture file, by ImageMagick."""
    out = subprocess.run(["convert", path, "-resize", "1x1!", "-depth", "8", "-format",
                          "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]",
                          "info:"], capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split())


def choice_share(region):
    """The share of `region` in the choice buttons' faces, whichever the mouse is over."""
    return sum(region.share(face, 6) for face in FACES)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Window:
    """The running program's window and the screen areas of its controls."""

    def __init__(self, x_server, process, window):
        self.x = x_server
        self.process = process
        self.id = window
        left, top, width, height = x_server.geometry(window)
        self.left, self.top, self.width, self.height = left, top, width, height
        split = top + round(height * 5 / 7)  # the grid's row 5: Pic above, Lbl below
        self.pic = (left, top, width, split - top)
        self.lbl = (left, split, width, top + height - split)

    def picture(self, step=4):
        return self.x.grab(*self.pic, step=step)

    def message(self, step=1):
        return self.x.grab(*self.lbl, step=step)

    def click(self, button, where):
        self.x.xdotool("mousemove", *where, "click", button)

    def click_message(self, button):
        x, y, w, h = self.lbl
        self.click(button, (x + w // 2, y + h * 3 // 4))

    def click_choice(self, index):
        x, y, w, h = self.lbl
        self.click(1, (x + w // 2, y + h // 4 + index * h // 2))

    def settled_message(self, quiet=0.35, timeout=8.0):
        """The message window once it has stopped changing (a page waits for a click)."""
        last = self.message(step=2)
        still_since = time.monotonic()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            time.sleep(0.05)
            now = self.message(step=2)
            if now != last:
                last, still_since = now, time.monotonic()
            elif time.monotonic() - still_since >= quiet:
                return now
        raise Failure("the message window never came to rest")


def start(x_server, program, game=None):
    args = [program] + ([game] if game else [])
    process = subprocess.Popen(args, env=x_server.env(), stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    return process


def close_and_expect_zero(x_server, process, window, what):
    x_server.close_window(window)
    try:
        status = process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise Failure(f"{what}: the program did not end after its window was closed")
    check(status == 0, f"{what}: closing the window ends the program with status 0 "
                       f"(got {status})")


def play(x_server, program, game, pictures, shots):
    process = start(x_server, program, game)
    try:
        window_id = wait_for("the Tavrin window", lambda: x_server.windows_named("Tavrin"),
                             timeout=10)[0]
        w = Window(x_server, process, window_id)
        print(f"window {w.width}x{w.height} at {w.left},{w.top}")
        check(w.width * 7 > w.height * 4 and w.width * 7 < w.height * 6,
              "the window is about 5 wide to 7 high")

        # The first page: text in the message colour, and the first picture.
        wait_for("text in the message colour",
                 lambda: w.message(step=1).count(TEXT, 30) >= 40, timeout=10)
        first_page = w.settled_message()
        check(first_page.count(TEXT, 30) >= 40, "the first page shows text in RGB(0, 200, 255)")
        check(near(w.picture().mean(), pictures["sunset"], 24),
              f"the picture area shows the first picture (mean {w.picture().mean()})")
        if shots:
            x_server.screenshot(os.path.join(shots, "first-page.png"), window_id)

        # A left click turns the page; the picture stays.
        w.click_message(1)
        second_page = w.settled_message()
        check(second_page != first_page and second_page.count(TEXT, 30) >= 40,
              "a left click on the message window shows the next page")

        # A right click runs fast, through the page ends, up to the question.
        started = time.monotonic()
        w.click_message(3)
        wait_for("the choice buttons",
                 lambda: choice_share(w.message(step=3)) > 0.6, timeout=10)
        check(True, f"a right click runs fast to the choice in "
                    f"{time.monotonic() - started:.2f} s and the buttons show "
                    f"RGB(192, 192, 255)")
        choice_picture = w.picture().mean()
        if shots:
            time.sleep(0.3)
            x_server.screenshot(os.path.join(shots, "choice.png"), window_id)

        # The first button: the buttons go and the story goes on past the question. (The
        # fast pacing chosen before the choice holds, so the branch may pass in a frame;
        # its score shows in the ending reached below, which only this branch leads to.)
        w.click_choice(0)
        wait_for("the buttons to go", lambda: choice_share(w.message(step=3)) < 0.05)
        wait_for("text after the choice", lambda: w.message().count(TEXT, 30) >= 40)
        wait_for("a picture after the question's",
                 lambda: not near(w.picture().mean(), choice_picture, 10))
        check(True, "a click on the first button hides the buttons and the story goes on")

        # Fast again, page after page, until the good ending's picture shows.
        def at_ending():
            if near(w.picture().mean(), pictures["dawn"], 24):
                return True
            w.click_message(3)
            time.sleep(0.4)
            return False

        wait_for("the ending", at_ending, timeout=30, interval=0)
        check(True, "right clicks lead on to the good ending, the first branch's score")
        ending = w.settled_message()
        check(ending.count(TEXT, 30) >= 20, "the ending's last page shows its text")
        if shots:
            x_server.screenshot(os.path.join(shots, "ending.png"), window_id)

        close_and_expect_zero(x_server, process, window_id, "playing")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def missing_scenario(x_server, program, shots):
    with tempfile.TemporaryDirectory(prefix="tavrin-e2e-empty-") as empty:
        process = start(x_server, program, empty)
        try:
            windows = wait_for("the message box beside the window",
                               lambda: (lambda ws: ws if len(ws) >= 2 else None)(
                                   x_server.windows_named("Tavrin")), timeout=10)
            check(len(windows) == 2, "a game without dat.dat shows a second window, "
                                     "the message box titled Tavrin")
            sizes = {win: x_server.geometry(win) for win in windows}
            box = min(windows, key=lambda win: sizes[win][2] * sizes[win][3])
            main = max(windows, key=lambda win: sizes[win][2] * sizes[win][3])
            if shots:
                time.sleep(0.3)
                # The window with the box over it.
                left, top, width, height = sizes[main]
                bx, by, bw, bh = sizes[box]
                right = max(left + width, bx + bw)
                bottom = max(top + height, by + bh)
                x_server.screenshot(os.path.join(shots, "dat-not-found.png"),
                                    area=(left, top, right - left, bottom - top))

            # OK (Return) dismisses the box; the window stays, empty.
            x_server.xdotool("windowfocus", "--sync", box)
            x_server.xdotool("key", "Return")
            wait_for("the box to go", lambda: len(x_server.windows_named("Tavrin")) == 1)
            check(process.poll() is None, "after OK the window stays open")
            close_and_expect_zero(x_server, process, main, "dat not found")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()


def destroyed_from_outside(x_server, program):
    """The window destroyed by another client ends the program as a close does."""
    process = start(x_server, program)
    try:
        window = wait_for("the Tavrin window", lambda: x_server.windows_named("Tavrin"),
                          timeout=10)[0]
        x_server.xdotool("windowclose", window)  # XDestroyWindow, not a polite request
        try:
            status = process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("the program went on after its window was destroyed")
        check(status == 0, f"a window destroyed from outside ends the program with status 0 "
                           f"(got {status})")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    parser.add_argument("--game", help="a game folder (default: the program's own folder)")
    parser.add_argument("--screenshots", help="a folder for PNGs of the first page, the "
                                              "choice, the ending and the message box")
    args = parser.parse_args()

    missing = tools_missing()
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)

    with tempfile.TemporaryDirectory(prefix="tavrin-e2e-") as scratch:
        game = args.game
        beside = os.path.dirname(os.path.abspath(args.tavrin))
        if game is None and not os.path.exists(os.path.join(beside, "dat.dat")):
            game = os.path.join(scratch, "game")
            write_stand_in_game(game)
            print("no game beside the program: playing a stand-in game")
        folder = game or beside
        pictures = {name: picture_mean(os.path.join(folder, "img", name + ".jpg"))
                    for name in ("sunset", "dawn")}

        with XServer() as x_server:
            print(f"Xvfb on {x_server.display_name}")
            try:
                play(x_server, args.tavrin, game, pictures, args.screenshots)
                missing_scenario(x_server, args.tavrin, args.screenshots)
                destroyed_from_outside(x_server, args.tavrin)
            except Failure as failure:
                print(f"FAILED: {failure}")
                if args.screenshots is None:
                    shot = os.path.join(os.getcwd(), "window_e2e_failure.png")
                    x_server.screenshot(shot)
                    print(f"screen at the failure: {shot}")
                return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
