#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Looking back and copying in the real window: under Xvfb the demo's first two pages are
read, Page Up shows the first page again, dimmed, Escape returns to the second as it was,
and Ctrl+C puts the page in view on the clipboard, read back with xclip.

    tests/e2e/look_back_e2e.py --tavrin build/tavrin [--screenshots DIR]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from xdisplay import XServer, tools_missing  # noqa: E402
from window_e2e import TEXT, Failure, Window, check, close_and_expect_zero, wait_for  # noqa: E402

DIMMED = (0, 110, 140)  # the message colour at 55% over black


def demo_pages(program):
    """The demo's first two pages as a reader has them, from its scenario."""
    with open(os.path.join(os.path.dirname(program), "dat.dat"), "rb") as f:
        lines = f.read().decode("cp932").split("\r\n")
    pages, page = [], []
    for line in lines:
        if line.startswith(">"):
            continue
        if line == "":
            if page:
                pages.append("\n".join(page))
                page = []
            continue
        page.append(line)
    return pages[:2]


def clipboard(x_server):
    return subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=x_server.env(),
                          capture_output=True, timeout=10).stdout.decode()


def look_back(x_server, program, scratch, shots):
    first, second = demo_pages(program)
    runtime = os.path.join(scratch, "runtime")
    home = os.path.join(scratch, "home")
    os.makedirs(runtime, mode=0o700)
    os.makedirs(home)
    env = dict(x_server.env(), HOME=home, XDG_RUNTIME_DIR=runtime, TMPDIR=home,
               PULSE_SERVER=f"unix:{runtime}/no-sound-server")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    process = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    try:
        window_id = wait_for("the window", lambda: x_server.windows_named("Tavrin"), 10)[0]
        w = Window(x_server, process, window_id)
        wait_for("the first page", lambda: w.message().count(TEXT, 30) >= 40, timeout=10)
        w.settled_message()
        w.click_message(1)
        present = w.settled_message()

        x_server.xdotool("key", "--window", window_id, "Prior")
        looked_at = wait_for("the page before, dimmed",
                             lambda: (lambda m: m if m.count(DIMMED, 12) >= 40 and
                                      m.count(TEXT, 12) == 0 else None)(w.message()))
        check(looked_at != present, "Page Up shows the page read before, dimmed")
        if shots:
            x_server.screenshot(os.path.join(shots, "look-back.png"), window_id)
        x_server.xdotool("key", "--window", window_id, "ctrl+c")
        wait_for("the page looked at on the clipboard", lambda: clipboard(x_server) == first)
        check(True, "Ctrl+C copies the page looked at, as plain text")

        x_server.xdotool("key", "--window", window_id, "Escape")
        wait_for("the page itself again", lambda: w.message(step=2) == present)
        check(True, "Escape returns to the page being read, as it was left")
        x_server.xdotool("key", "--window", window_id, "ctrl+c")
        wait_for("the page on the clipboard", lambda: clipboard(x_server) == second)
        check(w.message(step=2) == present, "Ctrl+C copies the page being read and moves nothing")
        close_and_expect_zero(x_server, process, window_id, "looking back")
        written = [os.path.join(d, n) for d, ds, fs in os.walk(home) for n in ds + fs]
        check(not written, f"nothing was written in the home folder ({written})")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    missing = tools_missing() + (["xclip"] if shutil.which("xclip") is None else [])
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    with XServer() as x_server, tempfile.TemporaryDirectory(prefix="tavrin-look-back-") as scratch:
        try:
            look_back(x_server, os.path.abspath(args.tavrin), scratch, args.screenshots)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
