// page.js — the page: controls, the tree drawn where it is visible, the form, and the requests to the worker that holds the collection.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);

  // ---- words ------------------------------------------------------------------------------
  const words = {
    en: {
      open: 'Open…', new: 'New collection', save: 'Save', exportJson: 'Export JSON', exportCsv: 'Export CSV',
      check: 'Check', compare: 'Compare…', undo: 'Undo', redo: 'Redo', search: 'Search',
      addEntry: 'Add entry', addFolder: 'Add folder', duplicate: 'Duplicate', delete: 'Delete', up: 'Move up', down: 'Move down',
      title: 'Title', text: 'Text', comment: 'Comment', macro: 'Macro', kind: 'Kind', flags: 'Folder flags',
      letterCode: 'Letter code', none: 'none', tree: 'Folders and entries', results: 'Search results',
      status: (f, e) => `${f} folders, ${e} entries`, found: (n) => `${n} found`,
      saveInPlace: 'Save in place…',
      inPlace: 'The browser, not this page, will replace the file: its links, permissions and creation time (which seeds the ids of the records read from it) are not kept. Replace it?',
      newEntry: 'New entry', newFolder: 'New folder', untitled: 'untitled',
      changes: 'The bytes of this file will change when it is saved (it was not written this way). Save anyway?',
      unsaved: 'There are unsaved changes.', opened: (name) => `Opened ${name}`, saved: (name) => `Saved as ${name}`,
      willChange: 'Saving will change the bytes of this file: it was not written the way this page writes.',
      busy: 'Working…', topLevel: 'top level', kinds: { 'one-time': 'one-time', locked: 'locked', folder: 'folder' },
    },
    ja: {
      open: '開く…', new: '新しいコレクション', save: '保存', exportJson: 'JSON で書き出す', exportCsv: 'CSV で書き出す',
      check: '検査', compare: '比較…', undo: '元に戻す', redo: 'やり直し', search: '検索',
      addEntry: '項目を追加', addFolder: 'フォルダを追加', duplicate: '複製', delete: '削除', up: '上へ', down: '下へ',
      title: 'タイトル', text: '本文', comment: 'コメント', macro: 'マクロ', kind: '種類', flags: 'フォルダの印',
      letterCode: '文字コード', none: 'なし', tree: 'フォルダと項目', results: '検索結果',
      status: (f, e) => `フォルダ ${f}、項目 ${e}`, found: (n) => `${n} 件`,
      saveInPlace: 'その場で保存…',
      inPlace: 'ファイルを置き換えるのはこのページではなくブラウザーです。リンク、アクセス権、作成日時（読み込んだ項目の ID の元）は保たれません。置き換えますか？',
      newEntry: '新しい項目', newFolder: '新しいフォルダ', untitled: '無題',
      changes: 'このファイルは保存するとバイト列が変わります（このページの書き方で書かれていません）。保存しますか？',
      unsaved: '保存していない変更があります。', opened: (name) => `${name} を開きました`, saved: (name) => `${name} として保存しました`,
      willChange: '保存するとこのファイルのバイト列が変わります（このページの書き方で書かれたものではありません）。',
      busy: '処理中…', topLevel: '最上位', kinds: { 'one-time': '使い捨て', locked: '固定', folder: 'フォルダ' },
    },
  };
  let lang = (navigator.languages || [navigator.language]).some((l) => /^ja\b/i.test(l)) ? 'ja' : 'en';
  const t = (key) => words[lang][key];

  // ---- the worker --------------------------------------------------------------------------
  const worker = new Worker(URL.createObjectURL(new Blob([$('worker-source').textContent], { type: 'text/javascript' })));
  const pending = new Map();
  let nextId = 1;
  let busy = 0;
  worker.onmessage = ({ data }) => {
    const p = pending.get(data.id);
    pending.delete(data.id);
    if (--busy === 0) $('progress').hidden = true;
    if (data.ok) p.resolve(data.value); else p.reject(new Error(data.error));
  };
  worker.onerror = (e) => showMessage(String(e.message || e));
  function ask(op, ...args) {
    const id = nextId++;
    busy++;
    setTimeout(() => { if (busy) $('progress').hidden = false; }, 150);
    const transfer = args.filter((a) => a instanceof ArrayBuffer);
    worker.postMessage({ id, op, args }, transfer);
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
  }

  // ---- state ------------------------------------------------------------------------------
  let fileName = '';       // the file opened, as the browser names it
  let handle = null;       // the opened file's handle, where the browser gives one (a drop in some browsers)
  let sameBytes = true;    // whether an unedited save gives back its bytes
  let dirty = false;
  let summary = null;
  let selected = -1;       // position of the selected record
  let row = -1;            // its row in the tree
  let total = 0;           // rows shown
  const rowHeight = 24;

  // ---- text shown -------------------------------------------------------------------------
  // A text for a row or a note, with each lone surrogate shown as a marked escape and line
  // breaks as symbols, so that nothing hidden goes unseen.
  const lone = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g;
  function shown(text, into) {
    into.textContent = '';
    let at = 0;
    const plain = (s) => into.append(s.replace(/\r\n|\r|\n/g, '⏎'));
    for (const m of text.matchAll(lone)) {
      plain(text.slice(at, m.index));
      const mark = document.createElement('mark');
      mark.className = 'unit';
      mark.textContent = '\\u' + m[0].charCodeAt(0).toString(16).toUpperCase();
      into.append(mark);
      at = m.index + 1;
    }
    plain(text.slice(at));
    return into;
  }
  const kindWords = (kind) => {
    const [base, ...flags] = kind.split(' ');
    const k = t('kinds')[base];
    return k ? [k, ...flags].join(' ') : kind;
  };

  function showMessage(text, info) {
    const m = $('message');
    m.textContent = text;
    m.className = info ? 'info' : '';
    m.hidden = !text;
  }
  function report(text) {
    $('report').textContent = text;
    $('report').hidden = !text;
  }
  function status() {
    if (!summary) return;
    $('status').textContent = t('status')(summary.folders, summary.entries);
    $('undo').disabled = !summary.canUndo;
    $('redo').disabled = !summary.canRedo;
    const none = selected < 0;
    for (const id of ['duplicate', 'delete', 'up', 'down']) $(id).disabled = none;
  }
  function applyWords() {
    document.documentElement.lang = lang;
    $('lang').value = lang;
    for (const el of document.querySelectorAll('[data-t]')) el.textContent = t(el.dataset.t);
    $('search').setAttribute('aria-label', t('search'));
    $('search').placeholder = t('search');
    $('tree').setAttribute('aria-label', t('tree'));
    $('results').setAttribute('aria-label', t('results'));
    fillCodes();
    status();
    draw();
  }

  // ---- the tree, drawn only where it is visible --------------------------------------------
  let drawing = null;
  async function draw() {
    if (!summary) return;
    const tree = $('tree');
    const first = Math.max(0, Math.floor(tree.scrollTop / rowHeight) - 5);
    const count = Math.ceil(tree.clientHeight / rowHeight) + 10;
    const ticket = (drawing = {});
    const v = await ask('view', first, count);
    if (ticket !== drawing) return;
    total = v.total;
    const space = $('tree-space');
    space.style.height = total * rowHeight + 'px';
    space.textContent = '';
    v.rows.forEach((r, k) => {
      const el = document.createElement('div');
      el.setAttribute('role', 'treeitem');
      el.id = 'row-' + r.i;
      el.dataset.i = r.i;
      el.dataset.row = first + k;
      el.setAttribute('aria-level', r.depth + 1);
      el.setAttribute('aria-selected', r.i === selected);
      if (r.folder && r.holds) el.setAttribute('aria-expanded', r.open);
      el.style.top = (first + k) * rowHeight + 'px';
      el.style.paddingLeft = 4 + r.depth * 18 + 'px';
      el.draggable = true;
      const twisty = document.createElement('span');
      twisty.className = 'twisty';
      twisty.textContent = r.folder && r.holds ? (r.open ? '▾' : '▸') : '';
      const kind = document.createElement('span');
      kind.className = 'kind';
      kind.textContent = kindWords(r.kind);
      const code = document.createElement('span');
      code.className = 'code';
      code.textContent = r.letter;
      const title = shown(r.title, document.createElement('span'));
      el.append(twisty, kind, code, title);
      space.append(el);
    });
    if (selected >= 0 && $('row-' + selected)) tree.setAttribute('aria-activedescendant', 'row-' + selected);
    else tree.removeAttribute('aria-activedescendant');
  }
  $('tree').addEventListener('scroll', () => requestAnimationFrame(draw));
  new ResizeObserver(() => draw()).observe($('tree'));

  function scrollToRow(r) {
    const tree = $('tree');
    const top = r * rowHeight;
    if (top < tree.scrollTop) tree.scrollTop = top;
    else if (top + rowHeight > tree.scrollTop + tree.clientHeight) tree.scrollTop = top + rowHeight - tree.clientHeight;
  }
  async function select(i, r) {
    await commitForm();
    selected = i;
    row = r !== undefined ? r : await ask('reveal', i);
    if (row >= 0) scrollToRow(row);
    await draw();
    await loadForm();
    status();
  }

  $('tree').addEventListener('click', async (e) => {
    const el = e.target.closest('[role=treeitem]');
    if (!el) return;
    const i = Number(el.dataset.i);
    if (e.target.classList.contains('twisty') && el.hasAttribute('aria-expanded')) {
      await ask('toggle', i, el.getAttribute('aria-expanded') !== 'true');
    }
    await select(i, Number(el.dataset.row));
    $('tree').focus();
  });

  // Keyboard as in the tree pattern; Alt with the arrows moves the selected record.
  $('tree').addEventListener('keydown', async (e) => {
    if (!total) return;
    const page = Math.max(1, Math.floor($('tree').clientHeight / rowHeight) - 1);
    const go = async (r) => {
      r = Math.max(0, Math.min(total - 1, r));
      const v = await ask('view', r, 1);
      if (v.rows.length) await select(v.rows[0].i, r);
    };
    const current = async () => (row >= 0 ? (await ask('view', row, 1)).rows[0] : null);
    if (e.altKey) {
      const moves = { ArrowUp: () => move(-1), ArrowDown: () => move(1), ArrowRight: intoPrevious, ArrowLeft: outOfFolder };
      if (moves[e.key]) { e.preventDefault(); await moves[e.key](); }
      return;
    }
    switch (e.key) {
      case 'ArrowDown': e.preventDefault(); return go(row + 1);
      case 'ArrowUp': e.preventDefault(); return go(row < 0 ? 0 : row - 1);
      case 'Home': e.preventDefault(); return go(0);
      case 'End': e.preventDefault(); return go(total - 1);
      case 'PageDown': e.preventDefault(); return go(row + page);
      case 'PageUp': e.preventDefault(); return go(row - page);
      case 'ArrowRight': {
        e.preventDefault();
        const r = await current();
        if (!r || !r.holds) return;
        if (!r.open) { await ask('toggle', r.i, true); return draw(); }
        return go(row + 1);
      }
      case 'ArrowLeft': {
        e.preventDefault();
        const r = await current();
        if (!r) return;
        if (r.holds && r.open) { await ask('toggle', r.i, false); return draw(); }
        const p = await ask('parent', r.i);
        if (p >= 0) return select(p);
        return;
      }
      case 'Delete': e.preventDefault(); return remove();
    }
  });

  // Drag and drop: a row onto a folder moves it in; onto the tree's empty space, to the top level.
  let dragged = -1;
  $('tree').addEventListener('dragstart', (e) => {
    const el = e.target.closest('[role=treeitem]');
    if (!el) return;
    dragged = Number(el.dataset.i);
    e.dataTransfer.setData('text/plain', '');
    e.dataTransfer.effectAllowed = 'move';
  });
  $('tree').addEventListener('dragover', (e) => {
    if (dragged < 0) return;
    e.preventDefault();
    e.stopPropagation();
    for (const d of document.querySelectorAll('.drop')) d.classList.remove('drop');
    const el = e.target.closest('[role=treeitem]');
    if (el) el.classList.add('drop');
  });
  $('tree').addEventListener('drop', async (e) => {
    if (dragged < 0) return;
    e.preventDefault();
    e.stopPropagation();
    const el = e.target.closest('[role=treeitem]');
    const from = dragged;
    dragged = -1;
    const target = el ? Number(el.dataset.i) : -1;
    if (target === from) return draw();
    if (target >= 0 && !(await ask('get', target)).folder) return draw();
    await edit(() => ask('moveInto', from, target));
  });
  $('tree').addEventListener('dragend', () => { dragged = -1; draw(); });

  // ---- the form ---------------------------------------------------------------------------
  const codes = ['D', 'E', 'R', 'S', 'C', 'P', 'K'];
  let formFor = -1;        // the record the form shows
  let formFolder = false;
  let formRaw = null;      // the fields as loaded, for values the controls cannot name
  function fillCodes() {
    const keep = $('f-code').value;
    $('f-code').textContent = '';
    $('f-code').append(new Option(t('none'), ''), ...codes.map((c) => new Option(c, c)));
    $('f-code').value = keep;
    const kindKeep = $('f-kind').value;
    $('f-kind').textContent = '';
    $('f-kind').append(new Option(kindWords('one-time'), 'one-time'), new Option(kindWords('locked'), 'locked'));
    $('f-kind').value = kindKeep;
  }
  async function loadForm() {
    if (selected < 0) { $('form').hidden = true; formFor = -1; return; }
    const r = await ask('get', selected);
    formFor = selected;
    formFolder = r.folder;
    formRaw = r;
    $('form').hidden = false;
    $('path').textContent = r.path || '/';
    $('entry-only').hidden = r.folder;
    $('folder-only').hidden = !r.folder;
    $('kind-entry').hidden = r.folder;
    $('kind-folder').hidden = !r.folder;
    $('f-title').value = r.title;
    $('f-text').value = r.folder ? '' : r.text;
    $('f-comment').value = r.folder ? r.comment : '';
    $('f-macro').value = r.macro;
    fillCodes();
    for (const [select, value] of [[$('f-kind'), r.kind], [$('f-code'), r.letterCode === null ? '' : String(r.letterCode)]]) {
      if (!r.folder || select === $('f-code')) {
        if (![...select.options].some((o) => o.value === value)) select.append(new Option(value, value));
        select.value = value;
      }
    }
    $('f-flag-h').checked = / H/.test(r.kind);
    $('f-flag-o').checked = / O/.test(r.kind);
    showCarry(r.carry);
  }
  // A text box's value with the record's own line breaks: a text box gives every line break as
  // LF, so a field left as it was keeps its text exactly, and an edited one gets the breaks its
  // text had (CR LF where it had none).
  function fieldValue(id, original) {
    const value = $(id).value;
    if (value === original.replace(/\r\n?/g, '\n')) return original;
    const lineBreak = /\r\n/.test(original) || !/[\r\n]/.test(original) ? '\r\n' : /\r/.test(original) ? '\r' : '\n';
    return value.replace(/\n/g, lineBreak);
  }
  function formFields() {
    const number = (v) => (/^\d+$/.test(v) ? Number(v) : v);
    const f = {};
    if (formFolder) {
      const raw = formRaw.kind;
      const named = typeof raw === 'string' && raw.startsWith('folder');
      const flags = ($('f-flag-h').checked ? ' H' : '') + ($('f-flag-o').checked ? ' O' : '');
      f.kind = named || flags ? 'folder' + flags : raw;
    } else {
      f.kind = number($('f-kind').value);
    }
    const code = $('f-code').value;
    f.letterCode = code === '' ? null : number(code);
    f.title = fieldValue('f-title', formRaw.title);
    if (formFolder) f.comment = fieldValue('f-comment', formRaw.comment); else f.text = fieldValue('f-text', formRaw.text);
    f.macro = fieldValue('f-macro', formRaw.macro);
    return f;
  }
  function showCarry(findings) {
    for (const id of ['title', 'text', 'comment', 'macro', 'kind', 'letterCode', 'record']) $('c-' + id).textContent = '';
    for (const [field, reason] of findings) {
      const el = $('c-' + field) || $('c-record');
      el.textContent = (el.textContent ? el.textContent + '\n' : '') + reason;
    }
    // Lone surrogates, which a text box shows as nothing readable, beside their field.
    for (const id of ['title', 'text', 'comment', 'macro']) {
      const value = $('f-' + id).value;
      if (value.match(lone)) {
        const note = shown(value, document.createElement('span'));
        $('c-' + id).append(document.createElement('br'), note);
      }
    }
  }
  let carryTimer = 0;
  $('form').addEventListener('input', () => {
    clearTimeout(carryTimer);
    carryTimer = setTimeout(async () => {
      if (formFor < 0) return;
      try { showCarry(await ask('carry', formFields())); } catch (e) { showMessage(e.message); }
    }, 120);
  });
  // The form's fields into the record, as one step to undo, when they differ.
  async function commitForm() {
    if (formFor < 0) return;
    const f = formFields();
    const r = formRaw;
    const same = f.title === r.title && f.macro === r.macro && (r.folder ? f.comment === r.comment : f.text === r.text) &&
      String(f.kind) === String(r.kind) && String(f.letterCode) === String(r.letterCode);
    if (same) return;
    formRaw = { ...r, ...f };
    try {
      summary = await ask('set', formFor, f);
      dirty = true;
      status();
      draw();
    } catch (e) {
      showMessage(e.message);
    }
  }
  $('form').addEventListener('change', () => commitForm());
  $('form').addEventListener('submit', (e) => e.preventDefault());

  // ---- edits ------------------------------------------------------------------------------
  async function edit(step) {
    await commitForm();
    try {
      const s = await step();
      summary = s;
      dirty = true;
      if (s.at !== undefined) selected = s.at;
      if (selected >= s.records) selected = s.records - 1;
      formFor = -1;
      await select(selected);
    } catch (e) {
      showMessage(e.message);
    }
  }
  const remove = () => selected >= 0 && edit(() => ask('delete', selected));
  const move = (dir) => selected >= 0 && edit(() => ask('move', selected, dir));
  // Alt+Right: into the folder just above; Alt+Left: out of the folder it is in.
  async function intoPrevious() {
    if (row <= 0) return;
    const above = (await ask('view', row - 1, 1)).rows[0];
    let folder = above.folder ? above.i : await ask('parent', above.i);
    if (folder >= 0 && folder !== (await ask('parent', selected))) await edit(() => ask('moveInto', selected, folder));
  }
  async function outOfFolder() {
    const p = await ask('parent', selected);
    if (p >= 0) await edit(async () => ask('moveInto', selected, await ask('parent', p)));
  }
  $('add-entry').onclick = () => edit(() => ask('add', selected, { kind: 'locked', title: t('newEntry'), text: '' }));
  $('add-folder').onclick = () => edit(() => ask('add', selected, { kind: 'folder', title: t('newFolder') }));
  $('duplicate').onclick = () => selected >= 0 && edit(() => ask('duplicate', selected));
  $('delete').onclick = remove;
  $('up').onclick = () => move(-1);
  $('down').onclick = () => move(1);
  $('undo').onclick = () => edit(() => ask('undo'));
  $('redo').onclick = () => edit(() => ask('redo'));
  document.addEventListener('keydown', (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.target.matches('textarea, input')) return;
    if (e.key === 'z') { e.preventDefault(); $('undo').click(); }
    if (e.key === 'y') { e.preventDefault(); $('redo').click(); }
  });

  // ---- open, save, export, check, compare -----------------------------------------------
  const kindOfName = (name) => (/\.json$/i.test(name) ? 1 : /\.csv$/i.test(name) ? 2 : 0);
  function download(bytes, name, type) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type }));
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }
  async function openFile(file, fileHandle) {
    if (!file) return;
    if (dirty && !confirm(t('unsaved'))) return;
    try {
      const bytes = await file.arrayBuffer();
      summary = await ask('open', bytes, kindOfName(file.name), file.name);
      fileName = file.name;
      handle = fileHandle || null;
      dirty = false;
      selected = -1;
      formFor = -1;
      $('tree').scrollTop = 0;
      showMessage('');
      report('');
      await loadForm();
      status();
      await draw();
      $('file-name').textContent = file.name;
      // Then what check says of it, and whether a save would change its bytes.
      const r = await ask('openedReport', file.name);
      sameBytes = r.sameBytes || kindOfName(file.name) !== 0;
      showMessage(sameBytes ? '' : t('willChange'), true);
      report(r.identical ? '' : r.check);
    } catch (e) {
      showMessage(e.message);
    }
  }
  $('open').addEventListener('change', (e) => { openFile(e.target.files[0]); e.target.value = ''; });
  document.addEventListener('dragover', (e) => { if (dragged < 0) e.preventDefault(); });
  document.addEventListener('drop', async (e) => {
    if (dragged >= 0 || !e.dataTransfer.files.length) return;
    e.preventDefault();
    const file = e.dataTransfer.files[0];
    const item = e.dataTransfer.items[0];
    const h = item && item.getAsFileSystemHandle ? item.getAsFileSystemHandle() : null;
    openFile(file, h ? await h.catch(() => null) : null);
  });
  // Saving in place, where the browser offers file access: into the dropped file, else into one
  // the user picks; only after the warning that the browser replaces the file.
  $('save-in-place').hidden = !('showSaveFilePicker' in window);
  $('save-in-place').onclick = async () => {
    await commitForm();
    if (!confirm(t('inPlace'))) return;
    try {
      const name = await ask('saveName', fileName || t('untitled'));
      const target = handle && handle.kind === 'file' && handle.name === name ? handle : await showSaveFilePicker({ suggestedName: name });
      const writable = await target.createWritable();
      await writable.write(await ask('save'));
      await writable.close();
      handle = target;
      dirty = false;
      showMessage(t('saved')(target.name), true);
    } catch (e) {
      if (e.name !== 'AbortError') showMessage(e.message);
    }
  };
  $('new').onclick = async () => {
    if (dirty && !confirm(t('unsaved'))) return;
    summary = await ask('new');
    fileName = '';
    sameBytes = true;
    dirty = false;
    selected = -1;
    $('file-name').textContent = '';
    report('');
    showMessage('');
    await loadForm();
    status();
    draw();
  };
  const stem = async () => (await ask('saveName', fileName || t('untitled'))).replace(/\.peltatxt$/, '');
  $('save').onclick = async () => {
    await commitForm();
    if (!sameBytes && !dirty && !confirm(t('changes'))) return;
    try {
      const name = await ask('saveName', fileName || t('untitled'));
      download(await ask('save'), name, 'application/octet-stream');
      dirty = false;
      showMessage(t('saved')(name), true);
    } catch (e) { showMessage(e.message); }
  };
  $('export-json').onclick = async () => {
    await commitForm();
    try { download(await ask('export', 0, fileName), (await stem()) + '.json', 'application/json'); } catch (e) { showMessage(e.message); }
  };
  $('export-csv').onclick = async () => {
    await commitForm();
    try { download(await ask('export', 2, fileName), (await stem()) + '.csv', 'text/csv'); } catch (e) { showMessage(e.message); }
  };
  $('check').onclick = async () => {
    await commitForm();
    try { report((await ask('check', fileName || t('untitled'))).text); } catch (e) { showMessage(e.message); }
  };
  $('compare').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    await commitForm();
    try {
      const d = await ask('compare', await file.arrayBuffer(), kindOfName(file.name), fileName || t('untitled'), file.name);
      report(d.equal ? '=' : d.text);
    } catch (err) { showMessage(err.message); }
  });
  window.addEventListener('beforeunload', (e) => {
    if (!dirty) return;
    e.preventDefault();
    e.returnValue = '';
  });

  // ---- search -----------------------------------------------------------------------------
  let searchTimer = 0;
  $('search').addEventListener('input', () => {
    clearTimeout(searchTimer);
    searchTimer = setTimeout(search, 150);
  });
  async function search() {
    const q = $('search').value;
    $('results').hidden = !q;
    $('tree').hidden = !!q;
    if (!q) return draw();
    const found = await ask('search', q, 500);
    if ($('search').value !== q) return;
    const list = $('results');
    list.textContent = '';
    const head = document.createElement('li');
    head.textContent = t('found')(found.count);
    list.append(head);
    for (const h of found.hits) {
      const li = document.createElement('li');
      li.dataset.i = h.i;
      li.tabIndex = 0;
      const path = document.createElement('span');
      path.className = 'path';
      shown(h.path || t('topLevel'), path);
      const kind = document.createElement('span');
      kind.className = 'kind';
      kind.textContent = kindWords(h.kind);
      li.append(path, kind, shown(h.title, document.createElement('span')));
      list.append(li);
    }
  }
  $('results').addEventListener('click', (e) => {
    const li = e.target.closest('li[data-i]');
    if (!li) return;
    for (const c of document.querySelectorAll('#results .current')) c.classList.remove('current');
    li.classList.add('current');
    select(Number(li.dataset.i));
  });
  $('results').addEventListener('keydown', (e) => { if (e.key === 'Enter') e.target.click(); });

  $('lang').onchange = () => { lang = $('lang').value; applyWords(); };

  // ---- start ------------------------------------------------------------------------------
  const wasm = Uint8Array.from(atob($('module').textContent.trim()), (c) => c.charCodeAt(0));
  ask('init', wasm.buffer).then((s) => { summary = s; applyWords(); }, (e) => showMessage(e.message));
  applyWords();
})();
