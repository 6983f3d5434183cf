// The page's side of the browser host: the canvas, the title, and the events
// the program waits for.
mergeInto(LibraryManager.library, {
  $hcPage: {queue: [], wake: null, canvas: null, context: null},

  hc_listen__deps: ['$hcPage'],
  hc_listen: function() {
    hcPage.canvas = document.getElementById('canvas');
    hcPage.context = hcPage.canvas.getContext('2d');
    // Each event is [kind, key code, repeat, alt, width, height]; kinds as
    // PageEvent in browser_host.cpp.
    function post(e) {
      // Of a burst of resizes only the last size matters.
      var q = hcPage.queue;
      if (e[0] === 2 && q.length && q[q.length - 1][0] === 2) q.pop();
      q.push(e);
      if (hcPage.wake) {
        var wake = hcPage.wake;
        hcPage.wake = null;
        wake();
      }
    }
    function key(down, e) {
      // Keys with Ctrl, Alt or Meta are the browser's shortcuts: left to it.
      if (e.ctrlKey || e.altKey || e.metaKey || !e.keyCode) return;
      // The arrows turn the figure; they must not scroll the page.
      if (e.keyCode >= 37 && e.keyCode <= 40) e.preventDefault();
      post([down ? 0 : 1, e.keyCode, down && e.repeat ? 1 : 0, 0, 0, 0]);
    }
    window.addEventListener('keydown', function(e) { key(true, e); });
    window.addEventListener('keyup', function(e) { key(false, e); });
    // A canvas whose pixels the browser dropped comes back blank: repaint it.
    hcPage.canvas.addEventListener('contextrestored', function() { post([3, 0, 0, 0, 0, 0]); });
    window.addEventListener('resize', function() {
      post([2, 0, 0, 0, window.innerWidth, window.innerHeight]);
    });
  },

  hc_title: function(utf8) { document.title = UTF8ToString(utf8); },

  hc_size: function(out, screen) {
    HEAP32[out >> 2] = screen ? window.screen.width : window.innerWidth;
    HEAP32[(out >> 2) + 1] = screen ? window.screen.height : window.innerHeight;
  },

  hc_next__deps: ['$hcPage'],
  hc_next: function(out) {
    var e = hcPage.queue.shift();
    if (!e) return 0;
    HEAP32.set(e, out >> 2);
    return 1;
  },

  hc_wait__deps: ['$hcPage'],
  hc_wait: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      if (hcPage.queue.length) wakeUp();
      else hcPage.wake = wakeUp;
    });
  },

  hc_present__deps: ['$hcPage'],
  hc_present: function(rgba, width, height) {
    var c = hcPage.canvas;
    // Setting a size clears the canvas, so only when it changes.
    if (c.width !== width) c.width = width;
    if (c.height !== height) c.height = height;
    if (width > 0 && height > 0) {
      var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
      hcPage.context.putImageData(new ImageData(pixels, width, height), 0, 0);
    }
    // For whoever measures the page: when the first frame came, and how many.
    if (!window.hypercubeFrames) window.hypercubeFirstFrame = performance.now();
    window.hypercubeFrames = (window.hypercubeFrames || 0) + 1;
  },
});
