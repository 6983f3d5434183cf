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
// visual never changes). Empty unless it is an X11 window with 24-bit
// 0xRRGGBB pixels, as ours are, on which a canvas can be put through Xlib.
struct X11Window {
  void* display = nullptr;  // Display*
  unsigned long window = 0;
  void* visual = nullptr;  // Visual*
  bool direct() const { return display != nullptr; }
};
X11Window x11Window(SDL_Window* sdl);

// Puts the canvas on the window's top-left through Xlib.
void putDirectly(const X11Window& x, const RasterCanvas& canvas);

}  // namespace winport

#endif
