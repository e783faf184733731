// The replay pages in a real browser: Debian's chromium, headless, driven by playwright-core
// from web/node_modules. Loads each page with every request that leaves the file refused,
// plays it through its own controls, reads what the scene shows through the page's
// read-only hook, and takes screenshots.
//
//   node replay_browser.mjs WEB_DIR OUT_DIR TOUR_PAGE LANDING_PAGE
//
// Exit status: 0 passed, 1 failed, 77 when chromium or playwright-core is missing (skipped).
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { check, finish, launchChromium } from './browser_support.mjs';

const [webDir, outDir, tourPage, landingPage] = process.argv.slice(2);
const browser = await launchChromium(webDir, outDir);

// Opens a page; returns it with the list of problems seen on it (console errors, uncaught
// exceptions, requests for anything but the file itself).
async function open(file) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const problems = [];
  const url = pathToFileURL(file).href;
  await context.route('**/*', (route) => {
    const wanted = route.request().url();
    if (wanted === url || wanted.startsWith('data:') || wanted.startsWith('blob:')) return route.continue();
    problems.push(`request for ${wanted}`);
    return route.abort();
  });
  const page = await context.newPage();
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console error: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`uncaught: ${e.message}`));
  await page.goto(url);
  await page.waitForFunction(() => window.touchdownReplay?.snapshot().ready, null, { timeout: 20000 });
  return { page, problems, context };
}

const snapshot = (page) => page.evaluate(() => window.touchdownReplay.snapshot());
const vessel = (snap, name) => snap.vessels.find((v) => v.name === name);

// Distinct colours in a sample of the canvas: a blank or failed drawing has one or two.
const colours = (page) => page.evaluate(() => {
  const gl = document.querySelector('#view canvas');
  const c = document.createElement('canvas');
  c.width = 160;
  c.height = 100;
  const g = c.getContext('2d');
  g.drawImage(gl, 0, 0, c.width, c.height);
  const data = g.getImageData(0, 0, c.width, c.height).data;
  const seen = new Set();
  for (let i = 0; i < data.length; i += 4) seen.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
  return seen.size;
});

async function playToEnd(page, speed) {
  await page.selectOption('#speed', String(speed));
  const started = Date.now();
  await page.click('#play');
  await page.waitForFunction(() => window.touchdownReplay.snapshot().ended, null, { timeout: 60000 });
  return (Date.now() - started) / 1000;
}

function onTerrain(v, label) {
  check(v?.present && v.terrainUp !== null && Math.abs(v.base - v.terrainUp) < 0.15,
    `${label}: stands on the drawn terrain (touchdown plane ${v?.base?.toFixed(3)} m, terrain ${v?.terrainUp?.toFixed(3)} m)`);
}

const begun = Date.now();
{
  // The tour: everything on the ground at 20 s, the lander far up at the end.
  const { page, problems, context } = await open(tourPage);
  let snap = await snapshot(page);
  check(snap.webgl, 'tour: WebGL draws');
  check(snap.frames > 500 && Math.abs(snap.end - 40) < 1e-6, `tour: ${snap.frames} frames over ${snap.end} s`);
  await page.locator('#scrub').fill('20');
  await page.waitForTimeout(200);
  snap = await snapshot(page);
  check(Math.abs(snap.t - 20) < 1e-6, `tour: scrubbed to ${snap.t} s`);
  for (const name of ['lander', 'crew', 'rover']) {
    check(vessel(snap, name)?.state === 'anchored', `tour at 20 s: ${name} anchored`);
    onTerrain(vessel(snap, name), `tour at 20 s: ${name}`);
  }
  check((await colours(page)) > 200, 'tour: the scene is drawn (many colours on the canvas)');
  await page.screenshot({ path: join(outDir, 'tour-20s.png') });
  await page.locator('#scrub').fill('0');
  const wall = await playToEnd(page, 16);
  snap = await snapshot(page);
  const lander = vessel(snap, 'lander');
  check(snap.t === snap.end && !snap.playing, `tour: played to the end in ${wall.toFixed(1)} s at 16×`);
  check(lander.state === 'free' && lander.base - lander.terrainUp > 100,
    `tour at the end: lander free, ${(lander.base - lander.terrainUp).toFixed(1)} m over the terrain`);
  check(vessel(snap, 'rover').state === 'free', 'tour at the end: rover floats free over the hollow');
  await page.screenshot({ path: join(outDir, 'tour-end.png') });
  check(problems.length === 0, `tour: no console errors or requests${problems.length ? `: ${problems.join('; ')}` : ''}`);
  await context.close();
}
{
  // A landing that stays down.
  const { page, problems, context } = await open(landingPage);
  const wall = await playToEnd(page, 8);
  const snap = await snapshot(page);
  check(snap.ended, `landing: played to the end in ${wall.toFixed(1)} s at 8×`);
  const lander = vessel(snap, 'lander');
  check(lander.state === 'anchored', `landing at the end: lander ${lander.state}`);
  onTerrain(lander, 'landing at the end: lander');
  onTerrain(vessel(snap, 'crew'), 'landing at the end: crew');
  await page.screenshot({ path: join(outDir, 'landing-end.png') });
  check(problems.length === 0, `landing: no console errors or requests${problems.length ? `: ${problems.join('; ')}` : ''}`);
  await context.close();
}
await browser.close();
finish(begun, outDir);
