# SPDX-License-Identifier: MIT
"""A private X server for one test run and the little of Xlib the window tests need.

Xvfb is started on a free display number and stopped again; pixels are read with
XGetImage (fast enough to poll every few milliseconds); a window is closed the
way a window manager closes it, with a WM_DELETE_WINDOW message, so the program runs its
own close handling (xdotool's windowclose destroys the window and windowkill kills the
client, and neither lets the program shut down by itself).
"""

import ctypes
import ctypes.util
import os
import shutil
import subprocess


class XImage(ctypes.Structure):
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
        ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
        ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
    ]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_CLIENT_MESSAGE = 33
_Z_PIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(-1 & 0xFFFFFFFFFFFFFFFF)


def _xlib():
    lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    lib.XDefaultRootWindow.restype = ctypes.c_ulong
    lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    lib.XGetImage.restype = ctypes.POINTER(XImage)
    lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    lib.XFlush.argtypes = [ctypes.c_void_p]
    lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    return lib


def tools_missing():
    """The programs the window tests need that are not installed."""
    return [tool for tool in ("Xvfb", "xdotool", "convert") if shutil.which(tool) is None]


class Region:
    """Pixels read from the screen, as (red, green, blue) rows."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # a flat list of (r, g, b)

    def count(self, colour, tolerance):
        r0, g0, b0 = colour
        return sum(1 for r, g, b in self.pixels
                   if abs(r - r0) <= tolerance and abs(g - g0) <= tolerance
                   and abs(b - b0) <= tolerance)

    def share(self, colour, tolerance):
        return self.count(colour, tolerance) / max(1, len(self.pixels))

    def mean(self):
        n = max(1, len(self.pixels))
        return tuple(sum(p[i] for p in self.pixels) / n for i in range(3))

    def __eq__(self, other):
        return self.pixels == other.pixels


def stop_process(process, grace=5):
    """Asks `process` to end, and ends it if it has not within `grace` seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class XServer:
    """Xvfb on a display of its own, started by `with` and stopped at its end."""

    def __init__(self, width=1280, height=1024):
        self.size = (width, height)
        self.display_name = None
        self.process = None
        self.display = None
        self.lib = None

    def __enter__(self):
        # Xvfb picks a free display number itself, taking its lock file, and writes the
        # number once it listens: two tests starting at the same moment (or anyone else's
        # server) never end up on one display.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{self.size[0]}x{self.size[1]}x24", "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as announced:
            number = announced.readline().strip().decode()
        if not number:
            self.process.wait()
            raise RuntimeError("Xvfb did not start")
        self.display_name = f":{number}"
        self.lib = _xlib()
        self.display = self.lib.XOpenDisplay(self.display_name.encode())
        if not self.display:
            self.__exit__()
            raise RuntimeError(f"cannot open the display {self.display_name}")
        return self

    def __exit__(self, *exc):
        if self.display:
            self.lib.XCloseDisplay(self.display)
            self.display = None
        if self.process:
            stop_process(self.process)
        return False

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display_name
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env(),
                                capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
        return result.stdout

    def windows_named(self, name):
        out = self.xdotool("search", "--onlyvisible", "--name", f"^{name}$", check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        """The window's client area on the screen as (x, y, width, height)."""
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def grab(self, x, y, width, height, step=1):
        """The screen's pixels in a rectangle, every `step`-th pixel each way."""
        root = self.lib.XDefaultRootWindow(self.display)
        image = self.lib.XGetImage(self.display, root, x, y, width, height, _ALL_PLANES,
                                   _Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            im = image.contents
            if im.bits_per_pixel != 32:
                raise RuntimeError(f"unexpected {im.bits_per_pixel} bits per pixel")
            stride = im.bytes_per_line
            raw = ctypes.string_at(im.data, stride * im.height)
            pixels = []
            for row in range(0, height, step):
                base = row * stride
                for col in range(0, width, step):
                    i = base + col * 4
                    pixels.append((raw[i + 2], raw[i + 1], raw[i]))  # BGRX in memory
            return Region((width + step - 1) // step, (height + step - 1) // step, pixels)
        finally:
            self.lib.XDestroyImage(image)

    def close_window(self, window):
        """Asks the window to close, as a window manager's close button does."""
        protocols = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        delete = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        event = XEvent()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = protocols
        event.xclient.format = 32
        event.xclient.data[0] = delete
        event.xclient.data[1] = 0  # CurrentTime
        self.lib.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.lib.XSync(self.display, 0)

    def screenshot(self, path, window=None, area=None):
        """Saves the screen, one window's area of it, or `area` (x, y, w, h) as a PNG.

        Read with XGetImage and converted by ImageMagick: on this Xvfb, `xwd -root` leaves
        a message box over the main window out of the picture (it comes back black).
        """
        if area is None:
            area = self.geometry(window) if window is not None else (0, 0, *self.size)
        region = self.grab(*area)
        header = f"P6 {region.width} {region.height} 255\n".encode()
        body = bytes(value for pixel in region.pixels for value in pixel)
        subprocess.run(["convert", "ppm:-", path], input=header + body, check=True, timeout=30)
