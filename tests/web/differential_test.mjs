// SPDX-License-Identifier: MIT
// The page reports the same state lines as scripted play: every game below is played by the
// same events natively (tavrin --headless) and in Chromium (the page's test hook), and the
// lines must be the same, line for line; a game that cannot be played must be refused in the
// same words. The games: the check's case folders, the robustness cases a browser can be
// given (hostile pictures, a long line, damaged and hostile zips), the archived test game,
// and the test archives of the kinds the page reads.
import assert from 'node:assert/strict';
import {execFileSync, spawnSync} from 'node:child_process';
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

// The robustness cases (tests/robustness/cases.json) whose games are regular files, as a
// reader can drop them: no pipes, links on disk, names in code page 932 or slow cases.
const kRobustnessCases = [
  'one line of 1 MB',
  'a 140-byte progressive JPEG declaring 30000x30000',
  'a JPEG declaring 8000x6000',
  'a JPEG declaring 599x65500',
  'a JPEG declaring 20000x20000 (over 2^28 pixels)',
  'a JPEG cut short is shown, its warning kept quiet',
  'a zip cut in half',
  'a text file named game.zip',
  'dat.dat flagged as encrypted in a zip',
  'a picture flagged as encrypted is black and play goes on',
  'a picture of 1 KiB that inflates to 1 GiB is black',
  'a picture declared smaller than it is is black',
  'a picture declared larger than it is is black',
  'dat.dat declared smaller than it is',
  'an archive inside the archive',
  'two games at the same depth',
  '../dat.dat alone is not played',
  'dat.dat names out of a zip are left out, the game in its folder played',
  'a picture that is a link is black (zip)',
  'dat.dat that is a link, alone, is not used',
  'dat.dat twice: the first is played',
  'a picture twice: the first is shown',
];

const kArchives = ['zip-cp932.zip', 'zip-utf8.zip', 'zip-utf8-unmarked.zip', 'zip-stored.zip',
                   'zip-zip64.zip', 'sfx-zip.exe', 'sfx-zip-unadjusted.exe', 'lzh-level0-lh0.lzh',
                   'lzh-level0-lh5.lzh', 'lzh-level1-lh5.lzh', 'lzh-level1-backslash.lzh',
                   'lzh-level2-lh5.lzh', 'lzh-level2-lh6.lzh', 'lzh-level2-lh7.lzh',
                   'sfx-lzh.exe'];

// A check case folder's game as the check's golden test makes it: dat.txt saved in code page
// 932 with CR LF line ends, or the dat.dat, dat.from or game it names; its other files beside.
function WriteCaseGame(folder, out) {
  const copy = (from, to) => fs.cpSync(from, to, {recursive: true});
  fs.mkdirSync(out, {recursive: true});
  if (fs.existsSync(path.join(folder, 'game'))) {
    copy(path.join(root, fs.readFileSync(path.join(folder, 'game'), 'utf8').trim()), out);
    return;
  }
  const own = ['dat.txt', 'expected.txt', 'status', 'args', 'dat.from', 'game'];
  for (const name of fs.readdirSync(folder)) {
    if (!own.includes(name)) copy(path.join(folder, name), path.join(out, name));
  }
  if (fs.existsSync(path.join(folder, 'dat.from'))) {
    const from = fs.readFileSync(path.join(folder, 'dat.from'), 'utf8').trim();
    copy(path.join(root, 'tests/data', from), path.join(out, 'dat.dat'));
  }
  if (fs.existsSync(path.join(folder, 'dat.txt'))) {
    const windows = fs.readFileSync(path.join(folder, 'dat.txt'), 'utf8').replace(/\n/g, '\r\n');
    fs.writeFileSync(path.join(out, 'dat.dat'),
                     execFileSync('iconv', ['-f', 'UTF-8', '-t', 'CP932'], {input: windows}));
  }
}

// {name: base64} of every file under `folder`.
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

// What scripted play says of `game` (a folder, or a file given by its name in `cwd`): its
// state lines, or {refused} with its message when it does not play.
function Native(game, cwd) {
  const run = spawnSync(tavrin, ['--headless', game], {cwd, input: `${kEvents.join('\n')}\n`, maxBuffer: 1 << 30});
  if (run.status === 2 && run.stdout.length === 0) {
    // The page names what was dropped on it by its name alone, and has no account of the
    // damage from the archive library beyond the message.
    const named = path.resolve(cwd ?? '', game);
    return {refused: run.stderr.toString().trim().replace(/^tavrin: /, '')
                         .replaceAll(`'${named}`, `'${path.basename(named)}`)
                         .replace(/(damaged or cut short): .*$/, '$1')};
  }
  assert.equal(run.status, 0, `${game}: ${run.stderr}`);
  return {lines: run.stdout.toString().trim().split('\n').map((line) => JSON.parse(line))};
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

// Plays the game the page was just given (its "start" line is `first`) by the events.
async function InPage(first) {
  const start = JSON.parse(first);
  if (start.refused !== undefined) return start;
  const lines = [start];
  for (const event of kEvents) {
    lines.push(JSON.parse(await page.evaluate((e) => window.tavrinTest.play(e), event)));
  }
  return {lines};
}

function AssertSame(name, got, expected) {
  if (expected.refused !== undefined || got.refused !== undefined) {
    assert.deepEqual(got, expected, name);
    return;
  }
  assert.equal(got.lines.length, expected.lines.length, name);
  got.lines.forEach((line, i) => {
    assert.deepEqual(line, expected.lines[i], `${name}, line ${i}: ${kEvents[i - 1] ?? 'start'}`);
  });
}

async function PlayFolder(name, folder) {
  const expected = Native(folder);
  const files = FolderFiles(folder);
  AssertSame(name, await InPage(await page.evaluate((f) => window.tavrinTest.start(f), files)),
             expected);
}

async function PlayFile(name, file) {
  const expected = Native(path.basename(file), path.dirname(file));
  const bytes = fs.readFileSync(file).toString('base64');
  const first = await page.evaluate(([n, b]) => window.tavrinTest.startFile(n, b),
                                    [path.basename(file), bytes]);
  AssertSame(name, await InPage(first), expected);
}

test('the check\'s case folders play to the same state lines in the page', async () => {
  const casesDir = path.join(root, 'tests/check/cases');
  // A dat.dat that is a folder cannot be handed to a page: no browser gives one.
  const cases = fs.readdirSync(casesDir).filter((name) => name !== 'dat_is_a_folder' &&
                                                  !fs.existsSync(path.join(casesDir, name, 'args')));
  assert.ok(cases.length >= 25, `the cases are there: ${cases.length}`);
  for (const name of cases) {
    const folder = path.join(work, 'case', name);
    WriteCaseGame(path.join(casesDir, name), folder);
    await PlayFolder(name, folder);
  }
  await PlayFolder('archived game', path.join(root, 'tests/game_files/archives/game'));
  assert.deepEqual(page.errors, []);
});

test('the robustness cases play, or are refused, as in scripted play', async () => {
  // Their games made by the robustness suite's own generator, in one run of it.
  const made = execFileSync('python3', ['-c', `
import json, os, sys
sys.path.insert(0, sys.argv[1])
import generate
cases = {case["name"]: case for case in json.load(open(os.path.join(sys.argv[1], "cases.json")))}
for i, name in enumerate(json.loads(sys.argv[3])):
    folder = os.path.join(sys.argv[2], str(i))
    os.makedirs(folder)
    print(generate.make_game(cases[name], folder).decode())
`, path.join(root, 'tests/robustness'), path.join(work, 'robust'), JSON.stringify(kRobustnessCases)]);
  const games = made.toString().trim().split('\n');
  assert.equal(games.length, kRobustnessCases.length);
  for (const [i, name] of kRobustnessCases.entries()) {
    await (fs.statSync(games[i]).isDirectory() ? PlayFolder(name, games[i]) : PlayFile(name, games[i]));
  }
  assert.deepEqual(page.errors, []);
});

test('the archives of the kinds the page reads play as in scripted play', async () => {
  for (const name of kArchives) await PlayFile(name, path.join(root, 'tests/game_files/archives', name));
  // The demo as another program's LZH encoder packed it.
  await PlayFile('demo-lh5-level1.lzh', path.join(root, 'tests/web/lzh_archives/demo-lh5-level1.lzh'));
  assert.deepEqual(page.errors, []);
});

test('an archive of a kind the page does not read is refused, and the game played goes on', async () => {
  const shown = await page.evaluate(() => window.tavrinTest.state());
  const bytes = fs.readFileSync(path.join(root, 'tests/game_files/archives/7z-plain.7z'));
  const refusal = JSON.parse(await page.evaluate((b) => window.tavrinTest.startFile('g.7z', b),
                                                 bytes.toString('base64')));
  assert.match(refusal.refused, /^'g\.7z' is a 7z archive, which Tavrin in the browser does not read/);
  assert.equal(await page.evaluate(() => window.tavrinTest.state()), shown);
});

test('code page 932 is decoded in the page by Microsoft\'s table, as natively', async () => {
  // CP932.TXT: "0xNN<TAB>0xUUUU<TAB>#name" or "0xNNNN<TAB>..." for each mapping; the user
  // defined area F040-F9FC is Unicode's private use area from U+E000, in order.
  const table = fs.readFileSync(path.join(root, 'tests/data/cp932/CP932.TXT'), 'latin1');
  const codes = [];
  const expected = [];
  for (const line of table.split('\n')) {
    const [code, unicode] = line.split('\t');
    if (!code.startsWith('0x') || !unicode?.startsWith('0x')) continue;
    // CR and LF end lines; everything else is decoded one per line, ended by a CR.
    if (code === '0x0A' || code === '0x0D') continue;
    codes.push(parseInt(code, 16));
    expected.push(String.fromCodePoint(parseInt(unicode, 16)));
  }
  assert.equal(codes.length, 7913);
  for (let lead = 0xF0; lead <= 0xF9; ++lead) {
    for (let trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail === 0x7F) continue;
      codes.push((lead << 8) | trail);
      expected.push(String.fromCodePoint(0xE000 + (lead - 0xF0) * 188 + trail - (trail < 0x7F ? 0x40 : 0x41)));
    }
  }
  // One line each, as a game's lines are decoded one at a time; 0x80 alone is no character.
  codes.push(0x80);
  expected.push('\uFFFD');
  const bytes = [];
  for (const code of codes) {
    if (code > 0xFF) bytes.push(code >> 8);
    bytes.push(code & 0xFF, 0x0D);
  }
  const decoded = await page.evaluate((b) => window.tavrinTest.decodeCp932(b),
                                      Buffer.from(bytes).toString('base64'));
  const got = decoded.split('\r');
  got.pop();
  const wrong = codes.filter((code, i) => got[i] !== expected[i]).map((c) => c.toString(16));
  assert.equal(got.length, codes.length);
  assert.deepEqual(wrong, []);
});
