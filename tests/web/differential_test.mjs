// SPDX-License-Identifier: MIT
// The page reports the same state lines as scripted play: the games of the check's case
// folders, the demo and the archived test game, played by the same events natively
// (tavrin --headless) and in Chromium (the page's test hook), line for line; and archives
// dropped on the page play as the installed Tavrin plays them.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {Launch, Open, root, Serve, site, tavrin} from './browser.mjs';

// Events that take a game through its pages, both choices, fast pacing and a restart.
const kEvents = [
  'tick', 'click', 'run', 'press right', 'click', 'run', 'choose 0', 'run', 'click',
  'click right', 'run', 'click middle', 'run', 'choose 1', 'ticks 5', 'click', 'run', 'click',
  'run', 'click', 'run', 'click', 'run', 'click', 'run', 'choose 1', 'run', 'click', 'run',
  'close',
];

// A case folder's game as the check's golden test makes it: dat.txt saved in code page 932
// with CR LF line ends, or the dat.dat, dat.from or game it names; its other files beside.
function FolderFiles(folder) {
  const files = {};
  const walk = (dir, prefix) => {
    for (const entry of fs.readdirSync(dir, {withFileTypes: true})) {
      const name = prefix + entry.name;
      if (entry.isDirectory()) walk(path.join(dir, entry.name), `${name}/`);
      if (entry.isFile()) files[name] = fs.readFileSync(path.join(dir, entry.name)).toString('base64');
    }
  };
  walk(folder, '');
  return files;
}

function GameOfCase(folder) {
  const files = {};
  const add = (name, bytes) => { files[name] = Buffer.from(bytes).toString('base64'); };
  const walk = (dir, prefix) => {
    for (const entry of fs.readdirSync(dir, {withFileTypes: true})) {
      const name = prefix + entry.name;
      if (entry.isDirectory()) {
        walk(path.join(dir, entry.name), `${name}/`);
      } else if (entry.isFile()) {
        add(name, fs.readFileSync(path.join(dir, entry.name)));
      }
    }
  };
  if (fs.existsSync(path.join(folder, 'game'))) {
    walk(path.join(root, fs.readFileSync(path.join(folder, 'game'), 'utf8').trim()), '');
    return files;
  }
  for (const entry of fs.readdirSync(folder, {withFileTypes: true})) {
    if (['dat.txt', 'expected.txt', 'status', 'args', 'dat.from', 'game'].includes(entry.name)) continue;
    if (entry.isDirectory()) {
      walk(path.join(folder, entry.name), `${entry.name}/`);
    } else {
      add(entry.name, fs.readFileSync(path.join(folder, entry.name)));
    }
  }
  if (fs.existsSync(path.join(folder, 'dat.from'))) {
    const from = fs.readFileSync(path.join(folder, 'dat.from'), 'utf8').trim();
    add('dat.dat', fs.readFileSync(path.join(root, 'tests/data', from)));
  }
  if (fs.existsSync(path.join(folder, 'dat.txt'))) {
    const windows = fs.readFileSync(path.join(folder, 'dat.txt'), 'utf8').replace(/\n/g, '\r\n');
    add('dat.dat', execFileSync('iconv', ['-f', 'UTF-8', '-t', 'CP932'], {input: windows}));
  }
  return files;
}

function WriteGame(files, dir) {
  fs.rmSync(dir, {recursive: true, force: true});
  for (const [name, base64] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(dir, name)), {recursive: true});
    fs.writeFileSync(path.join(dir, name), Buffer.from(base64, 'base64'));
  }
  fs.mkdirSync(dir, {recursive: true});
}

function Native(game, events = kEvents) {
  const out = execFileSync(tavrin, ['--headless', game], {input: `${events.join('\n')}\n`});
  return out.toString().trim().split('\n').map((line) => JSON.parse(line));
}

let server;
let browser;
let page;
let work;
before(async () => {
  server = await Serve(site);
  browser = await Launch();
  page = await Open(browser, `${server.url}?test-hook`);
  await page.waitForFunction(() => window.tavrinTest !== undefined);
  work = fs.mkdtempSync(path.join(fs.realpathSync(process.env.TMPDIR || '/tmp'), 'tavrin-web-'));
});
after(async () => {
  await browser?.close();
  server?.stop();
  if (work) fs.rmSync(work, {recursive: true, force: true});
});

const casesDir = path.join(root, 'tests/check/cases');
const cases = fs.readdirSync(casesDir).filter((name) => {
  // A dat.dat that is a folder cannot be handed to a page: no browser gives one.
  return name !== 'dat_is_a_folder' && !fs.existsSync(path.join(casesDir, name, 'args'));
});

test('every case plays to the same state lines in the page as in scripted play', async () => {
  assert.ok(cases.length >= 20, `the cases are there: ${cases.length}`);
  const games = cases.map((name) => [name, GameOfCase(path.join(casesDir, name))]);
  games.push(['archived game', FolderFiles(path.join(root, 'tests/game_files/archives/game'))]);
  for (const [name, files] of games) {
    const dir = path.join(work, 'game');
    WriteGame(files, dir);
    const expected = Native(dir);
    const got = [JSON.parse(await page.evaluate((f) => window.tavrinTest.start(f), files))];
    for (const event of kEvents) {
      got.push(JSON.parse(await page.evaluate((e) => window.tavrinTest.play(e), event)));
    }
    assert.equal(got.length, expected.length, name);
    got.forEach((line, i) => assert.deepEqual(line, expected[i], `${name}, line ${i}: ${kEvents[i - 1] ?? 'start'}`));
  }
  assert.deepEqual(page.errors, []);
});

const archives = ['zip-cp932.zip', 'zip-utf8.zip', 'zip-utf8-unmarked.zip', 'zip-stored.zip',
                  'zip-zip64.zip', 'sfx-zip.exe', 'sfx-zip-unadjusted.exe'];

test('an archive dropped on the page plays as the installed Tavrin plays it', async () => {
  for (const name of archives) {
    const file = path.join(root, 'tests/game_files/archives', name);
    // The page plays on by itself to the first page's end, as scripted play runs to it.
    const expected = Native(file, ['run'])[1];
    const bytes = fs.readFileSync(file).toString('base64');
    await page.evaluate(([name, bytes]) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0))], name));
      document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
    }, [name, bytes]);
    await page.waitForFunction(async (n) => document.title.startsWith(n) &&
        JSON.parse(await window.tavrinTest.state('run')).prompt !== '', name);
    const got = JSON.parse(await page.evaluate(() => window.tavrinTest.state('run')));
    assert.deepEqual(got, expected, name);
  }
});

test('an archive of a kind the page does not read is refused, and the game played goes on', async () => {
  const before = await page.evaluate(() => document.title);
  const bytes = fs.readFileSync(path.join(root, 'tests/game_files/archives/7z-plain.7z')).toString('base64');
  await page.evaluate((bytes) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0))], 'g.7z'));
    document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
  }, bytes);
  await page.waitForFunction(() => document.getElementById('alert').open);
  assert.match(await page.locator('#alert-text').innerText(), /^'g\.7z' is a 7z archive/);
  assert.equal(await page.evaluate(() => document.title), before);
  await page.evaluate(() => document.getElementById('alert').close());
});
