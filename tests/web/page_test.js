// The page in headless Chromium (Debian's, drawing with SwiftShader), served from 127.0.0.1:
//   node page_test.js SITE_FOLDER OUT_FOLDER [THREE_BOX_LEVEL]
// opens a #level= link (three boxes give three), places a box with the mouse, saves with Ctrl+S, reloads
// with ?load=levels/new.lvl and finds the box there through levelText(), and checks a screenshot: not
// blank, the Tools window drawn. With TUMBLEBOX_FPS_LEVEL=levels/NAME.lvl it measures instead how many
// frames a second that level runs at.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const site = path.resolve(process.argv[2] || 'build-web/site');
const out = path.resolve(process.argv[3] || 'build-web/page-test');
fs.mkdirSync(out, { recursive: true });

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream' };
const server = http.createServer((req, res) => {
  const file = path.join(site, decodeURIComponent(new URL(req.url, 'http://x').pathname));
  if (!file.startsWith(site) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
    res.writeHead(404);
    res.end();
    return;
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});

let failures = 0;
function check(what, ok, detail) {
  console.log((ok ? 'ok: ' : 'FAILED: ') + what + (detail !== undefined ? ' (' + detail + ')' : ''));
  if (!ok) ++failures;
}

function countBoxes(text) { return (text.match(/^Entity\([^)]*,box2?\)\r?$/gm) || []).length; }

function toBase64Url(bytes) {
  return Buffer.from(bytes).toString('base64').replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// A frame pixel (1280 x 1024) to a page position, through the canvas's scaling.
async function at(page, x, y) {
  const r = await page.$eval('#canvas', (c) => { const b = c.getBoundingClientRect();
                                                   return { l: b.left, t: b.top, w: b.width, h: b.height }; });
  return [r.l + (x + 0.5) * r.w / 1280, r.t + (y + 0.5) * r.h / 1024];
}
async function frames(page, n) {
  const start = await page.evaluate(() => window.tumblebox.frames());
  await page.waitForFunction((s, k) => window.tumblebox.frames() >= s + k, { polling: 20, timeout: 60000 }, start, n);
}
async function moveTo(page, x, y) {
  const [px, py] = await at(page, x, y);
  await page.mouse.move(px, py);
  await frames(page, 3);
}
// A click as a script gives it: pressed and let go at once, before any frame has seen it.
async function click(page, x, y) {
  await moveTo(page, x, y);
  await page.mouse.down();
  await page.mouse.up();
  await frames(page, 3);
}

async function open(page, url) {
  await page.goto('about:blank');
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.tumblebox !== undefined);
  await page.evaluate(() => window.tumblebox.ready);
}

(async () => {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const base = 'http://127.0.0.1:' + server.address().port + '/index.html';
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox', '--window-size=1400,1200'],
    defaultViewport: { width: 1400, height: 1200 },
  });
  try {
    const page = await browser.newPage();
    page.on('dialog', (d) => d.accept());
    page.on('pageerror', (e) => console.log('page error: ' + e.message));

    if (process.env.TUMBLEBOX_FPS_LEVEL) {
      await open(page, base + '?run=1&load=' + encodeURIComponent(process.env.TUMBLEBOX_FPS_LEVEL));
      await frames(page, 60);
      const sample = () => page.evaluate(() => [window.tumblebox.frames(), performance.now(),
                                                  window.tumblebox.timeSpent()]);
      const f0 = await sample();
      await new Promise((r) => setTimeout(r, 10000));
      const f1 = await sample();
      const n = f1[0] - f0[0];
      console.log('frames per second: ' + (n * 1000 / (f1[1] - f0[1])).toFixed(1) +
                  '; per frame: program ' + ((f1[2].frames - f0[2].frames) / n).toFixed(1) + ' ms, canvas ' +
                  ((f1[2].present - f0[2].present) / n).toFixed(1) + ' ms, the rest (browser) ' +
                  (((f1[1] - f0[1]) - (f1[2].frames - f0[2].frames) - (f1[2].present - f0[2].present)) / n).toFixed(1) +
                  ' ms');
      await page.screenshot({ path: path.join(out, 'fps.png') });
      return;
    }

    // A link holding a level of three boxes.
    const threeFile = process.argv[4];
    if (threeFile) {
      const bytes = fs.readFileSync(threeFile);
      await open(page, base + '#level=' + toBase64Url(bytes));
      check('a #level= link with three boxes gives three', countBoxes(await page.evaluate(() => window.tumblebox.levelText())) === 3,
            countBoxes(await page.evaluate(() => window.tumblebox.levelText())));
      // Until the pointer touches the canvas nothing scrolls the camera (the level text holds the camera).
      const before = await page.evaluate(() => window.tumblebox.levelText());
      await frames(page, 30);
      check('the camera stays put before the pointer comes', before === await page.evaluate(() => window.tumblebox.levelText()));
      // At the canvas's top edge the camera pans; once the pointer has left for the page's buttons it stops.
      await moveTo(page, 640, 0);
      const panned = await page.evaluate(() => window.tumblebox.levelText());
      check('the top edge pans', panned !== before);
      const bar = await page.$eval('#status', (e) => { const b = e.getBoundingClientRect(); return [b.left + 5, b.top + 5]; });
      await page.mouse.move(bar[0], bar[1]);
      await frames(page, 3);
      const away = await page.evaluate(() => window.tumblebox.levelText());
      await frames(page, 30);
      check('nothing pans while the pointer is away', away === await page.evaluate(() => window.tumblebox.levelText()));
    }
    // A link that is not base64url: an empty world and a message, not a broken page.
    await open(page, base + '#level=%%%not-a-level');
    check('a broken link opens an empty world', countBoxes(await page.evaluate(() => window.tumblebox.levelText())) === 0);

    // An empty world: the box tool ("standard objects", then the box), a box placed, Ctrl+S.
    await open(page, base);
    await moveTo(page, 1144, 216);
    await frames(page, 5);
    await click(page, 948, 71);
    await click(page, 400, 600);
    const placed = countBoxes(await page.evaluate(() => window.tumblebox.levelText()));
    check('a box placed with the mouse', placed === 1, placed);
    await page.focus('#canvas');
    await page.keyboard.down('Control');
    await page.keyboard.down('s');
    await frames(page, 2);
    await page.keyboard.up('s');
    await frames(page, 2);
    await page.keyboard.up('Control');
    await frames(page, 10);
    await new Promise((r) => setTimeout(r, 500)); // a save is stored as it finishes
    await page.screenshot({ path: path.join(out, 'placed.png') });

    await open(page, base + '?load=levels/new.lvl');
    const reloaded = countBoxes(await page.evaluate(() => window.tumblebox.levelText()));
    check('the saved box is there after a reload with ?load=', reloaded === 1, reloaded);
    await frames(page, 30);
    const shot = path.join(out, 'reloaded.png');
    await page.screenshot({ path: shot });

    // The picture: not blank, and the Tools window (light panel at the top right) drawn.
    const stats = await page.evaluate(() => {
      const c = document.getElementById('canvas');
      const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      const colours = new Set();
      for (let i = 0; i < d.length; i += 4 * 97) colours.add(d[i] << 16 | d[i + 1] << 8 | d[i + 2]);
      // The Tools window's column of light text on the right.
      let toolsBright = 0, toolsAll = 0;
      for (let y = 0; y < 380; ++y)
        for (let x = 1040; x < 1240; ++x) {
          const i = (y * c.width + x) * 4;
          ++toolsAll;
          if (d[i] + d[i + 1] + d[i + 2] > 300) ++toolsBright;
        }
      return { colours: colours.size, toolsShare: toolsBright / toolsAll };
    });
    check('the picture is not blank', stats.colours > 20, stats.colours + ' colours');
    check('the Tools window is drawn', stats.toolsShare > 0.01, stats.toolsShare.toFixed(3));
  } finally {
    await browser.close();
    server.close();
  }
  process.exit(failures === 0 ? 0 : 1);
})().catch((e) => {
  console.log('FAILED: ' + (e.stack || e));
  process.exit(1);
});
