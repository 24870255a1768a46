# SPDX-License-Identifier: MIT
"""Weston's output read back in-process, over one Wayland connection held open.

weston-screenshooter starts a process, writes a PNG and leaves it to be decoded: far too slow
to poll for the moment a window's first text shows. This client speaks the same protocol
(weston_screenshooter, which weston 10 offers with --debug) through libwayland-client with
ctypes: each `grab` asks weston to copy its output into a shared-memory buffer of ours and
waits for it to say done. The pixels come as XRGB8888, laid out in memory B, G, R, X: the
same bytes XGetImage gives for a 24-bit X screen, so a colour is counted the same way on both.
"""

import ctypes
import ctypes.util
import mmap
import os

_SHM_FORMAT_XRGB8888 = 1
_MARSHAL_FLAG_DESTROY = 1


class _Message(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("signature", ctypes.c_char_p),
                ("types", ctypes.POINTER(ctypes.c_void_p))]


class _Interface(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("version", ctypes.c_int),
                ("method_count", ctypes.c_int), ("methods", ctypes.POINTER(_Message)),
                ("event_count", ctypes.c_int), ("events", ctypes.POINTER(_Message))]


class _Argument(ctypes.Union):
    _fields_ = [("i", ctypes.c_int32), ("u", ctypes.c_uint32), ("s", ctypes.c_char_p),
                ("o", ctypes.c_void_p), ("h", ctypes.c_int32)]


def _arguments(*values):
    """A union wl_argument array: ints as `i`, None and pointers as `o`, bytes as `s`."""
    array = (_Argument * max(1, len(values)))()
    for slot, value in zip(array, values):
        if isinstance(value, bytes):
            slot.s = value
        elif value is None or isinstance(value, ctypes.c_void_p):
            slot.o = value.value if isinstance(value, ctypes.c_void_p) else None
        else:
            slot.i = value
    return array


_GLOBAL = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32,
                           ctypes.c_char_p, ctypes.c_uint32)
_GLOBAL_REMOVE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32)
_OUTPUT_GEOMETRY = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int32,
                                    ctypes.c_int32, ctypes.c_int32, ctypes.c_int32,
                                    ctypes.c_int32, ctypes.c_char_p, ctypes.c_char_p,
                                    ctypes.c_int32)
_OUTPUT_MODE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32,
                                ctypes.c_int32, ctypes.c_int32, ctypes.c_int32)
_DONE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p)


class WaylandScreen:
    """A connection to the compositor at `socket` (a full path) that reads its first output.
    """

    def __init__(self, socket):
        self.lib = lib = ctypes.CDLL(ctypes.util.find_library("wayland-client")
                                     or "libwayland-client.so.0")
        lib.wl_display_connect.restype = ctypes.c_void_p
        lib.wl_display_connect.argtypes = [ctypes.c_char_p]
        for name in ("wl_display_roundtrip", "wl_display_dispatch", "wl_display_flush"):
            getattr(lib, name).argtypes = [ctypes.c_void_p]
        lib.wl_display_disconnect.argtypes = [ctypes.c_void_p]
        lib.wl_proxy_get_version.restype = ctypes.c_uint32
        lib.wl_proxy_get_version.argtypes = [ctypes.c_void_p]
        lib.wl_proxy_add_listener.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p]
        lib.wl_proxy_marshal_array_flags.restype = ctypes.c_void_p
        lib.wl_proxy_marshal_array_flags.argtypes = [ctypes.c_void_p, ctypes.c_uint32,
                                                     ctypes.c_void_p, ctypes.c_uint32,
                                                     ctypes.c_uint32, ctypes.c_void_p]
        self.interfaces = {name: ctypes.addressof(_Interface.in_dll(lib, f"wl_{name}_interface"))
                           for name in ("registry", "shm", "shm_pool", "buffer", "output")}
        self._screenshooter_interface()

        self.display = lib.wl_display_connect(socket.encode())
        if not self.display:
            raise RuntimeError(f"cannot connect to the Wayland display {socket}")
        self.globals = {}
        self.size = None
        self.done = False
        self.keep = []  # the callbacks and listener tables libwayland points at

        registry = self._marshal(self.display, 1, self.interfaces["registry"], None)
        self._listen(registry, _GLOBAL(self._on_global), _GLOBAL_REMOVE(lambda *a: None))
        lib.wl_display_roundtrip(self.display)
        needed = (b"wl_shm", b"wl_output", b"weston_screenshooter")
        if any(name not in self.globals for name in needed):
            raise RuntimeError("the compositor offers no weston_screenshooter (weston started "
                               "without --debug?)")
        self.shm = self._bind(registry, b"wl_shm", self.interfaces["shm"])
        self.output = self._bind(registry, b"wl_output", self.interfaces["output"])
        self.shooter = self._bind(registry, b"weston_screenshooter",
                                  ctypes.addressof(self.shooter_interface))
        self._listen(self.output, _OUTPUT_GEOMETRY(lambda *a: None),
                     _OUTPUT_MODE(self._on_mode))
        self._listen(self.shooter, _DONE(self._on_done))
        lib.wl_display_roundtrip(self.display)
        if self.size is None:
            raise RuntimeError("the output told no mode")

        width, height = self.size
        self.stride = width * 4
        length = self.stride * height
        fd = os.memfd_create("tavrin-bench-screen")
        os.ftruncate(fd, length)
        self.pixels = mmap.mmap(fd, length)
        pool = self._marshal(self.shm, 0, self.interfaces["shm_pool"], None, fd, length)
        os.close(fd)
        self.buffer = self._marshal(pool, 0, self.interfaces["buffer"], None, 0, width,
                                    height, self.stride, _SHM_FORMAT_XRGB8888)
        self._marshal(pool, 1, None, flags=_MARSHAL_FLAG_DESTROY)  # the buffer keeps it

    def _screenshooter_interface(self):
        types = (ctypes.c_void_p * 2)(self.interfaces["output"], self.interfaces["buffer"])
        methods = (_Message * 1)(_Message(b"shoot", b"oo", types))
        events = (_Message * 1)(_Message(b"done", b"", None))
        self.shooter_interface = _Interface(b"weston_screenshooter", 1, 1, methods, 1, events)
        self._tables = (types, methods, events)

    def _marshal(self, proxy, opcode, interface, *values, flags=0):
        version = self.lib.wl_proxy_get_version(proxy)
        return self.lib.wl_proxy_marshal_array_flags(proxy, opcode, interface, version, flags,
                                                     _arguments(*values))

    def _bind(self, registry, name, interface):
        number, _ = self.globals[name]
        proxy = self.lib.wl_proxy_marshal_array_flags(
            registry, 0, interface, 1, 0, _arguments(number, name, 1, None))
        return proxy

    def _listen(self, proxy, *callbacks):
        table = (ctypes.c_void_p * len(callbacks))(
            *[ctypes.cast(c, ctypes.c_void_p) for c in callbacks])
        self.keep += [table, *callbacks]
        self.lib.wl_proxy_add_listener(proxy, table, None)

    def _on_global(self, data, registry, number, interface, version):
        self.globals.setdefault(interface, (number, version))

    def _on_mode(self, data, output, flags, width, height, refresh):
        if flags & 1:  # the current mode
            self.size = (width, height)

    def _on_done(self, data, shooter):
        self.done = True

    def grab(self):
        """The output's pixels now, as bytes of B, G, R, X."""
        self.done = False
        self._marshal(self.shooter, 0, None, ctypes.c_void_p(self.output),
                      ctypes.c_void_p(self.buffer))
        while not self.done:
            if self.lib.wl_display_dispatch(self.display) < 0:
                raise RuntimeError("the Wayland connection broke")
        return self.pixels[:]

    def close(self):
        if self.display:
            self.lib.wl_display_disconnect(self.display)
            self.display = None
        self.pixels.close()
