// How fast the navigation of a large Web Help opens in Chromium: a generated project of
// 10,000 topics (100 chapters, sections of ten) is built with parvane-cli, served on
// 127.0.0.1 and opened; the figures are the best of a few runs.
//
//   PARVANE_CLI=build/bin/parvane-cli node tests/browser/bench-nav.mjs [TOPICS]

import fs from 'node:fs';
import path from 'node:path';

import * as h from './harness.mjs';
import { writeProject } from './projects.mjs';

const topics = Number(process.argv[2] || 10000);
const runs = 3;

const work = h.tempDir('parvane-bench-nav-');
try {
  const root = path.join(work, 'root');
  const list = [];
  for (let i = 0; i < topics; i++) {
    const chapter = Math.floor(i / 100);
    if (i % 100 === 0) list.push({ title: `Chapter ${chapter}`, level: 0, url: '', status: 2 });
    const file = `ch${chapter}/t${i}.htm`;
    fs.mkdirSync(path.join(root, `ch${chapter}`), { recursive: true });
    fs.writeFileSync(path.join(root, file),
      `<html><head><title>Topic ${i}</title></head><body><h1>Topic ${i}</h1><p>text</p></body></html>\n`);
    list.push({ title: `Topic ${i} "it's" <&>`, level: i % 10 === 0 ? 1 : 2, url: file.replace('/', '\\'),
      keywords: [`Chapter ${chapter}`, `Group ${i % 37}/Item ${i % 11}`] });
  }
  const pvx = path.join(work, 'bench.pvx');
  writeProject(pvx, { Title: 'Navigation benchmark', RootDir: 'root\\', DefaultTopic: 'ch0\\t0.htm',
    Encoding: 'UTF-8' }, list);
  const out = path.join(work, 'out');
  let t = Date.now();
  h.buildWebHelp(pvx, out);
  const buildMs = Date.now() - t;
  const treeKb = fs.statSync(path.join(out, 'webhelpleft.htm')).size / 1024;
  const indexKb = fs.statSync(path.join(out, 'webhelpindex.htm')).size / 1024;

  const server = await h.serveFolder(out);
  const browser = await h.launchBrowser();
  const results = [];
  try {
    for (let run = 0; run < runs; run++) {
      const page = await browser.context.newPage();
      const start = Date.now();
      await page.goto(server.url + 'index.htm');
      const nav = await h.frame(page, 'nav');
      await nav.waitForFunction(() => window.loaded === true, null, { polling: 10 });
      const loadedMs = Date.now() - start;
      // The default topic's page asks for its node: the tree is in use from then on.
      await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null, null, { polling: 10 });
      const syncedMs = Date.now() - start;
      // Usable: the last chapter opens and its last topic shows its page.
      const last = list.length - 1;
      const chapterId = list.map((x) => x.level).lastIndexOf(0);
      const sectionId = list.map((x) => x.level).lastIndexOf(1);
      t = Date.now();
      await nav.locator(`#imgn${chapterId}`).click();
      await nav.locator(`#imgn${sectionId}`).click();
      const content = await h.frame(page, 'content');
      await nav.locator(`#l${last}`).click();
      await content.waitForURL(/t\d+\.htm$/);
      const clickMs = Date.now() - t;
      // A topic page far down asks the tree to show its node.
      const middle = Math.floor(list.length / 2) + 5;
      t = Date.now();
      await nav.evaluate((id) => selectNode(id), middle);
      await nav.waitForFunction((id) => document.getElementById('l' + id).className === 'selected', middle);
      const selectMs = Date.now() - t;
      const timing = await nav.evaluate(() => {
        const e = performance.getEntriesByType('navigation')[0];
        return { dcl: e.domContentLoadedEventEnd, load: e.loadEventEnd };
      });
      t = Date.now();
      await nav.locator('.tabs a[href="webhelpindex.htm"]').click();
      await nav.waitForURL(/webhelpindex\.htm$/);
      await nav.waitForFunction(() => window.loaded === true, null, { polling: 10 });
      const indexMs = Date.now() - t;
      results.push({ loadedMs, syncedMs, clickMs, selectMs, indexMs, dcl: timing.dcl, load: timing.load });
      await page.close();
    }
  } finally {
    await browser.close();
    await server.close();
  }
  const best = (key) => Math.min(...results.map((r) => r[key]));
  console.log(`Web Help navigation of ${topics} topics in Chromium (best of ${runs}):`);
  console.log(`  build with parvane-cli:                         ${buildMs} ms`);
  console.log(`  webhelpleft.htm / webhelpindex.htm:             ${treeKb.toFixed(0)} KB / ${indexKb.toFixed(0)} KB`);
  console.log(`  index.htm opened until the tree is ready:       ${best('loadedMs')} ms`);
  console.log(`  ... until the default topic's node is selected:  ${best('syncedMs')} ms`);
  console.log(`  tree frame DOMContentLoaded / load (own clock): ${best('dcl').toFixed(0)} / ${best('load').toFixed(0)} ms`);
  console.log(`  open two folders and show the last topic:       ${best('clickMs')} ms`);
  console.log(`  selectNode of a topic deep in the middle:       ${best('selectMs')} ms`);
  console.log(`  switch to the index tab until ready:            ${best('indexMs')} ms`);
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
