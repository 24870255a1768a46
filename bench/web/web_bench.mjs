// SPDX-License-Identifier: MIT
// The web front end in Chromium on localhost, medians of five: the time from the start of
// loading to the first text of the demo; the site's size without the soundfont, each file
// compressed as a server sends it; the engine's speed in WebAssembly against the native
// program on the same scenario; and the CPU the page takes while it waits for a click.
//
//     node bench/web/web_bench.mjs      (TAVRIN_PROGRAM, TAVRIN_WEB_SITE as the web tests)
import {execFileSync, spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

import {Launch, root, Serve, site, tavrin} from '../../tests/web/browser.mjs';

const kRuns = 5;
const Median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The demo's first text, from the start of loading, each in a browser context of its own
// (nothing cached); the soundfont is not fetched before a click.
async function LoadToFirstText(browser, url) {
  const times = [];
  for (let i = 0; i < kRuns; ++i) {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(url);
    await page.waitForFunction(() => window.tavrinTimings?.firstText !== undefined);
    times.push(await page.evaluate(() => window.tavrinTimings.firstText));
    await context.close();
  }
  return Median(times);
}

function SiteSize() {
  let raw = 0;
  let compressed = 0;
  let files = 0;
  for (const entry of fs.readdirSync(site, {recursive: true, withFileTypes: true})) {
    if (!entry.isFile() || entry.name.endsWith('.sf2')) continue;
    const bytes = fs.readFileSync(path.join(entry.parentPath ?? entry.path, entry.name));
    raw += bytes.length;
    compressed += zlib.gzipSync(bytes, {level: 9}).length;
    ++files;
  }
  return {files, raw, compressed};
}

// A long scenario: the test text of Jigokuhen (code page 932, CR LF), its pages 200 times
// over, without any line but text and empty ones, then the end of the file.
function LongGame(folder) {
  const text = fs.readFileSync(path.join(root, 'tests/data/text/jigokuhen_shohan.txt'), 'latin1')
                   .split('\r\n').filter((l) => !/^([>+\-]|\x81\x84|\x81\x9C)/.test(l));
  const lines = [];
  for (let i = 0; i < 200; ++i) lines.push(...text, '');
  lines.push('tugi');
  fs.mkdirSync(folder, {recursive: true});
  fs.writeFileSync(path.join(folder, 'dat.dat'), Buffer.from(`${lines.join('\r\n')}\r\n`, 'latin1'));
  return lines.length;
}

// Scripted play's time for fast pacing through the whole scenario, less its start-up.
function NativeSeconds(folder) {
  const time = (input) => {
    const start = process.hrtime.bigint();
    const run = spawnSync(tavrin, ['--headless', folder], {input, maxBuffer: 1 << 30});
    if (run.status !== 0) throw new Error(`tavrin --headless: ${run.stderr}`);
    return Number(process.hrtime.bigint() - start) / 1e9;
  };
  const runs = [];
  for (let i = 0; i < kRuns; ++i) runs.push(time('click right\nrun\nclose\n') - time('close\n'));
  return Median(runs);
}

// The same events given to the engine in WebAssembly, with a presentation that draws nothing.
async function WasmSeconds(browser, url, folder) {
  const page = await browser.newPage();
  await page.goto(`${url}?test-hook`);
  await page.waitForFunction(() => window.tavrinTest !== undefined);
  const dat = fs.readFileSync(path.join(folder, 'dat.dat')).toString('base64');
  const seconds = await page.evaluate(([dat, runs]) => {
    const {engine} = window.tavrinTest;
    engine.FS.mkdirTree('/bench');
    engine.FS.writeFile('/bench/dat.dat', Uint8Array.from(atob(dat), (c) => c.charCodeAt(0)));
    const nothing = () => {};
    const view = {messageChanged: nothing, choiceChanged: nothing, timerChanged: nothing,
                  showPicture: nothing, pictureAhead: nothing, alert: nothing};
    const times = [];
    for (let i = 0; i < runs; ++i) {
      const game = new engine.WebGame('/bench', view);
      game.activate();
      const start = performance.now();
      game.play('click right');
      game.play('run');
      times.push((performance.now() - start) / 1000);
      if (game.state().scriptOpen) throw new Error('the scenario was not played to its end');
      game.unload();
      game.delete();
    }
    return times;
  }, [dat, kRuns]);
  await page.close();
  return Median(seconds);
}

// CPU of the page's process over three seconds at the demo's first "▼", with no music (the
// soundfont is held back), and the frames it asked for meanwhile.
async function IdleCpu(browser, url) {
  const page = await browser.newPage();
  await page.route('**/TimGM6mb.sf2', (route) => route.abort());
  await page.addInitScript(() => {
    window.tavrinFrames = 0;
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => { ++window.tavrinFrames; return request(callback); };
  });
  await page.goto(url);
  await page.waitForFunction(() => document.querySelector('#rows').innerText.endsWith('\u25BC'));
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const Sample = async () => {
    const {metrics} = await cdp.send('Performance.getMetrics');
    const value = (name) => metrics.find((m) => m.name === name).value;
    return {task: value('TaskDuration'), at: value('Timestamp'),
            frames: await page.evaluate(() => window.tavrinFrames)};
  };
  const before = await Sample();
  await new Promise((resolve) => setTimeout(resolve, 3000));
  const after = await Sample();
  await page.close();
  return {cpuPercent: (100 * (after.task - before.task)) / (after.at - before.at),
          frames: after.frames - before.frames};
}

const browser = await Launch();
const server = await Serve(site);
try {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tavrin-web-bench-'));
  const lines = LongGame(path.join(work, 'game'));
  const load = await LoadToFirstText(browser, server.url);
  const size = SiteSize();
  const native = NativeSeconds(path.join(work, 'game'));
  const wasm = await WasmSeconds(browser, server.url, path.join(work, 'game'));
  const idle = await IdleCpu(browser, server.url);
  fs.rmSync(work, {recursive: true, force: true});
  console.log(`load to first text (demo, median of ${kRuns}): ${load.toFixed(0)} ms`);
  console.log(`site without the soundfont: ${size.files} files, ${(size.raw / 1024).toFixed(0)} KiB, ` +
              `${(size.compressed / 1024).toFixed(0)} KiB gzip -9`);
  console.log(`engine, ${lines} lines in fast pacing (median of ${kRuns}): native ` +
              `${(native * 1000).toFixed(1)} ms, WebAssembly ${(wasm * 1000).toFixed(1)} ms ` +
              `(${(wasm / native).toFixed(2)} times native)`);
  console.log(`idle at a click wait, 3 s: CPU ${idle.cpuPercent.toFixed(2)} %, ` +
              `${idle.frames} frames asked for`);
} finally {
  await browser.close();
  server.stop();
}
