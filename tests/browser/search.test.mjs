// The Web Help a reader meets today: full-text search (from a web server and from disk),
// the panel layout of a phone, the dark scheme, the tree for keyboards and screen readers
// (with axe-core's verdict), and the way back into the frames from a page with a fixed
// header. One small project is built with parvane-cli and driven in Chromium.

import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import * as h from './harness.mjs';
import { writeProject } from './projects.mjs';

let browser;
let server;
let work;
let sources;

function page(title, body, head = '') {
  return `<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>${title}</title>${head}</head>\n<body>\n${body}\n</body></html>\n`;
}

// Eight topics: a body word found only in one deep page, an English word in several
// forms, Greek and Cyrillic pages, a title that names a word other pages only mention,
// and a page with a fixed header.
function makeProject(dir) {
  const root = path.join(dir, 'root');
  fs.mkdirSync(path.join(root, 'guide', 'deep'), { recursive: true });
  const filler = 'This paragraph talks about the network and about the network again, so the ' +
    'word network is frequent here. ';
  const files = {
    'start.htm': page('Start', `<h1>Welcome</h1><p>${filler.repeat(4)}</p>`),
    'guide/network.htm': page('Network', '<h1>Network settings</h1><p>Set the proxy.</p>'),
    'guide/deep/install.htm': page('Installing', '<h1>Installing</h1><p>Before running the ' +
      'installer, feed the zebrafish.</p><pre>install --now</pre><p>More text follows.</p>' +
      '<script>document.title = document.title;</script>'),
    'guide/deep/other.htm': page('Other', `<p>${filler}Nothing about fish at all.</p>`),
    'greek.htm': page('Ελληνικά', '<p>Η αναζήτηση λειτουργεί με ελληνικές λέξεις.</p>'),
    'russian.htm': page('Русский', '<p>Поиск работает с русскими словами.</p>'),
    'fixed.htm': page('Fixed header', '<div style="position:fixed;top:0;left:0;right:0;' +
      'height:120px;background:#234;color:#fff;z-index:1000">A fixed header</div>' +
      '<p style="margin-top:140px">Content under a fixed header.</p>'),
  };
  for (const [name, text] of Object.entries(files)) fs.writeFileSync(path.join(root, name), text);
  const topics = [
    { title: 'Start', url: 'start.htm' },
    { title: 'Guide', url: '', status: 2 },
    { title: 'Network settings', level: 1, url: 'guide\\network.htm' },
    { title: 'Deep', level: 1, url: '', status: 2 },
    { title: 'Installing', level: 2, url: 'guide\\deep\\install.htm', keywords: ['Install'] },
    { title: 'Other things', level: 2, url: 'guide\\deep\\other.htm' },
    { title: 'Ελληνικά', url: 'greek.htm' },
    { title: 'Русский', url: 'russian.htm' },
    { title: 'Fixed header', url: 'fixed.htm' },
  ];
  const file = path.join(dir, 'search.pvx');
  writeProject(file, {
    Title: 'Search test', RootDir: 'root\\', DefaultTopic: 'start.htm', Encoding: 'UTF-8',
    WebBackColor: '#1d4e89', WebFontColor: '#ffffff',
  }, topics);
  return { file, topics };
}

before(async () => {
  work = h.tempDir('parvane-search-');
  sources = makeProject(path.join(work, 'src'));
  h.buildWebHelp(sources.file, path.join(work, 'help'));
  server = await h.serveFolder(work);
  browser = await h.launchBrowser();
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

async function open(url, { viewport, colorScheme } = {}) {
  const tab = await browser.context.newPage();
  if (viewport) await tab.setViewportSize(viewport);
  if (colorScheme) await tab.emulateMedia({ colorScheme });
  const errors = h.watchErrors(tab);
  await tab.goto(url);
  const nav = await h.frame(tab, 'nav');
  await nav.waitForFunction(() => window.loaded === true);
  const content = await h.frame(tab, 'content');
  return { tab, errors, nav, content };
}

async function showTab(nav, file) {
  await nav.locator(`.tabs a[href="${file}"]`).click();
  await nav.waitForURL(new RegExp(file.replace('.', '\\.') + '$'));
  await nav.waitForFunction(() => window.loaded === true);
}

// Types a query and waits for the results of exactly that query.
async function search(nav, query) {
  const input = nav.locator('#query');
  await input.fill('');
  await input.pressSequentially(query, { delay: 10 });
  await nav.waitForFunction((q) => window.PVS && PVS.engine && PVS.lastQuery === q, query);
  return nav.$$eval('#results li', (items) => items.map((li) => ({
    title: li.querySelector('.result-title').textContent,
    snippet: li.querySelector('.result-snippet').textContent,
    marked: [...li.querySelectorAll('mark')].map((m) => m.textContent),
    href: li.querySelector('a').getAttribute('href'),
  })));
}

const bases = {
  'a web server': () => server.url + 'help/index.htm',
  'the disk': () => pathToFileURL(path.join(work, 'help', 'index.htm')).href,
};

for (const [where, base] of Object.entries(bases)) {
  describe(`search, opened from ${where}`, () => {
    test('a body word finds its page first, stems and prefixes too, and the page shows it marked', async () => {
      const { tab, errors, nav, content } = await open(base());
      await showTab(nav, 'webhelpsearch.htm');

      let results = await search(nav, 'zebrafish');
      assert.equal(results[0]?.title, 'Installing');
      assert.equal(results.length, 1);
      assert.ok(results[0].marked.includes('zebrafish'), 'the snippet marks the word');
      assert.match(results[0].snippet, /feed the zebrafish/);

      // Another form of the same English word, and a word still being typed.
      results = await search(nav, 'runs');
      assert.equal(results[0]?.title, 'Installing');
      assert.ok(results[0].marked.includes('running'), JSON.stringify(results[0]));
      results = await search(nav, 'zebraf');
      assert.equal(results[0]?.title, 'Installing');
      // Cut short, a word may not begin its own stem ("runni" against "run").
      results = await search(nav, 'runni');
      assert.equal(results[0]?.title, 'Installing');
      // Scripts are not text.
      assert.deepEqual(await search(nav, 'document'), []);
      assert.match(await nav.locator('#status').textContent(), /No topics found/);

      // A page whose title holds the word comes before pages that only mention it.
      results = await search(nav, 'network');
      assert.deepEqual(results.map((r) => r.title).sort(), ['Network settings', 'Other things', 'Start']);
      assert.equal(results[0].title, 'Network settings');

      // Choosing a result opens the page with the words marked and selects its node.
      results = await search(nav, 'install zebrafish');
      assert.equal(results[0]?.title, 'Installing');
      await nav.locator('#results a').first().click();
      await content.waitForURL(/scr\/guide\/deep\/install\.htm$/);
      await content.waitForSelector('mark.parvane-search-hit');
      const marked = await content.$$eval('mark.parvane-search-hit', (m) => m.map((x) => x.textContent));
      assert.deepEqual(marked.sort(), ['Installing', 'install', 'installer', 'zebrafish']);
      await h.screenshot(tab, `search-result-${where.split(' ').pop()}`);
      await showTab(nav, 'webhelpleft.htm');
      await nav.waitForFunction(() => document.getElementById('l4')?.className === 'selected');
      assert.equal(await nav.locator('#l4').isVisible(), true, 'the folders above it opened');
      // The query is still there when the search is shown again.
      await showTab(nav, 'webhelpsearch.htm');
      assert.equal(await nav.locator('#query').inputValue(), 'install zebrafish');
      assert.deepEqual(errors, []);
      await tab.close();
    });

    test('Greek and Cyrillic words find their pages, with or without accents', async () => {
      const { tab, errors, nav, content } = await open(base());
      await showTab(nav, 'webhelpsearch.htm');
      let results = await search(nav, 'αναζήτηση');
      assert.equal(results[0]?.title, 'Ελληνικά');
      assert.deepEqual(results[0].marked, ['αναζήτηση']);
      results = await search(nav, 'ΑΝΑΖΗΤΗΣΗ');
      assert.equal(results[0]?.title, 'Ελληνικά');
      results = await search(nav, 'λεξεις');
      assert.equal(results[0]?.title, 'Ελληνικά');
      results = await search(nav, 'русск');
      assert.equal(results[0]?.title, 'Русский');
      await nav.locator('#results a').first().click();
      await content.waitForURL(/russian\.htm$/);
      await content.waitForSelector('mark.parvane-search-hit');
      assert.equal(await content.locator('mark.parvane-search-hit').first().textContent(), 'русскими');
      assert.deepEqual(errors, []);
      await tab.close();
    });
  });
}

describe('layout, colours and keyboard', () => {
  test('on a phone the navigation is a panel over the page that closes when a topic is chosen', async () => {
    const { tab, errors, nav, content } = await open(server.url + 'help/index.htm',
      { viewport: { width: 390, height: 844 } });
    const main = await h.frame(tab, 'main');
    const bar = await h.frame(tab, 'bar');
    await content.waitForURL(/start\.htm$/);
    assert.equal(await main.locator('#nav').isVisible(), false, 'the panel starts closed');
    const contentBox = await main.locator('#content').boundingBox();
    assert.ok(contentBox.width >= 385, `the topic has the whole width (${contentBox.width})`);

    await bar.locator('#toggle').click();
    await main.locator('#nav').waitFor({ state: 'visible' });
    const navBox = await main.locator('#nav').boundingBox();
    assert.ok(navBox.x === 0 && navBox.width < 390 && navBox.width > 250, JSON.stringify(navBox));
    assert.equal((await main.locator('#content').boundingBox()).width, contentBox.width,
      'the panel lies over the page');
    // Readable and no sideways scrolling in any frame.
    for (const f of [tab.mainFrame(), main, nav, content]) {
      const overflow = await f.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
      assert.ok(overflow <= 0, `${f.url()} overflows by ${overflow}px`);
    }
    await nav.waitForFunction(() => document.body.classList.contains('narrow'));
    const fontSize = await nav.locator('#l0').evaluate((s) => parseFloat(getComputedStyle(s).fontSize));
    assert.ok(fontSize >= 16, `tree text of ${fontSize}px`);
    await h.screenshot(tab, 'phone-panel');

    await nav.locator('#l1').click();
    await nav.locator('#l2').click();
    await content.waitForURL(/network\.htm$/);
    await main.waitForFunction(() => document.body.classList.contains('nav-hidden'));
    assert.equal(await main.locator('#nav').isVisible(), false, 'the panel closed');
    await h.screenshot(tab, 'phone-topic');
    assert.deepEqual(errors, []);
    await tab.close();
  });

  test('the dark scheme follows the system and keeps the project colour for the light one', async () => {
    // Of "rgb(r, g, b)" or, for mixed colours, "color(srgb r g b)".
    const luminance = (css) => {
      const numbers = css.match(/[\d.]+/g).map(Number);
      const [r, g, b] = css.startsWith('color(') ? numbers : numbers.map((n) => n / 255);
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const light = await open(server.url + 'help/index.htm', { colorScheme: 'light' });
    const lightBar = await h.frame(light.tab, 'bar');
    assert.equal(await lightBar.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(29, 78, 137)');
    assert.ok(luminance(await light.nav.evaluate(() => getComputedStyle(document.body).backgroundColor)) > 0.9);
    await light.tab.close();

    const { tab, errors, nav, content } = await open(server.url + 'help/index.htm', { colorScheme: 'dark' });
    const bar = await h.frame(tab, 'bar');
    const barColour = await bar.evaluate(() => getComputedStyle(document.body).backgroundColor);
    assert.ok(luminance(barColour) < luminance('rgb(29, 78, 137)'), `a darker title bar: ${barColour}`);
    assert.ok(luminance(await bar.evaluate(() => getComputedStyle(document.body).color)) > 0.8);
    const navBack = await nav.evaluate(() => getComputedStyle(document.body).backgroundColor);
    const navText = await nav.locator('#l0').evaluate((s) => getComputedStyle(s).color);
    assert.ok(luminance(navBack) < 0.15, `dark pane: ${navBack}`);
    assert.ok(luminance(navText) > 0.7, `light text: ${navText}`);
    // The topic page keeps its own look: no styles of its own means black on white.
    await content.waitForURL(/start\.htm$/);
    assert.equal(await content.evaluate(() => getComputedStyle(document.body).color), 'rgb(0, 0, 0)');
    const main = await h.frame(tab, 'main');
    assert.equal(await main.locator('#content').evaluate((f) => getComputedStyle(f).backgroundColor), 'rgb(255, 255, 255)');
    await showTab(nav, 'webhelpsearch.htm');
    await search(nav, 'network');
    await h.screenshot(tab, 'dark-search');
    assert.deepEqual(errors, []);
    await tab.close();
  });

  test('the tree is a tree for screen readers and works with the keyboard alone', async () => {
    const { tab, errors, nav, content } = await open(server.url + 'help/index.htm');
    await content.waitForURL(/start\.htm$/);
    await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null);
    assert.equal(await nav.locator('#tree').getAttribute('role'), 'tree');
    // One tab stop: the current topic.
    await nav.locator('.tabs a').last().focus();
    await tab.keyboard.press('Tab');
    const focused = () => nav.evaluate(() => {
      const a = document.activeElement;
      return { role: a.getAttribute('role'), text: a.textContent.trim(), expanded: a.getAttribute('aria-expanded'),
        level: a.getAttribute('aria-level'), outline: getComputedStyle(a).outlineStyle };
    });
    assert.deepEqual(await focused(), { role: 'treeitem', text: 'Start', expanded: null, level: '1', outline: 'solid' });
    assert.equal(await nav.locator('[role=treeitem][tabindex="0"]').count(), 1);
    await tab.keyboard.press('ArrowDown');
    assert.equal((await focused()).text, 'Guide');
    assert.equal((await focused()).expanded, 'false');
    await tab.keyboard.press('ArrowRight');
    assert.equal((await focused()).expanded, 'true');
    assert.equal(await nav.locator('#d1').getAttribute('role'), 'group');
    await tab.keyboard.press('ArrowRight');
    assert.deepEqual(await focused(), { role: 'treeitem', text: 'Network settings', expanded: null, level: '2', outline: 'solid' });
    await tab.keyboard.press('ArrowDown');
    await tab.keyboard.press('ArrowRight');
    await tab.keyboard.press('ArrowDown');
    assert.equal((await focused()).text, 'Installing');
    assert.equal((await focused()).level, '3');
    await tab.keyboard.press('Enter');
    await content.waitForURL(/install\.htm$/);
    // The page asks for its node a moment after it loads; let that pass before closing
    // its folders.
    await content.waitForLoadState();
    await tab.waitForTimeout(600);
    await nav.waitForFunction(() => document.getElementById('l4').parentNode.getAttribute('aria-selected') === 'true');
    assert.equal(await nav.locator('#l4').evaluate((s) => s.parentNode.getAttribute('aria-current')), 'page');
    await tab.keyboard.press('ArrowLeft');
    assert.equal((await focused()).text, 'Deep');
    await tab.keyboard.press('ArrowLeft');
    assert.equal((await focused()).expanded, 'false');
    assert.equal(await nav.locator('#l4').isVisible(), false);
    await tab.keyboard.press('End');
    assert.equal((await focused()).text, 'Fixed header');
    await tab.keyboard.press('Home');
    assert.equal((await focused()).text, 'Start');
    assert.deepEqual(errors, []);
    await tab.close();
  });

  test('axe-core finds nothing serious on the three tabs and a topic page', async () => {
    const { AxeBuilder } = await import('@axe-core/playwright');
    const check = async (tab, name) => {
      const result = await new AxeBuilder({ page: tab }).analyze();
      const bad = result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
      assert.deepEqual(bad.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`), [], name);
    };
    // All three tabs in the light scheme, the search (the most colours) in the dark one too.
    for (const colorScheme of ['light', 'dark']) {
      const { tab, errors, nav, content } = await open(server.url + 'help/index.htm', { colorScheme });
      await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null);
      if (colorScheme === 'light') {
        await nav.locator('#l1').click();
        await check(tab, 'contents');
        await showTab(nav, 'webhelpindex.htm');
        await check(tab, 'index');
      }
      await showTab(nav, 'webhelpsearch.htm');
      await search(nav, 'zebrafish');
      await nav.locator('#results a').first().click();
      await content.waitForSelector('mark.parvane-search-hit');
      await check(tab, `search and a topic with marked words (${colorScheme})`);
      assert.deepEqual(errors, []);
      await tab.close();
    }
  });

  test('a page opened alone leads back into the frames even under a fixed header', async () => {
    const tab = await browser.context.newPage();
    const errors = h.watchErrors(tab);
    await tab.goto(server.url + 'help/scr/fixed.htm');
    const link = tab.getByText('Show Navigation Frame');
    await link.click({ timeout: 3000 });
    await tab.waitForURL(/index\.htm#page=scr\/fixed\.htm$/);
    const nav = await h.frame(tab, 'nav');
    await nav.waitForFunction(() => document.getElementById('l8')?.className === 'selected');
    assert.deepEqual(errors, []);
    await tab.close();
  });

  test('without search there is no search tab and nothing of it in the output', async () => {
    const out = path.join(work, 'nosearch');
    h.runCli(['build', sources.file, '--webhelp', '--out', out, '--force', '--no-search']);
    assert.equal(fs.existsSync(path.join(out, 'webhelpsearchdata.js')), false);
    const { tab, errors, nav } = await open(server.url + 'nosearch/index.htm');
    assert.deepEqual(await nav.locator('.tabs a').allTextContents(), ['Contents', 'Index']);
    assert.deepEqual(errors, []);
    await tab.close();
  });
});
