// screenshot.cjs — the README's picture of the page: the sample opened, an entry selected, taken in headless chromium.
// Usage: node web/screenshot.cjs OUT.png   (PAGE=dist/peltatxt.html by default)
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const pageFile = path.resolve(process.env.PAGE || path.join(__dirname, '../dist/peltatxt.html'));
(async () => {
  const context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(os.tmpdir(), 'chromium-')), {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 960, height: 540 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
  const page = await context.newPage();
  await page.goto('file://' + pageFile);
  await page.setInputFiles('#open', path.join(__dirname, '../examples/sample.peltatxt'));
  await page.locator('[role=treeitem]', { hasText: 'お詫び' }).click();
  await page.locator('#form:not([hidden])').waitFor();
  await page.getByLabel('Title', { exact: true }).fill('お詫び\n（再送）');
  await page.locator('#c-title').filter({ hasText: /\w/ }).waitFor();
  await page.screenshot({ path: process.argv[2] });
  await context.close();
})();
