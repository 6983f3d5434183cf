// The one seam between the Win32 layer and what shows its windows. USER
// drives: it asks a host questions (sizes, a surface of a given size), tells it
// what to show, and collects the events it reports; a host never calls into
// USER while USER is calling it. The headless host draws into memory; the SDL
// host puts the same pixels on screen.
#ifndef WINPORT_HOST_H
#define WINPORT_HOST_H

#include <windows.h>

#include <string>
#include <vector>

// Every host paints into pixels of ours.
#include "winport/raster/raster_canvas.h"

namespace winport {

struct Size {
  int width;
  int height;
};

// Something that happened on the host's side, for USER to turn into messages.
struct HostEvent {
  enum Kind {
    kKeyDown,  // vk, repeat, alt
    kKeyUp,    // vk, alt
    kClose,    // the user asked to close the window
    kResized,  // the client area is now `size`, in `state`
    kExposed,  // the window's pixels were lost: repaint
  } kind;
  HWND hwnd;
  int vk = 0;
  bool repeat = false;
  bool alt = false;
  Size size{0, 0};
  enum State { kRestored, kMaximized, kMinimized } state = kRestored;
};

class Host {
 public:
  virtual ~Host() = default;
  virtual Size screenSize() = 0;
  // The client size a maximised window gets.
  virtual Size maximizedClientSize() = 0;
  // The client size for CW_USEDEFAULT.
  virtual Size defaultClientSize() = 0;
  // A native window for hwnd, not yet shown; the caption is UTF-8. False when
  // it cannot be made.
  virtual bool openWindow(HWND hwnd, const std::string& caption, Size client) = 0;
  virtual void closeWindow(HWND hwnd) = 0;
  // The window's caption is now `caption` (UTF-8).
  virtual void setCaption(HWND hwnd, const std::string& caption) = 0;
  // Shows the window maximised; returns the client size it has now.
  virtual Size showMaximized(HWND hwnd) = 0;
  // The surface to paint the window's `client` area on. It may be smaller
  // than `client` where the window reaches past the screen.
  virtual Canvas& surface(HWND hwnd, Size client) = 0;
  // The painted surface is complete: show it.
  virtual void present(HWND hwnd) = 0;
  // Appends what has happened to `events`; with `wait`, blocks until there is
  // at least one. False when the host has failed or has nothing more to
  // deliver (a headless run out of input).
  virtual bool pumpEvents(bool wait, std::vector<HostEvent>* events) = 0;
};

// The host the layer runs on. Until one is set, a host without a screen on
// which no window can be opened.
Host& host();
void setHost(Host* h);

}  // namespace winport

#endif
