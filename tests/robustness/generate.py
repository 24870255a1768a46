#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
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

A case with "archive" in place of "game" is played from one archive file (its path is the game
named to the program):

    "archive": {"kind": KIND, "entries": [[NAME, RECIPE, FLAGS], ...], "file": "game.zip",
                "cut": F, "sfx": true, "options": [...], "play_inside": FOLDER}

KIND is "zip" (names in code page 932), "zip utf8", "zip64", "7z", "7z solid", "lzh", "rar4",
"rar5" (written by tests/game_files/archive_writers.py), or "zip program" and "7z program": Debian's
zip and 7z, run on the entries laid out in a folder, once for each run of entries with the
same "password" flag (zip -P, 7z -p; "options" are given to each 7z run, as -mhe=on).
"cut": F keeps the first F of the archive's bytes; "sfx" puts a self-extracting program's
header before it; "play_inside" names a folder of the archive after its path. The entries
stand in that order and may repeat a name. An entry's RECIPE is one of a file's above, or
    {"text": "..."}                   these bytes (UTF-8)
    {"zeros": BYTES, "lines": [...]}  the lines, then BYTES zero bytes, deflated as they are
                                      made (kind "zip" only), so that an archive of a few
                                      MB inflates to GBs
    {"archive": {...}}                an archive made as above (an archive inside)
    {"link": TARGET}                  a symbolic link
    {"folder": true}                  a folder entry
Its FLAGS are archive_writers' per-entry flags ("encrypted", "declared_size", ...), and
    "times": N                        N entries, {i} in the name standing for 0 ... N-1
    "password": "..."                 (the program kinds) encrypted with it
"archive": {"file": NAME, "recipe": RECIPE} is a file of that name made by a file's recipe
(text, a named pipe ...) in place of an archive.

    generate.py CASES_JSON CASE_NAME FOLDER
"""

import functools
import json
import os
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "game_files"))
import archive_writers  # noqa: E402


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


@functools.lru_cache(maxsize=None)
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


def zeros_deflated(count, crc):
    """`count` zero bytes deflated, and `crc` (the CRC-32 of what comes before them) carried
    on over them, made without holding them: a block of 1 MiB is compressed once and
    repeated, each copy standing alone (a full flush ends it on a byte and empties the window
    before the next), then a last block."""
    chunk_size = 1 << 20
    chunk = bytes(chunk_size)
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    block = compressor.compress(chunk) + compressor.flush(zlib.Z_FULL_FLUSH)
    whole, rest = divmod(count, chunk_size)
    tail = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    for _ in range(whole):
        crc = zlib.crc32(chunk, crc)
    crc = zlib.crc32(chunk[:rest], crc)
    return block * whole + tail.compress(chunk[:rest]) + tail.flush(), crc


def deflated_zip(members):
    """A zip of (name bytes, deflated data, CRC-32, size, flags) members, the size written
    as flags' "declared_size" when given: for data too large to hand to archive_writers."""
    local, central = [], []
    offset = 0
    date = archive_writers.DOS_DATE
    time_ = archive_writers.DOS_TIME
    for name, payload, crc, size, flags in members:
        size = flags.get("declared_size", size)
        if size >= 0xFFFFFFFF or len(payload) >= 0xFFFFFFFF:
            raise ValueError("a member of deflated_zip must be under 4 GiB")
        header = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, time_, date, crc,
                             len(payload), size, len(name), 0)
        local.append(header + name + payload)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, time_, date,
                                   crc, len(payload), size, len(name), 0, 0, 0, 0,
                                   archive_writers.ATTR_ARCHIVE, offset) + name)
        offset += len(header) + len(name) + len(payload)
    directory = b"".join(central)
    return (b"".join(local) + directory
            + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(members), len(members),
                          len(directory), offset, 0))


def archive_entries(recipe):
    """The archive's entries as (name, recipe, flags), the repeated ones spelt out."""
    for item in recipe["entries"]:
        name, content_recipe = item[0], item[1]
        flags = dict(item[2]) if len(item) > 2 else {}
        times = flags.pop("times", None)
        for i in range(times) if times is not None else [None]:
            yield (name if i is None else name.format(i=i)), content_recipe, flags


def entry_bytes(content_recipe):
    if isinstance(content_recipe, dict):
        if "text" in content_recipe:
            return content_recipe["text"].encode()
        if "archive" in content_recipe:
            return archive_bytes(content_recipe["archive"])
        if "link" in content_recipe:
            return content_recipe["link"].encode()
        if content_recipe.get("folder"):
            return b""
    if isinstance(content_recipe, list):
        content_recipe = {"lines": content_recipe}
    return content(content_recipe)


def writer_entry(name, content_recipe, flags):
    """An entry as archive_writers takes it."""
    flags = dict(flags)
    if isinstance(content_recipe, dict) and "link" in content_recipe:
        flags["symlink"] = True
    name = name_bytes(name)
    if isinstance(content_recipe, dict) and content_recipe.get("folder") and \
            not name.endswith(b"/"):
        name += b"/"
    return (name, entry_bytes(content_recipe), flags)


def program_archive(recipe):
    """The archive made by Debian's zip or 7z from the entries laid out in a folder."""
    seven = recipe["kind"] == "7z program"
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "source")
        out = os.path.join(folder, "out.7z" if seven else "out.zip")
        runs = []  # (password, [names]) in the entries' order
        for name, content_recipe, flags in archive_entries(recipe):
            path = os.path.join(source.encode(), *name_bytes(name).split(b"/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if isinstance(content_recipe, dict) and "link" in content_recipe:
                os.symlink(content_recipe["link"], path)
            elif isinstance(content_recipe, dict) and content_recipe.get("folder"):
                os.makedirs(path, exist_ok=True)
            else:
                with open(path, "wb") as f:
                    f.write(entry_bytes(content_recipe))
            os.utime(path, (archive_writers.FIXED_UNIX_TIME,) * 2, follow_symlinks=False)
            password = flags.get("password")
            if not runs or runs[-1][0] != password:
                runs.append((password, []))
            runs[-1][1].append(name_bytes(name))
        for password, names in runs:
            if seven:
                command = ["7z", "a", "-t7z", "-snl", "-mmt=1", "-bd", "-bso0", "-bsp0",
                           *recipe.get("options", [])]
                command += [f"-p{password}"] if password else []
            else:
                command = ["zip", "-q", "-X", "-y", *(["-P", password] if password else [])]
            subprocess.run([*command, out, "--", *names], cwd=source, check=True,
                           env=dict(os.environ, LC_ALL="C.UTF-8"))
        with open(out, "rb") as f:
            return f.read()


def archive_bytes(recipe):
    kind = recipe["kind"]
    entries = list(archive_entries(recipe))
    if kind in ("zip program", "7z program"):
        data = program_archive(recipe)
    elif any(isinstance(r, dict) and "zeros" in r for _, r, _ in entries):
        if kind != "zip":
            raise ValueError("zero bytes made as they are deflated go in a zip only")
        members = []
        for name, content_recipe, flags in entries:
            if isinstance(content_recipe, dict) and "zeros" in content_recipe:
                lines = script(content_recipe.get("lines", []))
                zeros, crc = zeros_deflated(content_recipe["zeros"], zlib.crc32(lines))
                head = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
                payload = head.compress(lines) + head.flush(zlib.Z_FULL_FLUSH) + zeros
                size = len(lines) + content_recipe["zeros"]
            else:
                plain = entry_bytes(content_recipe)
                compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
                payload = compressor.compress(plain) + compressor.flush()
                crc, size = zlib.crc32(plain), len(plain)
            members.append((name_bytes(name), payload, crc, size, flags))
        data = deflated_zip(members)
    else:
        written = [writer_entry(*e) for e in entries]
        if kind in ("zip", "zip utf8", "zip64"):
            data = archive_writers.zip_archive(written, utf8_flag=kind == "zip utf8",
                                               zip64=kind == "zip64")
        elif kind in ("7z", "7z solid"):
            data = archive_writers.seven_zip_archive(written, solid=kind == "7z solid")
        elif kind == "lzh":
            data = archive_writers.lzh_archive(written)
        elif kind == "rar4":
            data = archive_writers.rar4_archive(written, unicode_names=True)
        elif kind == "rar5":
            data = archive_writers.rar5_archive(written)
        else:
            raise ValueError(f"no archive of kind {kind!r}")
    if "cut" in recipe:
        data = data[:int(len(data) * recipe["cut"])]
    if recipe.get("sfx"):
        data = archive_writers.sfx(archive_writers.mz_stub(), data)
    return data


def make_archive(recipe, folder):
    """Writes the case's archive inside `folder`; returns the game's path as bytes."""
    path = os.path.join(folder.encode(), name_bytes(recipe.get("file", "game.zip")))
    if "recipe" in recipe:
        write(path, recipe["recipe"])
    else:
        with open(path, "wb") as f:
            f.write(archive_bytes(recipe))
    if "play_inside" in recipe:
        path = os.path.join(path, name_bytes(recipe["play_inside"]))
    return path


def make_game(case, folder):
    """Writes the case's game folder (or its archive) inside `folder`; returns its path as
    bytes."""
    if "archive" in case:
        return make_archive(case["archive"], folder)
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
