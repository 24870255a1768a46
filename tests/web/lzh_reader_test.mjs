// SPDX-License-Identifier: MIT
// The page's LZH reader, in Node: every LZH test archive (each header level and method, and
// one behind a self-extracting program) lists the archived game's files by their names and
// gives their bytes, and so do archives another program's encoder wrote; a member damaged inside is refused, never given wrong.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {test} from 'node:test';
import {createHash} from 'node:crypto';
import {fileURLToPath} from 'node:url';

import {FindLzhBehindProgram, ListLzh, LooksLikeLzh} from '../../src/web/site/lzh_reader.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const archives = path.join(here, '../game_files/archives');
const game = path.join(archives, 'game');
// Node's own decoder: the names of the test archives are all in what it shares with code
// page 932.
const kShiftJis = new TextDecoder('shift_jis');
const DecodeName = (bytes) => kShiftJis.decode(bytes);

const Files = (folder, prefix = '') => fs.readdirSync(folder, {withFileTypes: true}).flatMap(
    (e) => (e.isDirectory() ? Files(path.join(folder, e.name), `${prefix}${e.name}/`)
                            : [`${prefix}${e.name}`]));

function List(name) {
  const bytes = new Uint8Array(fs.readFileSync(path.join(archives, name)));
  const start = LooksLikeLzh(bytes) ? 0 : FindLzhBehindProgram(bytes);
  assert.ok(start >= 0, `${name}: an LZH archive found`);
  return ListLzh(bytes, DecodeName, start);
}

for (const name of fs.readdirSync(archives).filter((n) => /^(lzh-|sfx-lzh)/.test(n))) {
  test(`${name} gives the archived game's files`, async () => {
    const files = List(name).filter((e) => !e.folder);
    const expected = Files(game).map((f) => `ゲーム/${f}`).sort();
    assert.deepEqual(files.map((e) => e.name).sort(), expected);
    for (const entry of files) {
      const bytes = await entry.read();
      assert.ok(Buffer.from(bytes).equals(fs.readFileSync(path.join(game, entry.name.slice(4)))),
                `${name}: ${entry.name}`);
    }
  });
}

test('archives another encoder wrote give each member as it was archived', async () => {
  const folder = path.join(here, 'lzh_archives');
  const expected = JSON.parse(fs.readFileSync(path.join(folder, 'expected.json'), 'utf8'));
  for (const [name, members] of Object.entries(expected)) {
    const bytes = new Uint8Array(fs.readFileSync(path.join(folder, name)));
    const files = ListLzh(bytes, DecodeName).filter((e) => !e.folder);
    assert.deepEqual(files.map((e) => e.name).sort(), Object.keys(members).sort(), name);
    for (const entry of files) {
      const digest = createHash('sha256').update(await entry.read()).digest('hex');
      assert.equal(digest, members[entry.name], `${name}: ${entry.name}`);
    }
  }
});

test('a member damaged inside is refused, never given wrong', async () => {
  const bytes = new Uint8Array(fs.readFileSync(path.join(archives, 'lzh-level2-lh5.lzh')));
  const entries = ListLzh(bytes, DecodeName);
  const picture = entries.find((e) => e.name.endsWith('表紙.jpg'));
  const whole = Buffer.from(await picture.read());
  // Its stored bytes are the last `packed` before the next header: each of a few of them
  // changed in turn.
  const data = bytes.indexOf(0xd8, bytes.indexOf(0x2d, bytes.indexOf(0x95, 0x60)));
  let refused = 0;
  for (let i = 0; i < 16; ++i) {
    const damaged = bytes.slice();
    damaged[data + 37 * i] ^= 0x5a;
    const again = ListLzh(damaged, DecodeName).find((e) => e.name === picture.name);
    const read = await again.read().catch(() => null);
    if (read === null) {
      ++refused;
    } else {
      assert.ok(Buffer.from(read).equals(whole), `change ${i} gives the member wrong`);
    }
  }
  assert.ok(refused > 0, 'some change is noticed');
});
