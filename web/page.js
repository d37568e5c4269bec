// The page around the program: canvas size, progress, errors on the page,
// pointer lock, wheel and touch, the buttons, the note, a lost context.
// Relative URLs only, so that the folder works from any static server and
// sub-path.
'use strict';
(function () {
  var canvas = document.getElementById('canvas');
  var statusBox = document.getElementById('status');
  var statusText = document.getElementById('status-text');
  var bar = document.querySelector('#bar div');
  var note = document.getElementById('note');
  var errorBox = document.getElementById('error');
  var query = location.search || '';
  var params = new URLSearchParams(query);
  var touch = (window.matchMedia && matchMedia('(pointer: coarse)').matches) || 'ontouchstart' in window;
  var started = false;
  var failed = false;
  var shown = {};
  // The program's lines for the note: the quality in force and what F2
  // gives, the canvas's drawing size, the renderer.
  var noteParts = { software: '', quality: '', f2: '', canvas: '', lost: '', address: [] };

  function state(name) { document.body.setAttribute('data-state', name); }
  state('loading');

  // Each message once; after the first failure the progress stays hidden.
  function showError(text) {
    if (shown[text]) return;
    shown[text] = true;
    failed = true;
    state('error');
    errorBox.style.display = 'block';
    errorBox.textContent += (errorBox.textContent ? '\n' : '') + text;
    statusBox.style.display = 'none';
  }
  function progress(fraction, text) {
    if (failed) return;
    statusBox.style.display = fraction === null ? 'none' : 'block';
    if (text) statusText.textContent = text;
    if (fraction !== null) bar.style.width = Math.round(100 * Math.max(0, Math.min(1, fraction))) + '%';
  }
  // Device pixels the canvas covers.
  function canvasSize() {
    var ratio = window.devicePixelRatio || 1;
    return [Math.max(1, Math.round(canvas.clientWidth * ratio)), Math.max(1, Math.round(canvas.clientHeight * ratio))];
  }
  function line() {
    return function (text) {
      if (/ERROR/.test(text)) { console.error(text); showError(text); }
      else if (/WARNING/.test(text)) {
        console.warn(text);
        // What the address asked and was refused is the reader's own doing:
        // said on the page too.
        if (/the address/.test(text)) { noteParts.address.push(text.replace(/^WARNING: /, '')); showNote(); }
      }
      else console.log(text);
    };
  }

  function showNote() {
    note.textContent = '';
    if (noteParts.lost) { note.textContent = noteParts.lost; return; }
    noteParts.address.forEach(function (w) {
      var line = document.createElement('div');
      line.className = 'warning';
      line.textContent = w.charAt(0).toUpperCase() + w.slice(1);
      note.appendChild(line);
    });
    var text = noteParts.software;
    if (noteParts.quality) text += noteParts.quality.replace(/^quality: /, 'Quality ') + '.';
    if (noteParts.canvas) text += (text ? ' ' : '') + noteParts.canvas;
    note.appendChild(document.createTextNode(text));
    if (!noteParts.f2) return;
    if (touch) {
      var b = document.createElement('button');
      b.textContent = 'Switch to ' + noteParts.f2.replace(/ \(.*$/, '');
      b.addEventListener('click', function (e) {
        e.stopPropagation();
        // F2 (259 in the program's key numbers)
        if (started) { Module._orbisk_key(259, 1); Module._orbisk_key(259, 0); }
      });
      note.appendChild(document.createTextNode(' '));
      note.appendChild(b);
    } else {
      note.appendChild(document.createTextNode(' F2 switches to ' + noteParts.f2 + '.'));
    }
  }

  // What the browser could not fetch, in one plain sentence each.
  var fileRoles = {
    'orbisk.js': 'the program',
    'orbisk.wasm': 'the program',
    'orbisk.data': 'the scene\'s models, textures and shaders',
  };
  function missingFile(name) {
    var role = fileRoles[name] ? ' (' + fileRoles[name] + ')' : '';
    showError('ERROR: the page could not load ' + name + role + ' from the server; it must lie beside index.html.');
  }
  window.addEventListener('error', function (e) {
    var where = e.target && e.target !== window && (e.target.src || e.target.href);
    if (where) { missingFile(String(where).replace(/[?#].*$/, '').replace(/^.*\//, '')); return; }
    var file = /orbisk\.(data|wasm|js)\b/.exec(e.message || '');
    if (file && /not found|network|fetch|load/i.test(e.message)) { missingFile(file[0]); return; }
    if (failed) return;  // the first failure says what matters
    // A C++ exception reaches JavaScript as a bare number.
    if (/^(Uncaught )?\d+$/.test(e.message || '')) showError('ERROR: the program stopped on an internal fault; reloading the page starts it again.');
    else showError('ERROR: ' + (e.message || 'the page failed'));
  }, true);
  window.addEventListener('unhandledrejection', function (e) {
    if (failed) return;
    showError('ERROR: ' + (e.reason && e.reason.message ? e.reason.message : e.reason));
  });

  // The renderer, WebGL2 itself and its size limits, asked before the
  // program starts.
  var probe = document.createElement('canvas').getContext('webgl2');
  if (!probe) {
    showError('ERROR: this browser offers no WebGL2, which Orbisk needs.');
    console.error('ERROR: this browser offers no WebGL2, which Orbisk needs.');
    return;
  }
  var info = probe.getExtension('WEBGL_debug_renderer_info');
  var renderer = info ? String(probe.getParameter(info.UNMASKED_RENDERER_WEBGL)) : String(probe.getParameter(probe.RENDERER));
  var softwareName = /swiftshader|llvmpipe|softpipe|lavapipe|microsoft basic render|software/i.exec(renderer);
  var software = !!softwareName;
  var viewport = probe.getParameter(probe.MAX_VIEWPORT_DIMS);
  var limits = [viewport[0], viewport[1], probe.getParameter(probe.MAX_RENDERBUFFER_SIZE),
                probe.getParameter(probe.MAX_TEXTURE_SIZE)].map(String);
  var lose = probe.getExtension('WEBGL_lose_context');
  if (lose) lose.loseContext();
  if (software) noteParts.software = 'No GPU (' + softwareName[0] + '). ';

  var size = canvasSize();
  var args = ['--size', String(size[0]), String(size[1]), '--limits'].concat(limits, ['--query', query]);
  if (software) args.push('--software');

  function save(name, blob) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    setTimeout(function () { URL.revokeObjectURL(link.href); link.remove(); }, 1000);
  }

  window.Module = {
    canvas: canvas,
    arguments: args,
    orbiskRenderer: renderer,
    orbiskScreen: size,
    print: line(),
    printErr: line(),
    locateFile: function (path) { return path; },
    setStatus: function (text) {
      var m = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text || '');
      if (m) progress(parseFloat(m[1]) / parseFloat(m[2]), 'Downloading…');
      else if (text) progress(1, 'Starting…');
    },
    monitorRunDependencies: function () {},
    onRuntimeInitialized: function () {
      progress(1, 'Loading the scene…');
      // The status is painted before the scene loads in one call.
      requestAnimationFrame(function () { setTimeout(function () {
        started = true;
        try { Module.callMain(args); } catch (e) { if (!(e && e.name === 'ExitStatus')) showError('ERROR: ' + e); }
      }, 0); });
    },
    onAbort: function (what) {
      // Before the program runs, an abort means its code could not be
      // fetched or compiled; the toolchain's own words go to the console.
      if (!started) { console.error(String(what)); missingFile('orbisk.wasm'); }
      else showError('ERROR: the program stopped: ' + what);
    },
    // The scene loads a step an animation frame; the bar follows the steps.
    orbiskLoading: function (done, total, next) {
      if (done >= total) progress(null);
      else progress(done / total, 'Loading the scene… ' + next.replace(/^loading /, '').replace(/\\/g, '/'));
    },
    orbiskState: function (name) {
      state(name);
      if (name !== 'lost' && noteParts.lost) { noteParts.lost = ''; showNote(); }
      if (name === 'loading' && started) progress(0, 'Loading the scene…');
    },
    orbiskQuality: function (now, f2) {
      noteParts.quality = now;
      noteParts.f2 = f2;
      showNote();
    },
    orbiskCanvasNote: function (text) {
      if (noteParts.canvas === text) return;
      noteParts.canvas = text;
      showNote();
    },
    // F12's picture comes as the program's plain PNG; the browser's own
    // encoder compresses it (a tenth of the size), the pixels unchanged.
    orbiskDownload: function (name, bytes) {
      var plain = new Blob([bytes], { type: 'image/png' });
      if (!window.createImageBitmap) { save(name, plain); return; }
      createImageBitmap(plain, { premultiplyAlpha: 'none', colorSpaceConversion: 'none' }).then(function (image) {
        var c = document.createElement('canvas');
        c.width = image.width;
        c.height = image.height;
        c.getContext('2d').drawImage(image, 0, 0);
        c.toBlob(function (blob) { save(name, blob && blob.size < plain.size ? blob : plain); }, 'image/png');
      }, function () { save(name, plain); });
    },
    orbiskPictureComplete: function () { document.title = 'Orbisk: picture complete'; },
  };
  // ?s3tc=0 hides the compressed texture extension, as browsers without it do.
  if (params.get('s3tc') === '0') {
    var get = WebGL2RenderingContext.prototype.getExtension;
    WebGL2RenderingContext.prototype.getExtension = function (name) {
      return /s3tc/i.test(name) ? null : get.call(this, name);
    };
    var list = WebGL2RenderingContext.prototype.getSupportedExtensions;
    WebGL2RenderingContext.prototype.getSupportedExtensions = function () {
      return (list.call(this) || []).filter(function (n) { return !/s3tc/i.test(n); });
    };
  }

  // The canvas follows the window and the device pixel ratio.
  function resized() {
    var s = canvasSize();
    Module.orbiskScreen = s;
    if (started && Module._orbisk_resize) Module._orbisk_resize(s[0], s[1]);
  }
  window.addEventListener('resize', resized);
  if (window.matchMedia) {
    (function watchRatio() {
      var m = matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
      m.addEventListener('change', function () { resized(); watchRatio(); }, { once: true });
    })();
  }

  // Hidden or frozen, the page draws no frames; the flight waits for it.
  function pause() { if (started && Module._orbisk_pause) Module._orbisk_pause(); }
  document.addEventListener('visibilitychange', function () { if (document.hidden) pause(); });
  document.addEventListener('freeze', pause);
  window.addEventListener('pagehide', pause);

  // A lost context can come back only if the page says it wants it back.
  // Without it for long, a reload is the way.
  var reloadTimer = 0;
  canvas.addEventListener('webglcontextlost', function (e) {
    e.preventDefault();
    noteParts.lost = 'The picture was lost (the browser took back its WebGL context); restoring it…';
    showNote();
    if (started && Module._orbisk_context_lost) Module._orbisk_context_lost();
    clearTimeout(reloadTimer);
    reloadTimer = setTimeout(function () {
      noteParts.lost = 'The picture could not be restored. ';
      showNote();
      var b = document.createElement('button');
      b.id = 'reload';
      b.textContent = 'Reload the page';
      b.addEventListener('click', function () { location.reload(); });
      note.appendChild(b);
    }, 15000);
  });
  canvas.addEventListener('webglcontextrestored', function () {
    clearTimeout(reloadTimer);
    noteParts.lost = 'The picture is being restored…';
    showNote();
    if (started && Module._orbisk_context_restored) Module._orbisk_context_restored();
  });

  // Pointer: a click captures it for mouse-look; Escape releases it (the
  // browser does that). Motion turns only while captured.
  function locked() { return document.pointerLockElement === canvas; }
  function running() { return started && document.body.getAttribute('data-state') === 'running'; }
  canvas.addEventListener('click', function () {
    if (running() && !touch && !locked() && canvas.requestPointerLock) canvas.requestPointerLock();
  });
  window.addEventListener('mousemove', function (e) {
    e.stopPropagation();
    if (started && locked() && (e.movementX || e.movementY)) Module._orbisk_turn(e.movementX | 0, e.movementY | 0);
  }, true);
  // Wheel and touchpad in notches: a line is a third of one, 100 pixels one.
  window.addEventListener('wheel', function (e) {
    e.stopPropagation();
    e.preventDefault();
    if (!started) return;
    var unit = e.deltaMode === 1 ? 3 : e.deltaMode === 2 ? 1 : 100;
    Module._orbisk_wheel(-e.deltaY / unit);
  }, { capture: true, passive: false });
  // The browser would take F2, F3 and F12 for itself.
  window.addEventListener('keydown', function (e) {
    if (e.key === 'F2' || e.key === 'F3' || e.key === 'F12') e.preventDefault();
  });

  // Touch: one finger drags the scene with it, two pinch the field of view.
  var touches = {}, pinch = 0;
  function spread() {
    var ids = Object.keys(touches);
    if (ids.length < 2) return 0;
    var a = touches[ids[0]], b = touches[ids[1]];
    return Math.hypot(a.x - b.x, a.y - b.y);
  }
  function onTouch(e) {
    if (e.target !== canvas) return;
    e.stopPropagation();
    e.preventDefault();
    if (!started) return;
    for (var i = 0; i < e.changedTouches.length; ++i) {
      var t = e.changedTouches[i];
      if (e.type === 'touchend' || e.type === 'touchcancel') { delete touches[t.identifier]; continue; }
      var before = touches[t.identifier];
      touches[t.identifier] = { x: t.clientX, y: t.clientY };
      // A turn moves the scene against the pointer; the finger carries it.
      if (e.type === 'touchmove' && before && Object.keys(touches).length === 1)
        Module._orbisk_turn(Math.round(before.x - t.clientX), Math.round(before.y - t.clientY));
    }
    var now = spread();
    if (e.type === 'touchmove' && pinch > 0 && now > 0) Module._orbisk_wheel((now - pinch) / 40);
    pinch = now;
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (type) {
    window.addEventListener(type, onTouch, { capture: true, passive: false });
  });

  function button(id, action) {
    document.getElementById(id).addEventListener('click', function (e) { e.stopPropagation(); if (running()) action(); });
  }
  button('fly', function () { Module._orbisk_key(80, 1); Module._orbisk_key(80, 0); });
  button('now', function () { Module._orbisk_key(78, 1); Module._orbisk_key(78, 0); });
  button('save', function () { Module._orbisk_save_picture(); });
  button('full', function () {
    var done = document.fullscreenElement ? document.exitFullscreen() : document.documentElement.requestFullscreen();
    if (done && done.catch) done.catch(function (e) { console.warn('WARNING: full screen refused: ' + e.message); });
  });

  var script = document.createElement('script');
  script.src = 'orbisk.js';
  document.body.appendChild(script);
})();
