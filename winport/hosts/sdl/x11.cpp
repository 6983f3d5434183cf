// Xlib for what SDL's X11 driver does not do; see x11.h.
#include "winport/hosts/sdl/x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <thread>

namespace winport {
namespace {

char programName[64] = "program";

// Our windows, and those of them another client destroyed.
std::set<unsigned long> ours;
std::set<unsigned long> gone;
// A window named by the root window as the window manager's while it is
// asked: one that just ended (or one starting again) can leave a stale name.
unsigned long probed = 0;

// Xlib calls this when the connection to the X server breaks (the server
// ended or was killed); its default prints Xlib's own text, and waiting on
// would hang. Nothing more can be done through the connection: say what
// happened in one line and leave at once.
int displayLost(Display* display) {
  const char* name = display ? XDisplayString(display) : nullptr;
  std::fprintf(stderr, "%s: lost the display%s%s%s: the X server closed the connection\n",
               programName, name ? " at DISPLAY='" : "", name ? name : "", name ? "'" : "");
  _exit(1);
}

// SDL wakes its event wait by sending an event to the window over a second
// connection. Should the window be destroyed on the first connection before
// the server takes that event, the server answers BadWindow, read as late as
// SDL_Quit, and Xlib's default handler then ended the program with status 1
// right after Alt+F4. That answer is harmless; any other error is said in one
// line, and the program goes on: a failed request never costs the user the
// window.
int requestFailed(Display* display, XErrorEvent* e) {
  constexpr unsigned char kSendEvent = 25;  // X_SendEvent
  if (e->error_code == BadWindow && e->request_code == kSendEvent) return 0;
  if (e->error_code == BadWindow && probed != 0 && e->resourceid == probed) return 0;
  // Our window destroyed by another client: the host ends the program with
  // one line of its own, not one per request that still named it.
  if ((e->error_code == BadWindow || e->error_code == BadDrawable) && ours.count(e->resourceid)) {
    gone.insert(e->resourceid);
    return 0;
  }
  char text[128] = "";
  XGetErrorText(display, e->error_code, text, sizeof text);
  std::fprintf(stderr, "%s: the X server refused a request (%s, request %d.%d); going on\n",
               programName, text, e->request_code, e->minor_code);
  return 0;
}

}  // namespace

void installX11ErrorHandlers(const char* program) {
  std::snprintf(programName, sizeof programName, "%s", program);
  XSetIOErrorHandler(displayLost);
  XSetErrorHandler(requestFailed);
}

bool windowManagerMaximizes(SDL_Window* sdl) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  const ::Window root = DefaultRootWindow(display);
  // The manager names a window of its own on the root window and on itself;
  // a stale name left by one that ended does not count.
  auto windowProperty = [&](::Window on, const char* name, ::Window* value) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, on, XInternAtom(display, name, False), 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1;
    if (found) *value = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return found;
  };
  ::Window manager = 0;
  ::Window itself = 0;
  if (!windowProperty(root, "_NET_SUPPORTING_WM_CHECK", &manager)) return false;
  probed = manager;
  const bool alive = windowProperty(manager, "_NET_SUPPORTING_WM_CHECK", &itself);
  probed = 0;
  if (!alive || itself != manager) return false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool maximizes = false;
  if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096,
                         False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      type == XA_ATOM && format == 32) {
    const Atom wanted = XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    const unsigned long* atoms = reinterpret_cast<unsigned long*>(data);
    for (unsigned long i = 0; i < count && !maximizes; ++i) maximizes = atoms[i] == wanted;
  }
  if (data) XFree(data);
  return maximizes;
}

X11Window x11Window(SDL_Window* sdl) {
  X11Window x;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return x;
  Display* display = info.info.x11.display;
  const ::Window window = info.info.x11.window;
  x.display = display;
  x.window = window;
  ours.insert(window);
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, window, &a) || a.depth != 24 || !a.visual) return x;
  if (a.visual->red_mask == 0xFF0000 && a.visual->green_mask == 0x00FF00 &&
      a.visual->blue_mask == 0x0000FF) {
    x.visual = a.visual;
  }
  return x;
}

bool mapWithin(const X11Window& x, unsigned ms) {
  using Clock = std::chrono::steady_clock;
  Display* display = static_cast<Display*>(x.display);
  const auto start = Clock::now();
  auto asked = start;
  XMapRaised(display, x.window);
  for (;;) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, x.window, &a) || gone.count(x.window)) return false;
    if (a.map_state != IsUnmapped) return true;
    const auto now = Clock::now();
    if (now - start >= std::chrono::milliseconds(ms)) return false;
    if (now - asked >= std::chrono::seconds(1)) {
      XMapRaised(display, x.window);
      asked = now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void withdraw(const X11Window& x) {
  if (!x.x11() || windowGone(x)) return;
  Display* display = static_cast<Display*>(x.display);
  XWithdrawWindow(display, x.window, DefaultScreen(display));
  XSync(display, False);
}

bool windowGone(const X11Window& x) { return x.x11() && gone.count(x.window); }

void noteSystemEvent(const void* sdlSysWmMsg) {
  const SDL_SysWMmsg* m = static_cast<const SDL_SysWMmsg*>(sdlSysWmMsg);
  if (m && m->subsystem == SDL_SYSWM_X11 && m->msg.x11.event.type == DestroyNotify &&
      ours.count(m->msg.x11.event.xdestroywindow.window)) {
    gone.insert(m->msg.x11.event.xdestroywindow.window);
  }
}

unsigned long nextRequest(const X11Window& x) {
  return x.x11() ? NextRequest(static_cast<Display*>(x.display)) : 0;
}

bool exposedSince(const void* sdlSysWmMsg, const X11Window& x, unsigned long serial) {
  const SDL_SysWMmsg* m = static_cast<const SDL_SysWMmsg*>(sdlSysWmMsg);
  if (!x.x11() || !m || m->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& e = m->msg.x11.event;
  return e.type == Expose && e.xexpose.window == x.window && e.xexpose.serial >= serial;
}

void rootSize(const X11Window& x, int* width, int* height) {
  *width = *height = 0;
  if (!x.x11()) return;
  Display* display = static_cast<Display*>(x.display);
  ::Window root;
  int at;
  unsigned w, h, border, depth;
  if (XGetGeometry(display, DefaultRootWindow(display), &root, &at, &at, &w, &h, &border, &depth)) {
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
  }
}

void putDirectly(const X11Window& x, const RasterCanvas& canvas) {
  if (!x.direct() || canvas.width() == 0 || canvas.height() == 0) return;
  Display* display = static_cast<Display*>(x.display);
  XImage* image = XCreateImage(display, static_cast<Visual*>(x.visual), 24, ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<uint32_t*>(canvas.row(0))),
                               canvas.width(), canvas.height(), 32, canvas.width() * 4);
  if (!image) return;
  // Our pixels are native 32-bit words; Xlib converts if the server differs.
  const uint32_t one = 1;
  image->byte_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
  GC gc = XCreateGC(display, x.window, 0, nullptr);
  XPutImage(display, x.window, gc, image, 0, 0, 0, 0, canvas.width(), canvas.height());
  XFreeGC(display, gc);
  image->data = nullptr;  // the canvas owns the pixels
  XDestroyImage(image);
  XFlush(display);
}

}  // namespace winport
