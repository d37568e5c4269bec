// Where the browser's GLFW falls short of what the program asks of a window
// library, and the calls the page makes into the program.
mergeInto(LibraryManager.library, {
  // The browser's GLFW throws here. Key codes already follow the layout
  // (the DOM's keyCode is the letter printed on the key), so no name is needed.
  glfwGetKeyName: function(key, scancode) { return 0; },

  // The browser's GLFW has no video mode; the screen is the area the page
  // gives the canvas, which the window is never asked to exceed.
  $orbiskVideoMode: 0,
  glfwGetVideoMode__deps: ['$orbiskVideoMode', 'malloc'],
  glfwGetVideoMode: function(monitor) {
    if (!orbiskVideoMode) orbiskVideoMode = _malloc(24);
    var size = Module['orbiskScreen'] || [screen.width, screen.height];
    HEAP32[orbiskVideoMode >> 2] = size[0];
    HEAP32[(orbiskVideoMode >> 2) + 1] = size[1];
    HEAP32[(orbiskVideoMode >> 2) + 2] = 8;
    HEAP32[(orbiskVideoMode >> 2) + 3] = 8;
    HEAP32[(orbiskVideoMode >> 2) + 4] = 8;
    HEAP32[(orbiskVideoMode >> 2) + 5] = 60;
    return orbiskVideoMode;
  },

  // The browser's GLFW takes a window the screen's size for a request of full
  // screen, and on a full-screen page overrides the size with the screen's
  // in CSS pixels. The page decides full screen; the window is the canvas's
  // drawing buffer, of exactly the size asked. The browser may give a smaller
  // drawing buffer than asked (it caps the area): the size then shrinks to
  // what it gives, the shape kept, and the canvas's style scales it up.
  glfwSetWindowSize__deps: ['$GLFW', '$Browser', '$GL'],
  glfwSetWindowSize: function(winid, width, height) {
    var win = GLFW.WindowFromId(winid);
    if (!win) return;
    Browser.setCanvasSize(width, height, true);
    var gl = GL.currentContext && GL.currentContext.GLctx;
    if (gl && !gl.isContextLost() && (gl.drawingBufferWidth < width || gl.drawingBufferHeight < height)) {
      var factor = Math.min(gl.drawingBufferWidth / width, gl.drawingBufferHeight / height);
      width = Math.max(1, Math.floor(width * factor));
      height = Math.max(1, Math.floor(height * factor));
      Browser.setCanvasSize(width, height, true);
      err('WARNING: the browser gives the canvas at most ' + width + ' x ' + height + ' pixels; the picture is scaled up');
    }
    win.width = width;
    win.height = height;
    if (win.windowSizeFunc) {{{ makeDynCall('viii', 'win.windowSizeFunc') }}}(win.id, width, height);
  },

  // Whether the WebGL context is lost (before the browser's event says so).
  orbisk_context_is_lost__deps: ['$GL'],
  orbisk_context_is_lost: function() {
    return GL.currentContext && GL.currentContext.GLctx.isContextLost() ? 1 : 0;
  },

  // A restored context has none of the extensions enabled before its loss.
  orbisk_enable_extensions__deps: ['$GL'],
  orbisk_enable_extensions: function() {
    if (!GL.currentContext) return;
    GL.currentContext.initExtensionsDone = false;
    GL.initExtensions(GL.currentContext);
  },

  // GLEW's start-up is the first call after the context exists. WebGL names
  // its renderer "WebKit WebGL"; GL_RENDERER answers with the renderer the
  // page read (UNMASKED_RENDERER), so that the texture filtering is chosen
  // by the real renderer as on the desktop.
  glewInit__deps: ['$GL'],
  glewInit: function() {
    var renderer = Module['orbiskRenderer'];
    if (renderer) GL.stringCache[0x1F01] = allocateUTF8(renderer);
    return 0;
  },

  // A shader deleted while attached lives on until its program is deleted,
  // and its name still answers (the passes read attached sources back). The
  // browser's GL forgets the name at once; here the name is kept (names are
  // never reused).
  glDeleteShader__deps: ['$GL'],
  glDeleteShader: function(id) {
    if (!id) return;
    var shader = GL.shaders[id];
    if (!shader) { GL.recordError(0x501 /* GL_INVALID_VALUE */); return; }
    GLctx.deleteShader(shader);
  },

  // A picture saved by F12 into the in-memory file system, offered as a
  // download and removed.
  orbisk_offer_download__deps: ['$FS'],
  orbisk_offer_download: function(pathPointer) {
    var path = UTF8ToString(pathPointer);
    try {
      var bytes = FS.readFile(path);
      FS.unlink(path);
      if (Module['orbiskDownload']) Module['orbiskDownload'](path.replace(/^.*\//, ''), bytes);
    } catch (e) {
      err('ERROR: could not hand over ' + path + ': ' + e);
    }
  },

  // The picture is complete: the page's driver may compare it now.
  orbisk_picture_complete: function() {
    if (Module['orbiskPictureComplete']) Module['orbiskPictureComplete']();
  },
});
