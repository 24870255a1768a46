#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The window on a desktop: full screen by key and by the window manager, resized and
maximised, at 1920x1080, 1366x768 and 3840x2160, under Xvfb with openbox (a window manager
that follows the desktop's full-screen protocol).

    tests/e2e/desktop_e2e.py --tavrin build/tavrin [--screenshots docs/screenshots]

The demo beside the program is played. After each change the 5 by 7 area is found on the
screen from the first picture's edges: 5 units wide and 7 high, centred, black around it.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from xdisplay import XServer, stop_process, tools_missing  # noqa: E402
from window_e2e import Failure, check, wait_for  # noqa: E402

TEXT = (0, 200, 255)


def bright(pixel):
    return sum(pixel) > 60


class Desktop:
    """Xvfb of `size` with openbox, and a scratch home for both."""

    def __init__(self, size, scratch):
        self.size = size
        self.scratch = scratch
        self.x = None
        self.wm = None

    def __enter__(self):
        self.x = XServer(*self.size).__enter__()
        env = self.env()
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("openbox to manage the screen", lambda: subprocess.run(
            ["wmctrl", "-m"], env=env, capture_output=True).returncode == 0, timeout=15)
        return self

    def __exit__(self, *exc):
        if self.wm:
            stop_process(self.wm)
        self.x.__exit__(*exc)
        return False

    def env(self):
        env = self.x.env()
        for name in ("HOME", "XDG_RUNTIME_DIR", "TMPDIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            env.pop(name, None)
        env["HOME"] = self.scratch
        env["XDG_RUNTIME_DIR"] = self.scratch
        env["TMPDIR"] = self.scratch
        return env

    def wmctrl(self, *args):
        subprocess.run(["wmctrl", *args], env=self.env(), check=True, timeout=30)


def start(desktop, program, *options):
    process = subprocess.Popen([program, *options], env=desktop.env(),
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    windows = wait_for("the window", lambda: desktop.x.windows_named("Tavrin"), timeout=15)
    return process, windows[0]


def area(desktop, window):
    """The 5 by 7 area of the window's client area on the screen: (x, y, width, height),
    from the extent of the first page's picture (the demo's sunset, bright to its edges)
    across its middle, and down a column near its right edge, where the page's one short
    line of text does not reach."""
    left, top, width, height = geometry(desktop, window)
    row = desktop.x.grab(left, top + height // 3, width, 1).pixels
    columns = [x for x, pixel in enumerate(row) if bright(pixel)]
    if not columns:
        return None
    x0, x1 = columns[0], columns[-1]
    column = desktop.x.grab(left + x1 - max(2, (x1 - x0) // 20), top, 1, height).pixels
    rows = [y for y, pixel in enumerate(column) if bright(pixel)]
    if not rows:
        return None  # between two frames
    # The picture is the top five of seven rows.
    return (left + x0, top + rows[0], x1 - x0 + 1, round((rows[-1] - rows[0] + 1) * 7 / 5))


def check_area(desktop, window, expected, what):
    """The area settles where `expected` (x, y, width, height) says, within a few pixels;
    the text shows below the picture."""
    def placed():
        found = area(desktop, window)
        return found if found and all(abs(a - b) <= 3 for a, b in zip(found, expected)) else None
    try:
        found = wait_for(f"{what}: the area at {expected}", placed, timeout=10)
    except Failure:
        raise Failure(f"{what}: the area is at {area(desktop, window)}, not {expected}")
    x, y, w, h = found
    message = desktop.x.grab(x, y + h * 5 // 7, w, h * 2 // 7, step=2)
    check(message.count(TEXT, 40) > 0, f"{what}: 5 by 7 area at {found}, text in its message "
                                       f"window")
    return found


def full_screen_area(size):
    """The 5 by 7 area a screen of `size` shows in full screen."""
    width, height = size
    area_width = round(height * 5 / 7)
    return ((width - area_width) // 2, 0, area_width, height)


def is_full_screen(desktop, window):
    out = subprocess.run(["xprop", "-id", str(window), "_NET_WM_STATE"], env=desktop.env(),
                         capture_output=True, text=True).stdout
    return "_NET_WM_STATE_FULLSCREEN" in out


def geometry(desktop, window):
    """The window's client area on the screen, (x, y, width, height), by xwininfo: under a
    window manager that reparents, xdotool places the window by its frame."""
    out = subprocess.run(["xwininfo", "-id", str(window)], env=desktop.env(),
                         capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
            int(values["Width"]), int(values["Height"]))


def frame_extents(desktop, window):
    """The window manager's frame around the window: (left, right, top, bottom)."""
    out = subprocess.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], env=desktop.env(),
                         capture_output=True, text=True).stdout
    values = out.partition("=")[2].replace(",", " ").split()
    return tuple(int(v) for v in values) if len(values) == 4 else None


def client_size(desktop, window):
    return tuple(geometry(desktop, window)[2:])


def close(desktop, process, window, what):
    desktop.x.close_window(window)
    try:
        status = process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        raise Failure(f"{what}: the program did not end after its window was closed")
    errors = process.stderr.read().decode(errors="replace").strip()
    check(status == 0 and not errors, f"{what}: closed with status 0 and nothing on standard "
                                      f"error ({status}, {errors!r})")


def shoot(desktop, shots, name):
    if shots:
        desktop.x.screenshot(os.path.join(shots, name))


def keys_and_window_manager(desktop, program, shots):
    """1920x1080: F11 and Alt+Enter, the window manager's full screen and Escape, a resize."""
    process, window = start(desktop, program)
    frame = wait_for("the frame", lambda: frame_extents(desktop, window))
    outer = lambda: (client_size(desktop, window)[0] + frame[0] + frame[1],  # noqa: E731
                     client_size(desktop, window)[1] + frame[2] + frame[3])
    wait_for("the window at the design's size, 600x840 with its frame",
             lambda: outer() == (600, 840))
    check_area(desktop, window, geometry(desktop, window), "opened")
    normal = client_size(desktop, window)

    full = full_screen_area(desktop.size)
    desktop.x.xdotool("key", "--window", window, "F11")
    wait_for("F11 to go full screen", lambda: is_full_screen(desktop, window))
    check_area(desktop, window, full, "F11")
    shoot(desktop, shots, "fullscreen-1920x1080.png")

    # A click on the black beside the area turns the page, as one on the message window.
    x, y, w, h = full
    message = (x, y + h * 5 // 7, w, h * 2 // 7)
    before = desktop.x.grab(*message, step=2)
    desktop.x.xdotool("mousemove", x // 2, y + h * 6 // 7, "click", 1)
    wait_for("a click on the black side to turn the page",
             lambda: desktop.x.grab(*message, step=2) != before)
    check(True, "a click on the black side turns the page")

    desktop.x.xdotool("key", "--window", window, "alt+Return")
    wait_for("Alt+Enter to leave full screen", lambda: not is_full_screen(desktop, window))
    wait_for("the window's size again", lambda: client_size(desktop, window) == normal)
    check_area(desktop, window, geometry(desktop, window), "Alt+Enter back")

    desktop.wmctrl("-i", "-r", str(window), "-b", "add,fullscreen")
    wait_for("the window manager's full screen", lambda: is_full_screen(desktop, window))
    check_area(desktop, window, full, "window manager's full screen")
    desktop.x.xdotool("key", "--window", window, "Escape")
    wait_for("Escape to leave full screen", lambda: not is_full_screen(desktop, window))
    wait_for("the window's size after Escape", lambda: client_size(desktop, window) == normal)

    # Resized wider than high: the area keeps its proportions, its height the window's.
    desktop.x.xdotool("windowsize", window, 1000, 600)
    wait_for("the resize", lambda: client_size(desktop, window) == (1000, 600))
    check_area(desktop, window, expected_area(desktop, window, frame), "resized to 1000x600")
    close(desktop, process, window, "1920x1080")


def expected_area(desktop, window, frame):
    """Where the 5 by 7 area of a window that is not in full screen belongs: the client area
    of the largest window of 5 by 7 units, frame included, that fits in it, centred."""
    left, top, width, height = geometry(desktop, window)
    unit = min((width + frame[0] + frame[1]) / 5, (height + frame[2] + frame[3]) / 7)
    area_width = round(unit * 5) - frame[0] - frame[1]
    area_height = round(unit * 7) - frame[2] - frame[3]
    return (left + (width - area_width) // 2, top + (height - area_height) // 2,
            area_width, area_height)


def maximised(desktop, program, shots):
    process, window = start(desktop, program)
    frame = wait_for("the frame", lambda: frame_extents(desktop, window))
    desktop.wmctrl("-i", "-r", str(window), "-b", "add,maximized_vert,maximized_horz")
    wait_for("the window to be maximised", lambda: client_size(desktop, window)[0] > 1000)
    frame = frame_extents(desktop, window) or frame
    check_area(desktop, window, expected_area(desktop, window, frame), "maximised at 1366x768")
    shoot(desktop, shots, "maximised-1366x768.png")
    close(desktop, process, window, "1366x768")


def started_full_screen(desktop, program, shots):
    process, window = start(desktop, program, "--full-screen")
    wait_for("--full-screen", lambda: is_full_screen(desktop, window))
    check_area(desktop, window, full_screen_area(desktop.size), "--full-screen at 3840x2160")
    shoot(desktop, shots, "fullscreen-3840x2160.png")
    close(desktop, process, window, "3840x2160")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    parser.add_argument("--screenshots", help="a folder for PNGs of each screen")
    args = parser.parse_args()
    missing = tools_missing() + [tool for tool in ("openbox", "wmctrl", "xprop")
                                 if shutil.which(tool) is None]
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)
    scenes = [((1920, 1080), keys_and_window_manager), ((1366, 768), maximised),
              ((3840, 2160), started_full_screen)]
    for size, scene in scenes:
        with tempfile.TemporaryDirectory(prefix="tavrin-desktop-") as scratch:
            with Desktop(size, scratch) as desktop:
                print(f"{size[0]}x{size[1]} on {desktop.x.display_name}")
                try:
                    scene(desktop, args.tavrin, args.screenshots)
                except Failure as failure:
                    print(f"FAILED: {failure}")
                    shot = os.path.join(os.getcwd(), "desktop_e2e_failure.png")
                    desktop.x.screenshot(shot)
                    print(f"screen at the failure: {shot}")
                    return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
