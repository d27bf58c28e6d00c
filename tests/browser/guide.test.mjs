// Parvane's own user guide, as the build installs it into the program folder (help/): the
// tree shows its books and a topic inside a book opens with its template, style sheet and
// pictures.

import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import * as h from './harness.mjs';
import { readContents } from './projects.mjs';

const guideProject = path.join(h.sourceDir, 'guide/parvane.pvx');

function guideHelpDir() {
  try {
    return path.join(h.supportDir(), 'help');
  } catch {
    return '';
  }
}

const helpDir = guideHelpDir();
const built = helpDir !== '' && fs.existsSync(path.join(helpDir, 'index.htm'));

describe('the user guide', { skip: !built && 'the guide was not built (target parvane_guide)' }, () => {
  let browser;
  let server;
  let items;

  before(async () => {
    items = readContents(guideProject);
    server = await h.serveFolder(helpDir);
    browser = await h.launchBrowser();
  });

  after(async () => {
    await browser?.close();
    await server?.close();
  });

  async function open() {
    const page = await browser.context.newPage();
    const errors = h.watchErrors(page);
    await page.goto(server.url + 'index.htm');
    const nav = await h.frame(page, 'nav');
    await nav.waitForFunction(() => window.loaded === true);
    const content = await h.frame(page, 'content');
    // Settled once the default topic has selected its node.
    await nav.waitForFunction(() => document.querySelector('#tree span.selected') !== null);
    return { page, errors, nav, content };
  }

  test('the tree shows the books of the guide and opens on the welcome page', async () => {
    const { page, errors, nav, content } = await open();
    const books = items.filter((i) => i.level === 1 && i.hasChildren);
    assert.ok(books.length >= 5, `${books.length} books in the guide`);
    for (const book of books) {
      const label = nav.locator(`#l${book.index}`);
      assert.equal(await label.textContent(), book.title);
      assert.ok(await label.isVisible(), `${book.title} is shown`);
    }
    await content.waitForLoadState();
    assert.match(content.url(), /scr\/welcome\.htm$/);
    assert.equal(await content.locator('h1').first().textContent(), 'Welcome to Parvane');
    await h.screenshot(page, 'guide-start');
    assert.deepEqual(errors, [], 'the browser reported errors');
    await page.close();
  });

  test('a topic inside a book opens with the template, its style and its pictures', async () => {
    const { page, errors, nav, content } = await open();
    const topic = items.find((i) => i.url === 'editing\\tables.htm');
    assert.ok(topic, 'the guide has the Tables topic');
    const book = [...items.slice(0, topic.index)].reverse().find((i) => i.level < topic.level);
    if (!(await nav.locator(`#d${book.index}`).isVisible())) {
      const expander = nav.locator(`#imgn${book.index}`);
      if (await expander.count()) await expander.click();
      else await nav.locator(`#l${book.index}`).click();
    }
    await nav.locator(`#l${topic.index}`).click();
    await content.waitForURL(/scr\/editing\/tables\.htm$/);
    await content.waitForLoadState('load');
    assert.equal(await content.locator('h1').first().textContent(), 'Tables');
    // The template's band and footer, the guide's style sheet and the page's own screenshot.
    assert.equal(await content.locator('p.footer').count(), 1);
    const color = await content.locator('h1').first().evaluate((e) => getComputedStyle(e).color);
    assert.equal(color, 'rgb(23, 50, 92)', 'the guide\'s style sheet applies');
    const pictures = await content.$$eval('img', (imgs) =>
      imgs.map((img) => ({ src: img.getAttribute('src'), loaded: img.complete && img.naturalWidth > 0 })));
    assert.ok(pictures.length >= 2, 'the band and the screenshot');
    for (const picture of pictures) assert.ok(picture.loaded, `${picture.src} loads`);
    await h.screenshot(page, 'guide-topic');
    assert.deepEqual(errors, [], 'the browser reported errors');
    await page.close();
  });
});
