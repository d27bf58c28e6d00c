// Copies the browser libraries of the Web Help's search from node_modules into
// support/webhelp/, as plain scripts that work from file:// (no modules, no source maps),
// each with its licence in front. Run after changing their versions in package.json:
//
//   npm install && npm run vendor
//
// The copies are committed, so building Parvane needs no npm.

import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const target = path.join(root, 'support', 'webhelp');

function packageDir(name) {
  const dir = path.join(root, 'node_modules', name);
  if (!fs.existsSync(path.join(dir, 'package.json'))) throw new Error(`${name} is not installed: run npm install`);
  return dir;
}

function header(name, licenceFile) {
  const dir = packageDir(name);
  const { version, homepage } = JSON.parse(fs.readFileSync(path.join(dir, 'package.json'), 'utf8'));
  const licence = fs.readFileSync(path.join(dir, licenceFile), 'utf8').trim().replace(/\*\//g, '* /');
  return `/*! ${name} ${version}${homepage ? ` (${homepage})` : ''}, copied by scripts/vendor-webhelp.mjs\n\n${licence}\n*/\n`;
}

function withoutSourceMap(text) {
  return text.replace(/\n\/\/# sourceMappingURL=\S+\s*$/, '\n');
}

const libraries = [
  {
    // The UMD build defines the global MiniSearch.
    name: 'minisearch',
    file: 'minisearch.js',
    licence: 'LICENSE.txt',
    build: (dir) => withoutSourceMap(fs.readFileSync(path.join(dir, 'dist/umd/index.js'), 'utf8')),
  },
  {
    // A CommonJS file: wrapped so that it defines the global porter2 with its stem().
    name: 'porter2',
    file: 'porter2.js',
    licence: 'LICENSE',
    build: (dir) => 'var porter2 = (function () {\nvar exports = {};\n' +
      withoutSourceMap(fs.readFileSync(path.join(dir, 'dist/index.js'), 'utf8')) +
      '\nreturn exports;\n})();\n',
  },
];

for (const lib of libraries) {
  const text = header(lib.name, lib.licence) + lib.build(packageDir(lib.name));
  fs.writeFileSync(path.join(target, lib.file), text);
  console.log(`support/webhelp/${lib.file}: ${lib.name} (${text.length} bytes)`);
}
