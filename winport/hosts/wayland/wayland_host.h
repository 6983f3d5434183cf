// The host on a Wayland compositor, without SDL: libwayland-client, xdg-shell
// for the toplevel, our raster code drawing straight into shared-memory
// buffers, xkbcommon for the keys. The frame is the compositor's where it
// offers one (xdg-decoration), else a plain title bar and border of our own,
// drawn into the same buffer as the client area.
#ifndef WINPORT_HOSTS_WAYLAND_WAYLAND_HOST_H
#define WINPORT_HOSTS_WAYLAND_WAYLAND_HOST_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winport/user/host.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct wl_surface;
struct wl_buffer;
struct wl_callback;
struct wl_cursor_theme;
struct wl_array;
struct xdg_wm_base;
struct zxdg_decoration_manager_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace winport {

class WaylandHost : public Host {
 public:
  WaylandHost();
  ~WaylandHost() override;
  // Connects to the compositor; false, with the reason, when it cannot.
  bool start(std::string* error);
  // Why the host failed while running, if it did.
  const std::string& failure() const { return failure_; }

  Size screenSize() override;
  Size maximizedClientSize() override;
  Size defaultClientSize() override;
  bool openWindow(HWND hwnd, const std::string& caption, Size client) override;
  void closeWindow(HWND hwnd) override;
  void setCaption(HWND hwnd, const std::string& caption) override;
  Size showMaximized(HWND hwnd) override;
  Canvas& surface(HWND hwnd, Size client) override;
  void present(HWND hwnd) override;
  bool pumpEvents(bool wait, std::vector<HostEvent>* events) override;

  // What libwayland's callbacks report; public for them only.
  struct Buffer;
  struct Window;
  void onGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  void onOutputMode(int width, int height) { mode_ = {width, height}; }
  void onOutputScale(int scale) { scale_ = scale > 0 ? scale : 1; }
  void onSeatCapabilities(uint32_t caps);
  void onKeymap(int fd, uint32_t size, uint32_t format);
  void onKey(uint32_t key, bool down);
  void onModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
  void onRepeatInfo(int32_t rate, int32_t delay) {
    repeatRate_ = rate;
    repeatDelay_ = delay;
  }
  void onKeyboardLeave();
  void onPointerEnter(uint32_t serial, wl_surface* surface, int x, int y);
  void onPointerLeave() { pointerWindow_ = nullptr; }
  void onPointerMotion(int x, int y);
  void onPointerButton(uint32_t serial, uint32_t time, uint32_t button, bool down);
  void onToplevelConfigure(Window* w, int width, int height, wl_array* states);
  void onDecorationMode(Window* w, bool serverSide);
  void onSurfaceConfigure(Window* w, uint32_t serial);
  void onClose(Window* w);
  void onFrameDone(Window* w);

 private:
  void commit(Window& w);
  void drawFrame(Window& w, Buffer& b);
  void setCursor(const char* name);
  Window* keyboardWindow();
  void keyEvent(HostEvent::Kind kind, int vk, bool repeat);
  void armRepeat(uint32_t key);
  void disarmRepeat();
  bool dispatch(int timeoutMs);
  void lost();

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  wl_output* output_ = nullptr;
  wl_surface* cursorSurface_ = nullptr;
  wl_cursor_theme* cursorTheme_ = nullptr;
  const char* cursorName_ = nullptr;  // the shape set, or none since the pointer entered
  uint32_t pointerSerial_ = 0;
  Window* pointerWindow_ = nullptr;
  int pointerX_ = 0, pointerY_ = 0;  // in the window's surface
  int pressedPart_ = 0;              // the frame button pressed, until released
  bool titleClicked_ = false;        // the title bar was pressed before, at lastTitleClick_,
  uint32_t lastTitleClick_ = 0;      // which makes a double click of the next
  xdg_wm_base* wmBase_ = nullptr;
  zxdg_decoration_manager_v1* decorations_ = nullptr;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* keyState_ = nullptr;
  int repeatRate_ = 25;  // keys a second; 0: no repeat
  int repeatDelay_ = 600;
  int repeatFd_ = -1;
  uint32_t repeatKey_ = 0;
  int repeatVk_ = 0;
  Size mode_{0, 0};
  int scale_ = 1;
  std::string where_;
  std::string failure_;
  std::map<HWND, std::unique_ptr<Window>> windows_;
  std::vector<HostEvent> early_;  // what the callbacks report, until USER collects it
};

}  // namespace winport

#endif
