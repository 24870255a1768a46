#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every archive of archives/ played as the reader plays it, against the same game unpacked.

For each archive: scripted play gives exactly the JSON lines of the unpacked game (the
pictures' names included, decoded to UTF-8), the check reports exactly what it reports of
the unpacked game and passes, and nothing is written anywhere (the working folder, the
home and temporary folders stay empty and the archive is unchanged). With --window, a few
archives are also opened in the real window under Xvfb, which must show the first picture.
Exit status 0 passes, 1 fails.

    archives_e2e.py --tavrin build/tavrin [--window]
"""

import argparse
import hashlib
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ARCHIVES = os.path.join(HERE, "archives")
GAME = os.path.join(ARCHIVES, "game")
KINDS = (".zip", ".lzh", ".7z", ".rar", ".exe")
EVENTS = "run\nclick\nrun\nclick right\nrun\nclick\nrun\nclose\n"
# Archives opened in the window: each kind of name and of reader once.
IN_WINDOW = ("zip-cp932.zip", "lzh-level0-lh0.lzh", "7z-solid.7z", "rar4-legacy.rar",
             "sfx-rar.exe")


class Sandbox:
    """Empty working, home and temporary folders for one run, to see that it writes nothing."""

    def __enter__(self):
        # The desktop's runtime folder is the desktop's: the sound system and Qt keep their
        # sockets there, and it is not watched.
        self.runtime = tempfile.mkdtemp(prefix="tavrin-runtime-")
        self.root = tempfile.mkdtemp(prefix="tavrin-archives-")
        self.folders = {name: os.path.join(self.root, name) for name in ("work", "home", "tmp")}
        for folder in self.folders.values():
            os.mkdir(folder)
        return self

    def env(self, extra=None):
        env = dict(os.environ, HOME=self.folders["home"], TMPDIR=self.folders["tmp"],
                   XDG_RUNTIME_DIR=self.runtime,
                   XDG_CACHE_HOME=os.path.join(self.folders["home"], ".cache"),
                   XDG_CONFIG_HOME=os.path.join(self.folders["home"], ".config"),
                   XDG_DATA_HOME=os.path.join(self.folders["home"], ".local/share"))
        env.update(extra or {})
        return env

    def written(self):
        return [os.path.relpath(os.path.join(top, name), self.root)
                for top, dirs, files in os.walk(self.root) for name in dirs + files
                if top != self.root]

    def __exit__(self, *exc):
        subprocess.run(["rm", "-rf", self.root, self.runtime], check=False)


def run(tavrin, args, sandbox, stdin=""):
    return subprocess.run([tavrin, *args], input=stdin, capture_output=True, text=True,
                          cwd=sandbox.folders["work"], env=sandbox.env(), timeout=60)


def fingerprint(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest(), os.stat(path).st_mtime_ns


def play_and_check(tavrin, archive, expected_play, expected_check):
    """The failures of one archive, as sentences."""
    failures = []
    before = fingerprint(archive)
    with Sandbox() as sandbox:
        played = run(tavrin, ["--headless", archive], sandbox, EVENTS)
        if played.returncode != 0 or played.stdout != expected_play:
            failures.append(f"scripted play differs from the unpacked game (exit "
                            f"{played.returncode}): {played.stderr.strip()}\n"
                            + first_difference(expected_play, played.stdout))
        checked = run(tavrin, ["--check", archive], sandbox)
        if checked.returncode != 0 or checked.stdout != expected_check:
            failures.append(f"the check differs (exit {checked.returncode}):\n"
                            f"  {checked.stdout.strip()}\n  {checked.stderr.strip()}")
        if sandbox.written():
            failures.append(f"it wrote {sandbox.written()}")
    if fingerprint(archive) != before:
        failures.append("the archive changed")
    return failures


def first_difference(expected, got):
    for number, (a, b) in enumerate(zip(expected.splitlines(), got.splitlines()), 1):
        if a != b:
            return f"  line {number}\n  expected {a[:300]}\n  got      {b[:300]}"
    return f"  {len(expected.splitlines())} lines expected, {len(got.splitlines())} got"


def in_window(tavrin, archives):
    """The failures of opening each of `archives` in the window."""
    sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
    from xdisplay import XServer, stop_process, tools_missing  # noqa: E402
    from window_e2e import Window, picture_mean, near, wait_for, Failure  # noqa: E402
    if tools_missing():
        print("skip: the window needs Xvfb, xdotool and ImageMagick")
        return []
    cover = picture_mean(os.path.join(GAME, "img", "表紙.jpg"))
    failures = []
    with XServer() as x_server, Sandbox() as sandbox:
        for name in archives:
            process = subprocess.Popen([tavrin, os.path.join(ARCHIVES, name)],
                                       env=sandbox.env(x_server.env()),
                                       cwd=sandbox.folders["work"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                window = Window(x_server, process, wait_for(
                    "the Tavrin window", lambda: x_server.windows_named("Tavrin"), 10)[0])
                wait_for(f"{name}: the first picture",
                         lambda: near(window.picture().mean(), cover, 12), timeout=10)
                print(f"ok: {name} shows its first picture in the window")
            except Failure as failure:
                failures.append(f"{name}: {failure}")
            finally:
                stop_process(process)
        if sandbox.written():
            failures.append(f"the window wrote {sandbox.written()}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tavrin", required=True)
    parser.add_argument("--window", action="store_true")
    args = parser.parse_args()
    tavrin = os.path.abspath(args.tavrin)
    with Sandbox() as sandbox:
        expected_play = run(tavrin, ["--headless", GAME], sandbox, EVENTS).stdout
        expected_check = run(tavrin, ["--check", GAME], sandbox).stdout
    if "img/背景/教室.jpg" not in expected_play:
        print("FAILED: the unpacked game does not show its pictures")
        return 1
    names = sorted(n for n in os.listdir(ARCHIVES) if n.endswith(KINDS))
    failed = 0
    for name in names:
        failures = play_and_check(tavrin, os.path.join(ARCHIVES, name), expected_play,
                                  expected_check)
        print(("ok: " if not failures else "FAILED: ") + name)
        for failure in failures:
            print("  " + failure)
        failed += bool(failures)
    window_failures = in_window(tavrin, IN_WINDOW) if args.window else []
    for failure in window_failures:
        print("FAILED: " + failure)
    print(f"{len(names) - failed} passed, {failed + len(window_failures)} failed")
    return 1 if failed or window_failures else 0


if __name__ == "__main__":
    sys.exit(main())
