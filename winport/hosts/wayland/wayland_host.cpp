// Wayland host: one xdg-shell toplevel per top-level window, its surface
// showing shared-memory buffers that our raster code draws into directly. Each paint
// damages only what changed since the buffer was last shown; a buffer is
// committed only when the compositor's frame callback says it will be seen,
// later paints before then going into the same buffer. The window draws at
// scale 1 and the compositor scales it on a high-density output, as it does a
// DPI-unaware Windows program: the picture is defined in pixels, and a buffer
// at twice the scale would take four times the memory and time for the same
// figure. Where the compositor leaves the frame to the client, the buffer
// holds a title bar (the caption in the System font's Cyrillic face, the
// minimise, maximise and close buttons) and, while floating, a border to
// resize by, around the client area the raster canvas sees. Left out, as in
// the SDL host: mouse input to the program, text input, several outputs.
#include "winport/hosts/wayland/wayland_host.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>
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
#include "winport/font/fnt.h"
#include "winport/user/codepage.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace winport {

// Generated at build time from the font file (winport/hosts/wayland/CMakeLists.txt).
extern const unsigned char kTitleFontData[];
extern const std::size_t kTitleFontDataSize;

// What the frame takes on each side of the client area.
struct Insets {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Insets& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Insets& o) const { return !(*this == o); }
};

struct WaylandHost::Buffer {
  WaylandHost::Window* window = nullptr;
  wl_buffer* wl = nullptr;
  void* data = nullptr;
  size_t bytes = 0;
  Size size{0, 0};  // the whole window's, frame included
  Insets frame;
  std::unique_ptr<RasterCanvas> canvas;  // the client area
  unsigned look = 0;                     // the frame's look drawn, 0: none yet
  bool frameNew = false;                 // the frame was drawn since it was shown
  bool busy = false;                     // the compositor holds it
  bool fresh = true;                     // never shown: all of it is new
  PixelRect painted;                     // changed since it was last committed
  PixelRect stale;                       // changed by other buffers' commits since it was shown
};

struct WaylandHost::Window {
  WaylandHost* host = nullptr;
  HWND hwnd = nullptr;
  wl_surface* surface = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  zxdg_toplevel_decoration_v1* decoration = nullptr;
  std::string title;        // the caption in the title face's code page
  bool serverSide = false;  // the compositor draws the frame
  bool mapped = false;
  bool configured = false;
  bool maximized = false;
  bool activated = false;
  bool shown = false;      // a buffer has been committed
  Size size{0, 0};         // the client area last configured
  Size restore{0, 0};      // the client area when not maximised
  Insets frame;            // our frame around it
  unsigned look = 1;       // bumped whenever the frame must be drawn anew
  unsigned shownLook = 0;  // the look of the buffer last committed
  // What the toplevel's configure says, applied at the surface's.
  Size pendingSize{0, 0};
  bool pendingMaximized = false, pendingFullscreen = false, pendingTiled = false;
  bool pendingActivated = false;
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

// Our frame: a title bar, its buttons at the right, and a border to resize
// by while floating; corners reach this far along each edge.
constexpr int kTitleHeight = 24;
constexpr int kButtonWidth = 32;
constexpr int kBorder = 4;
constexpr int kCorner = 16;
constexpr uint32_t kDoubleClickMs = 400;
// Greys, the same in COLORREF and RGB; the text is never pure white, so
// the client area's white margin stays the only white in the window.
constexpr uint32_t kActiveBar = 0x2B2B2B, kActiveInk = 0xE6E6E6;
constexpr uint32_t kInactiveBar = 0x505050, kInactiveInk = 0xA8A8A8;

// Where the pointer is on a window, as far as the frame cares.
enum Part { kClientPart, kTitlePart, kMinimizePart, kMaximizePart, kClosePart, kEdgePart };

// The System font's Cyrillic face, for the caption: the program's own is
// Russian.
const BitmapFont* titleFace() {
  static const std::vector<BitmapFont>* const faces = [] {
    auto* all = new std::vector<BitmapFont>;
    if (!parseFon(kTitleFontData, kTitleFontDataSize, all, nullptr)) all->clear();
    return all;
  }();
  static const BitmapFont* const face = pickSystemFace(*faces);
  return face;
}

Insets frameFor(bool serverSide, bool fullscreen, bool floating) {
  if (serverSide || fullscreen) return {};
  if (!floating) return {0, kTitleHeight, 0, 0};
  return {kBorder, kTitleHeight, kBorder, kBorder};
}

Size wholeSize(Size client, const Insets& f) {
  return {client.width + f.left + f.right, client.height + f.top + f.bottom};
}

// The part of a window of client size `client` and frame `f` at x, y on its
// surface; for a border, also the edges to resize (xdg-shell's bits).
Part partAt(Size client, const Insets& f, int x, int y, uint32_t* edges) {
  *edges = 0;
  const Size whole = wholeSize(client, f);
  if (x >= f.left && x < whole.width - f.right && y >= f.top && y < whole.height - f.bottom) {
    return kClientPart;
  }
  if (f.left > 0) {
    uint32_t e = 0;
    if (x < kBorder) e |= XDG_TOPLEVEL_RESIZE_EDGE_LEFT;
    if (x >= whole.width - kBorder) e |= XDG_TOPLEVEL_RESIZE_EDGE_RIGHT;
    if (y < kBorder) e |= XDG_TOPLEVEL_RESIZE_EDGE_TOP;
    if (y >= whole.height - kBorder) e |= XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM;
    if (e & (XDG_TOPLEVEL_RESIZE_EDGE_LEFT | XDG_TOPLEVEL_RESIZE_EDGE_RIGHT)) {
      if (y < kCorner) e |= XDG_TOPLEVEL_RESIZE_EDGE_TOP;
      if (y >= whole.height - kCorner) e |= XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM;
    }
    if (e & (XDG_TOPLEVEL_RESIZE_EDGE_TOP | XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM)) {
      if (x < kCorner) e |= XDG_TOPLEVEL_RESIZE_EDGE_LEFT;
      if (x >= whole.width - kCorner) e |= XDG_TOPLEVEL_RESIZE_EDGE_RIGHT;
    }
    *edges = e;
    if (e) return kEdgePart;
  }
  if (y >= f.top) return kTitlePart;  // the frame's sides below the bar
  const int fromRight = whole.width - f.right - x;
  if (fromRight > 0 && fromRight <= kButtonWidth) return kClosePart;
  if (fromRight > kButtonWidth && fromRight <= 2 * kButtonWidth) return kMaximizePart;
  if (fromRight > 2 * kButtonWidth && fromRight <= 3 * kButtonWidth) return kMinimizePart;
  return kTitlePart;
}

// The cursor theme's name for the shape over `edges`.
const char* cursorFor(uint32_t edges) {
  switch (edges) {
    case XDG_TOPLEVEL_RESIZE_EDGE_TOP:
      return "top_side";
    case XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM:
      return "bottom_side";
    case XDG_TOPLEVEL_RESIZE_EDGE_LEFT:
      return "left_side";
    case XDG_TOPLEVEL_RESIZE_EDGE_RIGHT:
      return "right_side";
    case XDG_TOPLEVEL_RESIZE_EDGE_TOP_LEFT:
      return "top_left_corner";
    case XDG_TOPLEVEL_RESIZE_EDGE_TOP_RIGHT:
      return "top_right_corner";
    case XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM_LEFT:
      return "bottom_left_corner";
    case XDG_TOPLEVEL_RESIZE_EDGE_BOTTOM_RIGHT:
      return "bottom_right_corner";
    default:
      return "left_ptr";
  }
}

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
    [](void* data, wl_pointer*, uint32_t serial, wl_surface* s, wl_fixed_t x, wl_fixed_t y) {
      self(data)->onPointerEnter(serial, s, wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void* data, wl_pointer*, uint32_t, wl_surface*) { self(data)->onPointerLeave(); },
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
      self(data)->onPointerMotion(wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void* data, wl_pointer*, uint32_t serial, uint32_t time, uint32_t button, uint32_t state) {
      self(data)->onPointerButton(serial, time, button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    },
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

WaylandHost::Window* window(void* data) { return static_cast<WaylandHost::Window*>(data); }

const xdg_wm_base_listener wmBaseListener = {
    [](void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); },
};

const xdg_surface_listener xdgSurfaceListener = {
    [](void* data, xdg_surface*, uint32_t serial) {
      window(data)->host->onSurfaceConfigure(window(data), serial);
    },
};

const xdg_toplevel_listener toplevelListener = {
    [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states) {
      window(data)->host->onToplevelConfigure(window(data), width, height, states);
    },
    [](void* data, xdg_toplevel*) { window(data)->host->onClose(window(data)); },
    nullptr,  // bounds and capabilities: bound below the versions that send them
    nullptr,
};

const zxdg_toplevel_decoration_v1_listener decorationListener = {
    [](void* data, zxdg_toplevel_decoration_v1*, uint32_t mode) {
      window(data)->host->onDecorationMode(window(data),
                                           mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
    },
};

// A shared-memory buffer for the window, its client area `client` inside
// the frame `frame`; nullptr when the memory cannot be had.
std::unique_ptr<WaylandHost::Buffer> newBuffer(wl_shm* shm, Size client, const Insets& frame) {
  auto b = std::make_unique<WaylandHost::Buffer>();
  const Size size = wholeSize(client, frame);
  b->size = size;
  b->frame = frame;
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
  uint32_t* corner = static_cast<uint32_t*>(b->data) + frame.top * size.width + frame.left;
  b->canvas = std::make_unique<RasterCanvas>(corner, client.width, client.height, stride);
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
    if (w.decoration) zxdg_toplevel_decoration_v1_destroy(w.decoration);
    if (w.toplevel) xdg_toplevel_destroy(w.toplevel);
    if (w.xdgSurface) xdg_surface_destroy(w.xdgSurface);
    if (w.surface) wl_surface_destroy(w.surface);
  }
  windows_.clear();
  if (repeatFd_ >= 0) close(repeatFd_);
  if (keyState_) xkb_state_unref(keyState_);
  if (keymap_) xkb_keymap_unref(keymap_);
  if (xkb_) xkb_context_unref(xkb_);
  if (cursorSurface_) wl_surface_destroy(cursorSurface_);
  if (cursorTheme_) wl_cursor_theme_destroy(cursorTheme_);
  if (decorations_) zxdg_decoration_manager_v1_destroy(decorations_);
  if (wmBase_) xdg_wm_base_destroy(wmBase_);
  if (keyboard_) wl_keyboard_destroy(keyboard_);
  if (pointer_) wl_pointer_destroy(pointer_);
  if (seat_) wl_seat_destroy(seat_);
  if (output_) wl_output_destroy(output_);
  if (shm_) wl_shm_destroy(shm_);
  if (compositor_) wl_compositor_destroy(compositor_);
  if (registry_) wl_registry_destroy(registry_);
  if (display_) wl_display_disconnect(display_);
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
  if (!compositor_ || !shm_ || !wmBase_) {
    *error = "cannot open a display" + where_ + ": the compositor offers no " +
             (!compositor_ ? "wl_compositor"
              : !shm_      ? "wl_shm"
                           : "xdg_wm_base");
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
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && !wmBase_) {
    // Version 2 brings the tiled states; later ones add nothing we use.
    wmBase_ = static_cast<xdg_wm_base*>(
        wl_registry_bind(registry, name, &xdg_wm_base_interface, std::min(version, 2u)));
    xdg_wm_base_add_listener(wmBase_, &wmBaseListener, this);
  } else if (std::strcmp(interface, zxdg_decoration_manager_v1_interface.name) == 0 &&
             !decorations_) {
    decorations_ = static_cast<zxdg_decoration_manager_v1*>(
        wl_registry_bind(registry, name, &zxdg_decoration_manager_v1_interface, 1));
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

void WaylandHost::setCursor(const char* name) {
  if (!pointer_ || name == cursorName_) return;
  cursorName_ = name;
  if (!cursorTheme_) cursorTheme_ = wl_cursor_theme_load(nullptr, 24 * scale_, shm_);
  wl_cursor* cursor = cursorTheme_ ? wl_cursor_theme_get_cursor(cursorTheme_, name) : nullptr;
  if (!cursor || cursor->image_count == 0) return;
  wl_cursor_image* image = cursor->images[0];
  wl_buffer* buffer = wl_cursor_image_get_buffer(image);
  if (!buffer) return;
  if (!cursorSurface_) cursorSurface_ = wl_compositor_create_surface(compositor_);
  wl_surface_set_buffer_scale(cursorSurface_, scale_);
  wl_surface_attach(cursorSurface_, buffer, 0, 0);
  wl_surface_damage(cursorSurface_, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(cursorSurface_);
  wl_pointer_set_cursor(pointer_, pointerSerial_, cursorSurface_,
                        static_cast<int32_t>(image->hotspot_x) / scale_,
                        static_cast<int32_t>(image->hotspot_y) / scale_);
}

void WaylandHost::onPointerEnter(uint32_t serial, wl_surface* surface, int x, int y) {
  pointerWindow_ = nullptr;
  for (auto& w : windows_) {
    if (w.second->surface == surface) pointerWindow_ = w.second.get();
  }
  if (!pointerWindow_) return;  // our cursor's own surface, say
  pointerSerial_ = serial;
  cursorName_ = nullptr;  // the compositor's until we set one
  pressedPart_ = kClientPart;
  onPointerMotion(x, y);
}

void WaylandHost::onPointerMotion(int x, int y) {
  if (!pointerWindow_) return;
  pointerX_ = x;
  pointerY_ = y;
  uint32_t edges = 0;
  partAt(pointerWindow_->size, pointerWindow_->frame, x, y, &edges);
  setCursor(cursorFor(edges));
}

void WaylandHost::onPointerButton(uint32_t serial, uint32_t time, uint32_t button, bool down) {
  Window* w = pointerWindow_;
  if (!w || !w->toplevel) return;
  uint32_t edges = 0;
  const Part part = partAt(w->size, w->frame, pointerX_, pointerY_, &edges);
  if (button == BTN_RIGHT && down && part == kTitlePart) {
    xdg_toplevel_show_window_menu(w->toplevel, seat_, serial, pointerX_, pointerY_);
    return;
  }
  if (button != BTN_LEFT) return;
  if (!down) {
    // A button acts when released where it was pressed, as on any desktop.
    const int pressed = pressedPart_;
    pressedPart_ = kClientPart;
    if (pressed != part) return;
    if (part == kClosePart) {
      early_.push_back({HostEvent::kClose, w->hwnd});
    } else if (part == kMaximizePart) {
      if (w->maximized) {
        xdg_toplevel_unset_maximized(w->toplevel);
      } else {
        xdg_toplevel_set_maximized(w->toplevel);
      }
    } else if (part == kMinimizePart) {
      xdg_toplevel_set_minimized(w->toplevel);
    }
    return;
  }
  if (part == kEdgePart) {
    xdg_toplevel_resize(w->toplevel, seat_, serial, edges);
  } else if (part == kTitlePart) {
    if (titleClicked_ && time - lastTitleClick_ < kDoubleClickMs) {
      titleClicked_ = false;
      if (w->maximized) {
        xdg_toplevel_unset_maximized(w->toplevel);
      } else {
        xdg_toplevel_set_maximized(w->toplevel);
      }
    } else {
      titleClicked_ = true;
      lastTitleClick_ = time;
      xdg_toplevel_move(w->toplevel, seat_, serial);
    }
  } else if (part != kClientPart) {
    pressedPart_ = part;
  }
}

void WaylandHost::onToplevelConfigure(Window* w, int width, int height, wl_array* states) {
  w->pendingSize = {width, height};
  w->pendingMaximized = w->pendingFullscreen = w->pendingTiled = w->pendingActivated = false;
  const auto* state = static_cast<const uint32_t*>(states->data);
  for (size_t i = 0; i < states->size / sizeof *state; ++i) {
    switch (state[i]) {
      case XDG_TOPLEVEL_STATE_MAXIMIZED:
        w->pendingMaximized = true;
        break;
      case XDG_TOPLEVEL_STATE_FULLSCREEN:
        w->pendingFullscreen = true;
        break;
      case XDG_TOPLEVEL_STATE_ACTIVATED:
        w->pendingActivated = true;
        break;
      case XDG_TOPLEVEL_STATE_TILED_LEFT:
      case XDG_TOPLEVEL_STATE_TILED_RIGHT:
      case XDG_TOPLEVEL_STATE_TILED_TOP:
      case XDG_TOPLEVEL_STATE_TILED_BOTTOM:
        w->pendingTiled = true;
        break;
      default:
        break;
    }
  }
}

void WaylandHost::onDecorationMode(Window* w, bool serverSide) {
  w->serverSide = serverSide;
  ++w->look;
}

void WaylandHost::onSurfaceConfigure(Window* w, uint32_t serial) {
  xdg_surface_ack_configure(w->xdgSurface, serial);
  const bool floating = !w->pendingMaximized && !w->pendingFullscreen && !w->pendingTiled;
  const Insets frame = frameFor(w->serverSide, w->pendingFullscreen, floating);
  Size size = w->restore;
  // A size of 0 leaves it to us: the window's own.
  if (w->pendingSize.width > 0 && w->pendingSize.height > 0) {
    size = {std::max(1, w->pendingSize.width - frame.left - frame.right),
            std::max(1, w->pendingSize.height - frame.top - frame.bottom)};
    if (floating) w->restore = size;
  }
  const bool resized = !w->configured || size.width != w->size.width ||
                       size.height != w->size.height || frame != w->frame;
  // The bar's colours follow the focus; the maximise button, the state.
  if (w->pendingActivated != w->activated || w->pendingMaximized != w->maximized) ++w->look;
  w->activated = w->pendingActivated;
  w->maximized = w->pendingMaximized;
  w->frame = frame;
  w->size = size;
  w->configured = true;
  HostEvent sized{HostEvent::kResized, w->hwnd};
  sized.size = size;
  sized.state = w->maximized ? HostEvent::kMaximized : HostEvent::kRestored;
  early_.push_back(sized);
  // A new size needs a buffer of that size at once: the compositor holds a
  // maximised window to the size it gave. A frame drawn anew goes out with
  // the next paint.
  const bool redraw = w->shown && frame.top > 0 && w->shownLook != w->look;
  if (resized || redraw) {
    early_.push_back({HostEvent::kExposed, w->hwnd});
  } else if (w->shown) {
    wl_surface_commit(w->surface);  // the acknowledgement takes effect
  }
}

void WaylandHost::onClose(Window* w) { early_.push_back({HostEvent::kClose, w->hwnd}); }

void WaylandHost::onFrameDone(Window* w) {
  if (w->frameCallback) wl_callback_destroy(w->frameCallback);
  w->frameCallback = nullptr;
  if (w->commitWaiting) commit(*w);
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
  w->xdgSurface = w->surface ? xdg_wm_base_get_xdg_surface(wmBase_, w->surface) : nullptr;
  w->toplevel = w->xdgSurface ? xdg_surface_get_toplevel(w->xdgSurface) : nullptr;
  if (!w->toplevel) {
    if (w->xdgSurface) xdg_surface_destroy(w->xdgSurface);
    if (w->surface) wl_surface_destroy(w->surface);
    failure_ = "cannot create a window" + where_;
    return false;
  }
  xdg_surface_add_listener(w->xdgSurface, &xdgSurfaceListener, w.get());
  xdg_toplevel_add_listener(w->toplevel, &toplevelListener, w.get());
  // The compositor's frame where it offers one; it says which it chose
  // before the first configure.
  if (decorations_) {
    w->decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(decorations_, w->toplevel);
    zxdg_toplevel_decoration_v1_add_listener(w->decoration, &decorationListener, w.get());
    zxdg_toplevel_decoration_v1_set_mode(w->decoration,
                                         ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
  }
  xdg_toplevel_set_title(w->toplevel, caption.c_str());
  w->title = utf8To1251(caption);
  // The menu entry's name, which also finds its icon.
  xdg_toplevel_set_app_id(w->toplevel, "hypercube");
  windows_[hwnd] = std::move(w);
  return true;
}

void WaylandHost::closeWindow(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  Window& w = *it->second;
  if (pointerWindow_ == &w) pointerWindow_ = nullptr;
  for (auto& b : w.buffers) destroyBuffer(b.get());
  if (w.frameCallback) wl_callback_destroy(w.frameCallback);
  if (w.decoration) zxdg_toplevel_decoration_v1_destroy(w.decoration);
  xdg_toplevel_destroy(w.toplevel);
  xdg_surface_destroy(w.xdgSurface);
  wl_surface_destroy(w.surface);
  windows_.erase(it);
  early_.erase(std::remove_if(early_.begin(), early_.end(),
                              [hwnd](const HostEvent& e) { return e.hwnd == hwnd; }),
               early_.end());
  wl_display_flush(display_);
}

void WaylandHost::setCaption(HWND hwnd, const std::string& caption) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  Window& w = *it->second;
  xdg_toplevel_set_title(w.toplevel, caption.c_str());
  w.title = utf8To1251(caption);
  ++w.look;
  if (w.shown && w.frame.top > 0) early_.push_back({HostEvent::kExposed, hwnd});
}

Size WaylandHost::showMaximized(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return {0, 0};
  Window& w = *it->second;
  if (!w.mapped) {
    // Asked before the first commit, the maximised size comes in the first
    // configure: the first frame is drawn once, at the size it is shown.
    xdg_toplevel_set_maximized(w.toplevel);
    wl_surface_commit(w.surface);
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
    xdg_toplevel_set_maximized(w.toplevel);
    wl_display_flush(display_);
  }
  return w.size;
}

Canvas& WaylandHost::surface(HWND hwnd, Size) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second->configured) return noPixels;
  Window& w = *it->second;
  const Size size = w.size;
  auto current = [&](const Buffer* b) {
    return b->canvas->width() == size.width && b->canvas->height() == size.height &&
           b->frame == w.frame;
  };
  Buffer* b = w.painting && !w.painting->busy && current(w.painting) ? w.painting : nullptr;
  if (!b) {
    // Buffers of another size are of no more use once the compositor lets go.
    w.buffers.erase(std::remove_if(w.buffers.begin(), w.buffers.end(),
                                   [&](const std::unique_ptr<Buffer>& old) {
                                     const bool gone = !old->busy && !current(old.get());
                                     if (gone) destroyBuffer(old.get());
                                     return gone;
                                   }),
                    w.buffers.end());
    for (auto& spare : w.buffers) {
      if (!spare->busy && !b) b = spare.get();
    }
    if (!b) {
      std::unique_ptr<Buffer> made = newBuffer(shm_, size, w.frame);
      if (!made) {
        w.painting = nullptr;
        return noPixels;
      }
      made->window = &w;
      b = made.get();
      w.buffers.push_back(std::move(made));
    }
  }
  w.painting = b;
  if (b->look != w.look) drawFrame(w, *b);
  return *b->canvas;
}

void WaylandHost::drawFrame(Window& w, Buffer& b) {
  b.look = w.look;
  const Insets& f = b.frame;
  if (f.top == 0 && f.left == 0) return;
  b.frameNew = true;
  const int width = b.size.width, height = b.size.height;
  RasterCanvas whole(static_cast<uint32_t*>(b.data), width, height, width * 4);
  const uint32_t bar = w.activated ? kActiveBar : kInactiveBar;
  const uint32_t ink = w.activated ? kActiveInk : kInactiveInk;
  whole.fillRect(0, 0, width, f.top, bar);
  whole.fillRect(0, f.top, f.left, height - f.bottom, bar);
  whole.fillRect(width - f.right, f.top, width, height - f.bottom, bar);
  whole.fillRect(0, height - f.bottom, width, height, bar);
  // The buttons' marks, 10 pixels square, in the middle of their boxes.
  const int right = width - f.right, barTop = f.top - kTitleHeight;
  const int y = barTop + kTitleHeight / 2 - 5;
  const int close = right - kButtonWidth / 2 - 5, maximize = close - kButtonWidth,
            minimize = maximize - kButtonWidth;
  for (int i = 0; i < 10; ++i) {
    whole.fillRect(close + i, y + i, close + i + 1, y + i + 1, ink);
    whole.fillRect(close + 9 - i, y + i, close + 10 - i, y + i + 1, ink);
  }
  auto box = [&](int x0, int y0, int x1, int y1) {
    whole.fillRect(x0, y0, x1, y0 + 2, ink);
    whole.fillRect(x0, y1 - 1, x1, y1, ink);
    whole.fillRect(x0, y0, x0 + 1, y1, ink);
    whole.fillRect(x1 - 1, y0, x1, y1, ink);
  };
  if (w.maximized) {
    // Restore: a window in front of another.
    whole.fillRect(maximize + 2, y, maximize + 10, y + 2, ink);
    whole.fillRect(maximize + 9, y, maximize + 10, y + 8, ink);
    whole.fillRect(maximize + 8, y + 7, maximize + 10, y + 8, ink);
    box(maximize, y + 2, maximize + 8, y + 10);
  } else {
    box(maximize, y, maximize + 10, y + 10);
  }
  whole.fillRect(minimize, y + 8, minimize + 10, y + 10, ink);
  // The caption, cut before the buttons.
  const BitmapFont* face = titleFace();
  if (!face || w.title.empty()) return;
  const int left = f.left + 8, room = minimize - 8 - left;
  int count = static_cast<int>(w.title.size());
  while (count > 0 && face->advance(w.title.data(), count) > room) --count;
  whole.text(left, barTop + (kTitleHeight - face->height()) / 2, *face, w.title.data(), count,
             DcColors{ink, bar, false});
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
  const PixelRect client{0, 0, b->canvas->width(), b->canvas->height()};
  // What differs from the frame on screen: what this paint changed, and what
  // other frames changed since this buffer was last shown.
  const PixelRect changed = b->fresh ? client : unite(b->painted, b->stale);
  if (changed.empty() && !b->frameNew) return;
  const PixelRect shown = b->fresh ? client : b->painted;
  for (auto& other : w.buffers) {
    if (other.get() != b) other->stale = unite(other->stale, shown);
  }
  const PixelRect damage =
      b->fresh || b->frameNew
          ? PixelRect{0, 0, b->size.width, b->size.height}
          : PixelRect{changed.left + b->frame.left, changed.top + b->frame.top,
                      changed.right + b->frame.left, changed.bottom + b->frame.top};
  b->fresh = false;
  b->frameNew = false;
  b->painted = {};
  b->stale = {};
  b->busy = true;
  w.painting = nullptr;
  w.shown = true;
  w.shownLook = b->look;
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
