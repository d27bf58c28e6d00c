// The Single HTML page in Chromium: the browser lays out only the topics on screen, and the
// reader still lands on the right place, whether following a link of the contents, a
// link between topics to a fragment, or an address with a fragment typed in. Printing
// lays out every topic. Pages whose fixed headers would pile up at the top of the whole
// book keep them inside their own topic.

import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import * as h from './harness.mjs';
import { writeProject } from './projects.mjs';

const TOPICS = 60;
let browser;
let work;
let pageUrl;

// Sixty long pages that all use the ids "intro" and "examples"; each links the next page's
// examples. Page 7 has a fixed header.
function makeProject(dir) {
  const root = path.join(dir, 'root');
  fs.mkdirSync(root, { recursive: true });
  const topics = [];
  for (let i = 0; i < TOPICS; i++) {
    const filler = `<p>Paragraph of page ${i}. ${'Words to make the page long. '.repeat(30)}</p>`;
    const header = i === 7
      ? '<div class="bar" style="position:fixed;top:0;left:0;right:0;height:60px;background:#333">Bar</div>'
      : '';
    const body = `${header}<h2 id="intro">Intro ${i}</h2>${filler.repeat(6)}` +
      `<h2 id="examples">Examples of page ${i}</h2>${filler.repeat(3)}` +
      `<p><a class="next" href="p${(i + 1) % TOPICS}.htm#examples">next examples</a></p>`;
    fs.writeFileSync(path.join(root, `p${i}.htm`),
      `<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>P${i}</title></head>\n` +
      `<body>\n${body}\n</body></html>\n`);
    topics.push({ title: `Page ${i}`, url: `p${i}.htm` });
  }
  const file = path.join(dir, 'book.pvx');
  writeProject(file, {
    Title: 'Book', RootDir: 'root\\', DefaultTopic: 'p0.htm', Encoding: 'UTF-8',
    SingleHtmlHasToc: 1,
  }, topics);
  return file;
}

before(async () => {
  work = h.tempDir('parvane-single-');
  const project = makeProject(path.join(work, 'src'));
  const out = path.join(work, 'single');
  h.runCli(['build', project, '--single-html', '--out', out, '--force']);
  pageUrl = pathToFileURL(path.join(out, 'index.htm')).href;
  browser = await h.launchBrowser();
});

after(async () => {
  await browser?.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

async function open(url) {
  const tab = await browser.context.newPage();
  const errors = h.watchErrors(tab);
  await tab.goto(url, { waitUntil: 'load' });
  return { tab, errors };
}

// Where an element is, relative to the top of the window.
function topOf(tab, selector) {
  return tab.evaluate((s) => document.querySelector(s).getBoundingClientRect().top, selector);
}

async function settled(tab) {
  await tab.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
}

describe('Single HTML page of a long book', () => {
  test('every topic is a box the browser lays out only when on screen', async () => {
    const { tab, errors } = await open(pageUrl);
    const boxes = await tab.evaluate(() => [...document.querySelectorAll('div.topic')].map((d) =>
      getComputedStyle(d).contentVisibility));
    assert.equal(boxes.length, TOPICS);
    assert.deepEqual([...new Set(boxes)], ['auto']);
    // A topic far down the page is skipped: its heading has no layout box of its own yet.
    const farHeading = await tab.evaluate(() =>
      document.querySelectorAll('div.topic')[50].querySelector('h1').checkVisibility({
        contentVisibilityAuto: true }));
    assert.equal(farHeading, false);
    await tab.emulateMedia({ media: 'print' });
    assert.equal(await tab.evaluate(() =>
      getComputedStyle(document.querySelector('div.topic')).contentVisibility), 'visible');
    assert.deepEqual(errors, []);
    await tab.close();
  });

  test('a link of the contents lands on its topic', async () => {
    const { tab } = await open(pageUrl);
    await tab.click('div.toc a[href="#A45"]');
    await settled(tab);
    const top = await topOf(tab, 'a[name="A45"] + h1, a[name="A45"] h1');
    assert.ok(Math.abs(top) < 40, `the heading of topic 45 is at ${top} px`);
    assert.match(await tab.evaluate(() => location.hash), /^#A45$/);
    await tab.close();
  });

  test('a fragment link between topics lands in the right chapter', async () => {
    const { tab } = await open(pageUrl);
    // The link of page 29 to page 30's examples; every page has an id "examples".
    const href = await tab.evaluate(() =>
      document.querySelectorAll('div.topic')[29].querySelector('a.next').getAttribute('href'));
    const id = href.slice(1);
    await tab.evaluate(() =>
      document.querySelectorAll('div.topic')[29].querySelector('a.next').click());
    await settled(tab);
    const landed = await tab.evaluate((target) => {
      const element = document.getElementById(target);
      return { text: element.textContent, top: element.getBoundingClientRect().top };
    }, id);
    assert.equal(landed.text, 'Examples of page 30');
    assert.ok(Math.abs(landed.top) < 40, `the examples of page 30 are at ${landed.top} px`);
    await tab.close();
  });

  test('an address with a fragment opens at that topic', async () => {
    const { tab } = await open(`${pageUrl}#A52`);
    await settled(tab);
    const top = await topOf(tab, 'a[name="A52"] + h1, a[name="A52"] h1');
    assert.ok(Math.abs(top) < 40, `the heading of topic 52 is at ${top} px`);
    await tab.close();
  });

  test('a page with a fixed header keeps it inside its topic', async () => {
    const { tab } = await open(pageUrl);
    const bar = await tab.evaluate(() => {
      const box = document.querySelectorAll('div.topic')[7];
      const r = box.querySelector('.bar').getBoundingClientRect();
      return { bar: r.top, topic: box.getBoundingClientRect().top };
    });
    // Held by its topic, far below the first screen, not fixed at the top of the window.
    assert.equal(bar.bar, bar.topic);
    assert.ok(bar.bar > 800, `the fixed header is at ${bar.bar} px`);
    await tab.close();
  });
});
