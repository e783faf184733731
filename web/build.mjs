// Bundles the player (three.js included) into one script for touchdown-sim to copy into its
// replay pages: node build.mjs OUTFILE
import { build } from 'esbuild';
import { dirname } from 'node:path';
import { fileURLToPath } from 'node:url';

const outfile = process.argv[2];
if (!outfile) {
  console.error('usage: node build.mjs OUTFILE');
  process.exit(2);
}
await build({
  absWorkingDir: dirname(fileURLToPath(import.meta.url)),
  entryPoints: ['src/main.js'],
  bundle: true,
  minify: true,
  format: 'iife',
  target: 'es2022',
  loader: { '.css': 'text' },
  legalComments: 'eof',
  logLevel: 'warning',
  outfile,
});
