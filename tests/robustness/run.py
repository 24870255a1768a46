#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Plays the robustness cases of cases.json (hostile game folders, events and streams) and
checks each outcome: scripted play by default, the real window under Xvfb with --window.
Prints each case's result, time and peak memory. Exit status 0 when every case passes.

    run.py --tavrin build/tavrin [--slow] [--window] [--text-out] [--limits] [--no-cp932 LIB]
           [--only TEXT]

--text-out plays only the cases of --text-out=ws's clients (text_out_clients.py), in the
window; --window plays them too. --slow adds the cases that take a while to make; --limits
also fails a case that takes more than 10 s or 512 MB (for `make soak`: the gate has no
timing or memory limits). A case is played with no time limit here, only a guard against a
hang: a program still running after 120 s is ended and its case fails.

A case's "expect" may give the exit status, the standard error (all of it, or
{"contains": TEXT or [TEXT, ...], "lacks": [TEXT, ...], "lines": N}: each text of
"contains" somewhere in it, none of "lacks", and N lines in all), the number of state lines,
and members of the first ("start"), the last ("last") and any other ({"state": {"N": ...}},
N counting from 0 for the first); and, for a case with "text_out", the text its probe must
receive ("text_out").
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import generate  # noqa: E402
import text_out_clients  # noqa: E402

LIMIT_SECONDS = 10
LIMIT_MB = 512
GUARD_SECONDS = 120


def expand_events(text):
    while "{long:" in text:
        start = text.index("{long:")
        stop = text.index("}", start)
        text = text[:start] + "x" * int(text[start + 6:stop]) + text[stop + 1:]
    return text


def matches(expected, actual):
    """Whether every member given in `expected` is in `actual` with that value."""
    if isinstance(expected, dict) and isinstance(actual, dict):
        return all(k in actual and matches(v, actual[k]) for k, v in expected.items())
    return expected == actual


def measured(command, work):
    """`command` run under /usr/bin/time, which reports its peak resident memory."""
    return ["/usr/bin/time", "-f", "%M", "-o", os.path.join(work, "peak"), *command]


def started(command, **options):
    """`command` started in a session of its own, so that a guard can end all of it."""
    return subprocess.Popen(command, start_new_session=True, **options)


def finish(process, guard_seconds):
    """Waits for `process` (started by `started`) and reads its standard error; after
    `guard_seconds` ends it and all it started. Its standard error, and whether it hung."""
    try:
        _, stderr = process.communicate(timeout=guard_seconds)
        hung = False
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        _, stderr = process.communicate()
        hung = True
    return (stderr or b"").decode(errors="replace"), hung


def wait_measured(process, work):
    """Waits for `process`; its exit status and peak resident memory in MB."""
    status = process.wait()
    try:
        with open(os.path.join(work, "peak")) as f:
            peak_kb = int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        peak_kb = 0  # the program did not run
    return status, peak_kb / 1024


def play_headless(case, game, work, options):
    events_path = os.path.join(work, "events")
    with open(events_path, "w") as f:
        f.write(expand_events(case.get("events", "close\n")))
    stdin = case.get("stdin")
    stdout = case.get("stdout")
    env = dict(os.environ)
    out_path = os.path.join(work, "out")
    events = os.open(work if stdin == "folder" else stdin or events_path, os.O_RDONLY)
    with open(stdout if stdout and stdout != "closed" else out_path, "wb") as states:
        begun = time.monotonic()
        command = [options.tavrin, "--headless", *case.get("args", []), game]
        if case.get("needs") == "no_cp932":  # for the program alone, not the measuring
            command = ["env", f"LD_PRELOAD={options.no_cp932}", *command]
        if stdout == "closed":
            command = ["sh", "-c", 'exec "$0" "$@" >&-', *command]
        process = started(measured(command, work), stdin=events, stdout=states,
                          stderr=subprocess.PIPE, env=env)
        os.close(events)
        stderr, hung = finish(process, GUARD_SECONDS)
        status, peak = wait_measured(process, work)
        seconds = time.monotonic() - begun
    states = []
    if not stdout:
        with open(out_path, "rb") as f:
            states = [json.loads(line) for line in f.read().decode().splitlines()]
    return {"status": f"still running after {GUARD_SECONDS} s" if hung else status,
            "stderr": stderr, "states": states, "seconds": seconds, "peak": peak}


def play_window(case, game, work, options, x_server):
    env = x_server.env()
    home = None
    pulse = None
    if case.get("needs") == "pulse":
        from music_e2e import PulseServer
        pulse = PulseServer().__enter__()
        env = pulse.env(env)
        home = os.path.join(work, "home")
        os.makedirs(home)
        env["HOME"] = home
        env.pop("XDG_CONFIG_HOME", None)
        env.pop("PULSE_COOKIE", None)
    try:
        begun = time.monotonic()
        # Standard error goes to a file: a pipe that nobody reads while the window is awaited
        # would stop a program that says much there.
        errors_path = os.path.join(work, "stderr")
        with open(errors_path, "wb") as errors:
            process = started(measured([options.tavrin, *case.get("args", []), game], work),
                              env=env, stdout=subprocess.DEVNULL, stderr=errors)
        windows = []
        while not windows and process.poll() is None and time.monotonic() - begun < 60:
            windows = x_server.windows_named("Tavrin")
            time.sleep(0.005)
        shown = time.monotonic() - begun
        time.sleep(1.0)  # the first page, its picture and the music's start
        alive = process.poll() is None
        for _ in range(3):  # a message box first, then the window
            for window in x_server.windows_named("Tavrin"):
                x_server.close_window(window)
            x_server.xdotool("key", "Return", check=False)
            if process.poll() is not None:
                break
            time.sleep(0.3)
        _, hung = finish(process, GUARD_SECONDS)
        with open(errors_path, "rb") as errors:
            stderr = errors.read().decode(errors="replace")
        status, peak = wait_measured(process, work)
        if hung:
            status = f"still running after {GUARD_SECONDS} s"
        result = {"status": status if alive else f"ended early ({status})", "stderr": stderr,
                  "states": [], "seconds": shown, "peak": peak}
        if home is not None:
            result["home_untouched"] = os.listdir(home) == []
        return result
    finally:
        if pulse is not None:
            pulse.__exit__(None, None, None)


def check(case, result, window, options):
    expect = case.get("expect", {})
    problems = []
    status = expect.get("status", 0)
    if result["status"] != status:
        problems.append(f"status {result['status']}, expected {status}")
    wanted_err = expect.get("stderr", "")
    if isinstance(wanted_err, dict):
        texts = wanted_err.get("contains", [])
        for text in [texts] if isinstance(texts, str) else texts:
            if text not in result["stderr"]:
                problems.append(f"standard error lacks {text!r}: {result['stderr'][:300]!r}")
        for text in wanted_err.get("lacks", []):
            if text in result["stderr"]:
                problems.append(f"standard error has {text!r}: {result['stderr'][:300]!r}")
        lines = result["stderr"].splitlines()
        if "lines" in wanted_err and len(lines) != wanted_err["lines"]:
            problems.append(f"{len(lines)} lines on standard error, expected "
                            f"{wanted_err['lines']}: {result['stderr'][:300]!r}")
    elif result["stderr"] != wanted_err:
        problems.append(f"standard error: {result['stderr'][:300]!r}")
    if not window:
        states = result["states"]
        if "states" in expect and len(states) != expect["states"]:
            problems.append(f"{len(states)} state lines, expected {expect['states']}")
        wanted = [(which, index, expect[which]) for which, index in (("start", 0), ("last", -1))
                  if which in expect]
        wanted += [(f"state {n}", int(n), members)
                   for n, members in expect.get("state", {}).items()]
        for which, index, members in wanted:
            state = states[index] if -len(states) <= index < len(states) else None
            if state is None or not matches(members, state):
                problems.append(f"{which}: {json.dumps(state, ensure_ascii=False)[:300]}")
    if "text_out" in expect and result.get("text_out") != expect["text_out"]:
        problems.append(f"the probe received {str(result.get('text_out'))[:300]!r}, expected "
                        f"{expect['text_out']!r}")
    if "home_untouched" in expect and not result.get("home_untouched"):
        problems.append("the program wrote into the home folder")
    if options.limits and (result["seconds"] > LIMIT_SECONDS or result["peak"] > LIMIT_MB):
        problems.append(f"over the limits of {LIMIT_SECONDS} s and {LIMIT_MB} MB")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavrin", required=True)
    parser.add_argument("--cases", default=os.path.join(HERE, "cases.json"))
    parser.add_argument("--slow", action="store_true")
    parser.add_argument("--window", action="store_true")
    parser.add_argument("--text-out", action="store_true")
    parser.add_argument("--limits", action="store_true")
    parser.add_argument("--no-cp932", help="a library that takes code page 932 from iconv")
    parser.add_argument("--only")
    options = parser.parse_args()
    options.tavrin = os.path.abspath(options.tavrin)

    missing = [tool for tool in ("Xvfb", "xdotool") if shutil.which(tool) is None]
    if options.text_out and missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77
    x_server = None
    if options.window or options.text_out:
        from xdisplay import XServer
        x_server = XServer().__enter__()
    failures = 0
    try:
        for case in json.load(open(options.cases)):
            if options.only and options.only not in case["name"]:
                continue
            if case.get("slow") and not options.slow:
                continue
            if options.text_out and "text_out" not in case:
                continue
            if "text_out" not in case and \
                    not case.get("window" if options.window else "headless", True):
                continue
            if "text_out" in case and not (options.window or options.text_out):
                continue
            needs = case.get("needs")
            if (needs == "no_cp932" and not options.no_cp932) or \
                    (needs == "pulse" and not shutil.which("pulseaudio")) or \
                    (needs == "ipv6" and not text_out_clients.ipv6_loopback()):
                print(f"skip  {case['name']}: needs {needs}")
                continue
            work = tempfile.mkdtemp(prefix="tavrin-robustness-")
            try:
                game = generate.make_game(case, work)
                if "text_out" in case:
                    result = text_out_clients.play(case, options.tavrin, game, work, x_server,
                                                   measured, started, finish, wait_measured,
                                                   GUARD_SECONDS)
                elif options.window:
                    result = play_window(case, game, work, options, x_server)
                else:
                    result = play_headless(case, game, work, options)
            finally:
                shutil.rmtree(work, ignore_errors=True)
            problems = check(case, result, options.window or "text_out" in case, options)
            failures += bool(problems)
            print(f"{'FAIL' if problems else 'ok  '}  {case['name']:<52} "
                  f"{result['seconds']:7.2f} s {result['peak']:8.1f} MB"
                  + "".join(f"\n      {p}" for p in problems), flush=True)
    finally:
        if x_server is not None:
            x_server.__exit__(None, None, None)
    print(f"{failures} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
