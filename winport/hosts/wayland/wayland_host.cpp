// Wayland host: one libdecor frame per top-level window, its surface showing
// shared-memory buffers that our raster code draws into directly. Each paint
// damages only what changed since the buffer was last shown; a buffer is
// committed only when the compositor's frame callback says it will be seen,
// later paints before then going into the same buffer. The window draws at
// scale 1 and the compositor scales it on a high-density output, as it does a
// DPI-unaware Windows program: the picture is defined in pixels, and a buffer
// at twice the scale would take four times the memory and time for the same
// figure. Left out, as in the SDL host: mouse input, text input, several
// outputs.
#include "winport/hosts/wayland/wayland_host.h"

#include <fcntl.h>
#include <libdecor.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/printable.h"

namespace winport {

struct WaylandHost::Buffer {
  WaylandHost::Window* window = nullptr;
  wl_buffer* wl = nullptr;
  void* data = nullptr;
  size_t bytes = 0;
  Size size{0, 0};
  std::unique_ptr<RasterCanvas> canvas;
  bool busy = false;  // the compositor holds it
  bool fresh = true;  // never shown: all of it is new
  PixelRect painted;  // changed since it was last committed
  PixelRect stale;    // changed by other buffers' commits since it was shown
};

struct WaylandHost::Window {
  WaylandHost* host = nullptr;
  HWND hwnd = nullptr;
  wl_surface* surface = nullptr;
  libdecor_frame* frame = nullptr;
  bool mapped = false;
  bool configured = false;
  bool maximized = false;
  bool shown = false;  // a buffer has been committed
  Size size{0, 0};     // the content size last configured
  Size restore{0, 0};  // the size when not maximised
  std::vector<std::unique_ptr<Buffer>> buffers;
  Buffer* painting = nullptr;  // handed out by surface(), not yet committed
  wl_callback* frameCallback = nullptr;
  bool commitWaiting = false;  // present() came while the compositor was busy
};

namespace {

// How long a compositor may take to configure a new window.
constexpr int kConfigureWaitMs = 1000;
// Repeats delivered at most per wake-up, should the program fall behind.
constexpr uint64_t kMaxRepeats = 8;

char lastMessage[512] = "";
int signalPipe[2] = {-1, -1};

// libwayland prints a protocol error itself before the connection fails; the
// program says it once, in its own line.
void keepMessage(const char* format, va_list args) {
  std::vsnprintf(lastMessage, sizeof lastMessage, format, args);
  const size_t n = std::strlen(lastMessage);
  if (n > 0 && lastMessage[n - 1] == '\n') lastMessage[n - 1] = '\0';
}

void onSignal(int) {
  const char c = 1;
  const ssize_t written = write(signalPipe[1], &c, 1);
  (void)written;
}

PixelRect unite(const PixelRect& a, const PixelRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Windows virtual-key code for a keysym, or 0 for keys we do not map.
int virtualKey(xkb_keysym_t sym) {
  if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return 'A' + static_cast<int>(sym - XKB_KEY_a);
  if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return 'A' + static_cast<int>(sym - XKB_KEY_A);
  if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return '0' + static_cast<int>(sym - XKB_KEY_0);
  if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12) return VK_F1 + static_cast<int>(sym - XKB_KEY_F1);
  switch (sym) {
    case XKB_KEY_Left:
      return VK_LEFT;
    case XKB_KEY_Up:
      return VK_UP;
    case XKB_KEY_Right:
      return VK_RIGHT;
    case XKB_KEY_Down:
      return VK_DOWN;
    case XKB_KEY_Escape:
      return VK_ESCAPE;
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      return VK_RETURN;
    case XKB_KEY_space:
      return VK_SPACE;
    case XKB_KEY_Tab:
      return VK_TAB;
    case XKB_KEY_BackSpace:
      return VK_BACK;
    case XKB_KEY_Prior:
      return VK_PRIOR;
    case XKB_KEY_Next:
      return VK_NEXT;
    case XKB_KEY_Home:
      return VK_HOME;
    case XKB_KEY_End:
      return VK_END;
    case XKB_KEY_Insert:
      return VK_INSERT;
    case XKB_KEY_Delete:
      return VK_DELETE;
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R:
      return VK_SHIFT;
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R:
      return VK_CONTROL;
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
      return VK_MENU;
    default:
      return 0;
  }
}

// The listeners, forwarding to the host.
WaylandHost* self(void* data) { return static_cast<WaylandHost*>(data); }

const wl_registry_listener registryListener = {
    [](void* data, wl_registry* r, uint32_t name, const char* interface, uint32_t version) {
      self(data)->onGlobal(r, name, interface, version);
    },
    [](void*, wl_registry*, uint32_t) {},
};

const wl_output_listener outputListener = {
    [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t) {},
    [](void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
      if (flags & WL_OUTPUT_MODE_CURRENT) self(data)->onOutputMode(w, h);
    },
    [](void*, wl_output*) {},
    [](void* data, wl_output*, int32_t scale) { self(data)->onOutputScale(scale); },
    nullptr,
    nullptr,
};

const wl_keyboard_listener keyboardListener = {
    [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
      self(data)->onKeymap(fd, size, format);
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void* data, wl_keyboard*, uint32_t, wl_surface*) { self(data)->onKeyboardLeave(); },
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
      self(data)->onKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
    },
    [](void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
       uint32_t group) { self(data)->onModifiers(depressed, latched, locked, group); },
    [](void* data, wl_keyboard*, int32_t rate, int32_t delay) {
      self(data)->onRepeatInfo(rate, delay);
    },
};

const wl_pointer_listener pointerListener = {
    [](void* data, wl_pointer* p, uint32_t serial, wl_surface* s, wl_fixed_t, wl_fixed_t) {
      self(data)->onPointerEnter(p, serial, s);
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    [](void*, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    nullptr,
};

const wl_seat_listener seatListener = {
    [](void* data, wl_seat*, uint32_t caps) { self(data)->onSeatCapabilities(caps); },
    [](void*, wl_seat*, const char*) {},
};

const wl_buffer_listener bufferListener = {
    [](void* data, wl_buffer*) {
      auto* b = static_cast<WaylandHost::Buffer*>(data);
      b->busy = false;
    },
};

const wl_callback_listener frameListener = {
    [](void* data, wl_callback*, uint32_t) {
      auto* w = static_cast<WaylandHost::Window*>(data);
      w->host->onFrameDone(w);
    },
};

// libdecor's errors carry no user data: the one host that set it up.
WaylandHost* decorHost = nullptr;

libdecor_interface decorListener = {
    [](libdecor*, libdecor_error, const char* message) {
      if (decorHost) decorHost->onLibdecorError(message);
    },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

libdecor_frame_interface frameInterface = {
    [](libdecor_frame*, libdecor_configuration* c, void* data) {
      auto* w = static_cast<WaylandHost::Window*>(data);
      w->host->onConfigure(w, c);
    },
    [](libdecor_frame*, void* data) {
      auto* w = static_cast<WaylandHost::Window*>(data);
      w->host->onClose(w);
    },
    [](libdecor_frame*, void* data) {
      auto* w = static_cast<WaylandHost::Window*>(data);
      wl_surface_commit(w->surface);
    },
    [](libdecor_frame*, const char*, void*) {},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// A shared-memory buffer of `size` for the window; nullptr when the memory
// cannot be had.
std::unique_ptr<WaylandHost::Buffer> newBuffer(wl_shm* shm, Size size) {
  auto b = std::make_unique<WaylandHost::Buffer>();
  b->size = size;
  const int stride = size.width * 4;
  b->bytes = static_cast<size_t>(stride) * static_cast<size_t>(size.height);
  const int fd = memfd_create("hypercube-buffer", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, static_cast<off_t>(b->bytes)) != 0) {
    close(fd);
    return nullptr;
  }
  b->data = mmap(nullptr, b->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (b->data == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(b->bytes));
  b->wl =
      wl_shm_pool_create_buffer(pool, 0, size.width, size.height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(b->wl, &bufferListener, b.get());
  b->canvas = std::make_unique<RasterCanvas>(static_cast<uint32_t*>(b->data), size.width,
                                             size.height, stride);
  return b;
}

void destroyBuffer(WaylandHost::Buffer* b) {
  if (b->wl) wl_buffer_destroy(b->wl);
  if (b->data) munmap(b->data, b->bytes);
}

RasterCanvas noPixels(0, 0);

}  // namespace

WaylandHost::WaylandHost() = default;

WaylandHost::~WaylandHost() {
  for (auto& entry : windows_) {
    Window& w = *entry.second;
    for (auto& b : w.buffers) destroyBuffer(b.get());
    if (w.frameCallback) wl_callback_destroy(w.frameCallback);
    if (w.frame) libdecor_frame_unref(w.frame);
    if (w.surface) wl_surface_destroy(w.surface);
  }
  windows_.clear();
  if (repeatFd_ >= 0) close(repeatFd_);
  if (keyState_) xkb_state_unref(keyState_);
  if (keymap_) xkb_keymap_unref(keymap_);
  if (xkb_) xkb_context_unref(xkb_);
  if (cursorSurface_) wl_surface_destroy(cursorSurface_);
  if (cursorTheme_) wl_cursor_theme_destroy(cursorTheme_);
  if (decor_) libdecor_unref(decor_);
  if (keyboard_) wl_keyboard_destroy(keyboard_);
  if (pointer_) wl_pointer_destroy(pointer_);
  if (seat_) wl_seat_destroy(seat_);
  if (output_) wl_output_destroy(output_);
  if (shm_) wl_shm_destroy(shm_);
  if (compositor_) wl_compositor_destroy(compositor_);
  if (registry_) wl_registry_destroy(registry_);
  if (display_) wl_display_disconnect(display_);
  decorHost = nullptr;
}

bool WaylandHost::start(std::string* error) {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string name = wayland ? wayland : "wayland-0";
  where_ = " at WAYLAND_DISPLAY=" + quoted(name, 200);
  if (name[0] != '/' && !std::getenv("XDG_RUNTIME_DIR")) {
    *error = "cannot open a display" + where_ +
             ": XDG_RUNTIME_DIR is not set, so the compositor's socket cannot be found";
    return false;
  }
  wl_log_set_handler_client(keepMessage);
  display_ = wl_display_connect(name.c_str());
  if (!display_) {
    *error = "cannot open a display" + where_ + ": no compositor accepts connections there (" +
             std::strerror(errno) + ")";
    return false;
  }
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &registryListener, this);
  // The globals, then what the output and the seat say of themselves.
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
    *error = "cannot open a display" + where_ + ": the compositor closed the connection";
    return false;
  }
  if (!compositor_ || !shm_) {
    *error = "cannot open a display" + where_ + ": the compositor offers no " +
             (compositor_ ? "wl_shm" : "wl_compositor");
    return false;
  }
  decorHost = this;
  decor_ = libdecor_new(display_, &decorListener);
  // libdecor and its plugin ask for the globals without waiting for them.
  if (!decor_ || wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
    *error = "cannot open a display" + where_ + ": libdecor cannot be set up";
    return false;
  }
  repeatFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  // SIGTERM and SIGINT close the window as the user would, so the program
  // ends normally.
  if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    struct sigaction close = {};
    close.sa_handler = onSignal;
    sigaction(SIGTERM, &close, nullptr);
    sigaction(SIGINT, &close, nullptr);
  }
  return true;
}

void WaylandHost::onGlobal(wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version) {
  if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !compositor_) {
    compositor_ = static_cast<wl_compositor*>(
        wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !shm_) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat_) {
    seat_ = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    wl_seat_add_listener(seat_, &seatListener, this);
  } else if (std::strcmp(interface, wl_output_interface.name) == 0 && !output_) {
    output_ = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 2u)));
    wl_output_add_listener(output_, &outputListener, this);
  }
}

void WaylandHost::onSeatCapabilities(uint32_t caps) {
  if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard_) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
  } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard_) {
    wl_keyboard_release(keyboard_);
    keyboard_ = nullptr;
    disarmRepeat();
  }
  if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer_) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &pointerListener, this);
  } else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer_) {
    wl_pointer_release(pointer_);
    pointer_ = nullptr;
  }
}

void WaylandHost::onKeymap(int fd, uint32_t size, uint32_t format) {
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    close(fd);
    return;
  }
  void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (text == MAP_FAILED) return;
  if (!xkb_) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap =
      xkb_ ? xkb_keymap_new_from_string(xkb_, static_cast<const char*>(text),
                                        XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
           : nullptr;
  munmap(text, size);
  if (!keymap) return;
  xkb_state* state = xkb_state_new(keymap);
  if (!state) {
    xkb_keymap_unref(keymap);
    return;
  }
  if (keyState_) xkb_state_unref(keyState_);
  if (keymap_) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  keyState_ = state;
}

WaylandHost::Window* WaylandHost::keyboardWindow() {
  return windows_.empty() ? nullptr : windows_.begin()->second.get();
}

void WaylandHost::keyEvent(HostEvent::Kind kind, int vk, bool repeat) {
  Window* w = keyboardWindow();
  if (!w || vk == 0) return;
  HostEvent e{kind, w->hwnd};
  e.vk = vk;
  e.repeat = repeat;
  e.alt = keyState_ &&
          xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
  early_.push_back(e);
}

void WaylandHost::onKey(uint32_t key, bool down) {
  if (!keyState_) return;
  // Evdev codes are xkb's less 8.
  const xkb_keycode_t code = key + 8;
  const int vk = virtualKey(xkb_state_key_get_one_sym(keyState_, code));
  if (down) {
    keyEvent(HostEvent::kKeyDown, vk, false);
    if (xkb_keymap_key_repeats(keymap_, code)) {
      repeatVk_ = vk;
      armRepeat(key);
    }
  } else {
    keyEvent(HostEvent::kKeyUp, vk, false);
    if (key == repeatKey_) disarmRepeat();
  }
}

void WaylandHost::onModifiers(uint32_t depressed, uint32_t latched, uint32_t locked,
                              uint32_t group) {
  if (keyState_) xkb_state_update_mask(keyState_, depressed, latched, locked, 0, 0, group);
}

void WaylandHost::onKeyboardLeave() { disarmRepeat(); }

void WaylandHost::armRepeat(uint32_t key) {
  if (repeatFd_ < 0 || repeatRate_ <= 0) return;
  repeatKey_ = key;
  auto ms = [](long v) {
    timespec t{};
    t.tv_sec = v / 1000;
    t.tv_nsec = (v % 1000) * 1000000L;
    return t;
  };
  itimerspec repeat{};
  repeat.it_value = ms(std::max(1, repeatDelay_));
  repeat.it_interval.tv_nsec = 1000000000L / repeatRate_;
  if (repeatRate_ == 1) repeat.it_interval = ms(1000);
  timerfd_settime(repeatFd_, 0, &repeat, nullptr);
}

void WaylandHost::disarmRepeat() {
  repeatKey_ = 0;
  if (repeatFd_ < 0) return;
  itimerspec off{};
  timerfd_settime(repeatFd_, 0, &off, nullptr);
}

void WaylandHost::onPointerEnter(wl_pointer* pointer, uint32_t serial, wl_surface* surface) {
  // libdecor sets its own cursors on its frame; ours is the plain arrow.
  bool ours = false;
  for (auto& w : windows_) ours = ours || w.second->surface == surface;
  if (!ours) return;
  if (!cursorTheme_) cursorTheme_ = wl_cursor_theme_load(nullptr, 24 * scale_, shm_);
  wl_cursor* cursor = cursorTheme_ ? wl_cursor_theme_get_cursor(cursorTheme_, "left_ptr") : nullptr;
  if (!cursor || cursor->image_count == 0) return;
  wl_cursor_image* image = cursor->images[0];
  wl_buffer* buffer = wl_cursor_image_get_buffer(image);
  if (!buffer) return;
  if (!cursorSurface_) cursorSurface_ = wl_compositor_create_surface(compositor_);
  wl_surface_set_buffer_scale(cursorSurface_, scale_);
  wl_surface_attach(cursorSurface_, buffer, 0, 0);
  wl_surface_damage(cursorSurface_, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(cursorSurface_);
  wl_pointer_set_cursor(pointer, serial, cursorSurface_,
                        static_cast<int32_t>(image->hotspot_x) / scale_,
                        static_cast<int32_t>(image->hotspot_y) / scale_);
}

void WaylandHost::onConfigure(Window* w, libdecor_configuration* configuration) {
  libdecor_window_state state = LIBDECOR_WINDOW_STATE_NONE;
  const bool hasState = libdecor_configuration_get_window_state(configuration, &state);
  if (hasState) w->maximized = (state & LIBDECOR_WINDOW_STATE_MAXIMIZED) != 0;
  // What the configure says, not the frame: it still has the last state.
  const int fixed = LIBDECOR_WINDOW_STATE_MAXIMIZED | LIBDECOR_WINDOW_STATE_FULLSCREEN |
                    LIBDECOR_WINDOW_STATE_TILED_LEFT | LIBDECOR_WINDOW_STATE_TILED_RIGHT |
                    LIBDECOR_WINDOW_STATE_TILED_TOP | LIBDECOR_WINDOW_STATE_TILED_BOTTOM;
  const bool floating = hasState ? (state & fixed) == 0 : libdecor_frame_is_floating(w->frame);
  int width = 0, height = 0;
  if (!libdecor_configuration_get_content_size(configuration, w->frame, &width, &height) ||
      width <= 0 || height <= 0) {
    // The compositor leaves the size to us: the window's own.
    width = w->restore.width;
    height = w->restore.height;
  } else if (floating) {
    w->restore = {width, height};
  }
  libdecor_state* s = libdecor_state_new(width, height);
  libdecor_frame_commit(w->frame, s, configuration);
  libdecor_state_free(s);
  // Before its first commit the frame has no title bar to take off the size
  // it gives; asked again, it has.
  int again = 0, againHeight = 0;
  if (libdecor_configuration_get_content_size(configuration, w->frame, &again, &againHeight) &&
      again > 0 && againHeight > 0 && (again != width || againHeight != height)) {
    width = again;
    height = againHeight;
    if (floating) w->restore = {width, height};
    s = libdecor_state_new(width, height);
    libdecor_frame_commit(w->frame, s, nullptr);  // acknowledged already
    libdecor_state_free(s);
  }
  const bool changed = width != w->size.width || height != w->size.height;
  w->size = {width, height};
  w->configured = true;
  HostEvent size{HostEvent::kResized, w->hwnd};
  size.size = w->size;
  size.state = w->maximized ? HostEvent::kMaximized : HostEvent::kRestored;
  early_.push_back(size);
  // A new size needs a buffer of that size at once: the compositor holds a
  // maximised window to the size it gave.
  if (changed) {
    early_.push_back({HostEvent::kExposed, w->hwnd});
  } else if (w->shown) {
    // The frame has drawn itself anew (as active, say); the window's commit
    // puts that on screen.
    wl_surface_commit(w->surface);
  }
}

void WaylandHost::onClose(Window* w) { early_.push_back({HostEvent::kClose, w->hwnd}); }

void WaylandHost::onFrameDone(Window* w) {
  if (w->frameCallback) wl_callback_destroy(w->frameCallback);
  w->frameCallback = nullptr;
  if (w->commitWaiting) commit(*w);
}

void WaylandHost::onLibdecorError(const char* message) {
  if (failure_.empty()) failure_ = std::string("lost the display") + where_ + ": " + message;
}

Size WaylandHost::screenSize() {
  if (mode_.width <= 0 || mode_.height <= 0) return {1024, 768};
  return {mode_.width / scale_, mode_.height / scale_};
}

Size WaylandHost::maximizedClientSize() {
  for (auto& w : windows_) {
    if (w.second->maximized && w.second->configured) return w.second->size;
  }
  return screenSize();
}

Size WaylandHost::defaultClientSize() {
  const Size screen = screenSize();
  return {std::max(1, screen.width * 2 / 3), std::max(1, screen.height * 2 / 3)};
}

bool WaylandHost::openWindow(HWND hwnd, const std::string& caption, Size client) {
  auto w = std::make_unique<Window>();
  w->host = this;
  w->hwnd = hwnd;
  w->restore = {std::max(1, client.width), std::max(1, client.height)};
  w->surface = wl_compositor_create_surface(compositor_);
  w->frame = w->surface ? libdecor_decorate(decor_, w->surface, &frameInterface, w.get()) : nullptr;
  if (!w->frame) {
    if (w->surface) wl_surface_destroy(w->surface);
    failure_ = "cannot create a window" + where_;
    return false;
  }
  libdecor_frame_set_title(w->frame, caption.c_str());
  // The menu entry's name, which also finds its icon.
  libdecor_frame_set_app_id(w->frame, "hypercube");
  windows_[hwnd] = std::move(w);
  return true;
}

void WaylandHost::closeWindow(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  Window& w = *it->second;
  for (auto& b : w.buffers) destroyBuffer(b.get());
  if (w.frameCallback) wl_callback_destroy(w.frameCallback);
  libdecor_frame_unref(w.frame);
  wl_surface_destroy(w.surface);
  windows_.erase(it);
  early_.erase(std::remove_if(early_.begin(), early_.end(),
                              [hwnd](const HostEvent& e) { return e.hwnd == hwnd; }),
               early_.end());
  wl_display_flush(display_);
}

void WaylandHost::setCaption(HWND hwnd, const std::string& caption) {
  auto it = windows_.find(hwnd);
  if (it != windows_.end()) libdecor_frame_set_title(it->second->frame, caption.c_str());
}

Size WaylandHost::showMaximized(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return {0, 0};
  Window& w = *it->second;
  if (!w.mapped) {
    // Asked before the first buffer, the maximised size comes before the
    // first frame: it is drawn once, at the size it is shown.
    libdecor_frame_map(w.frame);
    libdecor_frame_set_maximized(w.frame);
    w.mapped = true;
    const size_t before = early_.size();
    // The compositor answers both requests before it answers the sync; one
    // that will not maximise (a tiling one, say) is not waited for longer.
    bool answered = false;
    wl_callback* sync = wl_display_sync(display_);
    static const wl_callback_listener syncListener = {
        [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(sync, &syncListener, &answered);
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConfigureWaitMs);
    while (!(w.configured && (w.maximized || answered)) &&
           std::chrono::steady_clock::now() < until && dispatch(10)) {
    }
    wl_callback_destroy(sync);
    // What that configure reported, USER learns from the size returned.
    early_.erase(std::remove_if(early_.begin() + static_cast<ptrdiff_t>(before), early_.end(),
                                [hwnd](const HostEvent& e) {
                                  return e.hwnd == hwnd && (e.kind == HostEvent::kResized ||
                                                            e.kind == HostEvent::kExposed);
                                }),
                 early_.end());
    // A restore size that reaches past the work area would put the frame
    // beyond it.
    if (w.maximized) {
      w.restore.width = std::min(w.restore.width, w.size.width);
      w.restore.height = std::min(w.restore.height, w.size.height);
    }
  } else {
    libdecor_frame_set_maximized(w.frame);
    wl_display_flush(display_);
  }
  return w.size;
}

Canvas& WaylandHost::surface(HWND hwnd, Size) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second->configured) return noPixels;
  Window& w = *it->second;
  const Size size = w.size;
  auto fits = [&](const Buffer* b) {
    return b && !b->busy && b->size.width == size.width && b->size.height == size.height;
  };
  if (fits(w.painting)) return *w.painting->canvas;
  w.painting = nullptr;
  // Buffers of another size are of no more use once the compositor lets go.
  w.buffers.erase(std::remove_if(w.buffers.begin(), w.buffers.end(),
                                 [&](const std::unique_ptr<Buffer>& b) {
                                   const bool old = !b->busy && (b->size.width != size.width ||
                                                                 b->size.height != size.height);
                                   if (old) destroyBuffer(b.get());
                                   return old;
                                 }),
                  w.buffers.end());
  for (auto& b : w.buffers) {
    if (fits(b.get())) {
      w.painting = b.get();
      return *b->canvas;
    }
  }
  std::unique_ptr<Buffer> b = newBuffer(shm_, size);
  if (!b) return noPixels;
  b->window = &w;
  w.painting = b.get();
  w.buffers.push_back(std::move(b));
  return *w.painting->canvas;
}

void WaylandHost::present(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second->painting) return;
  Window& w = *it->second;
  w.painting->painted = unite(w.painting->painted, w.painting->canvas->takeChanged());
  // Until the compositor has shown the last frame, a new one would not be
  // seen; it waits, and later paints go into the same buffer.
  if (w.frameCallback) {
    w.commitWaiting = true;
    return;
  }
  commit(w);
}

void WaylandHost::commit(Window& w) {
  w.commitWaiting = false;
  Buffer* b = w.painting;
  if (!b || b->busy) return;
  const PixelRect whole{0, 0, b->size.width, b->size.height};
  // What differs from the frame on screen: what this paint changed, and what
  // other frames changed since this buffer was last shown.
  const PixelRect damage = b->fresh ? whole : unite(b->painted, b->stale);
  if (damage.empty()) return;
  const PixelRect shown = b->fresh ? whole : b->painted;
  for (auto& other : w.buffers) {
    if (other.get() != b) other->stale = unite(other->stale, shown);
  }
  b->fresh = false;
  b->painted = {};
  b->stale = {};
  b->busy = true;
  w.painting = nullptr;
  w.shown = true;
  wl_surface_attach(w.surface, b->wl, 0, 0);
  // At scale 1 surface and buffer coordinates agree; older compositors
  // know only the former.
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(w.surface)) >=
      WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(w.surface, damage.left, damage.top, damage.right - damage.left,
                             damage.bottom - damage.top);
  } else {
    wl_surface_damage(w.surface, damage.left, damage.top, damage.right - damage.left,
                      damage.bottom - damage.top);
  }
  w.frameCallback = wl_surface_frame(w.surface);
  wl_callback_add_listener(w.frameCallback, &frameListener, &w);
  wl_surface_commit(w.surface);
  wl_display_flush(display_);
}

void WaylandHost::lost() {
  if (!failure_.empty()) return;
  const int error = wl_display_get_error(display_);
  std::string why;
  if (error == EPROTO) {
    why = std::string("the compositor ended the connection for a protocol error") +
          (lastMessage[0] ? std::string(" (") + lastMessage + ")" : std::string());
  } else if (error == EPIPE || error == ECONNRESET || error == 0) {
    why = "the compositor closed the connection";
  } else {
    why = std::string("the connection to the compositor failed: ") + std::strerror(error);
  }
  failure_ = "lost the display" + where_ + ": " + why;
}

// Reads and dispatches what the compositor sent, waiting up to `timeoutMs`
// (-1: until something comes); false when the connection has failed.
bool WaylandHost::dispatch(int timeoutMs) {
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) {
      lost();
      return false;
    }
  }
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display_);
    lost();
    return false;
  }
  pollfd fds[3] = {
      {wl_display_get_fd(display_), POLLIN, 0}, {repeatFd_, POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
  const int ready = poll(fds, 3, timeoutMs);
  if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
    if (wl_display_read_events(display_) < 0) {
      lost();
      return false;
    }
  } else {
    wl_display_cancel_read(display_);
  }
  if (wl_display_dispatch_pending(display_) < 0) {
    lost();
    return false;
  }
  if (ready > 0 && (fds[1].revents & POLLIN)) {
    uint64_t expirations = 0;
    if (read(repeatFd_, &expirations, sizeof expirations) == sizeof expirations &&
        repeatKey_ != 0) {
      for (uint64_t i = 0; i < std::min(expirations, kMaxRepeats); ++i) {
        keyEvent(HostEvent::kKeyDown, repeatVk_, true);
      }
    }
  }
  if (ready > 0 && (fds[2].revents & POLLIN)) {
    char drain[16];
    while (read(signalPipe[0], drain, sizeof drain) > 0) {
    }
    for (auto& w : windows_) early_.push_back({HostEvent::kClose, w.first});
  }
  return failure_.empty();
}

bool WaylandHost::pumpEvents(bool wait, std::vector<HostEvent>* events) {
  if (failure_.empty()) {
    if (!early_.empty() || !wait) {
      dispatch(0);
    } else {
      while (early_.empty() && dispatch(-1)) {
      }
    }
  }
  // Only the last of a burst of sizes matters.
  std::vector<HWND> sized;
  for (auto e = early_.rbegin(); e != early_.rend(); ++e) {
    if (e->kind != HostEvent::kResized) continue;
    const bool later = std::find(sized.begin(), sized.end(), e->hwnd) != sized.end();
    if (!later) sized.push_back(e->hwnd);
    if (later) e->hwnd = nullptr;
  }
  for (const HostEvent& e : early_) {
    if (e.hwnd) events->push_back(e);
  }
  early_.clear();
  return failure_.empty();
}

}  // namespace winport
