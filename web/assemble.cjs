// assemble.cjs — writes the one self-contained page: frame, styles, script, worker and module inlined, with a policy that lets nothing reach the network.
// Usage: node web/assemble.cjs BUILD_DIR OUT.html
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const crypto = require('node:crypto');

const [build, out] = process.argv.slice(2);
const here = __dirname;
const read = (file) => fs.readFileSync(file, 'utf8');
const sha = (text) => `'sha256-${crypto.createHash('sha256').update(text, 'utf8').digest('base64')}'`;

const style = read(path.join(here, 'page.css'));
const script = read(path.join(here, 'page.js'));
// The worker: the module's loader, the calls over it, and the worker's own requests.
const worker = [path.join(build, 'peltatxt.js'), path.join(here, 'api.js'), path.join(here, 'worker.js')].map(read).join('\n');
const wasm = fs.readFileSync(path.join(build, 'peltatxt.wasm')).toString('base64');
for (const [name, text] of [['page.js', script], ['the worker', worker], ['page.css', style]])
  if (/<\/(script|style)/i.test(text)) throw new Error(`${name} holds a closing tag, which would end its element early`);

// Only the inline script and style run; the worker comes from a blob: URL; WebAssembly may be
// compiled; nothing may be fetched or sent (connect-src, form-action and default-src 'none').
const csp = [
  "default-src 'none'",
  `script-src ${sha(script)} 'wasm-unsafe-eval'`,
  'worker-src blob:',
  `style-src ${sha(style)}`,
  "connect-src 'none'",
  "img-src 'none'",
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');

const parts = { CSP: csp, STYLE: style, SCRIPT: script, WORKER: worker, WASM: wasm };
const html = read(path.join(here, 'page.html')).replace(/@(CSP|STYLE|SCRIPT|WORKER|WASM)@/g, (_, k) => parts[k]);
fs.mkdirSync(path.dirname(out), { recursive: true });
fs.writeFileSync(out, html);
console.log(`wrote ${out} (${Math.round(html.length / 1024)} KiB)`);
