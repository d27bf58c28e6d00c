// Web Help in a real browser: the sample project's help, a project of tricky input and a
// real folder of HTML documentation are built with parvane-cli, served on 127.0.0.1 and
// driven in Chromium. Screenshots of the main states go to tests/browser/artifacts/.

import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import * as h from './harness.mjs';
import { makeTrickyProject, readContents, writeProject } from './projects.mjs';

let browser;
let server;
let work;

before(async () => {
  work = h.tempDir('parvane-webhelp-');
  server = await h.serveFolder(work);
  browser = await h.launchBrowser();
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// Opens a page with an error watch; the test ends with expectNoErrors.
async function open(url) {
  const page = await browser.context.newPage();
  const errors = h.watchErrors(page);
  await page.goto(url);
  return { page, errors };
}

async function panes(page) {
  const nav = await h.frame(page, 'nav');
  await nav.waitForFunction(() => window.loaded === true);
  const content = await h.frame(page, 'content');
  return { nav, content };
}

function expectNoErrors(errors) {
  assert.deepEqual(errors, [], 'the browser reported errors');
}

async function treeTexts(nav) {
  return nav.$$eval('#tree span[id^="l"]', (spans) => spans.map((s) => s.textContent));
}

async function visibleRows(nav) {
  return nav.$$eval('#tree span[id^="l"]', (spans) =>
    spans.filter((s) => s.offsetParent !== null).map((s) => Number(s.id.slice(1))));
}

// Clicks the folders above item i open, the way a reader would.
async function revealItem(nav, items, i) {
  for (const k of ancestorsOf(items, i)) {
    if (await nav.locator(`#d${k}`).isVisible()) continue;
    const expander = nav.locator(`#imgn${k}`);
    if (await expander.count()) await expander.click();
    else await nav.locator(`#l${k}`).click();
  }
}

// Opens every folder, top down, by clicking its expander (or its label when it has none).
async function expandAll(nav, items) {
  for (const item of items) {
    if (!item.hasChildren || await nav.locator(`#d${item.index}`).isVisible()) continue;
    const expander = nav.locator(`#imgn${item.index}`);
    if (await expander.count()) await expander.click();
    else await nav.locator(`#l${item.index}`).click();
  }
}

// The frames have settled once the default topic's page has selected its node.
async function settled(nav) {
  await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null);
}

// The folders above item i, outermost first.
function ancestorsOf(items, i) {
  const chain = [];
  for (let k = i - 1, level = items[i].level; k >= 0; k--) {
    if (items[k].level < level) {
      chain.unshift(k);
      level = items[k].level;
    }
  }
  return chain;
}

async function selectedId(nav) {
  return nav.evaluate(() => {
    const s = document.querySelector('#tree span.selected');
    return s ? Number(s.id.slice(1)) : -1;
  });
}

function samplePath() {
  return process.env.PARVANE_SAMPLE || path.join(h.supportDir(), 'sample.pvx');
}

describe('the sample project', () => {
  let items;
  let base;

  before(() => {
    const out = path.join(work, 'sample');
    h.buildWebHelp(samplePath(), out);
    items = readContents(samplePath());
    base = server.url + 'sample/';
  });

  test('the tree shows the table of contents', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav, content } = await panes(page);
    assert.ok(items.length > 0, 'the sample has a table of contents');
    // The top level shows, and the folders above the default topic, which its page opened.
    await settled(nav);
    const opened = new Set(ancestorsOf(items, await selectedId(nav)));
    assert.deepEqual(await visibleRows(nav),
      items.filter((i) => ancestorsOf(items, i.index).every((k) => opened.has(k))).map((i) => i.index));
    await content.waitForLoadState();
    await h.screenshot(page, 'sample-start');
    await expandAll(nav, items);
    assert.deepEqual(await treeTexts(nav), items.map((i) => i.title));
    assert.deepEqual(await visibleRows(nav), items.map((i) => i.index));
    expectNoErrors(errors);
    await page.close();
  });

  test('clicking a folder expands it and switches its image', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav } = await panes(page);
    await settled(nav);
    const opened = new Set(ancestorsOf(items, await selectedId(nav)));
    const folder = items.find((i) => i.hasChildren && i.level === 1 && !opened.has(i.index));
    assert.ok(folder, 'the sample has a folder');
    const id = folder.index;
    const block = nav.locator(`#d${id}`);
    const image = nav.locator(`#img${id}`);
    const expander = nav.locator(`#imgn${id}`);
    const closedImage = await image.getAttribute('src');
    assert.equal(await block.isVisible(), false);

    if (await expander.count()) {
      const closedExpander = await expander.getAttribute('src');
      await expander.click();
      assert.notEqual(await expander.getAttribute('src'), closedExpander);
      assert.match(await expander.getAttribute('src'), /minus\.gif$/);
    } else {
      await nav.locator(`#l${id}`).click();
    }
    assert.equal(await block.isVisible(), true);
    const openImage = await image.getAttribute('src');
    if (/(^|\/)[1357]\.gif$/.test(closedImage)) assert.notEqual(openImage, closedImage);
    // Its children are the next rows.
    const children = items.filter((i, k) => k > id && i.level === folder.level + 1 &&
      items.slice(id + 1, k).every((j) => j.level > folder.level));
    const rows = await visibleRows(nav);
    for (const child of children) assert.ok(rows.includes(child.index), child.title);
    await h.screenshot(page, 'sample-folder-open');

    if (await expander.count()) {
      await expander.click();
      assert.equal(await block.isVisible(), false);
      assert.equal(await image.getAttribute('src'), closedImage);
    }
    expectNoErrors(errors);
    await page.close();
  });

  test('clicking a topic shows its page and highlights its node', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav, content } = await panes(page);
    await settled(nav);
    // A topic below a folder, so the path has to be opened first.
    const topic = items.find((i) => i.level > 1 && i.status === 0 && !i.hasChildren) ??
      items.find((i) => i.status === 0);
    assert.ok(topic, 'the sample has a topic with a page');
    await revealItem(nav, items, topic.index);
    const label = nav.locator(`#l${topic.index}`);
    const href = await nav.locator(`#l${topic.index}`).evaluate((s) => s.parentNode.getAttribute('href'));
    await label.click();
    await content.waitForURL(base + encodeURI(href));
    assert.equal(await label.getAttribute('class'), 'selected');
    assert.equal(await selectedId(nav), topic.index);
    const background = await label.evaluate((s) => getComputedStyle(s).backgroundColor);
    assert.notEqual(background, 'rgba(0, 0, 0, 0)', 'the node is highlighted');
    await h.screenshot(page, 'sample-topic');
    expectNoErrors(errors);
    await page.close();
  });

  test('a page opened alone leads back into the frames with its node selected', async () => {
    const topic = [...items].reverse().find((i) => i.status === 0 && i.level > 1) ??
      items.find((i) => i.status === 0);
    const address = 'scr/' + topic.url.replace(/\\/g, '/');
    const { page, errors } = await open(base + encodeURI(address));
    const link = page.getByText('Show Navigation Frame');
    await link.waitFor();
    await h.screenshot(page, 'sample-page-alone');
    await link.click();
    await page.waitForURL(/index\.htm#page=/);
    const { nav, content } = await panes(page);
    await content.waitForURL(base + encodeURI(address));
    await nav.waitForFunction((id) => document.getElementById('l' + id)?.className === 'selected',
      topic.index);
    assert.ok(await nav.locator(`#l${topic.index}`).isVisible(), 'the folders above it opened');
    await h.screenshot(page, 'sample-deep-link');
    expectNoErrors(errors);
    await page.close();
  });

  test('the index lists the keywords with their levels and offers every topic of one', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav, content } = await panes(page);
    await nav.locator('.tabs a[href="webhelpindex.htm"]').click();
    await nav.waitForURL(/webhelpindex\.htm$/);
    await nav.waitForFunction(() => window.loaded === true);

    const expected = new Map();
    for (const item of items.filter((i) => i.status === 0 && i.url)) {
      for (const k of item.keywords) {
        if (!expected.has(k)) expected.set(k, []);
        expected.get(k).push(item.title);
      }
    }
    assert.ok(expected.size > 0, 'the sample has keywords');
    const entries = await nav.$$eval('#index a', (links) => links.map((a) => {
      let depth = 0;
      for (let el = a.parentNode.parentNode; el && el.id !== 'index'; el = el.parentNode)
        if (el.tagName === 'UL') depth++;
      return { text: a.textContent, depth };
    }));
    const lastParts = [...expected.keys()].map((k) => k.split(/(?<!\/)\/(?!\/)/).pop().replace(/\/\//g, '/'));
    for (const part of lastParts)
      assert.ok(entries.some((e) => e.text === part), `index entry ${part}`);
    const deepest = Math.max(...[...expected.keys()].map((k) => k.split(/(?<!\/)\/(?!\/)/).length));
    assert.equal(Math.max(...entries.map((e) => e.depth)), deepest, 'levels nest as lists');

    const [shared, titles] = [...expected.entries()].find(([k, t]) => t.length >= 2 && !k.includes('/')) ?? [];
    assert.ok(shared, 'the sample has a keyword of two topics');
    await nav.locator('#index a', { hasText: new RegExp(`^${shared.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')}$`) }).first().click();
    const chooser = nav.locator('#chooser');
    await chooser.waitFor({ state: 'visible' });
    assert.deepEqual(await chooser.locator('a').allTextContents(), titles);
    await h.screenshot(page, 'sample-index-chooser');
    const second = chooser.locator('a').nth(1);
    const href = await second.getAttribute('href');
    await second.click();
    await content.waitForURL(base + encodeURI(href));
    assert.equal(await chooser.isVisible(), false);

    await nav.locator('.tabs a[href="webhelpleft.htm"]').click();
    await nav.waitForURL(/webhelpleft\.htm$/);
    await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null);
    expectNoErrors(errors);
    await page.close();
  });

  test('the navigation pane can be resized and hidden', async () => {
    const { page, errors } = await open(base + 'index.htm');
    await panes(page);
    const main = await h.frame(page, 'main');
    const navBox = async () => (await main.locator('#nav').boundingBox()).width;
    const before = await navBox();
    const split = await main.locator('#split').boundingBox();
    const top = (await page.locator('#main').boundingBox()).y;
    await page.mouse.move(split.x + 2, top + 200);
    await page.mouse.down();
    await page.mouse.move(split.x + 120, top + 220, { steps: 5 });
    await page.mouse.up();
    assert.ok(Math.abs(await navBox() - (before + 118)) < 8, 'dragging the splitter widens the pane');

    const bar = await h.frame(page, 'bar');
    await bar.locator('#toggle').click();
    await main.waitForFunction(() => document.body.classList.contains('nav-hidden'));
    await bar.locator('#toggle').click();
    await main.waitForFunction(() => !document.body.classList.contains('nav-hidden'));
    expectNoErrors(errors);
    await page.close();
  });
});

describe('a project of tricky input', () => {
  let project;
  let base;
  const externalPage = () => server.url + 'external/page.htm';

  before(() => {
    const dir = path.join(work, 'tricky-src');
    fs.mkdirSync(path.join(work, 'external'), { recursive: true });
    fs.writeFileSync(path.join(work, 'external', 'page.htm'),
      '<!DOCTYPE html><html><head><title>External</title></head><body><p id="ext">external</p></body></html>');
    fs.mkdirSync(dir, { recursive: true });
    project = makeTrickyProject(dir, externalPage());
    h.buildWebHelp(project.file, path.join(work, 'tricky'));
    base = server.url + 'tricky/';
  });

  test('titles come through as written in the tree, tooltips, title bar and index', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav } = await panes(page);
    const titles = project.topics.filter((t) => (t.kind ?? 0) === 0).map((t) => t.title);
    await expandAll(nav, readContents(project.file));
    assert.deepEqual(await treeTexts(nav), titles);
    const tooltip = await nav.locator('#l2').evaluate((s) => s.parentNode.getAttribute('title'));
    assert.equal(tooltip.trim(), titles[2]);
    // The status-bar script runs without a syntax error for every title.
    await nav.locator('#tree a[target]').evaluateAll((links) =>
      links.forEach((a) => a.dispatchEvent(new MouseEvent('mousemove', { bubbles: true }))));
    const bar = await h.frame(page, 'bar');
    assert.equal(await bar.locator('h1').textContent(), 'Tricky "help" <&> it\'s');
    assert.equal(await page.title(), 'Tricky "help" <&> it\'s');

    await nav.locator('.tabs a[href="webhelpindex.htm"]').click();
    await nav.waitForURL(/webhelpindex\.htm$/);
    await nav.locator('#index a', { hasText: "Apostrophe's <kw>" }).waitFor();
    await nav.locator('#index a', { hasText: 'Shared' }).click();
    assert.deepEqual(await nav.locator('#chooser a').allTextContents(), [titles[0], titles[2]]);
    await h.screenshot(page, 'tricky-index');
    expectNoErrors(errors);
    await page.close();
  });

  test('an external address opens as it is and topics without pages stay put', async () => {
    const { page, errors } = await open(base + 'index.htm');
    const { nav, content } = await panes(page);
    await content.waitForURL(/scr\/start\.htm$/);
    await nav.locator('#l6').click();
    await content.waitForURL(externalPage());
    assert.equal(await content.locator('#ext').textContent(), 'external');

    // A double click on a heading opens or closes it once, like a single click.
    await nav.locator('#l1').dblclick();
    assert.equal(await nav.locator('#d1').isVisible(), true);
    await nav.locator('#l1').dblclick();
    assert.equal(await nav.locator('#d1').isVisible(), false);
    await nav.locator('#l1').click(); // a heading: opens its folder, shows nothing new
    await nav.locator('#l3').click();
    await nav.locator('#l5').click(); // unsaved: highlighted, no page
    await page.waitForTimeout(300);
    assert.equal(content.url(), externalPage());
    assert.equal(await selectedId(nav), 5);
    await nav.locator('#l4').click();
    await content.waitForURL(/scr\/guide\/deep\/caf%C3%A9\.htm$/);
    assert.equal(await content.locator('#cafe').textContent(), 'café');
    await h.screenshot(page, 'tricky-tree');
    expectNoErrors(errors);
    await page.close();
  });

  test('deep links open pages inside the help and nothing else', async () => {
    for (const hash of ["scr/guide/it's.htm", "guide/it's.htm", 'scr/guide/it%27s.htm']) {
      const { page, errors } = await open(base + 'index.htm#page=' + hash);
      const { nav, content } = await panes(page);
      await content.waitForURL(/scr\/guide\/it(%27|')s\.htm$/);
      await nav.waitForFunction(() => document.getElementById('l2')?.className === 'selected');
      expectNoErrors(errors);
      await page.close();
    }
    for (const hash of ['javascript:parent.parent.hacked=1', '//example.org/x.htm',
      '../../etc/passwd', '%20javascript:alert(1)', 'http://example.org/']) {
      const { page, errors } = await open(base + 'index.htm#page=' + hash);
      const { content } = await panes(page);
      await content.waitForURL(/scr\/start\.htm$/);
      assert.equal(await page.evaluate(() => window.hacked), undefined);
      expectNoErrors(errors);
      await page.close();
    }
  });

  test('pages opened from disk work as far as the browser lets them', async () => {
    const index = pathToFileURL(path.join(work, 'tricky', 'index.htm')).href;
    const { page, errors } = await open(index + '#page=scr/guide/deep/caf%C3%A9.htm');
    const { nav, content } = await panes(page);
    await content.waitForURL(/caf%C3%A9\.htm$/);
    // The page cannot reach the tree directly here: the frameset passes its request on.
    await nav.waitForFunction(() => document.getElementById('l4')?.className === 'selected');
    await nav.locator('#l0').click();
    await content.waitForURL(/scr\/start\.htm$/);
    await nav.locator('.tabs a[href="webhelpindex.htm"]').click();
    await nav.waitForURL(/webhelpindex\.htm$/);
    await nav.locator('#index a', { hasText: 'Café' }).click();
    await content.waitForURL(/caf%C3%A9\.htm$/);
    await h.screenshot(page, 'tricky-from-disk');
    expectNoErrors(errors);
    await page.close();
  });

  test('an empty table of contents and a project without keywords', async () => {
    const dir = path.join(work, 'empty-src');
    fs.mkdirSync(path.join(dir, 'root'), { recursive: true });
    writeProject(path.join(dir, 'empty.pvx'), { Title: 'Empty', RootDir: 'root\\' }, []);
    h.buildWebHelp(path.join(dir, 'empty.pvx'), path.join(work, 'empty'));
    const { page, errors } = await open(server.url + 'empty/index.htm');
    const { nav } = await panes(page);
    assert.deepEqual(await treeTexts(nav), []);
    await nav.locator('.tabs a[href="webhelpindex.htm"]').click();
    await nav.waitForURL(/webhelpindex\.htm$/);
    await nav.locator('#noentries').waitFor({ state: 'visible' });
    expectNoErrors(errors);
    await page.close();
  });
});

describe('a real folder of HTML documentation', () => {
  const candidates = ['/usr/share/doc/libffi8/html', '/usr/share/doc/valgrind/html',
    '/usr/share/doc/libxslt1-dev/html', '/usr/share/doc/nodejs/api'];
  const docs = candidates.find((d) => fs.existsSync(d));

  test('is imported, built and browsed', { skip: !docs && 'no HTML documentation installed' }, async () => {
    const root = path.join(work, 'docs-src', 'root');
    fs.cpSync(docs, root, { recursive: true, dereference: true });
    const pvx = path.join(work, 'docs-src', 'docs.pvx');
    h.runCli(['new', root, '--output', pvx, '--import', '--quiet', '--title', path.basename(path.dirname(docs))]);
    h.buildWebHelp(pvx, path.join(work, 'docs'));
    const items = readContents(pvx);
    assert.ok(items.length >= 5, `${items.length} topics imported`);

    const { page, errors } = await open(server.url + 'docs/index.htm');
    const { nav, content } = await panes(page);
    await expandAll(nav, items);
    assert.deepEqual(await treeTexts(nav), items.map((i) => i.title));
    const pages = items.filter((i) => i.status === 0).slice(0, 4);
    for (const item of pages) {
      await revealItem(nav, items, item.index);
      await nav.locator(`#l${item.index}`).click();
      await content.waitForURL(base(item));
      await nav.waitForFunction((id) => document.getElementById('l' + id)?.className === 'selected', item.index);
    }
    await h.screenshot(page, 'real-docs');
    // Only the help's own frames are held to silence: the documentation's pages are not ours.
    expectNoErrors(errors.filter((e) => !e.includes('/docs/scr/')));
    await page.close();

    function base(item) {
      return server.url + 'docs/' + encodeURI('scr/' + item.url.replace(/\\/g, '/'));
    }
  });
});
