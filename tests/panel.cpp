// panel: a desktop panel for the window tests, a grey dock along the top of
// the screen that reserves its height (_NET_WM_STRUT) from the work area, as
// a real panel does. Runs until killed.
// usage: panel HEIGHT
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int height = argc == 2 ? std::atoi(argv[1]) : 0;
  if (height < 1) {
    std::fputs("usage: panel HEIGHT (with DISPLAY set)\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "panel: cannot open the display '%s'\n", name ? name : "");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const int width = DisplayWidth(display, screen);
  const Window panel = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width,
                                           height, 0, 0, 0x808080);
  const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
  XChangeProperty(display, panel, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
  // left, right, top, bottom; then the partial form's start and end of each.
  const long strut[12] = {0, 0, height, 0, 0, 0, 0, 0, 0, width - 1, 0, 0};
  XChangeProperty(display, panel, XInternAtom(display, "_NET_WM_STRUT", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 4);
  XChangeProperty(display, panel, XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL,
                  32, PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
  XSizeHints hints = {};
  hints.flags = PPosition | USPosition;
  XSetWMNormalHints(display, panel, &hints);
  XMapWindow(display, panel);
  XFlush(display);
  for (;;) {
    XEvent e;
    XNextEvent(display, &e);
  }
}
