// Projects for the browser tests, written as .pvx files: a generator of a project from a
// list of topics, a reader of a project's table of contents, and the bad-input project.

import fs from 'node:fs';
import path from 'node:path';

// topics: [{ title, level (0 = top), url, status (0 page, 1 unsaved, 2 heading), keywords: [],
//            icon, kind (0 contents, 1 other pages) }]
export function writeProject(file, general, topics) {
  const lines = ['[GENERAL]'];
  for (const [key, value] of Object.entries(general)) lines.push(`${key}=${value}`);
  lines.push('', '[TOPICS]', `TitleList=${topics.length}`);
  topics.forEach((t, n) => {
    lines.push(`TitleList.Title.${n}=${t.title}`);
    lines.push(`TitleList.Level.${n}=${t.level ?? 0}`);
    lines.push(`TitleList.Url.${n}=${t.url ?? ''}`);
    lines.push(`TitleList.Icon.${n}=${t.icon ?? 0}`);
    lines.push(`TitleList.Status.${n}=${t.status ?? (t.url ? 0 : 2)}`);
    lines.push(`TitleList.Keywords.${n}=${(t.keywords ?? []).join('`\\')}`);
    lines.push(`TitleList.ContextNumber.${n}=`);
    lines.push(`TitleList.ApplyTemp.${n}=0`);
    lines.push(`TitleList.Expanded.${n}=0`);
    lines.push(`TitleList.Kind.${n}=${t.kind ?? 0}`);
  });
  fs.writeFileSync(file, lines.join('\r\n') + '\r\n');
}

function decode(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('windows-1252').decode(bytes);
  }
}

// The table of contents of a project file, in tree order: { title, level (1 = top), url,
// status, keywords, hasChildren, index }.
export function readContents(file) {
  const values = new Map();
  let section = '';
  for (const raw of decode(fs.readFileSync(file)).split(/\r\n|\r|\n/)) {
    const line = raw.trim();
    if (line.startsWith('[')) {
      section = line.toUpperCase();
      continue;
    }
    const eq = raw.indexOf('=');
    if (section === '[TOPICS]' && eq > 0) values.set(raw.slice(0, eq).trim(), raw.slice(eq + 1));
  }
  const count = Number(values.get('TitleList') || 0);
  const items = [];
  for (let n = 0; n < count; n++) {
    if (Number(values.get(`TitleList.Kind.${n}`) || 0) !== 0) continue;
    items.push({
      title: values.get(`TitleList.Title.${n}`) ?? '',
      level: Number(values.get(`TitleList.Level.${n}`) || 0) + 1,
      url: values.get(`TitleList.Url.${n}`) ?? '',
      status: Number(values.get(`TitleList.Status.${n}`) || 0),
      keywords: (values.get(`TitleList.Keywords.${n}`) ?? '').split('`\\').map((k) => k.trim()).filter(Boolean),
    });
  }
  items.forEach((item, i) => {
    item.index = i;
    item.hasChildren = i + 1 < items.length && items[i + 1].level > item.level;
  });
  return items;
}

function page(title, body) {
  return `<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>${title}</title></head>\n<body>\n${body}\n</body></html>\n`;
}

// A project made of the inputs that break careless generators: titles with quotes,
// apostrophes, backslashes, markup and non-ASCII letters; an external address; headings
// and unsaved topics without pages; keywords with levels, shared by two topics.
export function makeTrickyProject(dir, externalUrl) {
  const root = path.join(dir, 'root');
  fs.mkdirSync(path.join(root, 'guide', 'deep'), { recursive: true });
  fs.writeFileSync(path.join(root, 'start.htm'), page('Start', '<h1>Start</h1><p id="start">start page</p>'));
  fs.writeFileSync(path.join(root, 'guide', "it's.htm"), page('Quotes', '<h1>Quotes</h1><p id="quotes">quotes</p>'));
  fs.writeFileSync(path.join(root, 'guide', 'deep', 'café.htm'), page('Café', '<p id="cafe">café</p>'));
  fs.writeFileSync(path.join(root, 'other.htm'), page('Other', '<p id="other">other</p>'));
  const topics = [
    { title: 'Start', url: 'start.htm', keywords: ['Shared', 'Levels/One'] },
    { title: 'Guide <b>&amp; "more"</b>', url: '', status: 2 },
    { title: "It's \\ \"quoted\" & <i>", level: 1, url: "guide\\it's.htm", keywords: ['Shared', 'Levels/One/Two', "Apostrophe's <kw>"] },
    { title: 'Deep', level: 1, url: '', status: 2 },
    { title: 'Café 日本', level: 2, url: 'guide\\deep\\café.htm', keywords: ['Café'] },
    { title: 'Not saved yet', level: 2, url: '', status: 1 },
    { title: 'External site', url: externalUrl, keywords: [] },
    { title: 'Other', url: 'other.htm', kind: 0 },
  ];
  const file = path.join(dir, 'tricky.pvx');
  writeProject(file, {
    Title: 'Tricky "help" <&> it\'s',
    RootDir: 'root\\',
    DefaultTopic: 'start.htm',
    Encoding: 'UTF-8',
    WebBackColor: '#1d4e89',
    WebFontColor: '#ffffff',
  }, topics);
  return { file, topics };
}
