// How long a real manual's Single HTML takes to open in Chromium with its scripts on. A
// book's pages all load the same scripts; if the single page repeated them per topic it
// would run each of them hundreds of times and never settle.
//
// The manual's folder is copied with symbolic links replaced by their targets (Debian's
// manuals link their shared scripts from /usr/share/javascript), imported with
// `parvane-cli new --import`, built with `--single-html`, and opened from file:// and from
// a local server. Figures: time to DOMContentLoaded and to the load event (best of a few
// runs), the script elements of the output, and the script errors seen while loading.
//
//   PARVANE_CLI=build/bin/parvane-cli node tests/browser/bench-single-book.mjs \
//       [MANUAL_FOLDER (default: /usr/share/doc/python3.11/html)]   (RUNS=N: runs per figure)

import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import * as h from './harness.mjs';

const manual = path.resolve(process.argv[2] || '/usr/share/doc/python3.11/html');
const runs = Number(process.env.RUNS || 3);

if (!fs.existsSync(manual)) {
  console.error(`no manual at ${manual} (apt-get install python3.11-doc, or name a folder)`);
  process.exit(2);
}

const work = h.tempDir('parvane-book-');
try {
  const site = path.join(work, 'site');
  fs.cpSync(manual, site, { recursive: true, dereference: true });
  const project = path.join(work, 'book.pvx');
  h.runCli(['new', site, '--output', project, '--import', '--quiet']);
  const topics = (fs.readFileSync(project, 'latin1').match(/^TitleList=(\d+)/m) || [])[1];

  const out = path.join(work, 'single');
  const started = process.hrtime.bigint();
  h.runCli(['build', project, '--single-html', '--out', out, '--force']);
  const buildMs = Number(process.hrtime.bigint() - started) / 1e6;
  const file = path.join(out, 'index.htm');
  const html = fs.readFileSync(file, 'utf8');
  const scripts = (html.match(/<script\b/gi) || []).length;
  const links = (html.match(/<link\b[^>]*stylesheet/gi) || []).length;

  const server = await h.serveFolder(out);
  const browser = await h.launchBrowser();
  try {
    const rows = [];
    for (const [where, url] of [['file://', pathToFileURL(file).href], ['http', server.url + 'index.htm']]) {
      let best = null;
      for (let i = 0; i < runs; i++) {
        const page = await browser.context.newPage();
        const errors = h.watchErrors(page);
        const t0 = Date.now();
        await page.goto(url, { waitUntil: 'load', timeout: 120000 });
        const wall = Date.now() - t0;
        const timing = await page.evaluate(() => {
          const [nav] = performance.getEntriesByType('navigation');
          return { dom: nav.domContentLoadedEventEnd, load: nav.loadEventEnd || performance.now() };
        });
        // Anything the scripts still do right after loading shows up as long tasks here.
        await page.waitForTimeout(500);
        const scriptErrors = errors.filter((e) => e.startsWith('exception:')).length;
        const run = { wall, dom: timing.dom, load: timing.load, scriptErrors, errors: errors.length };
        if (!best || run.wall < best.wall) best = run;
        await page.close();
      }
      rows.push({ where, ...best });
    }
    const mb = (fs.statSync(file).size / 1e6).toFixed(1);
    console.log(`manual: ${manual}`);
    console.log(`topics: ${topics}, single page: ${mb} MB, <script> elements: ${scripts}, ` +
      `style sheet links: ${links}, build: ${(buildMs / 1000).toFixed(2)} s`);
    console.log('| opened from | DOMContentLoaded ms | load event ms | wall ms (goto) | script exceptions | other console/request errors |');
    console.log('|---|---:|---:|---:|---:|---:|');
    for (const r of rows)
      console.log(`| ${r.where} | ${Math.round(r.dom)} | ${Math.round(r.load)} | ${r.wall} | ${r.scriptErrors} | ${r.errors - r.scriptErrors} |`);
    const slowest = Math.max(...rows.map((r) => r.load));
    if (slowest > 5000) {
      console.error(`the single page took ${Math.round(slowest)} ms to load (more than 5 s)`);
      process.exitCode = 1;
    }
  } finally {
    await browser.close();
    await server.close();
  }
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
