// worker.js — the page's worker: holds the collection in the WebAssembly module and answers the page's requests.
//
// The page never holds the records: it asks for the rows it shows (view) and for one record's
// fields at a time. Messages are {id, op, args}; answers {id, ok, value} or {id, ok: false, error}.
'use strict';

let api = null;
let shape = new Uint32Array(0);  // per record: depth << 2 | folder << 1 | holds records
let collapsed = new Set();       // positions of the folders shown closed
let visible = new Int32Array(0); // positions of the rows shown, in order

const depthOf = (i) => shape[i] >> 2;
const isFolder = (i) => (shape[i] & 2) !== 0;
const holds = (i) => (shape[i] & 1) !== 0;

// After a change of the records: their shape again, and which rows show.
function reshape(keepCollapsed) {
  shape = api.shape();
  if (!keepCollapsed) collapsed = new Set();
  const rows = new Int32Array(shape.length);
  let n = 0;
  for (let i = 0; i < shape.length; ) {
    rows[n++] = i;
    if (holds(i) && collapsed.has(i)) {
      const d = depthOf(i);
      i++;
      while (i < shape.length && depthOf(i) > d) i++;
    } else {
      i++;
    }
  }
  visible = rows.slice(0, n);
}

function changed(summary) {
  reshape(false);
  summary.shown = visible.length;
  return summary;
}

// The rows from first on, as the tree shows them.
function view(first, count) {
  const positions = Array.from(visible.subarray(first, first + count));
  const rows = positions.length ? api.json('rows', JSON.stringify(positions)) : [];
  return {
    total: visible.length,
    rows: positions.map((i, k) => ({
      i, depth: depthOf(i), folder: isFolder(i), holds: holds(i), open: !collapsed.has(i),
      kind: rows[k][0], letter: rows[k][1], title: rows[k][2],
    })),
  };
}

// The folder holding position i (-1 at top level).
function parentOf(i) {
  const d = depthOf(i);
  if (d === 0) return -1;
  for (let k = i - 1; k >= 0; k--) if (depthOf(k) < d) return k;
  return -1;
}

const ops = {
  init(wasm) {
    return createPeltatxt({ wasmBinary: new Uint8Array(wasm) }).then((m) => {
      api = peltatxtApi(m);
      return changed(api.json('new'));
    });
  },
  open: (bytes, kind, name) => changed(api.json('open', new Uint8Array(bytes), kind, name)),
  openedReport: (name) => api.json('opened_report', name),
  new: () => changed(api.json('new')),
  view,
  // Shows folder i open or closed; the row where it now stands.
  toggle(i, open) {
    if (open) collapsed.delete(i); else collapsed.add(i);
    reshape(true);
    return visible.indexOf(i);
  },
  // The row of position i, opening the folders around it.
  reveal(i) {
    for (let p = parentOf(i); p >= 0; p = parentOf(p)) collapsed.delete(p);
    reshape(true);
    return visible.indexOf(i);
  },
  parent: parentOf,
  get: (i) => api.json('get', i),
  carry: (fields) => api.json('carry', JSON.stringify(fields)),
  set: (i, fields) => changed(api.json('set', i, JSON.stringify(fields))),
  add: (i, fields) => changed(api.json('add', i, JSON.stringify(fields))),
  delete: (i) => changed(api.json('delete', i)),
  duplicate: (i) => changed(api.json('duplicate', i)),
  move: (i, dir) => changed(api.json('move', i, dir)),
  moveInto: (i, folder) => changed(api.json('move_into', i, folder)),
  undo: () => changed(api.json('undo')),
  redo: () => changed(api.json('redo')),
  search: (query, limit) => {
    const found = api.json('search', JSON.stringify(query), limit);
    const rows = found.hits.length ? api.json('rows', JSON.stringify(found.hits.map((h) => h[0]))) : [];
    found.hits = found.hits.map(([i, path], k) => ({ i, path, kind: rows[k][0], letter: rows[k][1], title: rows[k][2] }));
    return found;
  },
  save: () => api.bytes('save'),
  saveName: (name) => api.text('save_name', name),
  export: (format, name) => api.bytes('export', format, name),
  check: (name) => api.json('check', name),
  compare: (bytes, kind, name, other) => api.json('compare', new Uint8Array(bytes), kind, name, other),
};

self.onmessage = async (event) => {
  const { id, op, args } = event.data;
  try {
    const value = await ops[op](...args);
    const transfer = value instanceof Uint8Array ? [value.buffer] : [];
    self.postMessage({ id, ok: true, value }, transfer);
  } catch (e) {
    self.postMessage({ id, ok: false, error: String(e && e.message ? e.message : e) });
  }
};
