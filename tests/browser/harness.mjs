// What the browser tests and the navigation benchmark share: building a Web Help with the
// command line, serving a folder on 127.0.0.1 and starting Debian's Chromium.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const sourceDir = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const artifactsDir = path.join(sourceDir, 'tests/browser/artifacts');

export function cliPath() {
  const candidates = [
    process.env.PARVANE_CLI,
    process.env.PARVANE_BINARY_DIR && path.join(process.env.PARVANE_BINARY_DIR, 'bin/parvane-cli'),
    path.join(sourceDir, 'build/bin/parvane-cli'),
  ].filter(Boolean);
  const found = candidates.find((p) => fs.existsSync(p));
  if (!found) throw new Error('parvane-cli not found: set PARVANE_CLI or PARVANE_BINARY_DIR');
  return found;
}

// The support folder next to the command line's bin/ (the sample project lives there).
export function supportDir() {
  const fromCli = path.resolve(path.dirname(cliPath()), '../support');
  return process.env.PARVANE_DATA_DIR || fromCli;
}

export function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

export function runCli(args) {
  return execFileSync(cliPath(), args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

export function buildWebHelp(project, outDir) {
  return runCli(['build', project, '--webhelp', '--out', outDir, '--force']);
}

const mimeTypes = {
  '.htm': 'text/html',
  '.html': 'text/html',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.gif': 'image/gif',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.jpeg': 'image/jpeg',
  '.svg': 'image/svg+xml',
  '.txt': 'text/plain',
};

// Serves a folder read-only on 127.0.0.1 with an ephemeral port.
export async function serveFolder(root) {
  const server = http.createServer((req, res) => {
    let pathname;
    try {
      pathname = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    } catch {
      res.writeHead(400).end();
      return;
    }
    // Browsers ask every site for an icon; a help folder has none of its own.
    if (pathname === '/favicon.ico') {
      res.writeHead(204).end();
      return;
    }
    const file = path.join(root, path.normalize(pathname).replace(/^(\.\.[/\\])+/, ''));
    if (!file.startsWith(path.resolve(root))) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
        return;
      }
      const type = mimeTypes[path.extname(file).toLowerCase()] || 'application/octet-stream';
      res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' }).end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return {
    url: `http://127.0.0.1:${port}/`,
    close: () => new Promise((resolve) => {
      server.closeAllConnections?.();
      server.close(resolve);
    }),
  };
}

export async function launchBrowser() {
  const { chromium } = await import('playwright-core');
  const userDataDir = tempDir('parvane-chromium-');
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1200, height: 800 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(userDataDir, { recursive: true, force: true });
    },
  };
}

// Collects what a page reports as going wrong: console errors, uncaught exceptions (in
// every frame) and failed requests.
export function watchErrors(page) {
  const errors = [];
  page.on('console', (msg) => {
    if (msg.type() === 'error') errors.push(`console: ${msg.text()} (${msg.location().url})`);
  });
  page.on('pageerror', (err) => errors.push(`exception: ${err.message}`));
  page.on('requestfailed', (req) => errors.push(`request failed: ${req.url()}`));
  page.on('response', (res) => {
    if (res.status() >= 400) errors.push(`HTTP ${res.status()}: ${res.url()}`);
  });
  return errors;
}

export async function frame(page, name, timeout = 10000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const found = page.frame({ name });
    if (found) return found;
    if (Date.now() > deadline) throw new Error(`no frame named ${name}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

export async function screenshot(page, name) {
  fs.mkdirSync(artifactsDir, { recursive: true });
  await page.screenshot({ path: path.join(artifactsDir, `${name}.png`) });
}
