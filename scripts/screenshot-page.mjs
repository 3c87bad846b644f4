// A screenshot of a page in headless chromium once everything it asked for has loaded
// (scripts/screenshots.sh; the npm packages of scripts/browser-deps.sh).
// Usage: node screenshot-page.mjs URL OUT.png WIDTH HEIGHT SCALE
import { createRequire } from 'node:module';
import path from 'node:path';

const here = path.dirname(new URL(import.meta.url).pathname);
const require = createRequire(path.join(here, '../build/browser-tools/package.json'));
const puppeteer = require('puppeteer-core');
const [url, out, width, height, scale] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--hide-scrollbars'],
});
const tab = await browser.newPage();
await tab.setViewport({ width: +width, height: +height, deviceScaleFactor: +scale });
await tab.goto(url, { waitUntil: 'networkidle0' });
// Lazy images below the window never load: only those that did are waited for.
await tab.evaluate(() => Promise.all([...document.images].filter((i) => i.complete)
  .map((i) => i.decode().catch(() => {}))));
await tab.screenshot({ path: out });
await browser.close();
