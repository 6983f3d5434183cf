// The page's side of the browser host: the canvas, the title, the words for
// the live region, and the events the program waits for: keys, and the swipes
// and on-screen arrows that stand for them.
mergeInto(LibraryManager.library, {
  $hcPage: {queue: [], wake: null, canvas: null, context: null},

  // The window's client area for the page's size: one pixel per CSS pixel, as
  // the program would draw it on a screen that is not DPI aware, but never more
  // than the display shows (a page zoomed out has more CSS pixels than the
  // screen has pixels) nor more than kMaxPixels, the longest side at most
  // 16384. Past that a bigger frame only costs memory; the canvas is stretched
  // to the page instead.
  $hcPageSize__deps: [],
  $hcPageSize: function(width, height) {
    var kMaxPixels = 1 << 25, kMaxSide = 16384;
    var shrink = Math.min(1, window.devicePixelRatio || 1);
    shrink = Math.min(shrink, kMaxSide / Math.max(width, 1), kMaxSide / Math.max(height, 1),
        Math.sqrt(kMaxPixels / Math.max(width * height, 1)));
    if (shrink >= 1) return [width, height];
    return [Math.max(1, Math.floor(width * shrink)), Math.max(1, Math.floor(height * shrink))];
  },

  hc_listen__deps: ['$hcPage', '$hcPageSize'],
  hc_listen: function() {
    var canvas = hcPage.canvas = document.getElementById('canvas');
    hcPage.context = canvas.getContext('2d');
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
    // The legend of the keys goes once the figure has been turned.
    var legend = document.getElementById('legend');
    function turned() {
      if (legend) legend.hidden = true;
    }
    function key(down, e) {
      // Keys with Ctrl, Alt or Meta are the browser's shortcuts: left to it.
      if (e.ctrlKey || e.altKey || e.metaKey || !e.keyCode) return;
      // The arrows turn the figure; they must not scroll the page.
      if (e.keyCode >= 37 && e.keyCode <= 40) {
        e.preventDefault();
        if (down) turned();
      }
      post([down ? 0 : 1, e.keyCode, down && e.repeat ? 1 : 0, 0, 0, 0]);
    }
    window.addEventListener('keydown', function(e) { key(true, e); });
    window.addEventListener('keyup', function(e) { key(false, e); });
    // A step from a swipe or an on-screen arrow is the same key, pressed.
    function press(vk, repeat) {
      turned();
      post([0, vk, repeat ? 1 : 0, 0, 0, 0]);
    }
    function release(vk) { post([1, vk, 0, 0, 0, 0]); }

    // A one-finger swipe (or a drag of the mouse or pen) on the canvas is one
    // step in its dominant direction, once it has gone kSwipe CSS pixels. A
    // second finger makes it a pinch, which is the browser's zoom.
    var kSwipe = 24;
    var swipe = null;
    canvas.addEventListener('pointerdown', function(e) {
      if (swipe || !e.isPrimary || e.button > 0) {
        swipe = null;
        return;
      }
      swipe = {id: e.pointerId, x: e.clientX, y: e.clientY, done: false};
      canvas.setPointerCapture(e.pointerId);
    });
    canvas.addEventListener('pointermove', function(e) {
      if (!swipe || e.pointerId !== swipe.id || swipe.done) return;
      var dx = e.clientX - swipe.x, dy = e.clientY - swipe.y;
      if (Math.max(Math.abs(dx), Math.abs(dy)) < kSwipe) return;
      swipe.done = true;
      var vk = Math.abs(dx) > Math.abs(dy) ? (dx < 0 ? 37 : 39) : (dy < 0 ? 38 : 40);
      press(vk, false);
      release(vk);
    });
    function endSwipe(e) {
      if (swipe && e.pointerId === swipe.id) swipe = null;
    }
    canvas.addEventListener('pointerup', endSwipe);
    canvas.addEventListener('pointercancel', endSwipe);

    // The on-screen arrows step once per press and, held, repeat as a held key
    // does: after kDelay, every kRate milliseconds. Their timers run only while
    // one is held. Enter or Space on a focused arrow steps once.
    var kDelay = 500, kRate = 33;
    document.querySelectorAll('button[data-vk]').forEach(function(button) {
      var vk = Number(button.dataset.vk), held = null, timer = 0;
      function stop() {
        if (held === null) return;
        clearTimeout(timer);
        clearInterval(timer);
        held = null;
        release(vk);
      }
      button.addEventListener('pointerdown', function(e) {
        if (held !== null || e.button > 0) return;
        e.preventDefault();  // no focus ring, no text selection on a long press
        held = e.pointerId;
        button.setPointerCapture(e.pointerId);
        press(vk, false);
        timer = setTimeout(function() {
          timer = setInterval(function() { press(vk, true); }, kRate);
        }, kDelay);
      });
      button.addEventListener('pointerup', stop);
      button.addEventListener('pointercancel', stop);
      button.addEventListener('lostpointercapture', stop);
      button.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      button.addEventListener('click', function(e) {
        // A pointer's press has stepped already; this is the keyboard's.
        if (e.detail === 0) {
          press(vk, false);
          release(vk);
        }
      });
    });

    // A canvas whose pixels the browser dropped comes back blank: repaint it.
    canvas.addEventListener('contextrestored', function() { post([3, 0, 0, 0, 0, 0]); });
    window.addEventListener('resize', function() {
      var size = hcPageSize(window.innerWidth, window.innerHeight);
      post([2, 0, 0, 0, size[0], size[1]]);
    });
  },

  hc_title: function(utf8) { document.title = UTF8ToString(utf8); },

  hc_size__deps: ['$hcPageSize'],
  hc_size: function(out, screen) {
    var size = screen ? [window.screen.width, window.screen.height]
                      : hcPageSize(window.innerWidth, window.innerHeight);
    HEAP32[out >> 2] = size[0];
    HEAP32[(out >> 2) + 1] = size[1];
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

  hc_canvas__deps: ['$hcPage'],
  hc_canvas: function(width, height) {
    var c = hcPage.canvas;
    // Setting a size clears the canvas, so only when it changes.
    if (c.width !== width) c.width = width;
    if (c.height !== height) c.height = height;
  },

  hc_put__deps: ['$hcPage'],
  hc_put: function(rgba, x, y, width, height) {
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    hcPage.context.putImageData(new ImageData(pixels, width, height), x, y);
  },

  hc_frame: function() {
    // For whoever measures the page: when the first frame came, and how many.
    if (!window.hypercubeFrames) window.hypercubeFirstFrame = performance.now();
    window.hypercubeFrames = (window.hypercubeFrames || 0) + 1;
  },

  // The console, without the C library's stdio and its terminal emulation.
  hc_warn: function(utf8) { console.warn(UTF8ToString(utf8)); },

  hc_say: function(utf8) {
    var status = document.getElementById('status');
    if (status) status.textContent = UTF8ToString(utf8);
  },
});
