// SPDX-License-Identifier: MIT
// A zip archive read in the page: its central directory listed, and a member's bytes
// inflated by the browser's own decompressor. Stored and deflated members, zip64 sizes,
// names in code page 932 unless marked as UTF-8 or well-formed UTF-8, "\" between folders.

const kEndOfDirectory = 0x06054b50;
const kZip64Locator = 0x07064b50;
const kDirectoryEntry = 0x02014b50;
const kLocalHeader = 0x04034b50;
const kUtf8Flag = 0x0800;
const kEncryptedFlag = 0x0001;

export class ArchiveRefusal extends Error {
  constructor(kind, detail = '') {
    super(detail || kind);
    this.kind = kind;  // 'not-an-archive', 'damaged', 'encrypted'
    this.detail = detail;
  }
}

export function LooksLikeZip(bytes) {
  return bytes.length >= 4 && bytes[0] === 0x50 && bytes[1] === 0x4b &&
      (bytes[2] === 3 || bytes[2] === 5) && (bytes[3] === 4 || bytes[3] === 6);
}

function FindEndOfDirectory(view) {
  const last = Math.max(0, view.byteLength - 22 - 0xffff);
  for (let at = view.byteLength - 22; at >= last; --at) {
    if (view.getUint32(at, true) === kEndOfDirectory) return at;
  }
  return -1;
}

function Zip64Sizes(view, at, length, sizes) {
  // The extra field of id 1 holds, in order, the values left at 0xffffffff.
  const end = at + length;
  while (at + 4 <= end) {
    const id = view.getUint16(at, true);
    const size = view.getUint16(at + 2, true);
    if (id === 1) {
      let p = at + 4;
      for (const key of ['size', 'packed', 'offset']) {
        if (sizes[key] === 0xffffffff && p + 8 <= at + 4 + size) {
          sizes[key] = Number(view.getBigUint64(p, true));
          p += 8;
        }
      }
    }
    at += 4 + size;
  }
}

/// Lists the zip archive in `bytes` (a Uint8Array). `decodeName(bytes, utf8)` turns a stored
/// name into text. Returns [{name, folder, size, encrypted, read()}], in the stored order.
export function ListZip(bytes, decodeName) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const end = FindEndOfDirectory(view);
  if (end < 0) throw new ArchiveRefusal(LooksLikeZip(bytes) ? 'damaged' : 'not-an-archive');
  let count = view.getUint16(end + 10, true);
  let directorySize = view.getUint32(end + 12, true);
  let offset = view.getUint32(end + 16, true);
  if (end >= 20 && view.getUint32(end - 20, true) === kZip64Locator) {
    const record = Number(view.getBigUint64(end - 12, true));
    if (record + 56 > bytes.length) throw new ArchiveRefusal('damaged');
    count = Number(view.getBigUint64(record + 32, true));
    directorySize = Number(view.getBigUint64(record + 40, true));
    offset = Number(view.getBigUint64(record + 48, true));
  }
  // Behind a self-extracting program the offsets may count from the archive's own start.
  const zip64 = end >= 20 && view.getUint32(end - 20, true) === kZip64Locator;
  const shift = Math.max(0, (zip64 ? end - 20 - 56 : end) - directorySize - offset);
  offset += shift;
  const entries = [];
  let at = offset;
  for (let i = 0; i < count; ++i) {
    if (at + 46 > bytes.length || view.getUint32(at, true) !== kDirectoryEntry) {
      throw new ArchiveRefusal('damaged');
    }
    const flags = view.getUint16(at + 8, true);
    const method = view.getUint16(at + 10, true);
    const sizes = {
      packed: view.getUint32(at + 20, true),
      size: view.getUint32(at + 24, true),
      offset: view.getUint32(at + 42, true),
    };
    const nameLength = view.getUint16(at + 28, true);
    const extraLength = view.getUint16(at + 30, true);
    const commentLength = view.getUint16(at + 32, true);
    const externalAttributes = view.getUint32(at + 38, true);
    const stored = bytes.subarray(at + 46, at + 46 + nameLength);
    Zip64Sizes(view, at + 46 + nameLength, extraLength, sizes);
    sizes.offset += shift;
    const name = decodeName(stored, (flags & kUtf8Flag) !== 0).replaceAll('\\', '/');
    // A link as Unix zips mark it: the file type in the high half of the attributes.
    const link = ((externalAttributes >>> 16) & 0o170000) === 0o120000;
    entries.push({
      name,
      folder: name.endsWith('/'),
      link,
      size: sizes.size,
      encrypted: (flags & kEncryptedFlag) !== 0,
      read: () => ReadMember(bytes, view, sizes, method),
    });
    at += 46 + nameLength + extraLength + commentLength;
  }
  return entries;
}

async function ReadMember(bytes, view, sizes, method) {
  const at = sizes.offset;
  if (at + 30 > bytes.length || view.getUint32(at, true) !== kLocalHeader) {
    throw new ArchiveRefusal('damaged');
  }
  const start = at + 30 + view.getUint16(at + 26, true) + view.getUint16(at + 28, true);
  const packed = bytes.subarray(start, start + sizes.packed);
  if (packed.length !== sizes.packed) throw new ArchiveRefusal('damaged');
  if (method === 0) return packed.slice();
  if (method !== 8) throw new ArchiveRefusal('damaged', `compression method ${method}`);
  const stream = new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  // Never more than the archive declares: a member that inflates past it is damaged.
  const out = new Uint8Array(sizes.size);
  let filled = 0;
  const reader = stream.getReader();
  for (;;) {
    const {done, value} = await reader.read();
    if (done) break;
    if (filled + value.length > out.length) {
      reader.cancel();
      throw new ArchiveRefusal('damaged');
    }
    out.set(value, filled);
    filled += value.length;
  }
  if (filled !== out.length) throw new ArchiveRefusal('damaged');
  return out;
}
