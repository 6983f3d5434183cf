// What a host gives the Win32 layer: a screen, native windows with a pixel
// surface, and input. The headless host draws into memory; the SDL host puts
// the same pixels on screen.
#ifndef WINPORT_HOST_H
#define WINPORT_HOST_H

#include <windows.h>

#include <string>

#include "canvas.h"

namespace winport {

struct Size {
  int width;
  int height;
};

class Host {
 public:
  virtual ~Host() = default;
  virtual Size screenSize() = 0;
  // The client size a maximised window gets.
  virtual Size maximizedClientSize() = 0;
  // The client size for CW_USEDEFAULT.
  virtual Size defaultClientSize() = 0;
  // A native window for hwnd; the caption is UTF-8. False when it cannot be made.
  virtual bool openWindow(HWND hwnd, const std::string& caption, Size client) = 0;
  virtual void closeWindow(HWND hwnd) = 0;
  // Asks for a maximised, shown window; the host reports the size it gets
  // through windowResized().
  virtual void showMaximized(HWND hwnd) = 0;
  // The surface to paint on, of the window's current client size.
  virtual Canvas& surface(HWND hwnd) = 0;
  // The painted surface is complete: show it.
  virtual void present(HWND hwnd) = 0;
  // Turns pending native events into messages; with `wait`, blocks until
  // there is at least one. False when the host has failed or has nothing more
  // to deliver (a headless run out of input).
  virtual bool pumpEvents(bool wait) = 0;
};

// The host the layer runs on; the headless host until another is set.
Host& host();
void setHost(Host* h);

// What hosts call to deliver input and window changes.
void postKeyDown(HWND hwnd, int vk, bool repeat, bool alt);
void postKeyUp(HWND hwnd, int vk, bool alt);
void postClose(HWND hwnd);
// The window's client area changed size: WM_SIZE, and a full repaint for
// CS_HREDRAW | CS_VREDRAW classes.
void windowResized(HWND hwnd, Size client, bool maximized);
// The window's pixels were lost (exposed): repaint without erasing first.
void windowExposed(HWND hwnd);

// The one top-level window of ours, or nullptr.
HWND firstWindow();

// Forgets all windows, classes, messages and the quit flag (tests only).
void resetUser();

// Windows-1251 to UTF-8.
std::string cp1251ToUtf8(const char* text);

}  // namespace winport

#endif
