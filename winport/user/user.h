// USER's side of the host seam, for tests and tools that drive windows by
// hand: input and window changes delivered as a host reports them, and the one
// top-level window.
#ifndef WINPORT_USER_H
#define WINPORT_USER_H

#include <windows.h>

#include "winport/user/host.h"

namespace winport {

// Turns one host event into messages, as GetMessageA does for what it pumps.
void deliver(const HostEvent& e);

inline void postKeyDown(HWND hwnd, int vk, bool repeat, bool alt) {
  HostEvent e{HostEvent::kKeyDown, hwnd};
  e.vk = vk;
  e.repeat = repeat;
  e.alt = alt;
  deliver(e);
}
inline void postKeyUp(HWND hwnd, int vk, bool alt) {
  HostEvent e{HostEvent::kKeyUp, hwnd};
  e.vk = vk;
  e.alt = alt;
  deliver(e);
}
inline void postClose(HWND hwnd) { deliver(HostEvent{HostEvent::kClose, hwnd}); }
// WM_SIZE, and a full repaint for CS_HREDRAW | CS_VREDRAW classes.
inline void windowResized(HWND hwnd, Size client, HostEvent::State state = HostEvent::kRestored) {
  HostEvent e{HostEvent::kResized, hwnd};
  e.size = client;
  e.state = state;
  deliver(e);
}
inline void windowExposed(HWND hwnd) { deliver(HostEvent{HostEvent::kExposed, hwnd}); }

// The one top-level window of ours, or nullptr.
HWND firstWindow();

}  // namespace winport

#endif
