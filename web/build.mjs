// Bundles the player (three.js included) into one script for touchdown-sim to copy into its
// replay pages, and the live page beside it as live.js: node build.mjs OUTFILE
import { build } from 'esbuild';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const outfile = process.argv[2];
if (!outfile) {
  console.error('usage: node build.mjs OUTFILE');
  process.exit(2);
}
const bundle = (entry, out) => build({
  absWorkingDir: dirname(fileURLToPath(import.meta.url)),
  entryPoints: [entry],
  bundle: true,
  minify: true,
  format: 'iife',
  target: 'es2022',
  loader: { '.css': 'text' },
  legalComments: 'eof',
  logLevel: 'warning',
  outfile: out,
});
await Promise.all([bundle('src/main.js', outfile), bundle('src/live.js', join(dirname(outfile), 'live.js'))]);
