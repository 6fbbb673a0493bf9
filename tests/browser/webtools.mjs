// The service's web tool pages in headless Chromium: a user signed in by the client's ticket
// opens each page, uploads files, sets options and downloads the result, which qpdf and
// pdftotext check. With --screenshots DIR it also keeps a picture of every page.
// Usage: node webtools.mjs SERVER_BINARY [--screenshots DIR]
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';
import puppeteer from 'puppeteer-core';

const [serverBinary, ...rest] = process.argv.slice(2);
const screenshots = rest[0] === '--screenshots' ? rest[1] : null;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'dokora-web-'));
const downloads = path.join(work, 'downloads');
fs.mkdirSync(downloads);

function run(program, args, options = {}) {
  return execFileSync(program, args, { encoding: 'utf8', ...options });
}

// A PDF with one page per text, drawn from SVG.
function pdf(name, pages) {
  const svgs = pages.map((text, i) => {
    const file = path.join(work, `${name}-${i}.svg`);
    fs.writeFileSync(file, `<svg xmlns="http://www.w3.org/2000/svg" width="595pt" height="842pt">` +
      `<text x="72" y="100" font-size="24" font-family="DejaVu Sans">${text}</text></svg>`);
    return file;
  });
  const file = path.join(work, name);
  run('rsvg-convert', ['-f', 'pdf', '-o', file, ...svgs]);
  return file;
}

function startServer() {
  const data = path.join(work, 'data');
  run(serverBinary, ['--data', data, '--add-user', 'tester'], { input: 'secret\n' });
  const child = spawn(serverBinary, ['--data', data, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      const match = /listening on (http:\/\/[^\s]+)/.exec(String(chunk));
      if (match) resolve({ child, base: match[1] });
    });
    child.on('exit', () => reject(new Error('the service stopped')));
  });
}

// The one-time ticket the desktop client gets for a page, as it appends it.
async function withTicket(base, page) {
  const granted = await fetch(`${base}/shiro-cas/v1/tickets`, {
    method: 'POST', body: new URLSearchParams({ username: 'tester', password: 'secret' }),
    redirect: 'manual',
  });
  const location = granted.headers.get('location');
  const ticket = await (await fetch(location, {
    method: 'POST', body: new URLSearchParams({ service: base + page }),
  })).text();
  return `${base}${page}&ticket=${ticket}`;
}

async function waitForDownload(before) {
  for (let i = 0; i < 200; i++) {
    const files = fs.readdirSync(downloads).filter((f) => !before.includes(f) && !f.endsWith('.crdownload'));
    if (files.length) return path.join(downloads, files[0]);
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error('no download');
}

const pages = {
  '/': null,
  '/pdf-merge': null, '/pdf-split': null, '/pdf-lock': null, '/pdf-unlock': null,
  '/timestamp': null, '/pdf-scan': null, '/pdf-rotate': null, '/pdf-portfolios': null,
  '/watermark': null, '/pdf-add-page-number': null, '/pdf-to-cad': null,
};

const { child, base } = await startServer();
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--lang=zh-CN'],
});
let failed = false;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });

  // Signed in by the ticket: the cookie serves every page after.
  await page.goto(await withTicket(base, '/pdf-merge?extra=PC&Device=PC&version=1.0.0'));
  assert.match(await page.$eval('header', (h) => h.textContent), /已登录/);

  // Runs a tool's form: files, options, then the download (or the message shown).
  async function use(tool, files, options = {}, { expectFailure = false } = {}) {
    await page.goto(`${base}${tool}?extra=PC&Device=PC`);
    const input = await page.$('input[type=file]');
    for (const file of files) await input.uploadFile(file);
    for (const [name, value] of Object.entries(options)) {
      await page.$eval(`[name=${name}]`, (field, v) => { field.value = v; }, value);
    }
    const before = fs.readdirSync(downloads);
    await page.keyboard.press('Tab');
    await page.click('button[type=submit]');
    await page.waitForFunction(() => {
      const s = document.getElementById('status');
      return s.className === 'failed' || /完成/.test(s.textContent);
    }, { timeout: 30000 });
    const status = await page.$eval('#status', (s) => s.textContent);
    if (expectFailure) return status;
    assert.ok(!(await page.$('#status.failed')), `${tool}: ${status}`);
    if (await page.$('#download')) {
      await page.click('#download');
      return waitForDownload(before);
    }
    return status;
  }
  const text = (file, ...args) => run('pdftotext', [...args, file, '-']);
  const npages = (file) => Number(run('qpdf', ['--show-npages', file]));

  const a = pdf('a.pdf', ['Alpha']);
  const bc = pdf('bc.pdf', ['Beta', 'Gamma']);

  // Merge: the order of choosing, then "上移" puts Alpha first.
  await page.goto(`${base}/pdf-merge?extra=PC&Device=PC`);
  const mergeInput = await page.$('input[type=file]');
  await mergeInput.uploadFile(bc);
  await mergeInput.uploadFile(a);
  await page.click('#files li:nth-child(2) button');
  const before = fs.readdirSync(downloads);
  await page.click('button[type=submit]');
  await page.waitForSelector('#download', { timeout: 30000 });
  await page.click('#download');
  const merged = await waitForDownload(before);
  assert.equal(npages(merged), 3);
  const mergedText = text(merged);
  assert.ok(mergedText.indexOf('Alpha') < mergedText.indexOf('Beta'), mergedText);
  assert.ok(mergedText.indexOf('Beta') < mergedText.indexOf('Gamma'), mergedText);

  const zip = await use('/pdf-split', [merged], { ranges: '1,2-3' });
  const members = run('unzip', ['-Z1', zip]).trim().split('\n');
  assert.equal(members.length, 2, members.join());

  const locked = await use('/pdf-lock', [a], { password: 'k3y' });
  assert.match(run('qpdf', ['--show-encryption', '--password=k3y', locked]), /R = 6/);
  assert.equal(await use('/pdf-unlock', [locked], { password: 'wrong' }, { expectFailure: true }), '密码错误');
  const unlocked = await use('/pdf-unlock', [locked], { password: 'k3y' });
  assert.match(run('qpdf', ['--show-encryption', unlocked]), /not encrypted/);

  const rotated = await use('/pdf-rotate', [bc], { pages: '2', angle: '180' });
  assert.match(run('pdfinfo', ['-f', '1', '-l', '2', rotated]), /Page\s+2 rot:\s+180/);

  const marked = await use('/watermark', [a], { text: '机密文件', angle: '0' });
  assert.match(text(marked), /机密文件/);

  const numbered = await use('/pdf-add-page-number', [bc], { format: '第 {n} 页', start: '3' });
  assert.match(text(numbered, '-f', '2', '-l', '2'), /第 ?4 ?页/);

  await use('/pdf-scan', [locked]);
  assert.match(await page.$eval('#result', (r) => r.textContent), /加密有/);

  const portfolio = await use('/pdf-portfolios', [a, bc]);
  assert.match(run('qpdf', ['--list-attachments', portfolio]), /bc\.pdf/);

  // Bad input: a clear message on the page.
  const notPdf = path.join(work, 'notes.pdf');
  fs.writeFileSync(notPdf, 'plain text');
  assert.match(await use('/pdf-rotate', [notPdf], {}, { expectFailure: true }), /不是 PDF/);
  assert.match(await use('/pdf-split', [a], { ranges: '2' }, { expectFailure: true }), /共 1 页/);

  if (screenshots) {
    fs.mkdirSync(screenshots, { recursive: true });
    for (const address of Object.keys(pages)) {
      await page.goto(`${base}${address}?extra=PC&Device=PC`);
      const name = address === '/' ? 'home' : address.slice(1);
      await page.screenshot({ path: path.join(screenshots, `${name}.png`), fullPage: true });
    }
    // Zoomed to 200 %: still readable, nothing cut off.
    await page.setViewport({ width: 550, height: 450, deviceScaleFactor: 2 });
    await page.goto(`${base}/watermark?extra=PC&Device=PC`);
    await page.screenshot({ path: path.join(screenshots, 'watermark-200.png'), fullPage: true });
  }
  console.log('web tool pages: all checks passed');
} catch (error) {
  console.error(error);
  failed = true;
} finally {
  await browser.close();
  child.kill('SIGTERM');
  fs.rmSync(work, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
