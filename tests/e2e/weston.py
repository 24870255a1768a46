# SPDX-License-Identifier: MIT
"""A private Wayland compositor for one test run: weston on its headless backend, or in a
window of a private X server when the test needs to send input.

Weston draws with pixman into memory and listens on a socket in a runtime folder of its own;
its screenshooter protocol, which weston 10 offers to any client only with --debug, lets
`weston-screenshooter` save the output as a PNG, read back here as RGB through ImageMagick.
The desktop is one plain colour with no panel and no animations, so a window is found as
whatever on the output differs from that colour.

Headless weston has no input devices and offers no protocol to inject any, and none of its
key bindings closes a window politely (mod+K kills the client). Weston in an X server's
window (its x11 backend) takes that server's pointer and keyboard as its seat, so xdotool
reaches its clients; it follows the X pointer by the motion between events, so a move goes
to the corner first and then to its point.
"""

import glob
import os
import shutil
import struct
import subprocess
import tempfile
import time

# The desktop's colour, found neither in the demo's pictures nor in Qt's window frames.
BACKGROUND = (255, 0, 255)

_INI = """[shell]
background-color=0xff{:02x}{:02x}{:02x}
panel-position=none
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
""".format(*BACKGROUND)


def qt_wayland_plugin():
    """Qt's Wayland platform plugin, or None when it is not installed."""
    folders = [os.path.join(p, "platforms")
               for p in os.environ.get("QT_PLUGIN_PATH", "").split(os.pathsep) if p]
    if shutil.which("qtpaths6"):
        query = subprocess.run(["qtpaths6", "--query", "QT_INSTALL_PLUGINS"],
                               capture_output=True, text=True)
        if query.returncode == 0 and query.stdout.strip():
            folders.append(os.path.join(query.stdout.strip(), "platforms"))
    folders += glob.glob("/usr/lib/*/qt6/plugins/platforms") + ["/usr/lib/qt6/plugins/platforms"]
    for folder in folders:
        found = glob.glob(os.path.join(folder, "libqwayland-*.so"))
        if found:
            return found[0]
    return None


def tools_missing():
    """What a Wayland test needs that is not installed."""
    missing = [tool for tool in ("weston", "weston-screenshooter", "convert")
               if shutil.which(tool) is None]
    if qt_wayland_plugin() is None:
        missing.append("Qt's Wayland platform plugin (qt6-wayland)")
    return missing


def private_folder(prefix):
    """An empty folder only this user may enter, as a runtime folder must be."""
    folder = tempfile.mkdtemp(prefix=prefix)
    os.chmod(folder, 0o700)
    return folder


class Image:
    """A screenshot as rows of RGB bytes."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def rows(self, top, bottom, left=0, right=None):
        """The bytes of rows [top, bottom), columns [left, right), one row after another."""
        right = self.width if right is None else right
        return b"".join(self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3]
                        for y in range(max(0, top), min(self.height, bottom)))

    def pixels(self, area):
        """The pixels of `area` (left, top, right, bottom) as (r, g, b), row after row."""
        data = self.rows(area[1], area[3], area[0], area[2])
        return zip(data[0::3], data[1::3], data[2::3])

    def count(self, colour, area):
        """Pixels of exactly `colour` in `area`."""
        colour = tuple(colour)
        return sum(1 for p in self.pixels(area) if p == colour)

    def mean(self, area):
        data = self.rows(area[1], area[3], area[0], area[2])
        n = max(1, len(data) // 3)
        return tuple(sum(data[i::3]) / n for i in range(3))

    def box_unlike(self, colour, least=1):
        """The bounding box (left, top, right, bottom) of the rows with at least `least`
        pixels not exactly `colour`, and of those pixels in them; None if there are none."""
        colour = tuple(colour)
        rows = [y for y in range(self.height)
                if self.width - self.count(colour, (0, y, self.width, y + 1)) >= least]
        if not rows:
            return None
        left, right = self.width, 0
        for y in rows:
            unlike = [x for x, p in enumerate(self.pixels((0, y, self.width, y + 1)))
                      if p != colour]
            left, right = min(left, unlike[0]), max(right, unlike[-1] + 1)
        return left, rows[0], right, rows[-1] + 1


def read_png(path):
    """A PNG file as an Image, its size from its header and its pixels by ImageMagick."""
    with open(path, "rb") as f:
        header = f.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        raise RuntimeError(f"{path} is not a PNG file")
    width, height = struct.unpack(">II", header[16:24])
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True, timeout=30).stdout
    if len(rgb) != width * height * 3:
        raise RuntimeError(f"{path}: {len(rgb)} bytes of RGB for {width}x{height}")
    return Image(width, height, rgb)


class Weston:
    """Weston with an output of `width` x `height` logical pixels at `scale`, started by
    `with` and stopped at its end, with its runtime folder: headless, or in a window of
    `x_server` (an xdisplay.XServer)."""

    def __init__(self, width=1920, height=1080, scale=1, x_server=None):
        self.size = (width * scale, height * scale)  # the output's pixels
        self.logical = (width, height)
        self.scale = scale
        self.x_server = x_server
        self.folder = None
        self.process = None
        self.socket = None

    def __enter__(self):
        self.folder = private_folder("tavrin-weston-")
        self.runtime = os.path.join(self.folder, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.shots = os.path.join(self.folder, "shots")
        os.mkdir(self.shots)
        ini = os.path.join(self.folder, "weston.ini")
        with open(ini, "w") as f:
            f.write(_INI)
        self.log = os.path.join(self.folder, "weston.log")
        name = f"tavrin-test-{os.getpid()}"
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, HOME=self.folder)
        for variable in ("WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY", "XDG_CONFIG_HOME",
                         "XDG_CONFIG_DIRS"):
            env.pop(variable, None)
        backend = "headless-backend.so"
        if self.x_server is not None:
            backend = "x11-backend.so"
            env["DISPLAY"] = self.x_server.display_name
        self.process = subprocess.Popen(
            ["weston", f"--backend={backend}", "--use-pixman", f"--socket={name}",
             f"--width={self.logical[0]}", f"--height={self.logical[1]}",
             f"--scale={self.scale}",
             "--debug", f"--config={ini}", f"--log={self.log}", "--idle-time=0"],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.socket = os.path.join(self.runtime, name)
        # Ready once the desktop's background is drawn: the shell's client is running. (Not
        # at the top left corner, where an X server's pointer starts.)
        deadline = time.monotonic() + 20
        while True:
            if self.process.poll() is not None:
                self.__exit__()
                raise RuntimeError(f"weston ended at its start: {self.log_tail()}")
            if os.path.exists(self.socket):
                shot = self.try_screenshot()
                if shot is not None and shot.pixel(shot.width - 1, 0) == BACKGROUND \
                        and shot.pixel(0, shot.height - 1) == BACKGROUND:
                    break
            if time.monotonic() > deadline:
                self.__exit__()
                raise RuntimeError(f"weston did not come up: {self.log_tail()}")
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None
        return False

    def click(self, x, y):
        """A left click at a point of the output, through the X server's pointer."""
        self.x_server.xdotool("mousemove", "--sync", 0, 0)
        self.x_server.xdotool("mousemove", "--sync", x, y, "click", 1)

    def log_tail(self, lines=15):
        try:
            with open(self.log, errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return "(no log)"

    def client_env(self, runtime, home, tmp):
        """The environment of a client of this compositor alone: WAYLAND_DISPLAY is the
        socket's full path, so the client's runtime folder can be its own; no DISPLAY and no
        session type to steer Qt towards X11; no sound server to be found."""
        env = dict(os.environ, WAYLAND_DISPLAY=self.socket, XDG_RUNTIME_DIR=runtime,
                   HOME=home, TMPDIR=tmp, PULSE_SERVER=f"unix:{runtime}/no-sound-server")
        for variable in ("DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_SOCKET", "XDG_SESSION_TYPE",
                         "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                         "XDG_STATE_HOME", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                         "QT_WAYLAND_DISABLE_WINDOWDECORATION", "QT_WAYLAND_SHELL_INTEGRATION"):
            env.pop(variable, None)
        return env

    def screenshot_file(self):
        """The output saved by weston-screenshooter: a PNG's path, or None if it failed."""
        for old in os.listdir(self.shots):
            os.remove(os.path.join(self.shots, old))
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY=self.socket,
                   HOME=self.folder)
        env.pop("DISPLAY", None)
        result = subprocess.run(["weston-screenshooter"], cwd=self.shots, env=env,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        files = glob.glob(os.path.join(self.shots, "*.png"))
        if result.returncode != 0 or len(files) != 1:
            return None
        return files[0]

    def try_screenshot(self):
        path = self.screenshot_file()
        return read_png(path) if path else None

    def screenshot(self):
        """The output as an Image."""
        path = self.screenshot_file()
        if path is None:
            raise RuntimeError("weston-screenshooter failed")
        return read_png(path)

    def keep_last(self, path):
        """Copies the last screenshot's PNG to `path`; false if there is none."""
        last = glob.glob(os.path.join(self.shots, "*.png")) if self.folder else []
        if not last:
            return False
        shutil.copy(last[0], path)
        return True
