# SPDX-License-Identifier: MIT
"""Deterministic writers of archives for the game-archive tests.

Every writer takes a list of entries and returns the bytes of one archive.
An entry is a tuple ``(name, data)`` or ``(name, data, flags)``:

* ``name`` is a ``str`` or ``bytes`` path with ``/`` between folders; a name
  ending in ``/`` is a folder (its data must be empty).  A ``str`` is encoded
  the way the format stores names (code page 932 for the legacy fields, UTF-8
  or UTF-16 where the format is Unicode); ``bytes`` are written as they are,
  so a test can put any byte sequence in a name.  Code page 932 never uses
  0x2F as a trail byte, so splitting ``bytes`` names on ``/`` is safe (unlike
  splitting on ``\\``: the trail byte of 表, ソ, 能 ... is 0x5C).
* ``data`` is the member's bytes.
* ``flags`` is an optional dict of per-entry overrides, listed at each writer.

All timestamps are fixed (``FIXED_TIME``), so the same entries always give
the same bytes.  Standard library only, except ``seven_zip_archive``, which
runs the ``7z`` program.
"""

import calendar
import os
import struct
import subprocess
import tempfile
import zlib

__all__ = [
    "FIXED_TIME",
    "entry",
    "zip_archive",
    "lzh_archive",
    "rar4_archive",
    "rar5_archive",
    "seven_zip_archive",
    "mz_stub",
    "sfx",
    "crc16",
]

# 2020-04-01 12:00:00; the DOS fields hold it as local time, the Unix fields
# as UTC.
FIXED_TIME = (2020, 4, 1, 12, 0, 0)
FIXED_UNIX_TIME = calendar.timegm(FIXED_TIME + (0, 0, 0))
_Y, _MO, _D, _H, _MI, _S = FIXED_TIME
DOS_TIME = (_H << 11) | (_MI << 5) | (_S // 2)
DOS_DATE = ((_Y - 1980) << 9) | (_MO << 5) | _D
DOS_DATETIME = (DOS_DATE << 16) | DOS_TIME

ATTR_DIRECTORY = 0x10
ATTR_ARCHIVE = 0x20


def entry(name, data=b"", **flags):
    """Shorthand for ``(name, data, flags)``."""
    return (name, data, flags)


def _normalise(entries):
    out = []
    for e in entries:
        if len(e) == 2:
            name, data = e
            flags = {}
        elif len(e) == 3:
            name, data, flags = e
            flags = dict(flags or {})
        else:
            raise ValueError("an entry is (name, data) or (name, data, flags)")
        if not isinstance(name, (str, bytes)):
            raise TypeError("entry name must be str or bytes")
        data = bytes(data)
        sep = "/" if isinstance(name, str) else b"/"
        is_dir = name.endswith(sep)
        if is_dir and data:
            raise ValueError("a folder entry has no data: %r" % (name,))
        out.append((name, data, flags, is_dir))
    return out


def _encode(name, codec):
    return name if isinstance(name, bytes) else name.encode(codec)


def _parts(name_bytes):
    """Splits an encoded name into its folders and last part (a folder name
    loses its trailing '/')."""
    parts = name_bytes.rstrip(b"/").split(b"/")
    return parts[:-1], parts[-1]


# ---------------------------------------------------------------------------
# CRCs
# ---------------------------------------------------------------------------

def _make_crc16_table():
    table = []
    for i in range(256):
        c = i
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
        table.append(c)
    return table


_CRC16_TABLE = _make_crc16_table()


def crc16(data, crc=0):
    """CRC-16 as LHA uses it (polynomial 0x8005 reflected, start 0)."""
    for b in data:
        crc = (crc >> 8) ^ _CRC16_TABLE[(crc ^ b) & 0xFF]
    return crc


def _crc32(data):
    return zlib.crc32(data) & 0xFFFFFFFF


# ---------------------------------------------------------------------------
# ZIP
# ---------------------------------------------------------------------------

def _deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15, 9, zlib.Z_DEFAULT_STRATEGY)
    return c.compress(data) + c.flush()


def zip_archive(entries, *, utf8_flag, method="deflate", zip64=False,
                base_offset=0, comment=b""):
    """A ZIP archive.

    Names are written as given bytes (a ``str`` is encoded as UTF-8 when
    ``utf8_flag`` is true, else as code page 932).  General-purpose bit 11
    (the language-encoding flag) is set only when ``utf8_flag`` is true.
    ``method`` is 'deflate' or 'stored' (folders are always stored).  With
    ``zip64`` every local and central header carries a zip64 extra field
    (sizes and offset 0xFFFFFFFF in the fixed fields) and the archive ends
    with a zip64 end record and locator before an end record whose counts
    and offsets are 0xFFFF/0xFFFFFFFF.  ``base_offset`` is added to every
    offset (what ``zip -A`` does to an archive behind an SFX stub).

    Per-entry flags:
      method        'deflate' or 'stored' for this entry
      utf8          set or clear bit 11 for this entry
      declared_size the uncompressed size written in both headers (a lie)
      crc           the CRC-32 written in both headers
      encrypted     set bit 0; ``data`` is written as the (junk) encrypted
                    stream, stored, as it is
      symlink       a Unix symbolic link: ``data`` is the target; made by
                    Unix, external attributes 0o120777 << 16
      unix_mode     made by Unix, external attributes ``unix_mode << 16``
      local_name    a different name in the local header
      extra         raw extra-field bytes added to both headers
    """
    if method not in ("deflate", "stored"):
        raise ValueError("method must be 'deflate' or 'stored'")
    local_parts = []
    central_parts = []
    offset = 0
    count = 0
    for name, data, flags, is_dir in _normalise(entries):
        count += 1
        use_utf8 = flags.get("utf8", utf8_flag)
        raw_name = _encode(name, "utf-8" if use_utf8 else "cp932")
        local_name = flags.get("local_name", raw_name)
        if isinstance(local_name, str):
            local_name = local_name.encode("utf-8" if use_utf8 else "cp932")
        m = flags.get("method", method)
        encrypted = bool(flags.get("encrypted"))
        symlink = bool(flags.get("symlink"))
        if encrypted:
            payload = data
            method_id = {"stored": 0, "deflate": 8}[m]
        elif is_dir or symlink or m == "stored":
            payload = data
            method_id = 0
        else:
            payload = _deflate(data)
            method_id = 8
        gp = 0
        if use_utf8:
            gp |= 0x0800
        if encrypted:
            gp |= 0x0001
        crc = flags.get("crc", _crc32(data))
        usize = flags.get("declared_size", len(data))
        csize = len(payload)
        made_by = 0x0014  # MS-DOS (FAT), 2.0
        ext_attr = ATTR_DIRECTORY if is_dir else ATTR_ARCHIVE
        if symlink:
            made_by = 0x0314
            ext_attr = (0o120777 << 16)
        if "unix_mode" in flags:
            made_by = 0x0314
            ext_attr = (flags["unix_mode"] << 16) | (ATTR_DIRECTORY if is_dir else 0)
        needed = 45 if zip64 else (20 if method_id == 8 or is_dir else 10)
        extra = flags.get("extra", b"")
        local_offset = base_offset + offset
        if zip64:
            local_extra = struct.pack("<HHQQ", 0x0001, 16, usize, csize) + extra
            central_extra = struct.pack("<HHQQQ", 0x0001, 24, usize, csize,
                                        local_offset) + extra
            f_usize = f_csize = f_offset = 0xFFFFFFFF
            made_by = (made_by & 0xFF00) | 45
        else:
            local_extra = central_extra = extra
            f_usize, f_csize, f_offset = usize, csize, local_offset
        local = struct.pack(
            "<IHHHHHIIIHH", 0x04034B50, needed, gp, method_id, DOS_TIME,
            DOS_DATE, crc, f_csize, f_usize, len(local_name),
            len(local_extra)) + local_name + local_extra
        local_parts.append(local + payload)
        central_parts.append(struct.pack(
            "<IHHHHHHIIIHHHHHII", 0x02014B50, made_by, needed, gp, method_id,
            DOS_TIME, DOS_DATE, crc, f_csize, f_usize, len(raw_name),
            len(central_extra), 0, 0, 0, ext_attr, f_offset)
            + raw_name + central_extra)
        offset += len(local) + len(payload)
    body = b"".join(local_parts)
    central = b"".join(central_parts)
    cd_offset = base_offset + len(body)
    tail = b""
    if zip64:
        zip64_eocd_offset = cd_offset + len(central)
        tail += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0,
                            count, count, len(central), cd_offset)
        tail += struct.pack("<IIQI", 0x07064B50, 0, zip64_eocd_offset, 1)
        tail += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF,
                            0xFFFFFFFF, 0xFFFFFFFF, len(comment)) + comment
    else:
        tail += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count,
                            len(central), cd_offset, len(comment)) + comment
    return body + central + tail


# ---------------------------------------------------------------------------
# LZH (LHA)
# ---------------------------------------------------------------------------

class _BitWriter:
    """Most significant bit first, as LHA's decoders read."""

    def __init__(self):
        self.acc = 0
        self.nbits = 0
        self.out = bytearray()

    def write(self, value, nbits):
        if nbits == 0:
            return
        if value < 0 or value >> nbits:
            raise ValueError("%d does not fit in %d bits" % (value, nbits))
        self.acc = (self.acc << nbits) | value
        self.nbits += nbits
        while self.nbits >= 8:
            self.nbits -= 8
            self.out.append((self.acc >> self.nbits) & 0xFF)
        self.acc &= (1 << self.nbits) - 1

    def code(self, pair):
        self.write(pair[0], pair[1])

    def finish(self):
        if self.nbits:
            self.out.append((self.acc << (8 - self.nbits)) & 0xFF)
            self.acc = self.nbits = 0
        return bytes(self.out)


def _flat_lengths(n):
    """Code lengths of a complete prefix code for n symbols, all of length
    L or L+1."""
    if n < 2:
        raise ValueError("a tree needs at least two symbols")
    low = n.bit_length() - 1
    if 1 << low == n:
        return [low] * n
    short = (1 << (low + 1)) - n
    return [low] * short + [low + 1] * (n - short)


def _canonical_codes(lengths):
    """Canonical Huffman codes (shorter first, then by symbol), the way LHA
    builds its tables: symbol -> (code, length)."""
    codes = {}
    code = 0
    for length in range(1, max(lengths) + 1):
        for sym, l in enumerate(lengths):
            if l == length:
                codes[sym] = (code, length)
                code += 1
        code <<= 1
    return codes


# The -lh5-/-lh6-/-lh7- formats differ only in the dictionary size and so in
# the number of position codes (dictionary bits + 1) and the width of the
# field that counts them.
_LH_PARAMS = {
    "lh5": (13, 4),
    "lh6": (15, 5),
    "lh7": (16, 5),
}
_NC = 510          # 256 literals + 254 match lengths (3..256)
_MIN_MATCH = 3
_MAX_MATCH = 256
_MAX_BLOCK = 0xFFFF


def _lz77_tokens(data, window):
    """Greedy LZ77 with hash chains: a list of ints (literals) and
    (length, distance) pairs."""
    tokens = []
    heads = {}
    prev = [0] * len(data)
    i = 0
    n = len(data)

    def insert(pos):
        if pos + _MIN_MATCH <= n:
            key = data[pos:pos + _MIN_MATCH]
            prev[pos] = heads.get(key, -1)
            heads[key] = pos

    while i < n:
        best_len = 0
        best_dist = 0
        if i + _MIN_MATCH <= n:
            cand = heads.get(data[i:i + _MIN_MATCH], -1)
            chain = 0
            limit = min(_MAX_MATCH, n - i)
            while cand >= 0 and i - cand <= window and chain < 256:
                length = 0
                while length < limit and data[cand + length] == data[i + length]:
                    length += 1
                if length > best_len:
                    best_len = length
                    best_dist = i - cand
                    if length == limit:
                        break
                cand = prev[cand]
                chain += 1
        if best_len >= _MIN_MATCH:
            tokens.append((best_len, best_dist))
            for k in range(best_len):
                insert(i + k)
            i += best_len
        else:
            tokens.append(data[i])
            insert(i)
            i += 1
    return tokens


def _write_length_value(bw, length):
    """A code length as LHA writes it in the temporary and position tables:
    three bits, and for 7 or more a unary extension."""
    if length < 7:
        bw.write(length, 3)
    else:
        bw.write(7, 3)
        for _ in range(length - 7):
            bw.write(1, 1)
        bw.write(0, 1)


def lh_compress(data, method):
    """An -lh5-, -lh6- or -lh7- stream of data: greedy LZ77 matches and
    literals, in blocks whose trees are fixed (every literal/length code 8 or
    9 bits, every position code the same few bits), so that a decoder runs
    through its whole table-reading and match-copying paths."""
    dicbit, pbit = _LH_PARAMS[method]
    np_ = dicbit + 1
    window = (1 << dicbit) - 1
    tokens = _lz77_tokens(bytes(data), window)

    c_len = _flat_lengths(_NC)
    c_codes = _canonical_codes(c_len)
    p_len = _flat_lengths(np_)
    p_codes = _canonical_codes(p_len)
    # The temporary tree codes the C-table lengths, length L as symbol L+2.
    # The flat C table has two lengths, so the temporary tree is two 1-bit
    # codes.
    used = sorted(set(l + 2 for l in c_len))
    assert len(used) == 2
    nt = used[-1] + 1
    t_len = [0] * nt
    for sym in used:
        t_len[sym] = 1
    t_codes = _canonical_codes(t_len)

    bw = _BitWriter()
    for start in range(0, max(len(tokens), 1), _MAX_BLOCK):
        block = tokens[start:start + _MAX_BLOCK]
        if not block:
            break
        bw.write(len(block), 16)
        # Temporary table: count, then lengths with a 2-bit run of zeros
        # after the third.
        bw.write(nt, 5)
        i = 0
        while i < nt:
            _write_length_value(bw, t_len[i])
            if i == 2:
                run = 0
                while run < 3 and i + 1 + run < nt and t_len[i + 1 + run] == 0:
                    run += 1
                bw.write(run, 2)
                i += run
            i += 1
        # Literal/length table, each length sent through the temporary tree.
        bw.write(_NC, 9)
        for l in c_len:
            bw.code(t_codes[l + 2])
        # Position table.
        bw.write(np_, pbit)
        for l in p_len:
            _write_length_value(bw, l)
        for tok in block:
            if isinstance(tok, int):
                bw.code(c_codes[tok])
            else:
                length, dist = tok
                bw.code(c_codes[256 + length - _MIN_MATCH])
                v = dist - 1
                bits = v.bit_length()
                bw.code(p_codes[bits])
                if bits > 1:
                    bw.write(v - (1 << (bits - 1)), bits - 1)
    return bw.finish()


def _lzh_ext(kind, payload):
    return bytes([kind]) + payload


def _lzh_chain(exts):
    """Extended headers, each followed by the 2-byte size of the next."""
    out = bytearray()
    sizes = [len(e) + 2 for e in exts] + [0]
    out += struct.pack("<H", sizes[0])
    for e, nxt in zip(exts, sizes[1:]):
        out += e + struct.pack("<H", nxt)
    return bytes(out)


def lzh_archive(entries, *, level=2, method="lh5", separator=None):
    """An LHA archive with MS-DOS headers (OS id 'M').

    ``level`` is 0, 1 or 2.  ``method`` is 'lh0' (stored), 'lh5', 'lh6' or
    'lh7' (compressed by ``lh_compress``); folders are '-lhd-' entries.
    Names are code page 932 (a ``str`` is encoded).  ``separator`` says how
    folders are written:
      b'\\\\'  the whole path in the file name field with backslashes (the
              default of level 0; for levels 1 and 2 the old Windows habit)
      b'\\xff'  levels 1 and 2: the folders in a directory extended header
              (0x02) with 0xFF after each folder (their default); level 0:
              0xFF between the parts in the name field
    Level 0 and 1 headers carry the MS-DOS date and time and a checksum;
    level 2 headers a Unix time and a header CRC (extended header 0x00).

    Per-entry flags:
      data_crc   the CRC-16 written for the data
      orig_size  the original size written in the header
      method     this entry's method
    """
    if level not in (0, 1, 2):
        raise ValueError("level must be 0, 1 or 2")
    if separator is None:
        separator = b"\\" if level == 0 else b"\xff"
    if separator not in (b"\\", b"\xff"):
        raise ValueError("separator must be b'\\\\' or b'\\xff'")
    out = bytearray()
    for name, data, flags, is_dir in _normalise(entries):
        raw = _encode(name, "cp932")
        folders, last = _parts(raw)
        m = flags.get("method", method)
        if is_dir:
            method_id = b"-lhd-"
            packed = b""
            data = b""
            attr = ATTR_DIRECTORY
        else:
            if m == "lh0":
                packed = data
            elif m in _LH_PARAMS:
                packed = lh_compress(data, m)
            else:
                raise ValueError("unknown method %r" % (m,))
            method_id = ("-%s-" % m).encode("ascii")
            attr = ATTR_ARCHIVE
        data_crc = flags.get("data_crc", crc16(data))
        orig_size = flags.get("orig_size", len(data))

        if level == 0 or separator == b"\\":
            sep = separator
            if is_dir:
                field_name = sep.join(folders + [last]) + sep
            else:
                field_name = sep.join(folders + [last])
            dir_ext = None
        else:
            field_name = b"" if is_dir else last
            dir_parts = folders + [last] if is_dir else folders
            dir_ext = b"".join(p + b"\xff" for p in dir_parts) if dir_parts else None

        if level == 0:
            if len(field_name) > 230:
                raise ValueError("name too long for a level-0 header")
            body = (method_id + struct.pack("<IIIBBB", len(packed), orig_size,
                                            DOS_DATETIME, attr, 0,
                                            len(field_name))
                    + field_name + struct.pack("<H", data_crc))
            out += bytes([len(body), sum(body) & 0xFF]) + body + packed
        elif level == 1:
            # The attribute byte of a level-1 header is 0x20 whatever the
            # entry (libarchive does not take a first header with another
            # value for an LHA header); a folder's 0x10 goes in extended
            # header 0x40.
            exts = []
            if dir_ext is not None:
                exts.append(_lzh_ext(0x02, dir_ext))
            if attr != ATTR_ARCHIVE:
                exts.append(_lzh_ext(0x40, struct.pack("<H", attr)))
            chain = _lzh_chain(exts)
            ext_bytes = chain[2:]  # the next-size field is part of the base
            body = (method_id + struct.pack("<IIIBBB",
                                            len(packed) + len(ext_bytes),
                                            orig_size, DOS_DATETIME,
                                            ATTR_ARCHIVE, 1,
                                            len(field_name))
                    + field_name + struct.pack("<H", data_crc) + b"M"
                    + chain[:2])
            out += bytes([len(body), sum(body) & 0xFF]) + body + ext_bytes + packed
        else:
            exts = [_lzh_ext(0x00, b"\x00\x00")]
            if field_name:
                exts.append(_lzh_ext(0x01, field_name))
            if dir_ext is not None:
                exts.append(_lzh_ext(0x02, dir_ext))
            exts.append(_lzh_ext(0x40, struct.pack("<H", attr)))
            chain = _lzh_chain(exts)
            total = 24 + len(chain)
            pad = b""
            if total & 0xFF == 0:
                # A first byte of 0 would read as the end of the archive.
                pad = b"\x00"
                total += 1
            header = bytearray(struct.pack("<H", total) + method_id
                               + struct.pack("<IIIBBHB", len(packed),
                                             orig_size, FIXED_UNIX_TIME,
                                             ATTR_ARCHIVE, 2, data_crc,
                                             ord("M"))
                               + chain + pad)
            # The CRC field is the first two bytes after the first
            # extended header's type byte: 26 (fixed part with its
            # next-size field) + 1.
            hcrc = crc16(bytes(header))
            header[27:29] = struct.pack("<H", hcrc)
            out += header + packed
    out += b"\x00"
    return bytes(out)


# ---------------------------------------------------------------------------
# RAR 1.5 - 4.x
# ---------------------------------------------------------------------------

RAR4_MARKER = b"Rar!\x1a\x07\x00"


def _rar4_block(head_type, flags, fields):
    size = 7 + len(fields)
    body = struct.pack("<BHH", head_type, flags, size) + fields
    return struct.pack("<H", _crc32(body) & 0xFFFF) + body


def _rar_unicode_name(name):
    """RAR's compact form of a UTF-16 name (modes 0, 1 and 2 of the
    four-modes-per-flag-byte scheme; the fourth mode, which copies from the
    legacy name, is not used)."""
    units = []
    for ch in name:
        cp = ord(ch)
        if cp > 0xFFFF:
            cp -= 0x10000
            units += [0xD800 | (cp >> 10), 0xDC00 | (cp & 0x3FF)]
        else:
            units.append(cp)
    highs = {}
    for u in units:
        if u > 0xFF:
            highs[u >> 8] = highs.get(u >> 8, 0) + 1
    high = max(sorted(highs), key=lambda h: highs[h]) if highs else 0
    out = bytearray([high])
    for start in range(0, len(units), 4):
        group = units[start:start + 4]
        flag_pos = len(out)
        out.append(0)
        flag = 0
        for k, u in enumerate(group):
            if u <= 0xFF:
                mode = 0
                out.append(u)
            elif u >> 8 == high:
                mode = 1
                out.append(u & 0xFF)
            else:
                mode = 2
                out += struct.pack("<H", u)
            flag |= mode << (6 - 2 * k)
        out[flag_pos] = flag
    return bytes(out)


def rar4_archive(entries, *, unicode_names):
    """A RAR 1.5-4.x archive, every file stored (method 0x30), host OS
    Win32.  Folders are joined with backslashes.  Without ``unicode_names``
    the names are code page 932 only; with it every file header has flag
    0x200 and its name field holds the code page 932 name, a zero byte and
    RAR's encoded UTF-16 name.

    Per-entry flags:
      legacy_name  the bytes of the legacy (code page 932) name
      crc          the CRC-32 written for the data
    """
    out = bytearray(RAR4_MARKER)
    out += _rar4_block(0x73, 0x0000, b"\x00" * 6)
    for name, data, flags, is_dir in _normalise(entries):
        if isinstance(name, bytes):
            legacy = name
            uname = name.decode("cp932")
        else:
            legacy = name.encode("cp932")
            uname = name
        legacy = flags.get("legacy_name", legacy.rstrip(b"/").replace(b"/", b"\\"))
        uname = uname.rstrip("/").replace("/", "\\")
        hflags = 0x8000
        if is_dir:
            hflags |= 0x00E0
        if unicode_names:
            hflags |= 0x0200
            name_field = legacy + b"\x00" + _rar_unicode_name(uname)
        else:
            name_field = legacy
        crc = flags.get("crc", _crc32(data) if data else 0)
        attr = ATTR_DIRECTORY if is_dir else ATTR_ARCHIVE
        fields = struct.pack("<IIBIIBBHI", len(data), len(data), 2, crc,
                             DOS_DATETIME, 20, 0x30, len(name_field), attr)
        out += _rar4_block(0x74, hflags, fields + name_field) + data
    out += _rar4_block(0x7B, 0x4000, b"")
    return bytes(out)


# ---------------------------------------------------------------------------
# RAR 5
# ---------------------------------------------------------------------------

RAR5_SIGNATURE = b"Rar!\x1a\x07\x01\x00"


def _vint(n):
    out = bytearray()
    while True:
        b = n & 0x7F
        n >>= 7
        if n:
            out.append(b | 0x80)
        else:
            out.append(b)
            return bytes(out)


def _rar5_block(fields, data=b""):
    size = _vint(len(fields))
    return struct.pack("<I", _crc32(size + fields)) + size + fields + data


def rar5_archive(entries):
    """A RAR 5 archive: every file stored, host OS Windows, UTF-8 names with
    '/' between folders, Unix modification times and data CRC-32s.

    Per-entry flags:
      crc   the CRC-32 written for the data
    """
    out = bytearray(RAR5_SIGNATURE)
    out += _rar5_block(_vint(1) + _vint(0) + _vint(0))
    for name, data, flags, is_dir in _normalise(entries):
        raw = _encode(name, "utf-8").rstrip(b"/")
        # Folders too have a data area, of size 0: libarchive refuses a file
        # header without one.
        hflags = 0x0002
        if is_dir:
            file_flags = 0x0001 | 0x0002
            attr = ATTR_DIRECTORY
        else:
            file_flags = 0x0002 | 0x0004
            attr = ATTR_ARCHIVE
        fields = _vint(2) + _vint(hflags) + _vint(len(data))
        fields += _vint(file_flags) + _vint(len(data)) + _vint(attr)
        fields += struct.pack("<I", FIXED_UNIX_TIME)
        if file_flags & 0x0004:
            fields += struct.pack("<I", flags.get("crc", _crc32(data)))
        fields += _vint(0)        # compression: version 0, stored
        fields += _vint(0)        # host OS: Windows
        fields += _vint(len(raw)) + raw
        out += _rar5_block(fields, data)
    out += _rar5_block(_vint(5) + _vint(0) + _vint(0))
    return bytes(out)


# ---------------------------------------------------------------------------
# 7z (through the 7z program)
# ---------------------------------------------------------------------------

def seven_zip_archive(entries, *, solid, program="7z"):
    """A 7z archive made by the ``7z`` program from the entries laid out in a
    temporary folder (UTF-8 names; 7z stores them as UTF-16), with fixed
    modes, no timestamps (-mtm=off -mtc=off -mta=off), one thread, LZMA2,
    and ``-ms=on`` or ``-ms=off``."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "src")
        os.mkdir(src)
        tops = []
        for name, data, flags, is_dir in _normalise(entries):
            if isinstance(name, bytes):
                name = name.decode("utf-8")
            rel = name.rstrip("/")
            path = os.path.join(src, *rel.split("/"))
            top = rel.split("/")[0]
            if top not in tops:
                tops.append(top)
            if is_dir:
                os.makedirs(path, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(data)
        for root, dirs, files in os.walk(src):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
            for fn in files:
                os.chmod(os.path.join(root, fn), 0o644)
        for root, dirs, files in os.walk(src, topdown=False):
            for p in files + dirs:
                os.utime(os.path.join(root, p), (FIXED_UNIX_TIME, FIXED_UNIX_TIME))
        out = os.path.join(tmp, "out.7z")
        env = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")
        subprocess.run(
            [program, "a", "-t7z", "-m0=lzma2", "-mx=9", "-mmt=1",
             "-ms=on" if solid else "-ms=off", "-mtm=off", "-mtc=off",
             "-mta=off", "-bd", "-bso0", "-bsp0", out, "--"] + tops,
            cwd=src, env=env, check=True)
        with open(out, "rb") as f:
            return f.read()


# ---------------------------------------------------------------------------
# Self-extracting archives
# ---------------------------------------------------------------------------

def mz_stub(size=4096):
    """A stand-in for an SFX program: an MS-DOS 'MZ' header describing an
    empty program, padded with zeros to ``size`` bytes.  It holds no code."""
    if size < 64 or size % 16:
        raise ValueError("size must be a multiple of 16, at least 64")
    pages, last = divmod(size, 512)
    if last:
        pages += 1
    header = struct.pack(
        "<2sHHHHHHHHHHHH", b"MZ", last, pages, 0, 4, 0, 0xFFFF, 0, 0xB8, 0,
        0, 0, 0x40)
    header += b"\x00" * (0x3C - len(header)) + struct.pack("<I", 0)
    return header + b"\x00" * (size - len(header))


def sfx(stub_bytes, archive_bytes):
    """A self-extracting .exe: the stub followed by the archive.  A ZIP's
    offsets are whatever it was written with: pass ``base_offset=len(stub)``
    to ``zip_archive`` for the adjusted form."""
    return bytes(stub_bytes) + bytes(archive_bytes)
