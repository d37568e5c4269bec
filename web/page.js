// The page around the program: canvas size, progress, errors on the page,
// pointer lock, wheel and touch, the buttons. Relative URLs only, so that the
// folder works from any static server and sub-path.
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
  var still = params.has('path-time');
  var started = false;
  if (still) document.body.classList.add('still');

  function showError(text) {
    errorBox.style.display = 'block';
    errorBox.textContent += (errorBox.textContent ? '\n' : '') + text;
    statusBox.style.display = 'none';
  }
  function progress(fraction, text) {
    statusBox.style.display = fraction === null ? 'none' : 'block';
    if (text) statusText.textContent = text;
    if (fraction !== null) bar.style.width = Math.round(100 * Math.max(0, Math.min(1, fraction))) + '%';
  }
  // Device pixels the canvas covers.
  function canvasSize() {
    var ratio = window.devicePixelRatio || 1;
    return [Math.max(1, Math.round(canvas.clientWidth * ratio)), Math.max(1, Math.round(canvas.clientHeight * ratio))];
  }
  function line(stream) {
    return function (text) {
      if (/ERROR/.test(text)) { console.error(text); showError(text); }
      else if (/WARNING/.test(text)) console.warn(text);
      else console.log(text);
    };
  }

  // Whatever goes wrong outside the program (a file the server does not
  // have, a failed download) is named on the page too.
  window.addEventListener('error', function (e) {
    var where = e.target && e.target !== window && (e.target.src || e.target.href);
    showError('ERROR: ' + (where ? 'could not load ' + where : e.message || 'the page failed'));
  }, true);
  window.addEventListener('unhandledrejection', function (e) {
    showError('ERROR: ' + (e.reason && e.reason.message ? e.reason.message : e.reason));
  });

  // The renderer and WebGL2 itself, asked before the program starts.
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
  var lose = probe.getExtension('WEBGL_lose_context');
  if (lose) lose.loseContext();
  if (software && !still && !params.has('quality'))
    note.textContent = 'No GPU (' + softwareName[0] + '): fast look. F2 or ?quality=full gives the full look.';

  var size = canvasSize();
  var args = ['--size', String(size[0]), String(size[1]), '--query', query];
  if (software) args.push('--software');

  window.Module = {
    canvas: canvas,
    arguments: args,
    orbiskRenderer: renderer,
    orbiskScreen: size,
    print: line('out'),
    printErr: line('err'),
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
    onAbort: function (what) { showError('ERROR: the program stopped: ' + what); },
    // The scene loads a step an animation frame; the bar follows the steps.
    orbiskLoading: function (done, total, next) {
      if (done >= total) progress(null);
      else progress(done / total, 'Loading the scene… ' + next.replace(/^loading /, ''));
    },
    orbiskDownload: function (name, bytes) {
      var link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], { type: 'image/png' }));
      link.download = name;
      document.body.appendChild(link);
      link.click();
      setTimeout(function () { URL.revokeObjectURL(link.href); link.remove(); }, 1000);
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

  // Pointer: a click captures it for mouse-look; Escape releases it (the
  // browser does that). Motion turns only while captured.
  function locked() { return document.pointerLockElement === canvas; }
  canvas.addEventListener('click', function () {
    if (!still && !locked() && canvas.requestPointerLock) canvas.requestPointerLock();
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

  // Touch: one finger turns, two pinch the field of view.
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
    var ratio = 1;
    for (var i = 0; i < e.changedTouches.length; ++i) {
      var t = e.changedTouches[i];
      if (e.type === 'touchend' || e.type === 'touchcancel') { delete touches[t.identifier]; continue; }
      var before = touches[t.identifier];
      touches[t.identifier] = { x: t.clientX, y: t.clientY };
      if (e.type === 'touchmove' && before && Object.keys(touches).length === 1)
        Module._orbisk_turn(Math.round((t.clientX - before.x) * ratio), Math.round((t.clientY - before.y) * ratio));
    }
    var now = spread();
    if (e.type === 'touchmove' && pinch > 0 && now > 0) Module._orbisk_wheel((now - pinch) / 40);
    pinch = now;
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (type) {
    window.addEventListener(type, onTouch, { capture: true, passive: false });
  });

  function button(id, action) {
    document.getElementById(id).addEventListener('click', function (e) { e.stopPropagation(); if (started) action(); });
  }
  button('fly', function () { Module._orbisk_key(80, 1); Module._orbisk_key(80, 0); });
  button('now', function () { Module._orbisk_key(78, 1); Module._orbisk_key(78, 0); });
  button('save', function () { Module._orbisk_save_picture(); });
  button('full', function () {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen();
  });

  var script = document.createElement('script');
  script.src = 'orbisk.js';
  script.onerror = function () { showError('ERROR: could not load orbisk.js'); };
  document.body.appendChild(script);
})();
