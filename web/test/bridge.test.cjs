// bridge.test.cjs — the WebAssembly module under node: records in and out with every code unit, edits, bad input.
// Usage: node --test web/test/bridge.test.cjs   (BUILD=build/web by default)
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');

const build = process.env.BUILD || path.join(__dirname, '../../build/web');
const peltatxtApi = require('../api.js');
let api;

test.before(async () => {
  const createPeltatxt = require(path.resolve(build, 'peltatxt.js'));
  // The bytes handed over, as the page does: the loader then fetches nothing.
  api = peltatxtApi(await createPeltatxt({ wasmBinary: fs.readFileSync(path.resolve(build, 'peltatxt.wasm')) }));
});

const open = (json) => api.json('open', new TextEncoder().encode(JSON.stringify(json)), 1, 'in.json');
const titles = () => Array.from(api.shape(), (_, i) => api.json('get', i).title);

test('a lone surrogate read from a file reaches JavaScript as that unit', () => {
  open([{ kind: 'locked', title: 'x\uD800y', text: 'a\uDC00' }]);
  const saved = api.bytes('save');
  api.json('new');
  api.json('open', saved, 0, 'in.peltatxt');
  assert.strictEqual(api.json('opened_report', 'in.peltatxt').sameBytes, true);
  const r = api.json('get', 0);
  assert.strictEqual(r.title, 'x\uD800y');
  assert.strictEqual(r.text, 'a\uDC00');
});

test('a lone surrogate typed in JavaScript is saved as that unit', () => {
  open([{ kind: 'locked', title: 't' }]);
  api.json('set', 0, JSON.stringify({ kind: 'one-time', title: 'p\uDBFFq', text: '\uDFFF' }));
  const units = new Uint16Array(api.bytes('save').buffer);
  assert.ok(units.includes(0xdbff) && units.includes(0xdfff));
  assert.match(api.text('export', 0, 'x'), /"title": "p\\uDBFFq"/);
});

test('bad input keeps what was open and names its place', () => {
  open([{ kind: 'folder', title: 'F' }]);
  for (const [bytes, kind, words] of [
    [new TextEncoder().encode('[{"kind": }]'), 1, /line 1, column 11/],
    [new TextEncoder().encode('plain text'), 0, /does not look like UTF-16/],
    [new TextEncoder().encode('folder,kind,letterCode,title,text,macro,comment,escaped\r\n,locked,,"x'), 2, /row 2, column 4/],
  ]) {
    assert.throws(() => api.json('open', bytes, kind, 'bad'), words);
    assert.deepStrictEqual(titles(), ['F']);
  }
});

test('edits move whole folders and undo and redo step by step', () => {
  open([{ kind: 'folder', title: 'A', children: [{ kind: 'locked', title: 'a1' }] }, { kind: 'folder', title: 'B' }, { kind: 'locked', title: 'c' }]);
  const steps = [
    [() => api.json('move', 3, -1), ['A', 'a1', 'c', 'B']],
    [() => api.json('move_into', 0, 3), ['c', 'B', 'A', 'a1']],
    [() => api.json('duplicate', 2), ['c', 'B', 'A', 'a1', 'A', 'a1']],
    [() => api.json('delete', 1), ['c']],
    [() => api.json('undo'), ['c', 'B', 'A', 'a1', 'A', 'a1']],
    [() => api.json('add', 1, JSON.stringify({ kind: 'locked', title: 'n' })), ['c', 'B', 'A', 'a1', 'A', 'a1', 'n']],
    [() => api.json('undo') && api.json('redo'), ['c', 'B', 'A', 'a1', 'A', 'a1', 'n']],
  ];
  for (const [step, want] of steps) {
    step();
    assert.deepStrictEqual(titles(), want);
  }
  assert.deepStrictEqual(Array.from(api.shape(), (s) => s >> 2), [0, 0, 1, 2, 1, 2, 1]);
});
