// The page around the program: the stored levels folder (kept in the browser's IndexedDB), the address
// (?load=, ?triggers=1, #level=), the toolbar buttons and the page API window.tumblebox.
'use strict';
(function () {
  const canvas = document.getElementById('canvas');
  const statusLine = document.getElementById('status');
  const params = new URLSearchParams(location.search);
  let started = false;
  let resolveReady, rejectReady;
  const ready = new Promise((resolve, reject) => { resolveReady = resolve; rejectReady = reject; });
  let framesAtMark = 0, timeAtMark = 0, fps = 0;

  function setStatus(text) { statusLine.textContent = text; }

  function showMessage(title, text) {
    document.getElementById('message-title').textContent = title;
    document.getElementById('message-text').textContent = text;
    document.getElementById('message').style.display = 'block';
  }
  document.getElementById('message-ok').onclick = () => {
    document.getElementById('message').style.display = 'none';
    canvas.focus();
  };

  // ---- Bytes and base64url --------------------------------------------------------------------------------
  function bytesAt(ptr) {
    let end = ptr;
    while (Module.HEAPU8[end] !== 0) ++end;
    return Module.HEAPU8.slice(ptr, end);
  }
  function toBase64Url(bytes) {
    let s = '';
    for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(s).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  // null when the text is not base64url
  function fromBase64Url(text) {
    if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) return null;
    try {
      const s = atob(text.replace(/-/g, '+').replace(/_/g, '/') + '==='.slice((text.length + 3) % 4));
      const out = new Uint8Array(s.length);
      for (let i = 0; i < s.length; ++i) out[i] = s.charCodeAt(i);
      return out;
    } catch (e) {
      return null;
    }
  }
  function withBytes(bytes, f) {
    const ptr = Module._malloc(bytes.length + 1);
    Module.HEAPU8.set(bytes, ptr);
    Module.HEAPU8[ptr + bytes.length] = 0;
    try { return f(ptr); } finally { Module._free(ptr); }
  }
  function levelBytes() { return bytesAt(Module._tb_level_text()); }
  function levelPath() { return Module.UTF8ToString(Module._tb_level_path()); }

  // ---- The stored levels folder ---------------------------------------------------------------------------
  let syncing = false, syncAgain = false;
  function persist() {
    if (syncing) { syncAgain = true; return; }
    syncing = true;
    Module.FS.syncfs(false, (err) => {
      syncing = false;
      if (err) {
        const why = err.message || (err.name ? err.name : String(err));
        setStatus('saving failed: ' + why);
        showMessage('saving failed', 'The levels could not be stored in the browser: ' + why +
                    '\nUse Download to keep the current level.');
      }
      if (syncAgain) { syncAgain = false; persist(); }
    });
  }
  // Demo levels the stored folder lacks are copied in; stored ones (perhaps edited) stay.
  function copyMissing(from, to) {
    const FS = Module.FS;
    for (const name of FS.readdir(from)) {
      if (name === '.' || name === '..') continue;
      const src = from + '/' + name, dst = to + '/' + name;
      if (FS.isDir(FS.stat(src).mode)) {
        if (!FS.analyzePath(dst).exists) FS.mkdir(dst);
        copyMissing(src, dst);
      } else if (!FS.analyzePath(dst).exists) {
        FS.writeFile(dst, FS.readFile(src));
      }
    }
  }

  function commandLine() {
    const args = [];
    if (params.get('load')) args.push('--load', params.get('load'));
    if (params.get('triggers') === '1') args.push('--triggers');
    if (params.get('run') === '1') args.push('--run');
    if (params.get('seed')) args.push('--seed', params.get('seed'));
    return args;
  }

  function openLinkedLevel() {
    const m = /(?:^#|&)level=([^&]*)/.exec(location.hash);
    if (!m) return;
    const bytes = fromBase64Url(m[1]);
    if (bytes === null) {
      withBytes(new Uint8Array(0), (ptr) => Module._tb_load_text(ptr, 0));
      showMessage('Error', 'The link\'s level data is not base64url: an empty world is opened instead.');
      return;
    }
    withBytes(bytes, (ptr) => Module._tb_load_text(ptr, bytes.length));
  }

  window.Module = {
    canvas: canvas,
    arguments: [],
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    showMessage: showMessage,
    // A copy of bodies (Ctrl+C, Ctrl+X) also goes to the system clipboard, when the browser lets the page.
    copyText: (text) => {
      if (navigator.clipboard && navigator.clipboard.writeText)
        navigator.clipboard.writeText(text).catch(() => {});
    },
    preRun: [() => {
      const FS = Module.FS;
      FS.mkdir('/levels');
      FS.mount(Module.IDBFS, {}, '/levels');
      Module.addRunDependency('stored-levels');
      FS.syncfs(true, (err) => {
        if (err) showMessage('Error', 'The stored levels could not be read: ' + (err.message || err));
        Module.removeRunDependency('stored-levels');
      });
    }],
    onRuntimeInitialized: () => {
      try { copyMissing('/demo-levels', '/levels'); } catch (e) { console.warn(e); }
      persist();
      Module.callMain(commandLine());
    },
    onStart: () => {
      started = true;
      openLinkedLevel();
      setStatus('Ready. Click the picture to give it the keyboard.');
      canvas.focus();
    },
    onFrame: () => {
      const now = performance.now();
      const frames = Module._tb_frames();
      if (frames === 1) resolveReady();
      if (now - timeAtMark >= 1000) {
        fps = (frames - framesAtMark) * 1000 / (now - timeAtMark || 1);
        framesAtMark = frames;
        timeAtMark = now;
      }
    },
    onEnd: () => {
      persist();
      setStatus('Tumblebox has ended. Reload the page to start again.');
    },
    onAbort: (what) => {
      rejectReady(new Error(String(what)));
      setStatus('Tumblebox stopped: ' + what);
    },
    setStatus: (text) => { if (text) setStatus(text); },
    storeLevels: () => persist(),
  };

  // Saves are stored as they finish (storeLevels); whatever else the folder gets lands within a moment.
  setInterval(() => { if (started) persist(); }, 1500);

  // ---- Toolbar ----------------------------------------------------------------------------------------------
  document.getElementById('new').onclick = () => {
    // Ctrl+N belongs to the browser: the button presses it for the program.
    Module._tb_key(29, 1); Module._tb_key(49, 1); Module._tb_key(49, 0); Module._tb_key(29, 0);
    canvas.focus();
  };
  document.getElementById('download').onclick = () => {
    const bytes = levelBytes();
    const name = levelPath().split(/[\\/]/).pop() || 'level.lvl';
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  };
  const fileInput = document.getElementById('file');
  document.getElementById('open').onclick = () => fileInput.click();
  fileInput.onchange = async () => {
    const file = fileInput.files[0];
    fileInput.value = '';
    if (!file) return;
    let name = file.name.replace(/[^A-Za-z0-9._ -]/g, '_');
    if (!/\.lvl$/i.test(name)) name += '.lvl';
    const bytes = new Uint8Array(await file.arrayBuffer());
    try {
      Module.FS.writeFile('/levels/' + name, bytes);
    } catch (e) {
      showMessage('Error', name + ' could not be stored: ' + (e.message || e));
      return;
    }
    persist();
    const path = 'levels\\' + name;
    const len = Module.lengthBytesUTF8(path) + 1;
    const ptr = Module._malloc(len);
    Module.stringToUTF8(path, ptr, len);
    Module._tb_open(ptr);
    Module._free(ptr);
    canvas.focus();
  };
  document.getElementById('share').onclick = async () => {
    const link = location.origin + location.pathname + '#level=' + toBase64Url(levelBytes());
    try {
      await navigator.clipboard.writeText(link);
      setStatus('A link to this level is in the clipboard (' + link.length + ' characters).');
    } catch (e) {
      showMessage('Link to this level', link);
    }
  };

  // A new #level= in the address of an open page opens that level too.
  window.addEventListener('hashchange', () => { if (started) openLinkedLevel(); });

  // A page being left stores what it has (the storage finishes what it has begun).
  window.addEventListener('pagehide', () => { if (started) persist(); });

  window.addEventListener('beforeunload', (e) => {
    if (started && Module._tb_unsaved()) {
      e.preventDefault();
      e.returnValue = '';
    }
  });

  window.tumblebox = {
    ready: ready,
    levelText: () => new TextDecoder('latin1').decode(levelBytes()),
    fps: () => fps,
    frames: () => (started ? Module._tb_frames() : 0),
    // Milliseconds spent so far in the program's frames and in showing them on the canvas.
    timeSpent: () => (started ? { frames: Module._tb_time_spent(0), present: Module._tb_time_spent(1) } : null),
  };
})();
