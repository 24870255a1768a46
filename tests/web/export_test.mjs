// SPDX-License-Identifier: MIT
// `tavrin --export-web GAME OUTDIR` as an author publishes with it: a site of fewer than
// 1,000 files, from a game folder or from an archive of any kind the installed Tavrin reads,
// that plays the game from python3 -m http.server, in a folder of the host as at its root.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {Launch, Open, root, Serve, tavrin} from './browser.mjs';

let browser;
let work;
before(async () => {
  browser = await Launch();
  work = fs.mkdtempSync(path.join(fs.realpathSync(process.env.TMPDIR || '/tmp'), 'tavrin-export-'));
});
after(async () => {
  await browser?.close();
  if (work) fs.rmSync(work, {recursive: true, force: true});
});

const Export = (game, out) => spawnSync(tavrin, ['--export-web', game, out], {encoding: 'utf8'});

function FilesUnder(folder) {
  return fs.readdirSync(folder, {recursive: true, withFileTypes: true}).filter((e) => e.isFile());
}

// The rows of the first two pages scripted play shows of `game`, each once it waits with
// its "▼" for the reader.
function NativePages(game) {
  const run = spawnSync(tavrin, ['--headless', game], {input: 'run\nclick\nrun\n', encoding: 'utf8'});
  const Rows = (line) => JSON.parse(line).message.text.split('\r\n').filter((row) => row !== '');
  const lines = run.stdout.trim().split('\n');
  return [Rows(lines[1]), Rows(lines[3])];
}

const kGames = [
  ['the demo folder', path.join(root, 'demo')],
  ['a zip', path.join(root, 'tests/game_files/archives/zip-cp932.zip')],
  ['a 7z, which the page itself does not read,', path.join(root, 'tests/game_files/archives/7z-solid.7z')],
  ['an LZH', path.join(root, 'tests/game_files/archives/lzh-level2-lh5.lzh')],
];

for (const [i, [what, game]] of kGames.entries()) {
  test(`a site exported from ${what} plays the game from a folder of the host`, async () => {
    const out = path.join(work, String(i), 'site');
    const run = Export(game, out);
    assert.equal(run.status, 0, run.stderr);
    const files = FilesUnder(out);
    assert.ok(files.length < 1000, `${files.length} files`);
    const listing = JSON.parse(fs.readFileSync(path.join(out, 'game/files.json'), 'utf8'));
    assert.equal(listing.name, path.basename(game));
    assert.ok(listing.files.includes('dat.dat'));
    for (const file of listing.files) assert.ok(fs.existsSync(path.join(out, 'game', file)), file);
    for (const licence of ['LICENSE.js-synthesizer.txt', 'LICENSE.libfluidsynth.txt', 'LICENSE.TimGM6mb.txt']) {
      assert.ok(fs.existsSync(path.join(out, 'music', licence)), licence);
    }

    // Served from the folder above, as a host serves an upload under a path of its own.
    const server = await Serve(path.dirname(out));
    try {
      const page = await Open(browser, `${server.url}site/`);
      const [first, second] = NativePages(game);
      const Shows = (rows) => page.waitForFunction(
          (r) => r.every((row) => document.querySelector('#rows').innerText.includes(row)), rows);
      await Shows(first);
      await page.mouse.click(500, 650);
      await Shows(second);
      assert.deepEqual(page.errors, []);
      await page.close();
    } finally {
      server.stop();
    }
  });
}

test('an export is refused, writing nothing, into a folder that holds files or from no game', () => {
  const full = path.join(work, 'full');
  fs.mkdirSync(full);
  fs.writeFileSync(path.join(full, 'index.html'), 'mine');
  const into = Export(path.join(root, 'demo'), full);
  assert.equal(into.status, 2);
  assert.match(into.stderr, /is there already and not an empty folder: nothing was written/);
  assert.deepEqual(fs.readdirSync(full), ['index.html']);

  const empty = path.join(work, 'no-game');
  fs.mkdirSync(empty);
  const out = path.join(work, 'not-written');
  const none = Export(empty, out);
  assert.equal(none.status, 2);
  assert.match(none.stderr, /holds no game/);
  assert.equal(fs.existsSync(out), false);

  // A game of 1,000 pictures: with the page, more files than a game host takes.
  const many = path.join(work, 'many');
  fs.mkdirSync(path.join(many, 'img'), {recursive: true});
  const picture = fs.readFileSync(path.join(root, 'tests/data/jpeg/testorig.jpg'));
  const lines = [];
  for (let i = 0; i < 1000; ++i) {
    fs.writeFileSync(path.join(many, 'img', `p${i}.jpg`), picture);
    lines.push(`>img p${i}`, `Picture ${i}.`, '');
  }
  fs.writeFileSync(path.join(many, 'dat.dat'), `${lines.join('\r\n')}\r\n`);
  const over = Export(many, out);
  assert.equal(over.status, 2);
  assert.match(over.stderr, /the site would hold \d+ files, and game hosts take fewer than 1000/);
  assert.equal(fs.existsSync(out), false);
});
