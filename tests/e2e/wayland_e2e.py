#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of the `tavrin` window on Wayland: weston of its own, and no X for Qt.

The game beside the program plays with Qt's platform left to choose, WAYLAND_DISPLAY naming
weston's socket and no DISPLAY at all. On a headless weston of 1920x1080: Qt's Wayland
plugin is the one loaded, the window opens at 5 by 7 units of a ninth of the output's
height with its frame, the first page shows its picture and its text in the message colour,
SIGTERM ends the program, standard error stays empty and nothing is written to the home,
runtime or temporary folder. Then --full-screen: the 5:7 grid the output's height, centred,
black on both sides. Then an output at scale 2: the text still shows. Then weston in a
private X server's window, whose seat xdotool drives: a click on the close button that Qt
draws ends the program with status 0. Last, with no display to be reached, the program ends
at once with status 1 and says so. Exit status 0 passes, 1 fails, 77 is a skip.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import weston  # noqa: E402
from weston import BACKGROUND, Weston, private_folder  # noqa: E402
from xdisplay import XServer  # noqa: E402
from xdisplay import tools_missing as x_tools_missing  # noqa: E402

from window_e2e import Failure, check, near  # noqa: E402

TEXT = (0, 200, 255)
BLACK = (0, 0, 0)


def first_picture(game):
    """The mean colour of the picture the scenario shows first, by ImageMagick."""
    with open(os.path.join(game, "dat.dat"), "rb") as f:
        lines = f.read().decode("cp932").splitlines()
    name = next(line.split(None, 1)[1].strip() for line in lines if line.startswith(">img "))
    out = subprocess.run(["convert", os.path.join(game, "img", name + ".jpg"), "-resize",
                          "1x1!", "-depth", "8", "rgb:-"], capture_output=True, check=True)
    return tuple(out.stdout[:3])


class Run:
    """One tavrin on the compositor, with a runtime, home and temporary folder of its own
    that it should leave empty; standard output and error go to files elsewhere."""

    def __init__(self, compositor, program, *args):
        self.folders = [private_folder(f"tavrin-wl-{what}-") for what in ("run", "home", "tmp")]
        self.output = private_folder("tavrin-wl-output-")
        self.stderr_path = os.path.join(self.output, "stderr")
        with open(os.path.join(self.output, "stdout"), "wb") as out, \
                open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([program, *args],
                                            env=compositor.client_env(*self.folders),
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    def platform_plugins(self):
        """The file names of the Qt platform plugins mapped into the process."""
        with open(f"/proc/{self.process.pid}/maps") as f:
            return {os.path.basename(line.split()[-1]) for line in f if "/platforms/" in line}

    def handles_sigterm(self):
        """Whether the program catches SIGTERM, or blocks it to read it another way."""
        with open(f"/proc/{self.process.pid}/status") as f:
            masks = {key: int(value, 16) for key, _, value in
                     (line.partition(":") for line in f) if key in ("SigCgt", "SigBlk")}
        return any(mask & (1 << (signal.SIGTERM - 1)) for mask in masks.values())

    def wait(self, what, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{what}: the program did not end")

    def terminate(self, what):
        """SIGTERM, as the end of a session sends it. The program must end: with status 0 if
        it handles the signal, by the signal if it does not."""
        handled = self.handles_sigterm()
        self.process.send_signal(signal.SIGTERM)
        status = self.wait(f"{what}, SIGTERM")
        expected = 0 if handled else -signal.SIGTERM
        how = "handled, status 0" if handled else "not handled: ended by the signal"
        check(status == expected, f"{what}: SIGTERM ends the program ({how}; got {status})")

    def check_quiet(self, what):
        """After the program's end: nothing on standard error, nothing written."""
        check(self.stderr() == "", f"{what}: standard error is empty ({self.stderr()[:300]!r})")
        written = [os.path.join(root, name) for folder in self.folders
                   for root, dirs, files in os.walk(folder) for name in dirs + files]
        check(written == [], f"{what}: playing wrote nothing ({written})")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for folder in self.folders + [self.output]:
            shutil.rmtree(folder, ignore_errors=True)


def wait_for_shot(compositor, what, predicate, run, timeout=20.0):
    """The first screenshot for which `predicate` gives something true, and that."""
    deadline = time.monotonic() + timeout
    while True:
        image = compositor.screenshot()
        found = predicate(image)
        if found:
            return image, found
        if run.process.poll() is not None:
            raise Failure(f"the program ended ({run.process.returncode}) before {what}: "
                          f"{run.stderr()[:300]!r}")
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")


def client_area(image, box):
    """The window's client area inside its box: the frame is the run of the frame's colour
    (that of the left edge half way down) in from each side, along a line just inside."""
    left, top, right, bottom = box
    middle = (top + bottom) // 2
    colour = image.pixel(left, middle)

    def run(points):
        n = 0
        for x, y in points:
            if image.pixel(x, y) != colour:
                break
            n += 1
        return n

    inner_left = left + run((x, middle) for x in range(left, right))
    inner_right = right - run((x, middle) for x in range(right - 1, left, -1))
    inner_top = top + run((inner_left, y) for y in range(top, bottom))
    inner_bottom = bottom - run((inner_left, y) for y in range(bottom - 1, top, -1))
    return inner_left, inner_top, inner_right, inner_bottom


def first_page_window(image):
    """The window's box, client area and the top of its message window once the message
    window shows text; else None. (Rows with a few pixels off the desktop, a pointer's, are
    not the window.)"""
    box = image.box_unlike(BACKGROUND, least=50)
    if box is None:
        return None
    left, top, right, bottom = client = client_area(image, box)
    split = top + round((bottom - top) * 5 / 7)
    if image.count(TEXT, (left, split, right, bottom)) < 40:
        return None
    return box, client, split


def windowed(compositor, program, picture, shots):
    run = Run(compositor, program)
    try:
        image, (box, client, split) = wait_for_shot(compositor, "the first page's text",
                                                    first_page_window, run)
        if shots:
            compositor.keep_last(os.path.join(shots, "wayland-first-page.png"))
        plugins = run.platform_plugins()
        check(any(p.startswith("libqwayland") for p in plugins)
              and not any(p.startswith("libqxcb") for p in plugins),
              f"with no DISPLAY, Qt runs on its Wayland platform ({', '.join(sorted(plugins))})")
        run.terminate("windowed")
        run.check_quiet("windowed")
    finally:
        run.close()
    # The first page as it was shown, its text found by the wait.
    print(f"seen: {image.count(TEXT, (client[0], split, client[2], client[3]))} pixels of "
          f"RGB(0, 200, 255) in the message window (the client area's bottom 2/7)")
    picture_mean = image.mean((client[0], client[1], client[2], split))
    check(near(picture_mean, picture, 24),
          f"the picture area (the top 5/7) shows the first picture (mean "
          f"{tuple(round(v) for v in picture_mean)}, the picture's {picture})")
    unit = compositor.size[1] / 9
    expected = (round(5 * unit), round(7 * unit))
    outer = (box[2] - box[0], box[3] - box[1])
    print(f"window at {box[0]},{box[1]}, client area {client}")
    check(all(abs(a - b) <= 2 for a, b in zip(outer, expected)),
          f"the window, frame included, is 5 by 7 units of a ninth of the output's height: "
          f"{expected[0]}x{expected[1]} (got {outer[0]}x{outer[1]})")


def full_screen(compositor, program, shots):
    width, height = compositor.size
    split = round(height * 5 / 7)

    def grid(image):
        # The picture's columns, not black half way down its area; no desktop in sight.
        if image.count(BACKGROUND, (0, 0, width, height)) != 0:
            return None
        columns = [x for x, p in enumerate(image.pixels((0, split // 2, width, split // 2 + 1)))
                   if p != BLACK]
        if not columns:
            return None
        left, right = columns[0], columns[-1] + 1
        if image.count(TEXT, (left, split, right, height)) < 40:
            return None
        return left, right

    run = Run(compositor, program, "--full-screen")
    try:
        image, (left, right) = wait_for_shot(compositor, "the first page in full screen",
                                             grid, run)
        if shots:
            compositor.keep_last(os.path.join(shots, "wayland-full-screen.png"))
        check(abs((right - left) - height * 5 / 7) <= 2 and abs(left - (width - right)) <= 2,
              f"in full screen the 5:7 grid is the output's height, {height * 5 / 7:.0f} "
              f"wide, centred (columns {left} to {right} of {width})")
        sides = image.count(BLACK, (0, 0, left, height)) + \
            image.count(BLACK, (right, 0, width, height))
        check(sides == (width - (right - left)) * height,
              "the output is black on both sides of the grid")
        run.terminate("full screen")
        run.check_quiet("full screen")
    finally:
        run.close()


def scaled(compositor, program, shots):
    run = Run(compositor, program)
    try:
        image, (box, client, split) = wait_for_shot(
            compositor, "the first page's text at scale 2", first_page_window, run)
        if shots:
            compositor.keep_last(os.path.join(shots, "wayland-scale-2.png"))
        print(f"seen at scale 2: {image.count(TEXT, (client[0], split, client[2], client[3]))} "
              f"pixels of RGB(0, 200, 255) in the message window of a window "
              f"{box[2] - box[0]}x{box[3] - box[1]} pixels")
        run.terminate("scale 2")
        run.check_quiet("scale 2")
    finally:
        run.close()


def close_button(image, box):
    """The middle of the rightmost dark mark in the title bar, the close button's cross, or
    None (a window not yet active draws its buttons pale)."""
    left, top, right, bottom = box
    client = client_area(image, box)
    dark = [(x, y) for y in range(top, client[1]) for x in range(right - 60, right)
            if sum(image.pixel(x, y)) < 250]
    if not dark:
        return None
    edge = max(x for x, _ in dark)
    cross = [(x, y) for x, y in dark if x > edge - 16]
    return (sum(x for x, _ in cross) // len(cross), sum(y for _, y in cross) // len(cross))


def closed_by_its_button(compositor, program):
    run = Run(compositor, program)
    try:
        width, height = compositor.size
        compositor.click(0, height - 1)  # the pointer out of the way, on the desktop
        seen = []

        def settled_button(image):
            # The window active, its text shown, and where it was at the screenshot before:
            # activation may still lay it out again for the frame it then learns.
            window = first_page_window(image)
            button = close_button(image, window[0]) if window else None
            seen.append((window and window[0], button))
            return button if button and len(seen) > 1 and seen[-2] == seen[-1] else None

        image, button = wait_for_shot(compositor, "the first page in an active window",
                                      settled_button, run)
        compositor.click(*button)
        status = run.wait("a click on the window's close button")
        check(status == 0, f"a click on the close button Qt draws ends the program with "
                           f"status 0 (got {status})")
        run.check_quiet("closed")
    finally:
        run.close()


def no_display(program):
    """WAYLAND_DISPLAY naming a socket nobody listens on, or nothing at all, and no DISPLAY.
    """
    with tempfile.TemporaryDirectory(prefix="tavrin-wl-none-") as folder:
        os.chmod(folder, 0o700)
        for what, wayland in (("a dead WAYLAND_DISPLAY", os.path.join(folder, "none")),
                              ("no WAYLAND_DISPLAY", None)):
            env = dict(os.environ, XDG_RUNTIME_DIR=folder, HOME=folder, TMPDIR=folder)
            for variable in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM",
                             "XDG_SESSION_TYPE"):
                env.pop(variable, None)
            if wayland:
                env["WAYLAND_DISPLAY"] = wayland
            try:
                result = subprocess.run([program], env=env, stdin=subprocess.DEVNULL,
                                        capture_output=True, timeout=20)
            except subprocess.TimeoutExpired:
                raise Failure(f"{what} and no DISPLAY: the program did not end")
            stderr = result.stderr.decode(errors="replace")
            check(result.returncode == 1 and "display" in stderr.lower(),
                  f"{what} and no DISPLAY: status 1 and a word about the display "
                  f"(got {result.returncode}, {stderr.strip()!r})")
        check(os.listdir(folder) == [], "and nothing written")


def stage(name, failures, compositor, steps):
    """Runs one stage's `steps`; a failure is kept, with the output as it was, and the
    next stage runs."""
    try:
        steps()
    except Failure as failure:
        print(f"FAILED: {failure}")
        failures.append(name)
        if compositor is not None:
            shot = os.path.join(os.getcwd(), f"wayland_e2e_{name}.png")
            if compositor.keep_last(shot):
                print(f"the output at the failure: {shot}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    parser.add_argument("--screenshots", help="a folder for PNGs of the first page, full "
                                              "screen and scale 2")
    args = parser.parse_args()

    missing = weston.tools_missing() + [t for t in x_tools_missing() if t != "convert"]
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    program = os.path.abspath(args.tavrin)
    game = os.path.dirname(program)
    if not os.path.exists(os.path.join(game, "dat.dat")):
        print(f"FAILED: no game beside {program} (the build copies the demo there)")
        return 1
    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)
    picture = first_picture(game)
    shots = args.screenshots

    failures = []
    with Weston(1920, 1080) as compositor:
        print("headless weston, 1920x1080")
        stage("windowed", failures, compositor,
              lambda: windowed(compositor, program, picture, shots))
        stage("full_screen", failures, compositor,
              lambda: full_screen(compositor, program, shots))
    with Weston(960, 540, scale=2) as compositor:
        print("headless weston, 1920x1080 pixels at scale 2")
        stage("scale_2", failures, compositor, lambda: scaled(compositor, program, shots))
    with XServer(1920, 1080) as x_server, Weston(1920, 1080, x_server=x_server) as compositor:
        print(f"weston in a window of Xvfb {x_server.display_name}, 1920x1080")
        stage("close", failures, compositor, lambda: closed_by_its_button(compositor, program))
    stage("no_display", failures, None, lambda: no_display(program))
    if failures:
        print(f"FAILED: {', '.join(failures)}")
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
