// The floor for the window's figures on Wayland: the least a shared-memory
// client does to show a frame. It maps a maximised xdg-shell toplevel, and on
// start and on each key press fills the whole of a wl_shm buffer and commits
// it, two buffers taking turns as the compositor holds the one on screen.
// Alt+F4 or a close ends it. No decorations, no keymap: raw evdev codes.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstring>

#include "xdg-shell-client-protocol.h"

namespace {

constexpr uint32_t kLeftAlt = 56, kRightAlt = 100, kF4 = 62;  // linux/input-event-codes.h

struct Buffer {
  wl_buffer* wl = nullptr;
  uint32_t* pixels = nullptr;
  bool busy = false;
};

struct Client {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  xdg_wm_base* wm = nullptr;
  wl_surface* surface = nullptr;
  int width = 0, height = 0;
  bool configured = false, done = false, alt = false;
  Buffer buffers[2];
  uint32_t color = 0xFF0000;  // pure red, then pure green: what the timer takes for edges
};

void show(Client& c) {
  Buffer* b = !c.buffers[0].busy ? &c.buffers[0] : !c.buffers[1].busy ? &c.buffers[1] : nullptr;
  if (!b || !b->wl) return;
  const size_t n = static_cast<size_t>(c.width) * static_cast<size_t>(c.height);
  for (size_t i = 0; i < n; ++i) b->pixels[i] = c.color;
  c.color ^= 0xFFFF00;  // a different frame each time, as after an arrow key
  wl_surface_attach(c.surface, b->wl, 0, 0);
  wl_surface_damage_buffer(c.surface, 0, 0, c.width, c.height);
  wl_surface_commit(c.surface);
  b->busy = true;
}

const wl_buffer_listener bufferListener = {
    [](void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }};

bool makeBuffers(Client& c) {
  const int stride = c.width * 4;
  const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(c.height);
  for (Buffer& b : c.buffers) {
    const int fd = memfd_create("wl_fill", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) return false;
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) return false;
    wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, static_cast<int32_t>(bytes));
    b.wl = wl_shm_pool_create_buffer(pool, 0, c.width, c.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    b.pixels = static_cast<uint32_t*>(data);
    wl_buffer_add_listener(b.wl, &bufferListener, &b);
  }
  return true;
}

const xdg_wm_base_listener wmListener = {
    [](void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); }};

const xdg_surface_listener surfaceListener = {[](void* data, xdg_surface* s, uint32_t serial) {
  Client& c = *static_cast<Client*>(data);
  xdg_surface_ack_configure(s, serial);
  if (!c.configured) {
    c.configured = true;
    if (c.width <= 0 || c.height <= 0) c.width = 1920, c.height = 1080;
    if (!makeBuffers(c)) c.done = true;
    show(c);
  }
}};

const xdg_toplevel_listener toplevelListener = {
    [](void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
      Client& c = *static_cast<Client*>(data);
      if (!c.configured) c.width = w, c.height = h;
    },
    [](void* data, xdg_toplevel*) { static_cast<Client*>(data)->done = true; },
    [](void*, xdg_toplevel*, int32_t, int32_t) {}, [](void*, xdg_toplevel*, wl_array*) {}};

const wl_keyboard_listener keyboardListener = {
    [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
      Client& c = *static_cast<Client*>(data);
      const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
      if (key == kLeftAlt || key == kRightAlt) c.alt = down;
      if (!down) return;
      if (key == kF4 && c.alt) c.done = true;
      if (!c.done && c.configured) show(c);
    },
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, wl_keyboard*, int32_t, int32_t) {}};

const wl_seat_listener seatListener = {[](void* data, wl_seat* seat, uint32_t caps) {
                                         if (caps & WL_SEAT_CAPABILITY_KEYBOARD) {
                                           wl_keyboard_add_listener(wl_seat_get_keyboard(seat),
                                                                    &keyboardListener, data);
                                         }
                                       },
                                       [](void*, wl_seat*, const char*) {}};

const wl_registry_listener registryListener = {
    [](void* data, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
      Client& c = *static_cast<Client*>(data);
      if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        c.compositor =
            static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 4));
      } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        c.shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
      } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !c.seat) {
        c.seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 4));
        wl_seat_add_listener(c.seat, &seatListener, data);
      } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        c.wm = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(c.wm, &wmListener, data);
      }
    },
    [](void*, wl_registry*, uint32_t) {}};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return 1;
  Client c;
  wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &c);
  wl_display_roundtrip(display);
  if (!c.compositor || !c.shm || !c.wm) return 1;
  c.surface = wl_compositor_create_surface(c.compositor);
  xdg_surface* xs = xdg_wm_base_get_xdg_surface(c.wm, c.surface);
  xdg_surface_add_listener(xs, &surfaceListener, &c);
  xdg_toplevel* top = xdg_surface_get_toplevel(xs);
  xdg_toplevel_add_listener(top, &toplevelListener, &c);
  xdg_toplevel_set_title(top, "wl_fill");
  xdg_toplevel_set_maximized(top);
  wl_surface_commit(c.surface);
  while (!c.done && wl_display_dispatch(display) >= 0) {
  }
  wl_display_disconnect(display);
  return 0;
}
