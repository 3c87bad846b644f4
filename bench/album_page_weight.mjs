// The bytes a browser loads for the first screen of an album page (the page, its style
// sheet and script, and the images it asks for before any scrolling), opened from file://
// in headless chromium at the given width. File sizes on disk: file:// has no transfer
// encoding, so they are what a server without compression would send.
// Usage: node album_page_weight.mjs PAGE WIDTH HEIGHT   (prints one line)
import { createRequire } from 'node:module';
import { statSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../build/browser-tools/package.json'));
const puppeteer = require('puppeteer-core');
const [page, width, height] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu'],
});
const tab = await browser.newPage();
await tab.setViewport({ width: +width, height: +height, deviceScaleFactor: 1 });
const files = new Set();
tab.on('requestfinished', (r) => { if (r.url().startsWith('file:')) files.add(r.url()); });
await tab.goto(pathToFileURL(page).href, { waitUntil: 'networkidle0' });
let bytes = 0, images = 0;
for (const url of files) {
  const file = fileURLToPath(url.split('#')[0]);
  bytes += statSync(file).size;
  if (/\.jpe?g$/i.test(file)) ++images;
}
console.log(`${path.basename(path.dirname(page))} at ${width}x${height}: ${files.size} files, ` +
  `${images} images, ${(bytes / 1024).toFixed(0)} KiB`);
await browser.close();
