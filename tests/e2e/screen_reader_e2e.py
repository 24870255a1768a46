#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What a screen reader says while the demo is played: Orca, with its speech written to its
debug log only (orca_speech_log.py), on a D-Bus session and an accessibility bus of the
test's own, under Xvfb with openbox.

The demo is played to its ending with nothing pressed but the keys that turn pages (Enter,
Space, a click on the message window). Each page must be spoken once, whole, as it appears,
in order; at the choice its question once and then the caption of the button that has the
keyboard; after the pick the new page, never the question again. Every page and the
question must reach Orca marked as Japanese (the language it asks the speech synthesizer
for, from the text's "language" attribute). Nothing else is said but the window's title
as it opens. The pages expected are those of `tavrin --headless` playing the same game.
Exit status 0 passes, 1 fails, 77 is a skip (a tool or Orca missing).
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdisplay import XServer, stop_process, tools_missing  # noqa: E402
from window_e2e import Failure, check  # noqa: E402
from window_e2e import wait_for as wait_for_shown  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

SESSION_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# One utterance in Orca's debug log, and the text (with its language) Orca spoke as the line
# of a text object: a page, or the question of a choice.
UTTERANCE = re.compile(r"^\d\d:\d\d:\d\d\.\d+ - SPEECH OUTPUT: '(.*?)'(?: voice=\w+)? ?\{[^\n]*\}$",
                       re.M | re.S)
LINE_SPOKEN = re.compile(r"voice requested with language='([^']*)', dialect='[^']*'\n"
                         r"\s+GENERATION TIME: [\d.]+\s+---->\s+currentLineText=\[(.*)\]$", re.M)
CONTINUED = "\n" + " " * 18  # how the log goes on with a line of the same message


def wait_for(what, predicate, timeout=15.0, interval=0.05):
    """As the window tests wait, with the longer default a screen reader needs."""
    return wait_for_shown(what, predicate, timeout, interval)


def orca_python():
    """The interpreter Orca is installed for (its launcher's), or None without Orca."""
    orca = shutil.which("orca")
    if orca is None:
        return None
    with open(orca, "rb") as launcher:
        first = launcher.readline().decode(errors="replace").strip()
    if not first.startswith("#!"):
        return None
    command = first[2:].split()
    if os.path.basename(command[0]) == "env" and len(command) > 1:
        command = [shutil.which(command[1]) or command[1]]
    return command[0]


def bus_launcher():
    """The accessibility bus launcher, as D-Bus would start it for org.a11y.Bus."""
    dirs = os.environ.get("XDG_DATA_DIRS") or "/usr/local/share:/usr/share"
    for folder in dirs.split(":"):
        service = os.path.join(folder, "dbus-1", "services", "org.a11y.Bus.service")
        if os.path.exists(service):
            with open(service, encoding="utf-8") as text:
                for line in text:
                    if line.startswith("Exec="):
                        return line[len("Exec="):].split()[0]
    return None


def missing(python, launcher):
    absent = tools_missing() + [tool for tool in ("openbox", "wmctrl", "dbus-daemon", "dbus-send")
                                if shutil.which(tool) is None]
    if python is None:
        absent.append("orca")
    elif subprocess.run([python, "-c", "import importlib.util as u, sys; sys.exit(not all("
                         "u.find_spec(m) for m in ('pyatspi', 'orca.orca')))"],
                        capture_output=True, timeout=60).returncode != 0:
        # Found, not imported: pyatspi connects to an accessibility bus as it is imported.
        absent.append("Orca's Python modules (orca, pyatspi)")
    if launcher is None or not os.access(launcher, os.X_OK):
        absent.append("at-spi2-core's bus launcher")
    return absent


def reader_text(message):
    """A page of --headless output as the message window gives it to screen readers."""
    text = message.lstrip("\r\n")
    if text.endswith("\u25BC"):
        text = text[:-1]
    return text.replace("\r\n", "\n")


def expected_reading(program, game):
    """What the demo shows, played with --headless taking every first choice, up to where
    the story starts over: ("page", text) and ("choice", question, first caption)."""
    process = subprocess.Popen([program, "--headless", game], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               encoding="utf-8")
    steps = []
    try:
        def send(command):
            process.stdin.write(command + "\n")
            process.stdin.flush()
            return json.loads(process.stdout.readline())

        json.loads(process.stdout.readline())  # the start
        state = send("run")
        first = None
        for _ in range(200):
            text = reader_text(state["message"]["text"])
            choices = [c["caption"] for c in state["choices"] if c["visible"]]
            if choices:
                steps.append(("choice", text, choices[0]))
                send("choose 0")
            else:
                if text == first:
                    break
                first = first or text
                steps.append(("page", text))
                send("click left")
            state = send("run")
        else:
            raise Failure("--headless play never came back to its first page")
        send("close")
    finally:
        stop_process(process)
    return steps


class ScreenReader:
    """Xvfb, openbox, a private D-Bus session with its accessibility bus, and Orca logging."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.processes = []
        self.x = None
        self.env = None
        self.log = os.path.join(scratch, "orca.log")

    def folder(self, name):
        path = os.path.join(self.scratch, name)
        os.makedirs(path, mode=0o700)
        return path

    def start(self, python, launcher):
        self.x = XServer(1280, 1024).__enter__()
        env = self.x.env()
        for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "XDG_CONFIG_HOME",
                     "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_DIRS", "LANGUAGE",
                     "LC_ALL", "SESSION_MANAGER"):
            env.pop(name, None)
        env.update(HOME=self.folder("home"), XDG_RUNTIME_DIR=self.folder("runtime"),
                   TMPDIR=self.folder("tmp"), LANG="C.UTF-8", GSETTINGS_BACKEND="memory",
                   NO_AT_BRIDGE="1")
        self.env = env
        self.spawn(["openbox", "--sm-disable"])
        wait_for("openbox to manage the screen", lambda: subprocess.run(
            ["wmctrl", "-m"], env=env, capture_output=True).returncode == 0)

        config = os.path.join(self.scratch, "session.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(SESSION_BUS_CONFIG.format(folder=self.folder("bus")))
        bus = self.spawn(["dbus-daemon", "--config-file", config, "--nofork",
                          "--print-address=1"], stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise Failure("the D-Bus session did not start")
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.spawn([launcher, "--launch-immediately", "--a11y=1", "--screen-reader=1"],
                   start_new_session=True)
        wait_for("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=env, capture_output=True).returncode == 0)

        self.spawn([python, os.path.join(HERE, "orca_speech_log.py"), self.folder("orca"),
                    self.log])
        wait_for("Orca to listen", lambda: "ORCA: Starting registry" in self.read(), timeout=60)

    def spawn(self, command, stdout=subprocess.DEVNULL, **options):
        process = subprocess.Popen(command, env=self.env, stdout=stdout,
                                   stderr=subprocess.DEVNULL, **options)
        self.processes.append((process, options.get("start_new_session", False)))
        return process

    def read(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as log:
                return log.read()
        except FileNotFoundError:
            return ""

    def utterances(self):
        return [u.replace(CONTINUED, "\n") for u in UTTERANCE.findall(self.read())]

    def lines_spoken(self):
        """The lines of text objects Orca spoke, each with the language it asked for."""
        return [(language, text.replace("\\n", "\n"))
                for language, text in LINE_SPOKEN.findall(self.read())]

    def stop(self):
        for process, own_group in reversed(self.processes):
            if own_group:
                # The bus launcher's accessibility bus and registry are in its group.
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
            stop_process(process)
        if self.x:
            self.x.__exit__(None, None, None)


class Reading:
    """Tavrin played under the screen reader, and what the screen reader says of it."""

    def __init__(self, reader, program, scratch):
        self.reader = reader
        self.folders = {name: os.path.join(scratch, "tavrin-" + name.lower())
                        for name in ("HOME", "XDG_RUNTIME_DIR", "TMPDIR")}
        env = dict(reader.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("NO_AT_BRIDGE", None)
        for name, path in self.folders.items():
            os.makedirs(path, mode=0o700)
            env[name] = path
        # No sound server: the music's client would otherwise set one up in the runtime folder.
        env["PULSE_SERVER"] = f"unix:{self.folders['XDG_RUNTIME_DIR']}/no-sound-server"
        self.before = len(reader.utterances())
        self.output = os.path.join(scratch, "tavrin.out")
        with open(self.output, "wb") as out:
            self.process = subprocess.Popen([program], env=env, stdout=out, stderr=out)
        self.window = wait_for("the Tavrin window", lambda: reader.x.windows_named("Tavrin"))[0]
        self.heard = 0  # utterances of Tavrin's checked so far
        self.presses = 0

    def said(self):
        return self.reader.utterances()[self.before:]

    def next_utterance(self, what):
        said = wait_for(what, lambda: (lambda s: s if len(s) > self.heard else None)(
            self.said()))
        self.heard += 1
        return said[self.heard - 1]

    def turn(self):
        """Enter, Space or a click on the message window, in turn."""
        self.presses += 1
        how = self.presses % 3
        if how == 0:
            x, y, width, height = self.reader.x.geometry(self.window)
            self.reader.x.xdotool("mousemove", x + width // 2, y + height * 13 // 14,
                                  "click", "1")
        else:
            self.reader.x.xdotool("key", "Return" if how == 1 else "space")

    def pick(self):
        self.reader.x.xdotool("key", "Return")

    def close(self):
        self.reader.x.close_window(self.window)
        try:
            return self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise Failure("Tavrin did not end after its window was closed")

    def written(self):
        return [os.path.join(folder, name) for path in self.folders.values()
                for folder, dirs, files in os.walk(path) for name in dirs + files]


def made_of(utterance, text):
    """Whether Orca spoke `text` as `utterance`: as it is, or (ending in a letter) with the
    full stop Orca gives the pause after it."""
    return utterance == text or (text[-1:].isalnum() and utterance == text + ".")


def play(reader, program, steps, scratch):
    reading = Reading(reader, program, scratch)
    try:
        title = reading.next_utterance("the window's title")
        check(title == "Tavrin frame.", f"the window opens as a frame named Tavrin ({title!r})")
        read = []  # the views and the question, as Orca spoke them
        pages = 0
        for index, step in enumerate(steps):
            if step[0] == "page":
                pages += 1
                text = step[1]
                heard = ""
                whole = text.replace("\n", "")
                while True:  # a page taller than the message window is read view by view
                    said = reading.next_utterance(f"page {pages}")
                    rest = whole[len(heard):]
                    view = next((made for made in (said, said[:-1]) if made and made_of(said, made)
                                 and rest.startswith(made.replace("\n", ""))), None)
                    if view is None:
                        raise Failure(f"page {pages}: heard {said!r}, expected {text!r}")
                    read.append(view)
                    heard += view.replace("\n", "")
                    if heard == whole:
                        break
                    reading.turn()
                print(f"ok: page {pages} spoken once, whole: {text.splitlines()[0]!r}")
                if index + 1 < len(steps):
                    reading.turn()
            else:
                _, question, caption = step
                heard = reading.next_utterance("the question")
                check(made_of(heard, question), f"at the choice the question is spoken ({heard!r})")
                read.append(heard)
                heard = reading.next_utterance("the focused caption")
                check(heard == f"{caption} push button.",
                      f"then the button with the keyboard ({heard!r})")
                reading.pick()

        # Each of them reached Orca as a text in Japanese, once.
        lines = reader.lines_spoken()
        for text in read:
            marked = [language for language, line in lines if line == text]
            check(marked == ["ja"], f"marked Japanese: {text.splitlines()[0]!r} ({marked})")
        check(reading.close() == 0, "closing the window ends Tavrin with status 0")
        with open(reading.output, encoding="utf-8", errors="replace") as out:
            output = out.read()
        check(output == "", f"Tavrin said nothing on its output ({output[:200]!r})")
        extra = reading.said()[reading.heard:]
        check(extra == [], f"nothing else was said ({extra[:3]!r})")
        check(reading.written() == [], f"playing wrote nothing ({reading.written()[:5]})")
    finally:
        if reading.process.poll() is None:
            reading.process.kill()
            reading.process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    parser.add_argument("--keep-log", help="copy Orca's debug log here")
    args = parser.parse_args()

    python = orca_python()
    launcher = bus_launcher()
    absent = missing(python, launcher)
    if absent:
        print(f"skipped: {', '.join(absent)} not installed")
        return 77
    game = os.path.dirname(os.path.abspath(args.tavrin))
    if not os.path.exists(os.path.join(game, "dat.dat")):
        print("skipped: no game beside the program")
        return 77

    started = time.monotonic()
    try:
        steps = expected_reading(args.tavrin, game)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    print(f"--headless: {sum(s[0] == 'page' for s in steps)} pages and "
          f"{sum(s[0] == 'choice' for s in steps)} choice to the ending")
    with tempfile.TemporaryDirectory(prefix="tavrin-screen-reader-") as scratch:
        reader = ScreenReader(scratch)
        try:
            reader.start(python, launcher)
            print(f"Xvfb on {reader.x.display_name}, Orca listening")
            play(reader, args.tavrin, steps, scratch)
        except Failure as failure:
            print(f"FAILED: {failure}")
            print("Orca said:", json.dumps(reader.utterances(), ensure_ascii=False, indent=1))
            return 1
        finally:
            reader.stop()
            if args.keep_log and os.path.exists(reader.log):
                shutil.copy(reader.log, args.keep_log)
    print(f"passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
