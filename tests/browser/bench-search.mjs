// How fast the full-text search of a large Web Help answers in Chromium, and what it costs:
// a project shaped like bench/bench_webhelp.cpp's (10,000 topics, 100 chapters, sections
// of ten) but with pages of real prose (about 230 words drawn from a Zipf-distributed
// vocabulary of English words, their inflected forms, rarer made-up words and numbers),
// since a search of repeated filler would measure nothing. It is built with parvane-cli
// with and without search, served on 127.0.0.1 and searched; the figures are the best of a
// few runs (first answer) and the slowest of many queries (later answers).
//
//   PARVANE_CLI=build/bin/parvane-cli node tests/browser/bench-search.mjs [TOPICS]

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import * as h from './harness.mjs';
import { writeProject } from './projects.mjs';

const topics = Number(process.argv[2] || 10000);
const runs = 3;

const common = ('the of and to in is for that with on as be by this are it or from at an you your ' +
  'can will not which have has if when all each use used using file files page pages help topic ' +
  'topics project settings setting window button click select open close save build output ' +
  'folder folders name names new text list table image images link links index search contents ' +
  'default option options value values menu dialog editor source view preview template templates ' +
  'keyword keywords title titles tree node nodes level levels run running runs ran install ' +
  'installed installing installer configure configured configuration network proxy server ' +
  'client user users system systems error errors message messages report reports change ' +
  'changes changed changing create created creating delete deleted remove removed add added ' +
  'adding move moved format formatted style styles font fonts color colors size width height ' +
  'left right top bottom first last next previous start end line lines word words character ' +
  'characters number numbers date time version versions update updates updated language ' +
  'languages encoding document documents section sections chapter chapters example examples ' +
  'note notes warning important see also more information about how what where why which').split(' ');
const syllables = ['ka', 'lo', 'mi', 'ner', 'sta', 'vo', 'tri', 'pel', 'dan', 'qui', 'ro', 'bex',
  'sul', 'fa', 'gor', 'hin', 'jup', 'wel', 'zor', 'cet', 'ly', 'ment', 'tion', 'ism'];

let seed = 12345;
function random() {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return seed / 2147483648;
}

// 20,000 rarer words made of syllables, to give the vocabulary a real long tail.
const rare = [];
for (let k = 0; k < 20000; k++) {
  let w = '';
  for (let n = k + 7; w.length < 5 || n > 0; n = Math.floor(n / syllables.length))
    w += syllables[n % syllables.length];
  rare.push(w);
}

function word() {
  const r = random();
  if (r < 0.72) return common[Math.floor(Math.pow(random(), 2.2) * common.length)];
  if (r < 0.97) return rare[Math.floor(Math.pow(random(), 3) * rare.length)];
  return String(Math.floor(random() * 5000));
}

function prose(words) {
  let text = '';
  for (let k = 0; k < words; k++) {
    const w = word();
    text += (k % 14 === 0 ? w[0].toUpperCase() + w.slice(1) : w) + (k % 14 === 13 ? '. ' : ' ');
  }
  return text.trim();
}

function folderBytes(dir) {
  let total = 0;
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const p = path.join(dir, entry.name);
    total += entry.isDirectory() ? folderBytes(p) : fs.statSync(p).size;
  }
  return total;
}

const work = h.tempDir('parvane-bench-search-');
try {
  const root = path.join(work, 'root');
  const list = [];
  let textBytes = 0;
  for (let i = 0; i < topics; i++) {
    const chapter = Math.floor(i / 100);
    if (i % 100 === 0) list.push({ title: `Chapter ${chapter}`, level: 0, url: '', status: 2 });
    const file = `ch${chapter}/t${i}.htm`;
    fs.mkdirSync(path.join(root, `ch${chapter}`), { recursive: true });
    const title = `Topic ${i} ${word()} ${word()}`;
    const paragraphs = [prose(90), prose(80), prose(60)];
    // Marker words for the measured queries: one page of its own, a tenth of the pages.
    if (i === topics - 7) paragraphs[1] += ' The zebrafish tank.';
    if (i % 10 === 3) paragraphs[2] += ' Configuring the proxy server.';
    textBytes += Buffer.byteLength(title) + paragraphs.reduce((n, p) => n + Buffer.byteLength(p) + 1, 0);
    fs.writeFileSync(path.join(root, file), `<html><head><title>${title}</title>` +
      '<link href="../style.css" rel="stylesheet"></head><body>\n' +
      `<h1>${title}</h1>\n<p>${paragraphs[0]}</p>\n<p>${paragraphs[1]}</p>\n<p><b>Note:</b> ${paragraphs[2]}</p>\n` +
      `<p><a href="t${i + 1}.htm">Next</a></p></body></html>\n`);
    list.push({ title, level: i % 10 === 0 ? 1 : 2, url: file.replace('/', '\\'),
      keywords: [`Chapter ${chapter}`] });
  }
  fs.writeFileSync(path.join(root, 'style.css'), 'body { font-family: sans-serif; }\n');
  const pvx = path.join(work, 'bench.pvx');
  writeProject(pvx, { Title: 'Search benchmark', RootDir: 'root\\', DefaultTopic: 'ch0\\t0.htm',
    Encoding: 'UTF-8' }, list);
  const pagesBytes = folderBytes(root);

  const out = path.join(work, 'out');
  const plain = path.join(work, 'plain');
  // Processor time (user + system) of the command line, measured by time(1) when it is
  // there: on a shared machine the wall clock mostly measures the others.
  const timer = fs.existsSync('/usr/bin/time') ? '/usr/bin/time' : null;
  const build = (args) => {
    const t = Date.now();
    if (!timer) {
      h.runCli(args);
      return [Date.now() - t, NaN];
    }
    const run = spawnSync(timer, ['-f', '%U %S', h.cliPath(), ...args], { encoding: 'utf8' });
    if (run.status !== 0) throw new Error(run.stderr);
    const [user, system] = run.stderr.trim().split('\n').pop().split(' ').map(Number);
    return [Date.now() - t, Math.round((user + system) * 1000)];
  };
  const builds = { with: [], without: [] };
  for (let run = 0; run < runs; run++) {
    builds.without.push(build(['build', pvx, '--webhelp', '--out', plain, '--force', '--no-search']));
    builds.with.push(build(['build', pvx, '--webhelp', '--out', out, '--force']));
  }
  const dataBytes = fs.statSync(path.join(out, 'webhelpsearchdata.js')).size;
  const libraryBytes = ['minisearch.js', 'porter2.js', 'webhelpmark.js']
    .reduce((n, f) => n + fs.statSync(path.join(out, f)).size, 0);

  const server = await h.serveFolder(out);
  const browser = await h.launchBrowser();
  const first = [];
  const firstCpu = [];
  const later = [];
  const laterCpu = [];
  let buildMs = [];
  let resultCount = {};
  try {
    for (let run = 0; run < runs; run++) {
      const page = await browser.context.newPage();
      // The processor time of the pages' main thread (Chromium's ThreadTime), which a busy
      // machine does not inflate the way it does the wall clock.
      const cdp = await page.context().newCDPSession(page);
      await cdp.send('Performance.enable');
      const cpu = async () => (await cdp.send('Performance.getMetrics')).metrics
        .find((m) => m.name === 'ThreadTime').value * 1000;
      await page.goto(server.url + 'index.htm');
      let nav = await h.frame(page, 'nav');
      await nav.waitForFunction(() => window.loaded === true);
      // The reader opens the search and types at once: the time is counted from the moment
      // the search frame begins to load until its first answer is on the screen.
      const cpu0 = await cpu();
      await nav.locator('.tabs a[href="webhelpsearch.htm"]').click();
      await nav.waitForURL(/webhelpsearch\.htm$/);
      nav = await h.frame(page, 'nav');
      await nav.locator('#query').fill('zebrafish');
      await nav.waitForFunction(() => window.PVS && PVS.engine && PVS.lastQuery === 'zebrafish' &&
        document.querySelector('#results li'), null, { polling: 5 });
      first.push(await nav.evaluate(() => performance.now()));
      firstCpu.push(await cpu() - cpu0);
      buildMs.push(await nav.evaluate(() => PVS.buildMs));
      // Then queries as typed, letter by letter, and whole words.
      const queries = [];
      for (const q of ['configuring the proxy', 'network settings', 'installation', 'zebrafish'])
        for (let n = 1; n <= q.length; n++) queries.push(q.slice(0, n));
      queries.push('topic', 'running', 'runs', 'the', 'stalo', 'kalo', '4711', 'the proxy server');
      const times = [];
      const cpuTimes = [];
      for (const q of queries) {
        const c = await cpu();
        times.push(await nav.evaluate((query) => {
          const t = performance.now();
          pvRunSearch(query);
          return [query, performance.now() - t, document.querySelectorAll('#results li').length];
        }, q));
        cpuTimes.push([q, await cpu() - c]);
      }
      later.push(times);
      laterCpu.push(cpuTimes);
      resultCount = Object.fromEntries(times.map(([q, , n]) => [q, n]));
      await page.close();
    }
  } finally {
    await browser.close();
    await server.close();
  }
  const min = (a) => Math.min(...a);
  const slowest = later.map((times) => times.reduce((m, t) => (t[1] > m[1] ? t : m)));
  const worst = slowest.reduce((a, b) => (a[1] < b[1] ? a : b));
  const medians = later.map((times) => times.map((t) => t[1]).sort((a, b) => a - b)[Math.floor(times.length / 2)]);
  const mb = (n) => (n / 1048576).toFixed(2) + ' MB';
  console.log(`Web Help search of ${topics} topics in Chromium (best of ${runs}):`);
  console.log(`  pages (HTML) / their text:                       ${mb(pagesBytes)} / ${mb(textBytes)}`);
  console.log(`  search data webhelpsearchdata.js:                ${mb(dataBytes)} (${(100 * dataBytes / textBytes).toFixed(0)} % of the text)`);
  console.log(`  libraries and mark script:                       ${(libraryBytes / 1024).toFixed(0)} KB`);
  const best = (list, k) => min(list.map((b) => b[k]));
  console.log(`  build without / with search, wall clock:         ${best(builds.without, 0)} / ${best(builds.with, 0)} ms`);
  console.log(`  build without / with search, processor time:     ${best(builds.without, 1)} / ${best(builds.with, 1)} ms`);
  console.log(`  first answer after the search frame began to load: ${min(first).toFixed(0)} ms`);
  console.log(`  ... of it, building the index from the data:     ${min(buildMs).toFixed(0)} ms`);
  console.log(`  later queries (${later[0].length}, typed letter by letter), median / slowest: ` +
    `${min(medians).toFixed(1)} / ${worst[1].toFixed(1)} ms ("${worst[0]}")`);
  const quick = later.map((times) => times.filter((t) => t[1] <= 50).length);
  console.log(`  later queries answered within 50 ms:             ${Math.max(...quick)} of ${later[0].length}`);
  // Processor time of the main thread; a query's includes the page's own work for the
  // evaluation that runs it (a few milliseconds).
  const cpuSlowest = laterCpu.map((times) => times.reduce((m, t) => (t[1] > m[1] ? t : m)));
  const cpuWorst = cpuSlowest.reduce((a, b) => (a[1] < b[1] ? a : b));
  const cpuMedians = laterCpu.map((times) => times.map((t) => t[1]).sort((a, b) => a - b)[Math.floor(times.length / 2)]);
  const cpuQuick = laterCpu.map((times) => times.filter((t) => t[1] <= 50).length);
  console.log(`  processor time: first answer ${min(firstCpu).toFixed(0)} ms; later queries median / slowest ` +
    `${min(cpuMedians).toFixed(1)} / ${cpuWorst[1].toFixed(1)} ms ("${cpuWorst[0]}"), ${Math.max(...cpuQuick)} of ${laterCpu[0].length} within 50 ms`);
  console.log(`  results: ${JSON.stringify(resultCount)}`);
} finally {
  // PARVANE_BENCH_KEEP=1 keeps the project and its Web Help to look at.
  if (process.env.PARVANE_BENCH_KEEP) console.log(`  kept in ${work}`);
  else fs.rmSync(work, { recursive: true, force: true });
}
