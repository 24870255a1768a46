// SPDX-License-Identifier: MIT
// The demo in Chromium as a reader plays it: its first page, each ending by clicks and by
// keys, the music once a click lets it start (and silence where it cannot), and a game
// dropped on the page as a zip and as an LZH archive.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {Launch, Open, root, Serve, site, tavrin} from './browser.mjs';

let server;
let browser;
before(async () => {
  server = await Serve(site);
  browser = await Launch();
});
after(async () => {
  await browser?.close();
  server?.stop();
});

const Text = (page) => page.locator('#rows').innerText();
const FirstText = (page) =>
  page.waitForFunction(() => document.querySelector('#rows').innerText.trim() !== '');
// The demo's two endings, by the choice at its question: the river road scores 30.
const kEndings = ['Good ending', 'Bad ending'];

// Reads on by `next`, picking `choice` at each question, until a page shows one of the
// endings; that ending. Each step waits for the page to change, never for a time.
async function PlayToEnding(page, next, choose, choice) {
  for (let step = 0; step < 300; ++step) {
    const text = await Text(page);
    const ending = kEndings.find((e) => text.includes(e));
    if (ending) return ending;
    const before = await page.evaluate(() => [document.querySelector('#rows').innerText,
                                              document.querySelector('#choice0').hidden]);
    if (!before[1]) {
      await choose(choice);
    } else {
      await next();
    }
    await page.waitForFunction(
        ([text, hidden]) => document.querySelector('#rows').innerText !== text ||
                            document.querySelector('#choice0').hidden !== hidden,
        before);
  }
  return null;
}

test('the demo shows its first page in the page text, in the Japanese message window', async () => {
  const page = await Open(browser, server.url);
  await FirstText(page);
  const demo = execFileSync('iconv', ['-f', 'CP932', '-t', 'UTF-8', path.join(root, 'demo/dat.dat')])
                   .toString();
  const firstText = demo.split(/\r\n/).find((line) => line !== '' && !line.startsWith('>'));
  assert.ok((await Text(page)).includes(firstText), `the first page shows "${firstText}"`);
  assert.equal(await page.locator('#message').getAttribute('lang'), 'ja');
  assert.match(await page.title(), /^demo - Tavrin$/);
  assert.deepEqual(page.errors, []);
  await page.close();
});

for (const way of ['clicks', 'keys']) {
  for (const choice of [0, 1]) {
    test(`the demo plays by ${way} to the ${kEndings[choice]} when choosing ${choice}`, async () => {
      const page = await Open(browser, server.url);
      await FirstText(page);
      const next = way === 'clicks' ? () => page.mouse.click(500, 650)
                                    : () => page.keyboard.press('Enter');
      const choose = way === 'clicks' ? (i) => page.locator(`#choice${i}`).click()
                                      : async (i) => {
                                        if (i === 1) await page.keyboard.press('ArrowDown');
                                        await page.keyboard.press('Enter');
                                      };
      assert.equal(await PlayToEnding(page, next, choose, choice), kEndings[choice]);
      assert.deepEqual(page.errors, []);
      await page.close();
    });
  }
}

// Taps every node that sounds into the speakers with an analyser, for the test to listen.
const kListen = () => {
  const connect = AudioNode.prototype.connect;
  window.tavrinTaps = [];
  AudioNode.prototype.connect = function(destination, ...rest) {
    if (destination instanceof AudioDestinationNode) {
      const analyser = this.context.createAnalyser();
      connect.call(this, analyser);
      window.tavrinTaps.push(analyser);
    }
    return connect.call(this, destination, ...rest);
  };
};
const Loudest = () => Math.max(0, ...window.tavrinTaps.map((analyser) => {
  const samples = new Float32Array(analyser.fftSize);
  analyser.getFloatTimeDomainData(samples);
  return Math.max(...samples.map(Math.abs));
}));

// Reports each state the music goes through to the test, as it happens: the test runs
// nothing in the page before the reader's click, which would count as a gesture.
const kReportMusic = () => {
  const observer = new MutationObserver((records) => {
    for (const record of records) window.musicChanged(record.target.dataset.music ?? null);
  });
  document.addEventListener('readystatechange', () => {
    if (document.readyState === 'interactive') {
      observer.observe(document.body, {attributes: true, attributeFilter: ['data-music']});
    }
  });
};

test('the music waits for the reader\'s first click, then sounds', async () => {
  const page = await browser.newPage({viewport: {width: 1000, height: 700}});
  const states = [];
  let waiting;
  const waited = new Promise((resolve) => { waiting = resolve; });
  await page.exposeFunction('musicChanged', (state) => {
    if (state !== states.at(-1)) states.push(state);
    if (state === 'waiting') waiting();
  });
  await page.addInitScript(kListen);
  await page.addInitScript(kReportMusic);
  await page.goto(server.url);
  await waited;
  assert.deepEqual(states, ['waiting']);
  await page.mouse.click(500, 650);
  await page.waitForFunction(() => ['playing', 'silent'].includes(document.body.dataset.music));
  assert.deepEqual(states, ['waiting', 'starting', 'playing']);
  await page.waitForFunction(Loudest, null, {polling: 50});
  await page.close();
});

for (const [why, setUp] of [
  ['the browser has no audio', (page) => page.addInitScript(() => { delete window.AudioContext; })],
  ['the soundfont cannot be fetched', (page) => page.route('**/TimGM6mb.sf2', (r) => r.abort())],
]) {
  test(`the demo plays silent, and says nothing, where ${why}`, async () => {
    const page = await browser.newPage({viewport: {width: 1000, height: 700}});
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error)));
    await setUp(page);
    await page.goto(server.url);
    await FirstText(page);
    const first = await Text(page);
    await page.mouse.click(500, 650);
    await page.waitForFunction(() => document.body.dataset.music === 'silent');
    await page.waitForFunction((t) => document.querySelector('#rows').innerText !== t, first);
    assert.equal(await page.locator('#alert').isVisible(), false);
    assert.deepEqual(errors, []);
    await page.close();
  });
}

for (const [archive, dropped] of [['zip-cp932.zip', 'game.zip'], ['lzh-level1-lh5.lzh', 'game.lzh']]) {
  test(`a game dropped on the page as ${dropped} is played in place of the demo`, async () => {
    const page = await Open(browser, server.url);
    await FirstText(page);
    const bytes = fs.readFileSync(path.join(root, 'tests/game_files/archives', archive));
    await page.evaluate(([b, name]) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([Uint8Array.from(atob(b), (c) => c.charCodeAt(0))], name));
      document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
    }, [bytes.toString('base64'), dropped]);
    await page.waitForFunction((name) => document.title.startsWith(name), dropped);
    const expected = JSON.parse(execFileSync(tavrin, ['--headless', archive],
                                             {cwd: path.join(root, 'tests/game_files/archives'),
                                              input: ''}).toString().split('\n')[0]);
    const firstRow = expected.message.text.split('\r\n').find((row) => row !== '').replace('\u25BC', '');
    await page.waitForFunction((row) => document.querySelector('#rows').innerText.includes(row),
                               firstRow);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}
