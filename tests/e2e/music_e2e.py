#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of the background music: the real `tavrin` window plays the demo in an X
server of its own while a private PulseAudio server with a null sink records what it hears.

The demo's tune lasts about 14 s and then fades out for seconds. The test records until it
holds 21 s of sound and checks that the music is heard from the start, and that it is heard again at full strength
after the tune's end, which only a restart from its beginning can give. Closing the window
must end the program with status 0. Exit status 0 passes, 1 fails, 77 is a skip.
"""

import argparse
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdisplay import XServer, stop_process, tools_missing  # noqa: E402

RATE = 44100
TUNE_SECONDS = 13.9
RECORD_SECONDS = 21


class PulseServer:
    """PulseAudio with one null sink, on a socket in a folder of its own."""

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="tavrin-pulse-")
        self.socket = os.path.join(self.folder, "native")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.folder, HOME=self.folder)
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--use-pid-file=no", "-L", "module-null-sink sink_name=recorded",
             "-L", f"module-native-protocol-unix socket={self.socket} auth-anonymous=1"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if subprocess.run(["pactl", "info"], env=self.env(env),
                              capture_output=True).returncode == 0:
                return self
            time.sleep(0.1)
        raise RuntimeError("the PulseAudio server did not start")

    def env(self, base=None):
        env = dict(base or os.environ)
        env["PULSE_SERVER"] = f"unix:{self.socket}"
        return env

    def __exit__(self, *exc):
        stop_process(self.process)
        shutil.rmtree(self.folder, ignore_errors=True)
        return False


def loudness(samples, start, stop):
    """RMS of the stereo 16-bit samples between two times in seconds."""
    part = samples[int(start * RATE) * 2:int(stop * RATE) * 2]
    return math.sqrt(sum(v * v for v in part) / max(1, len(part)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tavrin", required=True)
    args = parser.parse_args()
    game = os.path.dirname(os.path.abspath(args.tavrin))
    missing = tools_missing() + [t for t in ("pulseaudio", "pactl", "parec")
                                  if shutil.which(t) is None]
    if missing or not os.path.exists(os.path.join(game, "bgm.mid")):
        print(f"skipped: missing {missing or 'the demo beside the program'}")
        return 77

    with PulseServer() as pulse, XServer() as x_server:
        env = pulse.env(x_server.env())
        recording = tempfile.NamedTemporaryFile(suffix=".raw", delete=False)
        recorder = subprocess.Popen(
            ["parec", "-d", "recorded.monitor", "--format=s16le", f"--rate={RATE}",
             "--channels=2", "--raw"], env=env, stdout=recording)
        started = time.monotonic()
        program = subprocess.Popen([args.tavrin], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            # The sound arrives in real time: wait until enough of it is recorded.
            deadline = time.monotonic() + RECORD_SECONDS + 30
            while (os.path.getsize(recording.name) < RECORD_SECONDS * RATE * 4
                   and time.monotonic() < deadline):
                time.sleep(0.1)
            windows = x_server.windows_named("Tavrin")
            if not windows:
                print("FAIL: the Tavrin window never appeared")
                return 1
            x_server.close_window(windows[0])
            status = program.wait(10)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
            recorder.terminate()
            recorder.wait()
        samples = array.array("h", open(recording.name, "rb").read())
        os.unlink(recording.name)

    seconds = len(samples) / 2 / RATE
    print(f"recorded {seconds:.1f} s in {time.monotonic() - started:.1f} s")
    # Where the tune starts: the first moment the recording is clearly not silent.
    onset = next((i / 20 for i in range(int(seconds * 20))
                  if loudness(samples, i / 20, i / 20 + 0.05) > 100), None)
    failures = []
    if onset is None:
        failures.append("no music was heard at all")
    else:
        first = loudness(samples, onset + 1, onset + 5)
        # Without a restart only the fading tail of the last notes is left here.
        again = loudness(samples, onset + TUNE_SECONDS + 1, onset + TUNE_SECONDS + 5)
        print(f"music from {onset:.2f} s; loudness in the first pass {first:.0f}, "
              f"after the tune's end {again:.0f}")
        if first < 200:
            failures.append(f"the music is too quiet ({first:.0f})")
        if seconds < onset + TUNE_SECONDS + 5:
            failures.append("the recording is too short to hear the restart")
        elif again < first * 0.4:
            failures.append(f"the music did not start again after its end ({again:.0f})")
    if status != 0:
        failures.append(f"closing the window ended the program with status {status}")
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
