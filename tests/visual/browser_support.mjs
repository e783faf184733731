// What the browser tests share: checks that print as they go, and Debian's chromium,
// headless, through playwright-core from web/node_modules. A missing chromium or
// playwright-core ends the test with status 77 (skipped).
import { createRequire } from 'node:module';
import { existsSync, mkdirSync } from 'node:fs';
import { resolve } from 'node:path';

const CHROMIUM = '/usr/bin/chromium';
export const failures = [];

export function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

export async function launchChromium(webDir, outDir) {
  let chromium;
  try {
    ({ chromium } = createRequire(resolve(webDir, 'package.json'))('playwright-core'));
  } catch {
    console.log(`skipped: no playwright-core in ${webDir}/node_modules (npm ci there)`);
    process.exit(77);
  }
  if (!existsSync(CHROMIUM)) {
    console.log(`skipped: no ${CHROMIUM} (apt-get install chromium)`);
    process.exit(77);
  }
  mkdirSync(outDir, { recursive: true });
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-quic',
      '--no-first-run', '--disable-component-update', '--disable-sync', '--enable-unsafe-swiftshader'],
  });
}

export function finish(begun, outDir) {
  console.log(`${failures.length ? 'FAILED' : 'passed'} in ${((Date.now() - begun) / 1000).toFixed(1)} s; screenshots in ${outDir}`);
  process.exit(failures.length ? 1 : 0);
}
