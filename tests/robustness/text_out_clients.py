# SPDX-License-Identifier: MIT
"""Hostile clients of --text-out=ws for the robustness cases, spoken to with plain sockets
(the WebSocket handshake and frames written by hand, so that they can also be wrong).

A case with "text_out" is played in the window (run.py plays it under Xvfb):

    "text_out": {"occupy": ["127.0.0.1" | "::1", ...],   listening sockets on the port
                                                          before the program starts
                 "clients": [BEHAVIOUR, ...]}             what clients do once the window
                                                          is shown, in turn

"{port}" in the case's "args" is the port, free at run time. The behaviours are those of
BEHAVIOURS below. After them a probe connects and reads what is sent until it has the text
of "expect": {"text_out": TEXT}, which must come within the guard's time; the clients that
stay connected are closed after the program has ended.
"""

import base64
import os
import socket
import struct
import subprocess
import time

GUARD_SECONDS = 30  # for any one read or write: a guard against a hang, not a limit


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def ipv6_loopback():
    """Whether ::1 can be listened on here."""
    try:
        with socket.socket(socket.AF_INET6, socket.SOCK_STREAM) as s:
            s.bind(("::1", 0))
        return True
    except OSError:
        return False


def occupy(address, port):
    """A plain socket listening on `port` of `address`, which never accepts."""
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    s = socket.socket(family, socket.SOCK_STREAM)
    s.bind((address, port))
    s.listen(1)
    return s


def connect(port, receive_buffer=None):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    if receive_buffer:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    s.settimeout(GUARD_SECONDS)
    s.connect(("127.0.0.1", port))
    return s


def send_handshake(s, port):
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall((f"GET / HTTP/1.1\r\nHost: localhost:{port}\r\nUpgrade: websocket\r\n"
               f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
               f"Sec-WebSocket-Version: 13\r\n\r\n").encode())


class Reader:
    """Reads the server's side of one connection: its handshake answer, then its frames."""

    def __init__(self, s):
        self.s = s
        self.buffer = b""

    def _more(self):
        data = self.s.recv(65536)
        if not data:
            raise EOFError("closed by the server")
        self.buffer += data

    def _take(self, count):
        while len(self.buffer) < count:
            self._more()
        taken, self.buffer = self.buffer[:count], self.buffer[count:]
        return taken

    def answer(self):
        """The status line of the handshake's answer."""
        while b"\r\n\r\n" not in self.buffer:
            self._more()
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        return head.split(b"\r\n", 1)[0].decode(errors="replace")

    def message(self):
        """The next message: (opcode, payload), continuation frames joined."""
        opcode, payload = None, b""
        while True:
            first, second = self._take(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._take(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._take(8))[0]
            if second & 0x80:
                self._take(4)  # a server never masks; read past it all the same
            if opcode is None or first & 0x0F:
                opcode = first & 0x0F
            payload += self._take(length)
            if first & 0x80:
                return opcode, payload


def frame(opcode, payload, length=None):
    """A client's frame, masked as a client's must be; `length` may lie."""
    length = len(payload) if length is None else length
    if length < 126:
        header = bytes([0x80 | opcode, 0x80 | length])
    elif length < 1 << 16:
        header = bytes([0x80 | opcode, 0x80 | 126]) + struct.pack(">H", length)
    else:
        header = bytes([0x80 | opcode, 0x80 | 127]) + struct.pack(">Q", length)
    mask = os.urandom(4)
    if not payload:
        return header + mask
    key = (mask * (len(payload) // 4 + 1))[:len(payload)]
    masked = int.from_bytes(payload, "big") ^ int.from_bytes(key, "big")
    return header + mask + masked.to_bytes(len(payload), "big")


def quietly(action):
    """Runs `action`; a connection the server has closed or reset is what is expected."""
    try:
        action()
    except (OSError, EOFError):
        pass


def churn(port, clicks):
    """200 clients that connect and leave, 40 at a time: more than are served, and more
    than are let finish their handshake."""
    for _ in range(5):
        wave = []
        for _ in range(40):
            try:
                s = connect(port)
                send_handshake(s, port)
                wave.append(s)
            except OSError:
                pass
        for s in wave:
            quietly(lambda: Reader(s).answer())
            s.close()
    return []


def garbage(port, clicks):
    """Clients that send what is not WebSocket: noise instead of a handshake, a header line
    that never ends, noise after the handshake, a frame that claims 2^63 - 1 bytes, a
    message of 10 MB, and 20000 pings never read back."""
    noise = os.urandom(1 << 20)

    def send(before_handshake, data):
        s = connect(port)
        try:
            if not before_handshake:
                send_handshake(s, port)
                Reader(s).answer()
            s.sendall(data)
        finally:
            s.close()

    for data in (noise, b"GET / HTTP/1.1\r\nX-Long: " + b"a" * (4 << 20)):
        quietly(lambda: send(True, data))
    for data in (noise, frame(0x1, b"", length=(1 << 63) - 1) + noise[:4096],
                 frame(0x1, b"x" * (10 << 20)),
                 b"".join(frame(0x9, b"ping") for _ in range(20000))):
        quietly(lambda: send(False, data))
    return []


def never_read(port, clicks):
    """15 clients that shake hands and then never read, kept while the reader turns three
    pages."""
    sleepers = []
    for _ in range(15):
        s = connect(port, receive_buffer=1024)
        send_handshake(s, port)
        sleepers.append(s)
    clicks(3)
    return sleepers


BEHAVIOURS = {"churn": churn, "garbage": garbage, "never_read": never_read}


def probe(port, wanted):
    """Connects and reads until `wanted` comes; the last text received (`wanted` if it
    came), or what went wrong."""
    deadline = time.monotonic() + GUARD_SECONDS
    text = None
    try:
        s = connect(port)
        with s:
            send_handshake(s, port)
            reader = Reader(s)
            status = reader.answer()
            if " 101 " not in status + " ":
                return f"handshake answered {status!r}"
            while text != wanted and time.monotonic() < deadline:
                opcode, payload = reader.message()
                if opcode == 0x1:
                    text = payload.decode()
    except (OSError, EOFError) as error:
        return f"{text!r}, then {error}"
    return text


def play(case, program, game, work, x_server, measured, started, finish, wait_measured,
         guard_seconds):
    """Plays `case` in the window with its clients; the result as run.py's players give it,
    with "text_out": what the probe received."""
    port = free_port()
    clients_of = case["text_out"]
    occupiers = [occupy(address, port) for address in clients_of.get("occupy", [])]
    keep = []
    env = x_server.env()
    for name in ("HOME", "XDG_RUNTIME_DIR", "TMPDIR"):
        env[name] = os.path.join(work, name.lower())
        os.makedirs(env[name], mode=0o700)
    for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
        env.pop(name, None)
    args = [arg.replace("{port}", str(port)) for arg in case.get("args", [])]
    begun = time.monotonic()
    errors_path = os.path.join(work, "stderr")
    with open(errors_path, "wb") as errors:
        process = started(measured([program, *args, game], work), env=env,
                          stdout=subprocess.DEVNULL, stderr=errors)
    try:
        windows = []
        while not windows and process.poll() is None and time.monotonic() - begun < 60:
            windows = x_server.windows_named("Tavrin")
            time.sleep(0.005)
        shown = time.monotonic() - begun

        def clicks(count):
            left, top, width, height = x_server.geometry(windows[0])
            for _ in range(count):
                x_server.xdotool("mousemove", left + width // 2, top + height * 6 // 7,
                                 "click", 1)

        received = None
        if windows:
            for behaviour in clients_of.get("clients", []):
                keep += BEHAVIOURS[behaviour](port, clicks)
            if "text_out" in case.get("expect", {}):
                received = probe(port, case["expect"]["text_out"])
        alive = process.poll() is None
        for window in x_server.windows_named("Tavrin"):
            x_server.close_window(window)
        _, hung = finish(process, guard_seconds)
    finally:
        for s in keep + occupiers:
            s.close()
    with open(errors_path, "rb") as errors:
        stderr = errors.read().decode(errors="replace")
    status, peak = wait_measured(process, work)
    if hung:
        status = f"still running after {guard_seconds} s"
    return {"status": status if alive else f"ended early ({status})", "stderr": stderr,
            "states": [], "seconds": shown, "peak": peak, "text_out": received,
            "home_untouched": all(not os.listdir(env[name]) for name in ("HOME", "TMPDIR"))}
