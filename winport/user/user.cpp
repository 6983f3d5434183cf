// USER: window classes, top-level windows, the message queue and default
// message handling, delivered in Win32's order: WM_CREATE and the first
// WM_SIZE inside CreateWindowExA; posted messages, then WM_QUIT, then input
// turned into messages by the host, then WM_PAINT for an invalid window;
// WM_ERASEBKGND from BeginPaint after an invalidation with erase.
// Left out: child windows, non-client messages, window placement, timers,
// hooks, keyboard state and WM_CHAR (TranslateMessage posts nothing), update
// regions finer than one rectangle, and threads: everything runs on the
// thread that calls GetMessageA.
#include "winport/user/user.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "winport/gdi/dc.h"
#include "winport/user/codepage.h"
#include "winport/user/host.h"
#include "winport/user/testing.h"

struct HWND__ {
  WNDCLASSEXA cls;
  winport::Size client{0, 0};
  WPARAM sizeKind = SIZE_RESTORED;  // as the last WM_SIZE said
  bool visible = false;
  bool invalid = false;
  bool erase = false;
  RECT update{0, 0, 0, 0};
};

namespace winport {
namespace {

struct RegisteredClass {
  std::string name;
  WNDCLASSEXA wc;
};

struct UserState {
  std::vector<RegisteredClass> classes;
  std::vector<std::unique_ptr<HWND__>> windows;
  std::deque<MSG> posted;
  bool quitPosted = false;
  int quitCode = 0;
};

UserState& state() {
  static UserState s;
  return s;
}

// Stand-ins for the system icon and cursor; only their identity matters.
struct SystemResource {
  int id;
};
SystemResource systemIcon{32512};
SystemResource systemCursor{32512};

HWND live(HWND hwnd) {
  for (const auto& w : state().windows) {
    if (w.get() == hwnd) return hwnd;
  }
  return nullptr;
}

const RegisteredClass* findClass(LPCSTR name) {
  if (!name) return nullptr;
  for (const RegisteredClass& c : state().classes) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

void invalidateAll(HWND w, bool erase) {
  w->invalid = true;
  w->erase = w->erase || erase;
  w->update = RECT{0, 0, w->client.width, w->client.height};
}

bool matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (hwnd && m.hwnd != hwnd) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

// The next message in Win32's order of priority, if any; `remove` takes
// posted ones off the queue (a paint stays until the window is validated).
bool nextMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove) {
  UserState& s = state();
  auto it = std::find_if(s.posted.begin(), s.posted.end(),
                         [&](const MSG& m) { return matches(m, hwnd, lo, hi); });
  if (it != s.posted.end()) {
    *msg = *it;
    if (remove) s.posted.erase(it);
    return true;
  }
  if (s.quitPosted) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, 0, {0, 0}};
    if (remove) s.quitPosted = false;
    return true;
  }
  for (const auto& w : s.windows) {
    if (w->visible && w->invalid && (!hwnd || hwnd == w.get())) {
      *msg = MSG{w.get(), WM_PAINT, 0, 0, 0, {0, 0}};
      if (matches(*msg, hwnd, lo, hi)) return true;
    }
  }
  return false;
}

LPARAM keyLParam(int vk, bool alt, bool repeat, bool up) {
  const bool extended = vk >= VK_PRIOR && vk <= VK_DOWN;  // the arrow block
  DWORD l = 1;                                            // repeat count
  if (extended) l |= 1u << 24;
  if (alt) l |= 1u << 29;
  if (repeat || up) l |= 1u << 30;
  if (up) l |= 1u << 31;
  return static_cast<LPARAM>(l);
}

}  // namespace

HWND firstWindow() { return state().windows.empty() ? nullptr : state().windows.front().get(); }

void resetUser() {
  UserState& s = state();
  while (!s.windows.empty()) {
    HWND w = s.windows.back().get();
    host().closeWindow(w);
    s.windows.pop_back();
  }
  s.classes.clear();
  s.posted.clear();
  s.quitPosted = false;
  s.quitCode = 0;
  setAnsiCodePage(1251);
}

namespace {

// Windows sends Alt combinations, F10 and Alt itself as system keys.
bool systemKey(int vk, bool alt) { return alt || vk == VK_MENU || vk == VK_F10; }

void resized(HWND hwnd, Size client, HostEvent::State state) {
  if (!live(hwnd)) return;
  if (state == HostEvent::kMinimized) client = Size{0, 0};
  client.width = std::max(0, std::min(client.width, 65535));
  client.height = std::max(0, std::min(client.height, 65535));
  const bool wider = client.width != hwnd->client.width;
  const bool taller = client.height != hwnd->client.height;
  const WPARAM kind = state == HostEvent::kMinimized   ? SIZE_MINIMIZED
                      : state == HostEvent::kMaximized ? SIZE_MAXIMIZED
                                                       : SIZE_RESTORED;
  // Win32 says a change of state even at the same size (maximised to
  // restored, say).
  if (!wider && !taller && kind == hwnd->sizeKind) return;
  const bool grew = client.width > hwnd->client.width || client.height > hwnd->client.height;
  hwnd->client = client;
  hwnd->sizeKind = kind;
  SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(client.width, client.height));
  if (!live(hwnd)) return;
  const UINT style = hwnd->cls.style;
  if ((wider && (style & CS_HREDRAW)) || (taller && (style & CS_VREDRAW)) || grew) {
    invalidateAll(hwnd, true);
  }
}

// Asks the host for what has happened and turns it into messages.
bool pump(bool wait) {
  std::vector<HostEvent> events;
  const bool ok = host().pumpEvents(wait, &events);
  for (const HostEvent& e : events) deliver(e);
  return ok;
}

}  // namespace

void deliver(const HostEvent& e) {
  HWND hwnd = e.hwnd;
  switch (e.kind) {
    case HostEvent::kKeyDown:
      PostMessageA(hwnd, systemKey(e.vk, e.alt) ? WM_SYSKEYDOWN : WM_KEYDOWN,
                   static_cast<WPARAM>(e.vk), keyLParam(e.vk, e.alt, e.repeat, false));
      break;
    case HostEvent::kKeyUp:
      PostMessageA(hwnd, systemKey(e.vk, e.alt) ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(e.vk),
                   keyLParam(e.vk, e.alt, false, true));
      break;
    case HostEvent::kClose:
      PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case HostEvent::kResized:
      resized(hwnd, e.size, e.state);
      break;
    case HostEvent::kExposed:
      if (live(hwnd)) invalidateAll(hwnd, true);
      break;
  }
}

}  // namespace winport

using winport::state;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpszClassName || !wc->lpfnWndProc) {
    return 0;
  }
  if (winport::findClass(wc->lpszClassName)) return 0;  // already registered
  state().classes.push_back({wc->lpszClassName, *wc});
  return static_cast<ATOM>(0xC000 + state().classes.size());
}

BOOL WINAPI GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* wc) {
  const winport::RegisteredClass* cls = className ? winport::findClass(className) : nullptr;
  if (!cls || !wc) return FALSE;
  *wc = cls->wc;
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID) {
  const winport::RegisteredClass* cls = winport::findClass(className);
  if (!cls) return nullptr;
  auto window = std::make_unique<HWND__>();
  window->cls = cls->wc;
  winport::Size size = winport::host().defaultClientSize();
  if (width != CW_USEDEFAULT && height != CW_USEDEFAULT) {
    size = {std::max(0, std::min(width, 65535)), std::max(0, std::min(height, 65535))};
  }
  window->client = size;
  HWND hwnd = window.get();
  state().windows.push_back(std::move(window));
  if (!winport::host().openWindow(hwnd, winport::ansiToUtf8(windowName), size)) {
    state().windows.pop_back();
    return nullptr;
  }
  if (SendMessageA(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!winport::live(hwnd)) return nullptr;
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.width, size.height));
  return winport::live(hwnd);
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
  if (!winport::live(hwnd)) return FALSE;
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  winport::host().closeWindow(hwnd);
  auto& posted = state().posted;
  posted.erase(
      std::remove_if(posted.begin(), posted.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
      posted.end());
  auto& windows = state().windows;
  windows.erase(
      std::remove_if(windows.begin(), windows.end(),
                     [hwnd](const std::unique_ptr<HWND__>& w) { return w.get() == hwnd; }),
      windows.end());
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
  if (!winport::live(hwnd)) return FALSE;
  const BOOL wasVisible = hwnd->visible ? TRUE : FALSE;
  if (cmdShow == SW_HIDE) {
    hwnd->visible = false;
    return wasVisible;
  }
  hwnd->visible = true;
  winport::invalidateAll(hwnd, true);
  if (cmdShow == SW_SHOWMAXIMIZED) {
    winport::resized(hwnd, winport::host().showMaximized(hwnd), winport::HostEvent::kMaximized);
  }
  return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
  if (!winport::live(hwnd)) return FALSE;
  if (hwnd->visible && hwnd->invalid) SendMessageA(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
  if (!winport::live(hwnd) || !rect) return FALSE;
  *rect = RECT{0, 0, hwnd->client.width, hwnd->client.height};
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (const auto& w : state().windows) winport::invalidateAll(w.get(), erase != FALSE);
    return TRUE;
  }
  if (!winport::live(hwnd)) return FALSE;
  if (!rect) {
    winport::invalidateAll(hwnd, erase != FALSE);
    return TRUE;
  }
  const RECT r{std::max<LONG>(rect->left, 0), std::max<LONG>(rect->top, 0),
               std::min<LONG>(rect->right, hwnd->client.width),
               std::min<LONG>(rect->bottom, hwnd->client.height)};
  if (r.left >= r.right || r.top >= r.bottom) return TRUE;
  RECT& u = hwnd->update;
  u = hwnd->invalid ? RECT{std::min(u.left, r.left), std::min(u.top, r.top),
                           std::max(u.right, r.right), std::max(u.bottom, r.bottom)}
                    : r;
  hwnd->invalid = true;
  hwnd->erase = hwnd->erase || erase != FALSE;
  return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  if (!msg || (hwnd && !winport::live(hwnd))) return FALSE;
  winport::pump(false);
  return winport::nextMessage(msg, hwnd, filterMin, filterMax, (remove & PM_REMOVE) != 0) ? TRUE
                                                                                          : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg || (hwnd && !winport::live(hwnd))) return -1;
  if (!winport::pump(false)) return -1;
  for (;;) {
    if (winport::nextMessage(msg, hwnd, filterMin, filterMax, true)) {
      return msg->message == WM_QUIT ? FALSE : TRUE;
    }
    if (!winport::pump(true)) return -1;
  }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  const UINT m = msg->message;
  return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg || !winport::live(msg->hwnd)) return 0;
  return msg->hwnd->cls.lpfnWndProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !winport::live(hwnd)) return FALSE;
  state().posted.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!winport::live(hwnd)) return 0;
  return hwnd->cls.lpfnWndProc(hwnd, message, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!winport::live(hwnd)) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = hwnd->cls.hbrBackground;
      if (!brush) return 0;
      const RECT all{0, 0, hwnd->client.width, hwnd->client.height};
      FillRect(reinterpret_cast<HDC>(wParam), &all, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29))) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

// The text a W procedure is given is Unicode already: it reaches the host
// without passing through the ANSI code page. The rest is as for A.
LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!winport::live(hwnd)) return 0;
  if (message == WM_SETTEXT) {
    winport::host().setCaption(hwnd, winport::wideToUtf8(reinterpret_cast<LPCWSTR>(lParam)));
    return TRUE;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
  state().quitPosted = true;
  state().quitCode = exitCode;
}

int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return winport::host().screenSize().width;
    case SM_CYSCREEN:
      return winport::host().screenSize().height;
    default:
      return 0;
  }
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (instance || id < 32512 || id > 32518) return nullptr;  // only the system's stock icons
  return reinterpret_cast<HICON>(&winport::systemIcon);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (instance || id < 32512 || id > 32651) return nullptr;
  return reinterpret_cast<HCURSOR>(&winport::systemCursor);
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  if (!winport::live(hwnd) || !paint) return nullptr;
  std::memset(paint, 0, sizeof *paint);
  paint->rcPaint = hwnd->invalid ? hwnd->update : RECT{0, 0, 0, 0};
  const bool erase = hwnd->erase;
  hwnd->invalid = false;
  hwnd->erase = false;
  HDC dc = winport::createDC(winport::host().surface(hwnd, hwnd->client));
  paint->hdc = dc;
  paint->fErase = FALSE;
  if (erase)
    paint->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  winport::releaseDC(paint->hdc);
  if (winport::live(hwnd)) winport::host().present(hwnd);
  return TRUE;
}
