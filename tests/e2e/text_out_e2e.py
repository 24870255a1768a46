#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of --text-out: the real window under Xvfb, read as a pop-up dictionary
reads it.

    tests/e2e/text_out_e2e.py --tavrin build/tavrin [--game FOLDER]

The pages and questions of one way through the game, up to its ending, are first read from
scripted play (--headless: each page as it waits for the reader, each question with its
captions; the first choice taken each time). Then the window plays the same way with
--text-out=ws:PORT --text-out=stdout (PORT free at run time), xdotool clicking as a reader
does: a WebSocket client receives exactly those pages and questions, in order, once each
(a question as its text and its two captions, one a line), and standard output has the
same as JSON lines; a client that connects later gets the page in view at once; nothing is
written to the home or temporary folders. Then --text-out=clipboard: the first
pages are read from the clipboard with xclip. Exit status 0 passes, 1 fails, 77 is a skip.

Without --game the demo beside the program is played.
"""

import argparse
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from xdisplay import XServer, stop_process, tools_missing  # noqa: E402
from window_e2e import Failure, Window, check, choice_share, wait_for  # noqa: E402

PAGE_END = "\u25bc"  # ▼
STEPS = 400  # a guard: no way through a game to test is longer


def import_websocket():
    """Debian's python3-websocket (module `websocket`); None when it is not installed. It
    belongs to the system's interpreter, which may not be the one running this (a pyenv or
    a virtual environment): then it is taken from there."""
    try:
        import websocket
        return websocket
    except ImportError:
        pass
    system = shutil.which("python3", path="/usr/bin")
    if system is None or os.path.realpath(system) == os.path.realpath(sys.executable):
        return None
    found = subprocess.run(
        [system, "-c", "import os, websocket; print(os.path.dirname(os.path.dirname("
                       "websocket.__file__)))"], capture_output=True, text=True)
    if found.returncode != 0:
        return None
    sys.path.append(found.stdout.strip())
    try:
        import websocket
        return websocket
    except ImportError:
        return None


def reader_text(message):
    """A page as a reader has it: its lines one a line, no leading empty row, no mark."""
    if message.endswith(PAGE_END):
        message = message[:-len(PAGE_END)]
    return message.replace("\r\n", "\n").replace("\r", "\n").strip("\n")


class Item:
    """A page (`choices` None) or a question, as the text outs hand it out."""

    def __init__(self, text, choices=None):
        self.text = text
        self.choices = choices

    def message(self):
        return "\n".join([self.text, *self.choices]) if self.choices else self.text

    def line(self):
        return {"text": self.text, **({"choices": self.choices} if self.choices else {})}

    def __repr__(self):
        return repr(self.message()[:60])


def expected_items(program, game, env):
    """The pages and questions of scripted play, first choices taken, up to the page after
    which the game starts again (or ends)."""
    process = subprocess.Popen([program, "--headless", game], env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True, encoding="utf-8")

    def step(event):
        process.stdin.write(event + "\n")
        process.stdin.flush()
        return json.loads(process.stdout.readline())

    items = []
    try:
        process.stdout.readline()  # the start
        for _ in range(STEPS):
            state = step("run")
            if not state["script_open"]:
                break
            captions = [c["caption"] for c in state["choices"] if c["visible"]]
            if len(captions) == 2:
                items.append(Item(reader_text(state["message"]["text"]), captions))
                step("choose 0")
            elif state["prompt"] == PAGE_END:
                page = Item(reader_text(state["message"]["text"]))
                if items and page.text == items[0].text:
                    break  # the game starts again
                items.append(page)
                step("click left")
            else:
                raise Failure(f"scripted play came to rest neither at a page end nor at a "
                              f"choice: {state}")
        else:
            raise Failure(f"scripted play found no ending in {STEPS} steps")
    finally:
        process.stdin.close()
        process.wait(30)
    return items


def free_port():
    """A port free on the loopback addresses now (it is only likely to stay so)."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Folders:
    """An empty home, runtime and temporary folder for one run of the program."""

    def __init__(self, scratch, name):
        self.paths = {}
        for variable in ("HOME", "XDG_RUNTIME_DIR", "TMPDIR"):
            path = os.path.join(scratch, name, variable.lower())
            os.makedirs(path, mode=0o700)
            self.paths[variable] = path

    def env(self, base):
        env = dict(base)
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
            env.pop(name, None)
        env.update(self.paths)
        return env

    def untouched(self):
        """Whether the home and temporary folders are still empty. (The sound library makes
        its own folder in the runtime folder, --text-out or not.)"""
        return not os.listdir(self.paths["HOME"]) and not os.listdir(self.paths["TMPDIR"])


class Lines:
    """The lines of a stream, read as they come by a thread of their own."""

    def __init__(self, stream):
        self.lines = []
        self.thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self.thread.start()

    def _read(self, stream):
        for line in stream:
            self.lines.append(line)


def start(x_server, program, folders, *options):
    process = subprocess.Popen([program, *options], env=folders.env(x_server.env()),
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    window = wait_for("the Tavrin window", lambda: x_server.windows_named("Tavrin"),
                      timeout=20)[0]
    return process, Window(x_server, process, window)


def finish(x_server, process, window, what):
    """Closes the window; the program's standard error, once it has ended with status 0."""
    x_server.close_window(window.id)
    try:
        process.wait(20)
    except subprocess.TimeoutExpired:
        raise Failure(f"{what}: the program did not end after its window was closed")
    stderr = process.stderr.read().decode(errors="replace")
    check(process.returncode == 0, f"{what}: closing the window ends the program with status 0 "
                                   f"(got {process.returncode}; {stderr.strip()!r})")
    return stderr


def connect(websocket, port):
    def attempt():
        try:
            return websocket.create_connection(f"ws://localhost:{port}/", timeout=5)
        except (OSError, websocket.WebSocketException):
            return None
    return wait_for(f"a connection to ws://localhost:{port}", attempt, timeout=20, interval=0.05)


def next_message(websocket, client, window, timeout=30.0, quiet=0.8):
    """The next message to `client`. A page longer than the message window waits at the end
    of each view for a click and sends nothing until its last: when the message window has
    been still for `quiet` seconds and nothing came, it is clicked on."""
    deadline = time.monotonic() + timeout
    client.settimeout(0.05)
    last = window.message(step=4)
    still_since = time.monotonic()
    while time.monotonic() < deadline:
        try:
            return client.recv()
        except websocket.WebSocketTimeoutException:
            pass
        now = window.message(step=4)
        if now != last:
            last, still_since = now, time.monotonic()
        elif time.monotonic() - still_since >= quiet:
            window.click_message(1)  # the next view
            still_since = time.monotonic()
    raise Failure(f"no message in {timeout} s")


def play_through_websocket(websocket, x_server, program, game, items, scratch):
    port = free_port()
    folders = Folders(scratch, "ws")
    process, window = start(x_server, program, folders, f"--text-out=ws:{port}",
                            "--text-out=stdout", game)
    stdout = Lines(process.stdout)
    client = connect(websocket, port)
    try:
        received = []
        for index, item in enumerate(items):
            message = next_message(websocket, client, window)
            received.append(message)
            if message != item.message():
                raise Failure(f"message {index}: {message!r}, expected {item.message()!r}")
            if index == 2:
                late = connect(websocket, port)
                late.settimeout(10)
                check(late.recv() == item.message(),
                      "a client that connects later gets the page in view at once")
                late.close()
            if index + 1 == len(items):
                break
            if item.choices:
                wait_for("the choice buttons",
                         lambda: choice_share(window.message(step=3)) > 0.6, timeout=10)
                window.click_choice(0)
            else:
                window.click_message(1)
        check(True, f"the WebSocket client received the {len(items)} pages and questions of "
                    f"the way played, in order")
        stderr = finish(x_server, process, window, "--text-out=ws")
        check(stderr == "", f"nothing said on standard error ({stderr!r})")
        client.settimeout(10)
        extra = []
        try:
            while True:
                message = client.recv()
                if not message:
                    break
                extra.append(message)
        except (websocket.WebSocketException, OSError):
            pass  # the server went with the program
        check(extra == [], f"nothing was sent twice or after the ending ({extra[:3]!r})")
        stdout.thread.join(10)
        lines = [json.loads(line) for line in stdout.lines]
        wanted = [item.line() for item in items]
        check(lines == wanted, f"standard output has a JSON line for each of them "
                               f"({len(lines)} lines for {len(wanted)})")
        check(folders.untouched(), "nothing was written to the home or temporary folders")
    finally:
        client.close()
        stop_process(process)


def clipboard_text(x_server):
    result = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=x_server.env(),
                            capture_output=True, timeout=10)
    return result.stdout.decode(errors="replace") if result.returncode == 0 else None


def play_through_clipboard(x_server, program, game, items, scratch):
    folders = Folders(scratch, "clipboard")
    process, window = start(x_server, program, folders, "--text-out=clipboard", game)
    try:
        pages = [item for item in items[:3] if not item.choices]
        for index, page in enumerate(pages):
            if index > 0:
                window.click_message(1)
            wait_for(f"page {index} on the clipboard",
                     lambda: clipboard_text(x_server) == page.text, timeout=20, interval=0.1)
        check(True, f"the clipboard held each of the first {len(pages)} pages in turn")
        stderr = finish(x_server, process, window, "--text-out=clipboard")
        check(stderr == "", f"nothing said on standard error ({stderr!r})")
        check(folders.untouched(), "nothing was written to the home or temporary folders")
    finally:
        stop_process(process)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True, help="the tavrin program")
    parser.add_argument("--game", help="a game folder (default: the program's own folder)")
    args = parser.parse_args()
    program = os.path.abspath(args.tavrin)

    missing = tools_missing() + [tool for tool in ("xclip",) if shutil.which(tool) is None]
    websocket = import_websocket()
    if websocket is None:
        missing.append("python3-websocket")
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    game = args.game or os.path.dirname(program)
    if not os.path.exists(os.path.join(game, "dat.dat")):
        print(f"skipped: no game in {game}")
        return 77

    with tempfile.TemporaryDirectory(prefix="tavrin-text-out-e2e-") as scratch:
        try:
            headless = Folders(scratch, "headless")
            items = expected_items(program, game, headless.env(os.environ))
            print(f"the way played: {len(items)} pages and questions, "
                  f"{sum(1 for item in items if item.choices)} of them questions")
            with XServer() as x_server:
                print(f"Xvfb on {x_server.display_name}")
                play_through_websocket(websocket, x_server, program, game, items, scratch)
                play_through_clipboard(x_server, program, game, items, scratch)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
