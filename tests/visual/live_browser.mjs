// The live page in a real browser, with the module in the loop: starts
// `touchdown-sim --live` on the walker-and-lander scenario, presses keys in the page as a
// person would and reads what the page shows; then replays the recorded scenario and
// compares the event logs of the two runs.
//
//   node live_browser.mjs WEB_DIR OUT_DIR SIM_PROGRAM SCENARIO
//
// Exit status: 0 passed, 1 failed, 77 when chromium or playwright-core is missing (skipped).
import { spawn, spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { check, finish, launchChromium } from './browser_support.mjs';

const [webDir, outDir, sim, scenario] = process.argv.slice(2);
const browser = await launchChromium(webDir, outDir);
const begun = Date.now();
const liveLog = join(outDir, 'live-events.jsonl');
const recorded = join(outDir, 'live-recorded.toml');

const run = spawn(sim, ['--live', scenario, '--events', liveLog, '--record-scenario', recorded],
  { stdio: ['ignore', 'pipe', 'inherit'] });
let stdout = '';
run.stdout.on('data', (d) => { stdout += d; });
const exited = new Promise((done) => run.on('exit', (code, signal) => done({ code, signal })));
const deadline = Date.now() + 20000;
while (!/http:\S+/.test(stdout) && Date.now() < deadline) await new Promise((r) => setTimeout(r, 50));
const url = /http:\S+/.exec(stdout)?.[0];
check(url !== undefined, `the address is printed: ${url}`);
if (!url) {
  run.kill('SIGKILL');
  finish(begun, outDir);
}

// Nothing without the token; nothing but the page's own addresses with it.
const base = url.replace(/\/\?.*$/, '');
const token = new URL(url).searchParams.get('token');
for (const [what, address, method] of [['the page without the token', `${base}/`, 'GET'],
  ['the stream without the token', `${base}/stream`, 'GET'], ['a key without the token', `${base}/input`, 'POST'],
  ['the page with a wrong token', `${base}/?token=${'0'.repeat(32)}`, 'GET']]) {
  const status = (await fetch(address, { method, body: method === 'POST' ? 'down 71' : undefined })).status;
  check(status === 403, `${what} is refused (${status})`);
}
const stray = (await fetch(`${base}/etc/passwd?token=${token}`)).status;
check(stray === 404, `no file is served, token or not (${stray})`);

const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
const page = await context.newPage();
const problems = [];
page.on('console', (m) => { if (m.type() === 'error') problems.push(`console error: ${m.text()}`); });
page.on('pageerror', (e) => problems.push(`uncaught: ${e.message}`));
await page.goto(url);
await page.waitForFunction(() => window.touchdownLive?.snapshot().ready, null, { timeout: 20000 });
const snapshot = () => page.evaluate(() => window.touchdownLive.snapshot());
const vessel = async (name) => (await snapshot()).vessels.find((v) => v.name === name);
const settle = (ms) => page.waitForTimeout(ms);
// A key held for `ms` with the browser's auto-repeat every 50 ms after the first 300.
async function hold(key, ms) {
  const from = Date.now();
  await page.keyboard.down(key);
  await settle(300);
  while (Date.now() - from < ms - 50) {
    await page.keyboard.down(key);
    await settle(50);
  }
  await page.keyboard.up(key);
}
const marksOf = async (kind) => (await snapshot()).marks.filter((m) => m.kind === kind);
const until = (test, what, arg = null) =>
  page.waitForFunction(test, arg, { timeout: 15000 }).catch(() => check(false, `waited for ${what}`));
// How long the run saw the key held: its mark says "key W, 1.02 s" once the key is up. A
// busy machine delivers the page's keys late and unevenly, so a second held in the page can
// be well over a second in the run; what is checked is the speed over that time (over the
// hills a little less than 4 m/s east and north: the walk follows the slopes).
// The mark is written when the run sees the key go up, which on a busy machine can be well
// after the page let it go: wait for it before anything is read.
async function keyReleased(name) {
  await until((n) => window.touchdownLive.snapshot().marks.some((m) => m.kind === 'key' && m.text.startsWith(`key ${n},`)),
    `the run to see ${name} released`, name);
  await settle(200);
}
async function heldFor(name) {
  const texts = (await marksOf('key')).map((m) => m.text).filter((t) => t.startsWith(`key ${name},`));
  return Number(/([\d.]+) s$/.exec(texts.at(-1) ?? '')?.[1]);
}

// A restart first, so that the recording (which holds the run since the last restart) holds
// all the keys below.
const before = (await snapshot()).t;
await page.click('#restart');
await until((t) => window.touchdownLive.snapshot().t < t, 'the restart', before);
check((await snapshot()).t < before, `restart: the scenario from its start (${before} s before)`);
await settle(300);
let crew = await vessel('crew');
check(crew.state === 'anchored', `the walker starts anchored (${crew.state})`);
await hold('w', 1000);
await keyReleased('W');
const walked = await vessel('crew');
const metres = Math.hypot(walked.east - crew.east, walked.north - crew.north);
const walkedFor = await heldFor('W');
check(walkedFor > 0.5 && walkedFor < 3 && Math.abs(metres / walkedFor - 4) < 0.25 && walked.state === 'anchored',
  `W for ${walkedFor} s: ${metres.toFixed(2)} m further (4 m/s), ${walked.state}`);
const latency = await snapshot();
console.log(`latency from the key press to the module's hook ${latency.keyToHookMs} ms, to the end of its step ${latency.keyToStepMs} ms`);

await hold('a', 1000);
await keyReleased('A');
crew = await vessel('crew');
const turned = ((walked.heading - crew.heading + 540) % 360) - 180;
const turnedFor = await heldFor('A');
check(turnedFor > 0.5 && turnedFor < 3 && Math.abs(turned / turnedFor - 90) < 4,
  `A for ${turnedFor} s: turned ${turned.toFixed(1)} degrees to the left (a quarter turn a second)`);

const anchoredBefore = (await marksOf('anchored')).length;
await page.keyboard.press('g');
await settle(800);
const released = new Set((await marksOf('released')).map((m) => m.vessel));
const anchoredAgain = (await marksOf('anchored')).length - anchoredBefore;
const states = (await snapshot()).vessels.filter((v) => v.name !== 'surface').map((v) => v.state);
check(released.size === 2 && anchoredAgain >= 2 && states.every((s) => s === 'anchored'),
  `G: ${released.size} vessels released, ${anchoredAgain} anchorings since, now ${states.join(', ')}`);
await page.screenshot({ path: join(outDir, 'live.png') });

await page.keyboard.press('Tab');
await until(() => window.touchdownLive.snapshot().focus === 2, 'the focus');
check((await snapshot()).focus === 2, 'Tab gives the focus to the lander');
for (let i = 0; i < 15; i++) await page.keyboard.press('NumpadAdd');
await until(() => window.touchdownLive.snapshot().vessels[2].clearance > 0.5, 'the lander to lift off');
const lander = await vessel('lander');
const climbing = await snapshot();
check(climbing.throttle > 1 && lander.state === 'free' && lander.clearance > 0.5,
  `+ fifteen times: engine ${climbing.throttle.toFixed(1)} × weight, lander ${lander.state}, ${lander.clearance?.toFixed(2)} m up`);

await page.click('#pause');
await until(() => window.touchdownLive.snapshot().paused, 'the pause');
const paused = await snapshot();
await settle(500);
const still = await snapshot();
check(paused.paused && still.t === paused.t, `paused: the time stays at ${still.t} s`);
await page.screenshot({ path: join(outDir, 'live-paused.png') });
await page.click('#pause');
check(problems.length === 0, `no console errors${problems.length ? `: ${problems.join('; ')}` : ''}`);
await browser.close();

run.kill('SIGINT');
const end = await exited;
check(end.code === 130 && /interrupted/.test(stdout), `Ctrl-C ends the run with its account (status ${end.code})`);
const replayLog = join(outDir, 'replayed-events.jsonl');
const replay = spawnSync(sim, [recorded, '--events', replayLog], { encoding: 'utf8', maxBuffer: 1 << 26 });
check(replay.status === 0, `the recorded scenario runs${replay.status !== 0 ? `: ${replay.error ?? replay.stderr}` : ''}`);
const [a, b] = [liveLog, replayLog].map((f) => readFileSync(f, 'utf8').split('\n'));
const differ = a.findIndex((line, i) => line !== b[i]);
check(differ < 0 && a.length === b.length && a.length > 1000,
  `the recorded scenario replays to the same ${a.length} event lines${differ >= 0 ? `; first difference at line ${differ + 1}` : ''}`);
finish(begun, outDir);
