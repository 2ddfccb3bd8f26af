// page.test.cjs — the built page in Debian's chromium, used as a person would, its output compared with the native tool's.
// Usage: PAGE=dist/peltatxt.html PELTATXT=build/tools/peltatxt node --test web/test/page.test.cjs
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync, spawnSync } = require('node:child_process');
const { chromium } = require('playwright-core');

const root = path.join(__dirname, '../..');
const page_file = path.resolve(process.env.PAGE || path.join(root, 'dist/peltatxt.html'));
const tool = path.resolve(process.env.PELTATXT || path.join(root, 'build/tools/peltatxt'));
const sample = path.join(root, 'examples/sample.peltatxt');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'peltatxt-page-'));
const peltatxt = (...args) => execFileSync(tool, args, { cwd: work });

let context;
const problems = [];  // requests that left the page, and page errors

async function open(locale) {
  const page = await context.newPage();
  await page.addInitScript((l) => Object.defineProperty(navigator, 'languages', { get: () => [l] }), locale);
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('request', (r) => {
    if (r.url() !== 'file://' + page_file && !r.url().startsWith('blob:')) problems.push(`request: ${r.url()}`);
  });
  await page.goto('file://' + page_file);
  await page.setInputFiles('#open', sample);
  // The status line counts what show counts.
  const counts = peltatxt('show', sample).toString().trim().split('\n').pop().match(/(\d+) folders, (\d+) entries/);
  const status = locale === 'ja' ? `フォルダ ${counts[1]}、項目 ${counts[2]}` : `${counts[1]} folders, ${counts[2]} entries`;
  await page.getByRole('status').filter({ hasText: status }).waitFor();
  return page;
}

async function download(page, button) {
  const [d] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: button, exact: true }).click()]);
  const file = path.join(work, d.suggestedFilename());
  await d.saveAs(file);
  return file;
}

test.before(async () => {
  context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(os.tmpdir(), 'chromium-')), {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    acceptDownloads: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
});
test.after(async () => {
  await context.close();
  assert.deepStrictEqual(problems, []);
});

test('an unedited save is the file, and the exports are what the tool writes', async () => {
  const page = await open('en');
  const saved = await download(page, 'Save');
  assert.strictEqual(path.basename(saved), 'sample.peltatxt');
  assert.ok(fs.readFileSync(saved).equals(fs.readFileSync(sample)));
  assert.ok(fs.readFileSync(await download(page, 'Export JSON')).equals(peltatxt('to-json', sample)));
  assert.ok(fs.readFileSync(await download(page, 'Export CSV')).equals(peltatxt('to-csv', sample)));
  await page.close();
});

test('a record found by search and edited saves exactly that edit', async () => {
  const page = await open('en');
  await page.getByRole('searchbox', { name: 'Search' }).fill('Meeting');
  await page.locator('#results li[data-i]', { hasText: 'Meeting' }).click();
  await page.locator('#form:not([hidden])').waitFor();
  assert.strictEqual(await page.getByLabel('Title', { exact: true }).inputValue(), 'Meeting');
  const text = page.getByLabel('Text', { exact: true });
  const before = JSON.parse(peltatxt('to-json', sample, '--flat')).find((r) => r.title === 'Meeting').text;
  await text.fill((await text.inputValue()) + '\n追記');
  // A lone surrogate, typed in the page itself (the driver's protocol would replace it).
  await text.evaluate((el) => {
    el.value += ' \uD800';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  const edited = before + '\r\n追記 \uD800';
  const saved = await download(page, 'Save');
  // The tool's JSON with the same edit made by hand is what the page saved; the file is not.
  const json = JSON.parse(peltatxt('to-json', sample, '--flat'));
  json.find((r) => r.title === 'Meeting').text = edited;
  fs.writeFileSync(path.join(work, 'expected.json'), JSON.stringify(json));
  assert.strictEqual(spawnSync(tool, ['diff', 'expected.json', saved], { cwd: work }).status, 0);
  const diff = spawnSync(tool, ['diff', sample, saved], { cwd: work });
  assert.strictEqual(diff.status, 1);
  assert.match(diff.stdout.toString(), /\n1 changed\n$/);
  // The lone surrogate typed is shown as its escape beside the field.
  assert.match(await page.locator('#c-text mark').textContent(), /\\uD800/);
  await page.close();
});

test('in Japanese the controls have their Japanese names', async () => {
  const page = await open('ja');
  for (const name of ['保存', 'JSON で書き出す', 'CSV で書き出す'])
    await page.getByRole('button', { name, exact: true }).waitFor();
  await page.getByRole('searchbox', { name: '検索' }).fill('Sig');
  await page.locator('#results li[data-i]', { hasText: 'Sig' }).click();
  for (const label of ['タイトル', '本文', 'マクロ']) await page.getByLabel(label, { exact: true }).waitFor();
  await page.getByRole('searchbox', { name: '検索' }).fill('kept short');
  await page.locator('#results li[data-i]', { hasText: /最上位.*English/ }).click();
  await page.getByLabel('コメント', { exact: true }).waitFor();
  await page.close();
});

test('the tree is walked with the keyboard, and Compare shows what diff says', async () => {
  const page = await open('en');
  await page.getByRole('tree').focus();
  const selected = page.locator('[role=treeitem][aria-selected=true]');
  await page.keyboard.press('Home');
  await selected.and(page.locator('[aria-level="1"][aria-expanded=true]')).waitFor();
  await page.keyboard.press('ArrowLeft');  // closes the first folder
  await selected.and(page.locator('[aria-level="1"][aria-expanded=false]')).waitFor();
  await page.keyboard.press('ArrowDown');  // past the closed folder's rows, to the next one beside it
  await selected.and(page.locator('[aria-level="1"]')).filter({ hasNotText: '挨拶' }).waitFor();
  const json = JSON.parse(peltatxt('to-json', sample, '--flat'));
  json.find((r) => r.title === 'Meeting').text += '\r\nmore';
  fs.writeFileSync(path.join(work, 'other.json'), JSON.stringify(json));
  fs.copyFileSync(sample, path.join(work, 'sample.peltatxt'));
  await page.setInputFiles('#compare', path.join(work, 'other.json'));
  const diff = spawnSync(tool, ['diff', 'sample.peltatxt', 'other.json'], { cwd: work }).stdout.toString();
  await page.locator('#report:not([hidden])').waitFor();
  assert.strictEqual((await page.locator('#report').textContent()).trim(), diff.trim());
  await page.close();
});
