// SPDX-License-Identifier: MIT
// An LZH archive read in the page, as old Japanese games were published: header levels 0
// to 2, members stored (-lh0-, -lz4-) or compressed with -lh5-, -lh6- or -lh7-, folders
// from the name's "\" or the folder header's 0xFF separators, names in code page 932
// unless well-formed UTF-8. Also behind a self-extracting program.
import {ArchiveRefusal} from './zip_reader.js';

const kMethods = {'-lh0-': 0, '-lz4-': 0, '-lh5-': 13, '-lh6-': 15, '-lh7-': 16};
const kLiterals = 256;
const kCodes = 510;  // 256 literals and the lengths 3 to 256
const kLengthCodes = 19;

const Damaged = () => new ArchiveRefusal('damaged');

function HasHeaderAt(bytes, at) {
  if (at + 22 > bytes.length) return false;
  const method = String.fromCharCode(...bytes.subarray(at + 2, at + 7));
  return /^-l[hz][0-9a-z]-$/.test(method) && bytes[at + 20] <= 2;
}

export function LooksLikeLzh(bytes) {
  return HasHeaderAt(bytes, 0);
}

// Where the archive behind a self-extracting program starts: the first header whose
// checksum (levels 0 and 1) holds; -1 when there is none.
export function FindLzhBehindProgram(bytes) {
  if (bytes[0] !== 0x4d || bytes[1] !== 0x5a) return -1;  // "MZ"
  for (let at = 2; at + 22 <= bytes.length; ++at) {
    if (bytes[at + 2] !== 0x2d || bytes[at + 3] !== 0x6c || !HasHeaderAt(bytes, at)) continue;
    if (bytes[at + 20] === 2) return at;
    let sum = 0;
    for (let i = at + 2; i < at + 2 + bytes[at] && i < bytes.length; ++i) sum += bytes[i];
    if ((sum & 0xff) === bytes[at + 1]) return at;
  }
  return -1;
}

function Crc16(bytes) {
  let crc = 0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) crc = crc & 1 ? (crc >>> 1) ^ 0xa001 : crc >>> 1;
  }
  return crc;
}

/// Lists the LZH archive in `bytes` from `start`. `decodeName(bytes, utf8)` turns a stored
/// name into text. Returns [{name, folder, link, size, encrypted, read()}], as stored.
export function ListLzh(bytes, decodeName, start = 0) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const entries = [];
  let at = start;
  while (at < bytes.length && bytes[at] !== 0) {
    if (!HasHeaderAt(bytes, at)) throw Damaged();
    const method = String.fromCharCode(...bytes.subarray(at + 2, at + 7));
    const level = bytes[at + 20];
    let packed = view.getUint32(at + 7, true);
    const size = view.getUint32(at + 11, true);
    let name = null;
    let folderBytes = null;
    let crc;
    let link = false;
    let data;
    let next;  // where the chain of extended headers starts, and its first size
    if (level === 2) {
      crc = view.getUint16(at + 21, true);
      next = {at: at + 26, size: view.getUint16(at + 24, true)};
      data = at + view.getUint16(at, true);
    } else {
      const nameLength = bytes[at + 21];
      if (at + 24 + nameLength > bytes.length) throw Damaged();
      name = bytes.subarray(at + 22, at + 22 + nameLength);
      crc = view.getUint16(at + 22 + nameLength, true);
      data = at + 2 + bytes[at];
      next = level === 1 ? {at: data, size: view.getUint16(data - 2, true)} : {at: data, size: 0};
    }
    // The extended headers: a type, its data, and the size of the next one.
    while (next.size !== 0) {
      const header = next.at;
      if (next.size < 3 || header + next.size > bytes.length) throw Damaged();
      const type = bytes[header];
      const content = bytes.subarray(header + 1, header + next.size - 2);
      if (type === 0x01) name = content;
      if (type === 0x02) folderBytes = content;
      if (type === 0x50 && content.length >= 2) {
        link = ((content[0] | content[1] << 8) & 0o170000) === 0o120000;
      }
      if (level === 1) {
        data += next.size;
        packed -= next.size;
      }
      next = {at: header + next.size, size: view.getUint16(header + next.size - 2, true)};
    }
    if ((name === null && folderBytes === null) || packed < 0 || data + packed > bytes.length) {
      throw Damaged();
    }
    const parts = [];
    if (folderBytes) {
      let from = 0;
      for (let i = 0; i <= folderBytes.length; ++i) {
        if (i < folderBytes.length && folderBytes[i] !== 0xff) continue;
        if (i > from) parts.push(decodeName(folderBytes.subarray(from, i), false));
        from = i + 1;
      }
    }
    if (name !== null && name.length > 0) parts.push(decodeName(name, false));
    const folder = method === '-lhd-';
    const path = parts.join('/').replaceAll('\\', '/');
    const stored = bytes.subarray(data, data + packed);
    entries.push({
      name: folder && !path.endsWith('/') ? `${path}/` : path,
      folder,
      link,
      size,
      encrypted: false,
      read: async () => ReadMember(stored, method, size, crc),
    });
    at = data + packed;
  }
  return entries;
}

function ReadMember(stored, method, size, crc) {
  const bits = kMethods[method];
  if (bits === undefined) throw new ArchiveRefusal('damaged', `method ${method}`);
  const out = bits === 0 ? stored.slice() : Inflate(stored, size, bits);
  if (out.length !== size || Crc16(out) !== crc) throw Damaged();
  return out;
}

// The bits of a member, the first bit the highest; past its end it reads zeros, a few bytes'
// worth at most.
class BitReader {
  constructor(bytes) {
    this.bytes = bytes;
    this.at = 0;
    this.buffer = 0;
    this.count = 0;
  }

  Bits(n) {
    while (this.count < n) {
      if (this.at >= this.bytes.length + 4) throw Damaged();
      const byte = this.at < this.bytes.length ? this.bytes[this.at] : 0;
      ++this.at;
      this.buffer = ((this.buffer << 8) | byte) & 0xffffff;
      this.count += 8;
    }
    this.count -= n;
    return (this.buffer >>> this.count) & ((1 << n) - 1);
  }
}

// A canonical prefix code by the lengths of its symbols' codes (0: not used), or one symbol
// that takes no bits.
class PrefixCode {
  constructor(lengths, only = -1) {
    this.only = only;
    if (only >= 0) return;
    this.counts = new Uint16Array(17);
    for (const length of lengths) {
      if (length > 16) throw Damaged();
      if (length > 0) ++this.counts[length];
    }
    const offsets = new Uint16Array(18);
    for (let length = 1; length <= 16; ++length) {
      offsets[length + 1] = offsets[length] + this.counts[length];
    }
    this.symbols = new Uint16Array(lengths.length);
    lengths.forEach((length, symbol) => {
      if (length > 0) this.symbols[offsets[length]++] = symbol;
    });
  }

  Read(reader) {
    if (this.only >= 0) return this.only;
    let code = 0;
    let first = 0;
    let index = 0;
    for (let length = 1; length <= 16; ++length) {
      code |= reader.Bits(1);
      const count = this.counts[length];
      if (code - first < count) return this.symbols[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    throw Damaged();
  }
}

// The lengths of a code of `symbols` symbols (counted in `countBits` bits), each in three
// bits or, from 7, by a run of ones; after the `skipAt`th, a two-bit run of zero lengths.
function ReadLengthsCode(reader, symbols, countBits, skipAt) {
  const count = reader.Bits(countBits);
  if (count === 0) return new PrefixCode(null, reader.Bits(countBits));
  if (count > symbols) throw Damaged();
  const lengths = new Uint8Array(symbols);
  for (let i = 0; i < count;) {
    let length = reader.Bits(3);
    if (length === 7) {
      while (reader.Bits(1) === 1) {
        if (++length > 16) throw Damaged();
      }
    }
    lengths[i++] = length;
    if (i === skipAt) {
      i += reader.Bits(2);
      if (i > symbols) throw Damaged();
    }
  }
  return new PrefixCode(lengths);
}

// The code of literals and lengths, its code lengths told by `lengthsCode`.
function ReadLiteralCode(reader, lengthsCode) {
  const count = reader.Bits(9);
  if (count === 0) return new PrefixCode(null, reader.Bits(9));
  if (count > kCodes) throw Damaged();
  const lengths = new Uint8Array(kCodes);
  for (let i = 0; i < count;) {
    const c = lengthsCode.Read(reader);
    if (c > 2) {
      lengths[i++] = c - 2;
      continue;
    }
    const zeros = c === 0 ? 1 : c === 1 ? reader.Bits(4) + 3 : reader.Bits(9) + 20;
    if (i + zeros > kCodes) throw Damaged();
    i += zeros;
  }
  return new PrefixCode(lengths);
}

// -lh5-, -lh6- and -lh7-: LZSS over a window of 2^`windowBits` bytes, coded in blocks of
// prefix codes for the literals and lengths and for the distances.
function Inflate(stored, size, windowBits) {
  const reader = new BitReader(stored);
  const out = new Uint8Array(size);
  const distanceSymbols = windowBits + 1;
  const distanceBits = windowBits === 13 ? 4 : 5;
  let left = 0;  // codes left in the block
  let literals;
  let distances;
  for (let at = 0; at < size;) {
    if (left === 0) {
      left = reader.Bits(16);
      if (left === 0) throw Damaged();
      const lengthsCode = ReadLengthsCode(reader, kLengthCodes, 5, 3);
      literals = ReadLiteralCode(reader, lengthsCode);
      distances = ReadLengthsCode(reader, distanceSymbols, distanceBits, -1);
    }
    --left;
    const c = literals.Read(reader);
    if (c < kLiterals) {
      out[at++] = c;
      continue;
    }
    let distance = distances.Read(reader);
    if (distance >= distanceSymbols) throw Damaged();
    if (distance > 0) distance = (1 << (distance - 1)) + reader.Bits(distance - 1);
    const end = Math.min(size, at + c - kLiterals + 3);
    // Before the member's first byte the window holds spaces.
    for (let from = at - distance - 1; at < end; ++at, ++from) out[at] = from >= 0 ? out[from] : 0x20;
  }
  return out;
}
