#!/usr/bin/env python3
"""Writes the game folders of the robustness cases: large files, files that never end, names
from Windows. A case's folder is described in cases.json by a map from file names to recipes:

    "dat.dat": ["line", ...]          the lines in code page 932, CR LF after each
    "dat.dat": {"lines": [...], "repeat": [LINE, N]}    LINE N times ({i} is its number)
    {"fifo": true}                    a named pipe, which never ends
    {"link": "/dev/zero"}             a symbolic link
    {"folder": true}                  a folder in place of the file
    {"sparse": BYTES}                 BYTES zero bytes, none stored (no line end anywhere)
    {"long_line": BYTES, "lines": [...]}  the lines, then one line of BYTES letters
    ... "after": [...]                the lines that end any of the three above
    {"jpeg": [W, H], "progressive": B}   a small JPEG whose header declares W x H pixels
    {"photo": [W, H]}                 a real W x H JPEG, every pixel coded (cjpeg)
    {"midi_programs": N}              one track of N program changes and one note
    {"midi_notes": BYTES}             one track of notes, about BYTES long
    {"files": N}                      a folder of N empty files

A name starting with "cp932:" is stored in code page 932 bytes (as a Windows archive leaves
it); "{deep:N}" in a line stands for N folders, a/a/.../a.

    generate.py CASES_JSON CASE_NAME FOLDER
"""

import json
import os
import struct
import subprocess
import sys
import tempfile


def name_bytes(name):
    return name[len("cp932:"):].encode("cp932") if name.startswith("cp932:") else name.encode()


def expand(line):
    while "{deep:" in line:
        start = line.index("{deep:")
        stop = line.index("}", start)
        count = int(line[start + 6:stop])
        line = line[:start] + "a/" * count + line[stop + 1:]
    return line


def script(lines):
    return b"".join(expand(line).encode("cp932") + b"\r\n" for line in lines)


def small_jpeg(progressive):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "p.jpg")
        subprocess.run(["convert", "-size", "16x16", "gradient:red-blue", "-strip",
                        "-interlace", "Plane" if progressive else "None", path], check=True)
        with open(path, "rb") as f:
            return f.read()


def declared_jpeg(width, height, progressive):
    """A small JPEG whose frame header claims another size: its coded data covers only the
    first rows, as in a file cut short or made to ask for memory."""
    data = bytearray(small_jpeg(progressive))
    marker = b"\xff\xc2" if progressive else b"\xff\xc0"
    at = data.index(marker)
    data[at + 5:at + 9] = struct.pack(">HH", height, width)
    return bytes(data)


def photo(width, height):
    """A real JPEG of `width` x `height` with every pixel coded: a gradient through libjpeg's
    cjpeg (ImageMagick refuses sides over 16,384)."""
    reds = bytes(255 * x // max(1, width - 1) for x in range(width))
    rows = []
    for y in range(height):
        shade = 255 * y // max(1, height - 1)
        row = bytearray(3 * width)
        row[0::3] = reds
        row[1::3] = bytes([shade]) * width
        row[2::3] = bytes([255 - shade]) * width
        rows.append(bytes(row))
    ppm = b"P6 %d %d 255\n" % (width, height) + b"".join(rows)
    return subprocess.run(["cjpeg", "-quality", "85"], input=ppm, capture_output=True,
                          check=True).stdout


def midi(track):
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96)
            + b"MTrk" + struct.pack(">I", len(track)) + track)


def write(path, recipe):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if isinstance(recipe, list):
        recipe = {"lines": recipe}
    if recipe.get("fifo"):
        os.mkfifo(path)
    elif "link" in recipe:
        os.symlink(recipe["link"], path)
    elif recipe.get("folder"):
        os.makedirs(path)
    elif "files" in recipe:
        os.makedirs(path, exist_ok=True)
        for i in range(recipe["files"]):
            open(os.path.join(path, f"file{i:05}.jpg".encode()), "wb").close()
    elif "sparse" in recipe:
        with open(path, "wb") as f:
            f.truncate(recipe["sparse"])
    else:
        with open(path, "wb") as f:
            f.write(content(recipe))


def content(recipe):
    if "jpeg" in recipe:
        return declared_jpeg(*recipe["jpeg"], recipe.get("progressive", False))
    if "photo" in recipe:
        return photo(*recipe["photo"])
    if "midi_programs" in recipe:
        count = recipe["midi_programs"]
        return midi(b"\x00\xc0\x00" + b"\x00\x01" * (count - 1)
                    + b"\x00\x90\x3c\x40\x60\x80\x3c\x40\x00\xff\x2f\x00")
    if "midi_notes" in recipe:
        note = b"\x00\x90\x3c\x40\x00\x80\x3c\x40"
        return midi(note * (recipe["midi_notes"] // len(note)) + b"\x00\xff\x2f\x00")
    data = script(recipe.get("lines", []))
    if "repeat" in recipe:
        line, count = recipe["repeat"]
        data += b"".join(line.format(i=i).encode("cp932") + b"\r\n" for i in range(count))
    if "long_line" in recipe:
        data += b"a" * recipe["long_line"] + b"\r\n"
    return data + script(recipe.get("after", []))


def make_game(case, folder):
    """Writes the case's game folder inside `folder`; returns its path as bytes."""
    game = os.path.join(folder.encode(), name_bytes(case.get("folder_name", "game")))
    os.makedirs(game)
    for name, recipe in case.get("game", {}).items():
        parts = [name_bytes(part) for part in name.split("/")]
        write(os.path.join(game, *parts), recipe)
    return game


def main():
    cases = {case["name"]: case for case in json.load(open(sys.argv[1]))}
    print(make_game(cases[sys.argv[2]], sys.argv[3]).decode(errors="replace"))


if __name__ == "__main__":
    main()
