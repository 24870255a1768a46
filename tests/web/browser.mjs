// SPDX-License-Identifier: MIT
// What the web tests share: the built site served from localhost by a server of their own,
// and Debian's Chromium, headless, driven by Playwright.
import {spawn} from 'node:child_process';
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '../..');
const require = createRequire(path.join(root, 'src/web/package.json'));
const {chromium} = require('playwright-core');

export const site = process.env.TAVRIN_WEB_SITE || path.join(root, 'build-web/site');
export const tavrin = process.env.TAVRIN_PROGRAM || path.join(root, 'build/tavrin');

/// Serves `folder` on a free port of localhost; resolves to {url, stop()}.
export function Serve(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '0', '-d', folder],
                         {stdio: ['ignore', 'pipe', 'pipe']});
    let said = '';
    const onData = (data) => {
      said += data;
      const port = /port (\d+)/.exec(said);
      if (port) resolve({url: `http://127.0.0.1:${port[1]}/`, stop: () => server.kill()});
    };
    server.stdout.on('data', onData);
    server.stderr.on('data', onData);
    server.on('exit', (code) => reject(new Error(`the server ended (${code}): ${said}`)));
  });
}

export async function Launch() {
  return chromium.launch({
    executablePath: process.env.TAVRIN_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--autoplay-policy=user-gesture-required'],
  });
}

/// A page of `browser` at `url`, failing the test on any error the page throws.
export async function Open(browser, url, size = {width: 1000, height: 700}) {
  const page = await browser.newPage({viewport: size});
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  page.errors = errors;
  await page.goto(url);
  return page;
}
