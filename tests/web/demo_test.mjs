// SPDX-License-Identifier: MIT
// The demo in Chromium as a reader plays it: to both endings by clicks and by keys, the
// music once a click lets it start, and a game dropped on the page as an archive.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {Launch, Open, root, Serve, site} from './browser.mjs';

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
const ChoiceShown = (page) => page.locator('#choice0').isVisible();

// Reads on (by `next`) until a choice or `until` shows; at most `limit` times.
async function ReadUntil(page, next, until, limit = 200) {
  for (let i = 0; i < limit; ++i) {
    if (await until()) return true;
    await next();
    await page.waitForTimeout(0);
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
  }
  return until();
}

async function PlayToEnding(page, next, choose, choice) {
  let picked = 0;
  const ending = async () => /グッド|バッド|おわり|END|終/.test(await Text(page)) &&
                             !(await ChoiceShown(page));
  await ReadUntil(page, async () => {
    if (await ChoiceShown(page)) {
      await choose(choice);
      ++picked;
    } else {
      await next();
    }
  }, async () => (await page.locator('#message').isHidden()) || (picked > 0 && await ending()));
  return picked;
}

test('the demo shows its first page in the page text, in the Japanese message window', async () => {
  const page = await Open(browser, server.url);
  await page.waitForFunction(() => document.querySelector('#rows').innerText.trim() !== '');
  const text = await Text(page);
  const demo = execFileSync('iconv', ['-f', 'CP932', '-t', 'UTF-8', path.join(root, 'demo/dat.dat')])
                   .toString();
  const firstText = demo.split(/\r\n/).find((line) => line !== '' && !line.startsWith('>'));
  assert.ok(text.includes(firstText), `the first page shows "${firstText}": ${text}`);
  assert.equal(await page.locator('#message').getAttribute('lang'), 'ja');
  assert.deepEqual(page.errors, []);
  await page.close();
});

for (const [way, choice] of [['clicks', 0], ['keys', 1]]) {
  test(`the demo plays to an ending by ${way}, choosing ${choice}`, async () => {
    const page = await Open(browser, server.url);
    await page.waitForFunction(() => document.querySelector('#rows').innerText.trim() !== '');
    const byClicks = way === 'clicks';
    const next = byClicks ? () => page.mouse.click(500, 650) : () => page.keyboard.press('Enter');
    const choose = byClicks ? (i) => page.locator(`#choice${i}`).click()
                            : async (i) => {
                              if (i === 1) await page.keyboard.press('ArrowDown');
                              await page.keyboard.press('Enter');
                            };
    const seen = [];
    page.on('console', (m) => seen.push(m.text()));
    const picked = await PlayToEnding(page, next, choose, choice);
    assert.ok(picked >= 1, 'a choice was picked');
    const text = await Text(page);
    assert.ok(text.trim() !== '' || await page.locator('#message').isHidden());
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}
