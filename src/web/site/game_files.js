// SPDX-License-Identifier: MIT
// A game's files put into the engine's memory, whence the engine reads them as a folder:
// the site's own game, a folder or an archive dropped on the page or picked. Nothing is
// uploaded or stored; a game that is let go is removed from memory. The game in what was
// given is found as the installed Tavrin finds it, and said so in the same words when
// there is none.
import {FindLzhBehindProgram, ListLzh, LooksLikeLzh} from './lzh_reader.js';
import {ArchiveRefusal, ListZip, LooksLikeZip} from './zip_reader.js';

export class NoGame extends Error {}

const kMaxEntries = 200000;
let games = 0;

const Lower = (name) => name.replace(/[A-Z]/g, (c) => c.toLowerCase());
const Quoted = (name) => `'${name}'`;

function Listed(names) {
  if (names.length === 1) return names[0];
  return `${names.slice(0, -1).join(', ')} and ${names[names.length - 1]}`;
}

function NoGameIn(named, because = '') {
  return new NoGame(`${Quoted(named)} holds no game: there is no dat.dat in it or in any of ` +
                    `its folders${because}`);
}

function SeveralGames(named, folders) {
  folders.sort();
  return new NoGame(`${Quoted(named)} holds ${folders.length} games, one in each of the ` +
                    `folders ${Listed(folders)}: name the one to play after it, as in ` +
                    `${Quoted(`${named}/${folders[0]}`)}`);
}

function ArchiveKind(bytes) {
  const starts = (...magic) => magic.every((b, i) => bytes[i] === b);
  if (starts(0x37, 0x7a, 0xbc, 0xaf, 0x27, 0x1c)) return '7z';
  if (starts(0x52, 0x61, 0x72, 0x21, 0x1a, 0x07)) return 'RAR';
  return null;
}

// A zip, or a program with a zip or an LZH archive behind it.
function ZipOrLzhBehindProgram(bytes, decodeName) {
  try {
    return ListZip(bytes, decodeName);
  } catch (refusal) {
    const lzh = refusal instanceof ArchiveRefusal && refusal.kind === 'not-an-archive'
        ? FindLzhBehindProgram(bytes) : -1;
    if (lzh < 0) throw refusal;
    return ListLzh(bytes, decodeName, lzh);
  }
}

/// The folders of `paths` ("a/b/c") that hold a file named dat.dat, in any letter case.
function FoldersWithScenario(paths) {
  const folders = [];
  for (const path of paths) {
    const parts = path.split('/');
    if (Lower(parts[parts.length - 1]) === 'dat.dat') folders.push(parts.slice(0, -1).join('/'));
  }
  return folders;
}

/// The game of a folder: itself when it holds a dat.dat, else the one folder in it that
/// does; a folder with none holds no game.
function GameOfFolder(named, paths) {
  const holders = FoldersWithScenario(paths);
  if (holders.includes('')) return '';
  const children = holders.filter((folder) => !folder.includes('/'));
  if (children.length === 1) return children[0];
  if (children.length > 1) throw SeveralGames(named, children);
  throw NoGameIn(named);
}

/// The game of an archive: its root when that holds a dat.dat, else the one folder
/// nearest the root that holds one.
function GameOfArchive(named, entries) {
  const files = entries.filter((e) => !e.folder && !e.link && !e.unsafe);
  const holders = FoldersWithScenario(files.map((e) => e.name));
  if (holders.length === 0) {
    const link = entries.find((e) => e.link && Lower(e.name.split('/').pop()) === 'dat.dat');
    if (link) throw NoGameIn(named, ` (its ${link.name} is a link, and links are never followed)`);
    const unsafe = entries.find((e) => e.unsafe);
    if (unsafe) {
      throw NoGameIn(named, ' (entries whose names are absolute or lead out of it with ".." ' +
                     `are never used, such as ${unsafe.name})`);
    }
    const inner = files.find((e) => /\.(zip|lzh|7z|rar|exe)$/i.test(e.name));
    if (inner) {
      throw NoGameIn(named, ` (it holds the archive ${inner.name}, which is not opened from ` +
                     'inside another: unpack that one first)');
    }
    throw NoGameIn(named);
  }
  const depth = (folder) => (folder === '' ? 0 : folder.split('/').length);
  const nearest = Math.min(...holders.map(depth));
  const folders = [...new Set(holders.filter((f) => depth(f) === nearest))];
  if (folders.length > 1) throw SeveralGames(named, folders);
  return folders[0];
}

/// A fresh folder of the engine's memory for a game, the one before it removed.
function NewGameFolder(fs) {
  if (fs.analyzePath('/games').exists) RemoveTree(fs, '/games');
  const folder = `/games/${++games}`;
  fs.mkdirTree(folder);
  return folder;
}

function RemoveTree(fs, path) {
  for (const name of fs.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = `${path}/${name}`;
    if (fs.isDir(fs.stat(child).mode)) {
      RemoveTree(fs, child);
    } else {
      fs.unlink(child);
    }
  }
  fs.rmdir(path);
}

// Writes `bytes` as the game's file `name` ("/" between folders); a name held twice in some
// letter case keeps its first file, as the archive's reader does.
function WriteFile(fs, folder, name, bytes, written) {
  const key = Lower(name);
  if (written.has(key)) return;
  written.add(key);
  const path = `${folder}/${name}`;
  fs.mkdirTree(path.slice(0, path.lastIndexOf('/')));
  fs.writeFile(path, bytes);
}

const Unsafe = (name) => name.startsWith('/') || name.split('/').includes('..');
const Under = (folder, name) => (folder === '' ? name : name.slice(folder.length + 1));
const IsUnder = (folder, name) => folder === '' || name.startsWith(`${folder}/`);

export class GameFiles {
  constructor(engine) {
    this.engine = engine;
  }

  /// The game the site was made with, listed in `base`files.json. Null when there is none.
  async FromSite(base) {
    const listing = await fetch(`${base}files.json`).catch(() => null);
    if (!listing || !listing.ok) return null;
    const {name, files} = await listing.json();
    const fs = this.engine.FS;
    const folder = NewGameFolder(fs);
    const written = new Set();
    const fetched = await Promise.all(files.map(async (file) => {
      const response = await fetch(`${base}${file.split('/').map(encodeURIComponent).join('/')}`);
      return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
    }));
    files.forEach((file, i) => {
      if (fetched[i]) WriteFile(fs, folder, file, fetched[i], written);
    });
    return {folder, name};
  }

  /// The files of a folder the reader gave: [{path: "Top/img/a.jpg", file: File}].
  async FromFolder(named, files) {
    const paths = files.map((f) => f.path.split('/').slice(1).join('/'));
    const game = GameOfFolder(named, paths);
    const fs = this.engine.FS;
    const folder = NewGameFolder(fs);
    const written = new Set();
    for (let i = 0; i < files.length; ++i) {
      if (!IsUnder(game, paths[i]) || Unsafe(paths[i])) continue;
      WriteFile(fs, folder, Under(game, paths[i]), new Uint8Array(await files[i].file.arrayBuffer()),
                written);
    }
    return {folder, name: game === '' ? named : `${named}/${game}`};
  }

  /// One file the reader gave: an archive, or a dat.dat alone.
  async FromFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (Lower(file.name) === 'dat.dat') {
      const fs = this.engine.FS;
      const folder = NewGameFolder(fs);
      fs.writeFile(`${folder}/dat.dat`, bytes);
      return {folder, name: file.name};
    }
    return this.FromArchive(file.name, bytes);
  }

  async FromArchive(named, bytes) {
    const kind = ArchiveKind(bytes);
    if (kind) {
      throw new NoGame(`${Quoted(named)} is a ${kind} archive, which Tavrin in the browser does ` +
                       'not read: unpack it and drop its folder, or play it in the installed ' +
                       'Tavrin');
    }
    let entries;
    const decodeName = (stored, utf8) => this.DecodeName(stored, utf8);
    try {
      entries = LooksLikeLzh(bytes) ? ListLzh(bytes, decodeName) : ZipOrLzhBehindProgram(bytes, decodeName);
    } catch (refusal) {
      if (!(refusal instanceof ArchiveRefusal)) throw refusal;
      if (refusal.kind === 'not-an-archive') {
        throw new NoGame(`${Quoted(named)} is neither a game folder, nor its dat.dat, nor an ` +
                         'archive of a kind Tavrin reads (zip, LZH, 7z, RAR)');
      }
      throw new NoGame(`${Quoted(named)} cannot be read as an archive, it may be damaged or cut ` +
                       'short');
    }
    if (entries.length > kMaxEntries) {
      throw new NoGame(`${Quoted(named)} holds more than ${kMaxEntries} entries, more than any ` +
                       'game: it is not read');
    }
    for (const entry of entries) {
      // The names as the installed Tavrin reads them: absolute ones, and ones that climb out
      // with "..", are never used.
      const readable = this.engine.archiveMemberName(entry.name);
      entry.unsafe = readable === null;
      if (readable !== null) entry.name = readable;
    }
    const game = GameOfArchive(named, entries);
    const scenario = entries.find((e) => !e.folder && IsUnder(game, e.name) &&
                                  Lower(Under(game, e.name)) === 'dat.dat');
    if (scenario && scenario.encrypted) {
      throw new NoGame(`${Quoted(named)} holds its dat.dat encrypted, with a password: Tavrin ` +
                       'reads no encrypted archives; unpack it with the password first');
    }
    const fs = this.engine.FS;
    const folder = NewGameFolder(fs);
    const written = new Set();
    for (const entry of entries) {
      if (entry.folder || entry.link || entry.unsafe || entry.encrypted) continue;
      if (!IsUnder(game, entry.name)) continue;
      // A damaged member is as missing: the picture it holds stays black.
      const member = await entry.read().catch(() => null);
      if (member) WriteFile(fs, folder, Under(game, entry.name), member, written);
    }
    return {folder, name: game === '' ? named : `${named}/${game}`};
  }

  DecodeName(stored, utf8) {
    if (utf8 || this.engine.isUtf8(stored)) return new TextDecoder().decode(stored);
    return this.engine.decodeCp932(stored);
  }
}

/// What was dropped: [{path, file}] of a folder, or one file; null for anything else.
export async function DroppedItems(dataTransfer) {
  const items = [...dataTransfer.items].filter((i) => i.kind === 'file');
  if (items.length !== 1) return null;
  const entry = items[0].webkitGetAsEntry ? items[0].webkitGetAsEntry() : null;
  if (!entry || entry.isFile) return {file: items[0].getAsFile()};
  const files = [];
  const walk = async (dir, prefix) => {
    const reader = dir.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch) {
        const path = `${prefix}/${child.name}`;
        if (child.isDirectory) {
          await walk(child, path);
        } else {
          files.push({path, file: await new Promise((resolve, reject) => child.file(resolve, reject))});
        }
      }
    }
  };
  await walk(entry, entry.name);
  return {folder: entry.name, files};
}
