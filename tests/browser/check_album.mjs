// The Modern web album in a real browser (Debian's chromium, headless), opened from
// file:// as a visitor opens a folder: no console errors; at 375, 1280 and 2560 pixels
// wide no sideways scroll and no image loaded at more than twice the width it is shown
// at; the viewer by keys (Enter, arrows, Tab, Esc), by swipe and by the address; axe-core
// finds no violation with the viewer shut or open; the page passes html-validate.
// Usage: node check_album.mjs ALBUM_FOLDER PHOTO_COUNT   (exit 1 with every failure said)

import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const require = createRequire(path.join(process.env.BROWSER_TOOLS, 'package.json'));
const puppeteer = require('puppeteer-core');
const { HtmlValidate } = require('html-validate');
const axePath = require.resolve('axe-core/axe.min.js');

const [folder, countText] = process.argv.slice(2);
const count = Number(countText);
const page = path.join(folder, 'Vellumora.htm');
const url = pathToFileURL(page).href;
const failures = [];
const fail = (what) => failures.push(what);
const check = (ok, what) => { if (!ok) fail(what); };

// The page's own markup, by the recommended rules.
{
  const validator = new HtmlValidate({ extends: ['html-validate:recommended'] });
  const report = await validator.validateString(readFileSync(page, 'utf8'), page);
  for (const result of report.results)
    for (const m of result.messages) fail(`html-validate ${m.ruleId} line ${m.line}: ${m.message}`);
  console.log(`html-validate: ${report.valid ? 'valid' : 'INVALID'}`);
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--allow-file-access-from-files', '--disable-gpu'],
});
try {
  const tab = await browser.newPage();
  const errors = [];
  tab.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  tab.on('pageerror', (e) => errors.push(String(e)));
  // A load the page itself gives up (the viewer switching photos, a new navigation while
  // lazy images load) ends as ERR_ABORTED; anything else is a file that is not there.
  tab.on('requestfailed', (r) => {
    const why = r.failure() ? r.failure().errorText : '';
    if (why !== 'net::ERR_ABORTED') errors.push(`failed to load ${r.url()}: ${why}`);
  });

  // Scrolls through the page so that every lazy image is asked for, then waits for all.
  const loadAll = async () => {
    await tab.evaluate(async () => {
      for (let y = 0; y <= document.body.scrollHeight; y += innerHeight / 2) {
        scrollTo(0, y);
        await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 30)));
      }
      await Promise.all([...document.images].map((i) => i.decode().catch(() => {})));
      scrollTo(0, 0);
    });
  };

  for (const width of [375, 1280, 2560]) {
    await tab.setViewport({ width, height: 900, deviceScaleFactor: 1 });
    await tab.goto(url, { waitUntil: 'load' });
    await loadAll();
    // naturalWidth of an image chosen from a srcset is scaled by the chosen width's
    // descriptor, so the file's own width is read from a plain image of the same file.
    const seen = await tab.evaluate(async () => ({
      scrollWidth: document.documentElement.scrollWidth,
      clientWidth: document.documentElement.clientWidth,
      images: await Promise.all([...document.querySelectorAll('.grid img')].map(async (i) => ({
        src: i.currentSrc.split('/').pop(),
        natural: await new Promise((r) => {
          const plain = new Image();
          plain.onload = () => r(plain.naturalWidth);
          plain.onerror = () => r(0);
          plain.src = i.currentSrc;
        }),
        shown: i.getBoundingClientRect().width,
        complete: i.complete && i.naturalWidth > 0,
      }))),
    }));
    check(seen.scrollWidth <= seen.clientWidth,
      `${width}px: scrolls sideways (${seen.scrollWidth} > ${seen.clientWidth})`);
    check(seen.images.length === count, `${width}px: ${seen.images.length} images, not ${count}`);
    let worst = 0;
    for (const image of seen.images) {
      check(image.complete && image.natural > 0, `${width}px: ${image.src} did not load`);
      const ratio = image.natural / image.shown;
      worst = Math.max(worst, ratio);
      check(ratio <= 2, `${width}px: ${image.src} loads ${image.natural} px for ${image.shown.toFixed(1)} shown`);
    }
    console.log(`${width}px: page ${seen.scrollWidth}/${seen.clientWidth} wide, ` +
      `${seen.images.length} images, at most ${worst.toFixed(2)}x the width shown`);
  }

  // The viewer by the keyboard, at a desktop width.
  await tab.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  await tab.goto(url, { waitUntil: 'load' });
  const state = () => tab.evaluate(() => ({
    open: document.getElementById('viewer').open,
    hash: location.hash,
    focusInside: document.getElementById('viewer').contains(document.activeElement),
    focused: document.activeElement && document.activeElement.dataset
      ? document.activeElement.dataset.number || document.activeElement.className : '',
    caption: document.getElementById('viewer-caption').textContent,
    image: (document.querySelector('#viewer .stage img') || {}).currentSrc || '',
  }));

  // Waits until the viewer reaches what a step should give (hash changes arrive as events
  // of their own, after the key), failing with what it shows instead. The bound is a hang
  // detector, far above the milliseconds a step takes.
  const expect = async (what, wanted) => {
    try {
      await tab.waitForFunction((w) => {
        const v = document.getElementById('viewer');
        const focused = document.activeElement && document.activeElement.dataset
          ? document.activeElement.dataset.number || '' : '';
        return (w.open === undefined || v.open === w.open) &&
          (w.hash === undefined || location.hash === w.hash) &&
          (w.inside === undefined || v.contains(document.activeElement) === w.inside) &&
          (w.focused === undefined || focused === w.focused) &&
          (w.caption === undefined || document.getElementById('viewer-caption').textContent.includes(w.caption));
      }, { timeout: 20000 }, wanted);
    } catch (e) {
      const s = await state();
      fail(`${what}: wanted ${JSON.stringify(wanted)}, got ${JSON.stringify(s)}`);
    }
  };
  const closed = (hash) => hash === '' || hash === '#';

  await tab.focus('a.photo[data-number="1"]');
  await tab.keyboard.press('Enter');
  await expect('Enter on photo 1', { open: true, hash: '#1', inside: true, caption: `(1 / ${count})` });
  await tab.keyboard.press('ArrowRight');
  await expect('ArrowRight', { open: true, hash: '#2', caption: `(2 / ${count})` });
  await tab.keyboard.press('ArrowLeft');
  await tab.keyboard.press('ArrowLeft');
  await expect('ArrowLeft twice from 2', { open: true, hash: `#${count}`, caption: `(${count} / ${count})` });
  for (let i = 0; i < 5; ++i) await tab.keyboard.press('Tab');
  await expect('Tab five times', { open: true, inside: true });
  await tab.evaluate(() => new Promise((r) => {
    const img = document.querySelector('#viewer .stage img');
    if (img.complete) r(); else img.addEventListener('load', r, { once: true });
  }));
  let s = await state();
  check(s.image !== '', 'the viewer shows no image');
  console.log(`viewer: open at ${s.hash}, showing ${s.image.split('/').pop()}`);
  await tab.addScriptTag({ path: axePath });
  const axeOpen = await tab.evaluate(async () => (await axe.run(document)).violations
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
  for (const v of axeOpen) fail(`axe, viewer open: ${v}`);
  await tab.keyboard.press('Escape');
  await expect('Escape', { open: false, focused: '1' });
  s = await state();
  check(closed(s.hash), `Escape: the address still names ${s.hash}`);

  // Swipe: a pointer dragged leftwards over the photo moves to the next one.
  await tab.keyboard.press('Enter');
  await expect('Enter again', { open: true, hash: '#1' });
  await tab.evaluate(() => {
    const stage = document.querySelector('#viewer .stage');
    const at = (x) => ({ clientX: x, clientY: 300, bubbles: true, pointerType: 'touch' });
    stage.dispatchEvent(new PointerEvent('pointerdown', at(700)));
    stage.dispatchEvent(new PointerEvent('pointerup', at(500)));
  });
  await expect('swipe left', { open: true, hash: '#2' });
  await tab.click('#viewer .next');
  await expect('the next button', { open: true, hash: '#3' });
  await tab.click('#viewer .close');
  await expect('the close button', { open: false, focused: '1' });

  // A link with the photo's number opens it, in a page loaded afresh.
  await tab.goto('about:blank');
  await tab.goto(`${url}#3`, { waitUntil: 'load' });
  await expect('#3 in the address', { open: true, caption: `(3 / ${count})` });

  // Accessibility with the viewer shut, in the light and the dark colours.
  let axeShut = 0;
  for (const scheme of ['light', 'dark']) {
    await tab.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    await tab.goto(url, { waitUntil: 'load' });
    await loadAll();
    await tab.addScriptTag({ path: axePath });
    const found = await tab.evaluate(async () => (await axe.run(document)).violations
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    for (const v of found) fail(`axe, ${scheme}: ${v}`);
    axeShut += found.length;
  }
  console.log(`axe-core: ${axeShut + axeOpen.length} violations (viewer open; shut, light and dark)`);

  for (const e of errors) fail(`console: ${e}`);
  console.log(`console errors: ${errors.length}`);
} finally {
  await browser.close();
}

if (failures.length) {
  for (const f of failures) console.error(`FAIL: ${f}`);
  process.exit(1);
}
console.log('PASS: the Modern album in chromium');
