// What the SDL host does through Xlib itself, where SDL's X11 driver falls
// short: one clear line when the X server goes away, harmless errors dropped,
// and pixels put on a window too large for an SDL surface.
#ifndef WINPORT_HOSTS_X11_H
#define WINPORT_HOSTS_X11_H

#include "winport/raster/raster_canvas.h"

struct SDL_Window;

namespace winport {

// Before SDL_Init, so SDL keeps them: a lost server ends the process with one
// line naming `program` and status 1; a refused request is said in one line.
void installX11ErrorHandlers(const char* program);

// Whether a window manager runs that maximises windows on request (EWMH);
// on a bare X server the program must size the window itself.
bool windowManagerMaximizes(SDL_Window* sdl);

// A window's X11 side, asked of the server once when the window is made (its
// visual never changes). Empty unless it is an X11 window; `visual` only where
// its pixels are 24-bit 0xRRGGBB, as ours are, so that a canvas can be put on
// it through Xlib.
struct X11Window {
  void* display = nullptr;  // Display*
  unsigned long window = 0;
  void* visual = nullptr;  // Visual*
  bool x11() const { return display != nullptr; }
  bool direct() const { return visual != nullptr; }
};
X11Window x11Window(SDL_Window* sdl);

// Maps the window and waits for it, at most `ms`: SDL's own show waits for
// ever, and a window manager that is still starting can drop the request, so
// it is made again every second. False if the window is still not mapped.
bool mapWithin(const X11Window& x, unsigned ms);

// Unmaps the window (as a withdrawal), so that SDL's destroy, which would
// wait for ever for an unmap that never comes, has none to wait for.
void withdraw(const X11Window& x);

// Whether another client destroyed the window: its DestroyNotify (passed on
// from SDL's system events) or an error naming it says so. SDL must not touch
// such a window again: it would wait for ever on it.
bool windowGone(const X11Window& x);
void noteSystemEvent(const void* sdlSysWmMsg);

// The serial of the next request on the window's connection. An Expose the
// server made after it handled that request carries a serial as large.
unsigned long nextRequest(const X11Window& x);
// Whether an SDL system event is an Expose of the window made at or after
// request `serial`.
bool exposedSince(const void* sdlSysWmMsg, const X11Window& x, unsigned long serial);

// The screen's size now (the root window's, which RandR changes), or 0x0.
void rootSize(const X11Window& x, int* width, int* height);

// Puts the canvas on the window's top-left through Xlib.
void putDirectly(const X11Window& x, const RasterCanvas& canvas);

}  // namespace winport

#endif
