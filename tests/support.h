// What the programs that drive windows without a screen share (tests, the
// soak run, the window fuzzer): a message pump, input as a host reports it,
// and whether AddressSanitizer is in the build.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include <windows.h>

#include <climits>

#include "winport/user/host.h"
#include "winport/user/user.h"

#if defined(__SANITIZE_ADDRESS__)
#define HC_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HC_ASAN 1
#endif
#endif

namespace support {

// Dispatches what is pending, paints included, as a message loop would,
// without waiting; stops at WM_QUIT. False when more than `limit` messages
// came: a queue that never drains.
inline bool pump(long limit = LONG_MAX) {
  MSG msg;
  for (long n = 0; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (n >= limit) return false;
    if (msg.message == WM_QUIT) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

// Input and window changes, delivered as the host would report them.
inline void key(winport::HostEvent::Kind kind, HWND hwnd, int vk, bool repeat, bool alt) {
  winport::HostEvent e{kind, hwnd};
  e.vk = vk;
  e.repeat = repeat;
  e.alt = alt;
  winport::deliver(e);
}
inline void keyDown(HWND hwnd, int vk, bool repeat = false, bool alt = false) {
  key(winport::HostEvent::kKeyDown, hwnd, vk, repeat, alt);
}
inline void keyUp(HWND hwnd, int vk, bool alt = false) {
  key(winport::HostEvent::kKeyUp, hwnd, vk, false, alt);
}
inline void closeAsked(HWND hwnd) {
  winport::deliver(winport::HostEvent{winport::HostEvent::kClose, hwnd});
}
// WM_SIZE, and a full repaint for CS_HREDRAW | CS_VREDRAW classes.
inline void resized(HWND hwnd, winport::Size client,
                    winport::HostEvent::State state = winport::HostEvent::kRestored) {
  winport::HostEvent e{winport::HostEvent::kResized, hwnd};
  e.size = client;
  e.state = state;
  winport::deliver(e);
}
inline void exposed(HWND hwnd) {
  winport::deliver(winport::HostEvent{winport::HostEvent::kExposed, hwnd});
}

}  // namespace support

#endif
