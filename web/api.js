// api.js — the module's calls for JavaScript: arguments into its memory, answers and failures out.
//
// Texts go in as UTF-8: the page hands the module JSON.stringify's output, which spells a lone
// surrogate as its escape, so nothing is lost on the way; file bytes go in as they are.
'use strict';

function peltatxtApi(M) {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  const answer = () => M.HEAPU8.subarray(M._pt_out(), M._pt_out() + M._pt_out_size());

  // Calls pt_NAME with numbers as they are, strings as NUL-terminated UTF-8 and byte arrays as a
  // pointer and a length; a failure throws its message.
  function call(name, args) {
    const held = [];
    const values = [];
    try {
      for (const a of args) {
        if (typeof a === 'number') {
          values.push(a);
          continue;
        }
        const bytes = typeof a === 'string' ? encoder.encode(a) : a;
        const at = M._malloc(bytes.length + 1);
        if (!at) throw new Error('not enough memory in the page for this file; what was open is kept');
        held.push(at);
        M.HEAPU8.set(bytes, at);
        M.HEAPU8[at + bytes.length] = 0;
        values.push(at);
        if (typeof a !== 'string') values.push(bytes.length);
      }
      if (!M['_pt_' + name](...values)) throw new Error(decoder.decode(answer()));
    } finally {
      for (const at of held) M._free(at);
    }
  }

  return {
    bytes: (name, ...args) => (call(name, args), answer().slice()),
    text: (name, ...args) => (call(name, args), decoder.decode(answer())),
    json: (name, ...args) => (call(name, args), JSON.parse(decoder.decode(answer()))),
    // Per record: depth << 2 | folder << 1 | holds records.
    shape: () => new Uint32Array(M.HEAPU8.buffer, M._pt_shape(), M._pt_shape_size()).slice(),
  };
}

if (typeof module !== 'undefined') module.exports = peltatxtApi;
