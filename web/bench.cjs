// bench.cjs — times opening a data file in the page in headless chromium, until its tree is shown (a benchmark, not a test).
// Usage: node web/bench.cjs FILE [ROUNDS]   (PAGE=dist/peltatxt.html by default)
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const [file, rounds = '3'] = process.argv.slice(2);
const pageFile = path.resolve(process.env.PAGE || path.join(__dirname, '../dist/peltatxt.html'));

(async () => {
  const context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(os.tmpdir(), 'chromium-')), {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
  const mb = fs.statSync(file).size / 1e6;
  const times = [];
  for (let r = 0; r < Number(rounds); r++) {
    const page = await context.newPage();
    await page.goto('file://' + pageFile);
    await page.locator('#status').filter({ hasText: /\d/ }).waitFor();  // the module is ready
    await page.evaluate(() => { window.openedAt = 0; });
    const start = Date.now();
    await page.setInputFiles('#open', file);
    // Shown: the file's name and the first row of its tree on screen.
    await page.locator('#file-name').filter({ hasText: path.basename(file) }).waitFor({ timeout: 120000 });
    await page.locator('[role=treeitem]').first().waitFor();
    times.push((Date.now() - start) / 1000);
    console.log(`round ${r + 1}: ${times.at(-1).toFixed(2)} s, ${await page.textContent('#status')}`);
    await page.close();
  }
  times.sort((a, b) => a - b);
  console.log(`${mb.toFixed(1)} MB opened with its tree shown: median ${times[Math.floor(times.length / 2)].toFixed(2)} s`);
  await context.close();
})();
