// The program's real window procedure, run through the headless host, under
// whatever the user and the window system may send: any message with any
// wParam and, where Win32 does not define it as a pointer, any lParam; keys
// known and unknown, with and without Alt; client sizes from 0x0 to
// 65535x65535; paints, exposes and resizes interleaved; the window destroyed
// and made again in the middle. After every paint the frame must be sound, and
// at the end every GDI object must be freed.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "geometry/scene.h"
#include "shell/shell.h"
#include "tests/support.h"
#include "winport/gdi/dc.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/testing.h"
#include "winport/user/user.h"

namespace {

// Checks the frame each time a paint is shown, before anything can change it,
// and that the window shows nothing but the frame's colours: the white
// background, black circles and text (never antialiased), red, green and blue
// edges, and the black of a surface not yet erased.
class CheckingHost : public winport::HeadlessHost {
 public:
  using HeadlessHost::HeadlessHost;
  void present(HWND hwnd) override {
    HeadlessHost::present(hwnd);
    fuzz::checkFrame();
    const winport::RasterCanvas* c = canvas(hwnd);
    if (!c) return;
    bool onlyFrameColours = true;
    for (int y = 0; y < c->height(); ++y) {
      const uint32_t* row = c->row(y);
      for (int x = 0; x < c->width(); ++x) {
        const uint32_t p = row[x];
        onlyFrameColours &= p == 0xFFFFFF || p == 0 || p == 0xFF0000 || p == 0x00FF00 || p == 0xFF;
      }
    }
    fuzz::require(onlyFrameColours, "only the frame's colours on the window");
  }
};

// Messages whose lParam Win32 defines as a pointer: sent with null instead.
bool lParamIsPointer(UINT m) {
  switch (m) {
    case 0x0001:  // WM_CREATE
    case 0x000C:  // WM_SETTEXT
    case 0x000D:  // WM_GETTEXT
    case 0x001A:  // WM_SETTINGCHANGE
    case 0x0024:  // WM_GETMINMAXINFO
    case 0x002B:  // WM_DRAWITEM
    case 0x002C:  // WM_MEASUREITEM
    case 0x002D:  // WM_DELETEITEM
    case 0x0039:  // WM_COMPAREITEM
    case 0x0046:  // WM_WINDOWPOSCHANGING
    case 0x0047:  // WM_WINDOWPOSCHANGED
    case 0x004A:  // WM_COPYDATA
    case 0x004E:  // WM_NOTIFY
    case 0x0053:  // WM_HELP
    case 0x007C:  // WM_STYLECHANGING
    case 0x007D:  // WM_STYLECHANGED
    case 0x0081:  // WM_NCCREATE
    case 0x0083:  // WM_NCCALCSIZE
    case 0x0213:  // WM_NEXTMENU
    case 0x0214:  // WM_SIZING
    case 0x0216:  // WM_MOVING
    case 0x0219:  // WM_DEVICECHANGE
    case 0x0220:  // WM_MDICREATE
    case 0x02E0:  // WM_DPICHANGED
    case 0x02E4:  // WM_GETDPISCALEDSIZE
      return true;
    default:
      return false;
  }
}

// The messages that matter most, picked more often than chance would.
const UINT kInteresting[] = {WM_NULL,     WM_CREATE,  WM_DESTROY,    WM_SIZE,
                             WM_PAINT,    WM_CLOSE,   WM_QUIT,       WM_ERASEBKGND,
                             WM_KEYDOWN,  WM_KEYUP,   WM_CHAR,       WM_SYSKEYDOWN,
                             WM_SYSKEYUP, WM_SYSCHAR, WM_SYSCOMMAND, WM_USER};

UINT pickMessage(fuzz::Bytes& in) {
  const uint8_t how = in.u8();
  if (how < 128) return kInteresting[how % (sizeof kInteresting / sizeof kInteresting[0])];
  if (how < 192) return in.u16();
  return in.u32();
}

int pickKey(fuzz::Bytes& in) {
  const uint8_t k = in.u8();
  if (k < 128) return VK_LEFT + k % 4;  // the arrows, most of the time
  if (k < 160) return VK_F4;
  return in.u8();  // any virtual key, known or not
}

winport::Size pickSize(fuzz::Bytes& in) {
  const uint8_t how = in.u8();
  if (how < 16) {  // the layer clamps sizes out of range
    return {static_cast<int>(in.u32()), static_cast<int>(in.u32())};
  }
  if (how < 64) return {in.u16(), in.u16()};  // anything up to 65535x65535
  return {in.u16() % 2048, in.u16() % 2048};
}

// A queue that never drains is a hang.
void pump() { fuzz::require(support::pump(100000), "the message queue drains"); }

HWND recreate() {
  HWND w =
      CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  if (w) ShowWindow(w, SW_SHOWMAXIMIZED);
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Bytes in(data, size);
  const int liveBefore = winport::liveGdiObjects();
  // Screens up to 255x255 keep each paint cheap; windows may be far larger.
  CheckingHost host({in.u16() % 256, in.u16() % 256});
  winport::setHost(&host);
  winport::resetUser();
  initStatics();
  const long double eyeLength = scene.eye.norm();

  HWND hwnd = openMainWindow(nullptr);
  fuzz::require(hwnd != nullptr, "the window opens");
  for (int ops = 0; !in.empty() && ops < 2000; ++ops) {
    switch (in.u8() % 14) {
      case 0:
      case 1: {
        const bool post = in.u8() & 1;
        const UINT m = pickMessage(in);
        const WPARAM w = static_cast<WPARAM>(in.u64());
        const LPARAM l = lParamIsPointer(m) ? 0 : static_cast<LPARAM>(in.u64());
        if (post)
          PostMessageA(hwnd, m, w, l);
        else
          SendMessageA(hwnd, m, w, l);
        break;
      }
      case 2:
      case 3: {
        const int vk = pickKey(in);
        const uint8_t flags = in.u8();
        support::keyDown(hwnd, vk, flags & 1, flags & 2);
        if (flags & 4) support::keyUp(hwnd, vk, flags & 2);
        break;
      }
      case 4:
        support::resized(
            hwnd, pickSize(in),
            in.u8() & 1 ? winport::HostEvent::kMaximized : winport::HostEvent::kRestored);
        break;
      case 5:  // a size the program hears of without the window changing
        SendMessageA(hwnd, WM_SIZE, in.u8() % 5, static_cast<LPARAM>(in.u32()));
        break;
      case 6:
        support::exposed(hwnd);
        break;
      case 7: {
        const RECT r{static_cast<LONG>(in.u32()), static_cast<LONG>(in.u32()),
                     static_cast<LONG>(in.u32()), static_cast<LONG>(in.u32())};
        const uint8_t flags = in.u8();
        InvalidateRect(flags & 2 ? nullptr : hwnd, flags & 1 ? &r : nullptr, flags & 4);
        break;
      }
      case 8:
      case 9:
        pump();
        break;
      case 10:
        UpdateWindow(hwnd);
        break;
      case 11:
        if (in.u8() < 32) {
          DestroyWindow(hwnd);  // later messages go to a dead handle
        } else {
          ShowWindow(hwnd, in.u8() % 11);
        }
        break;
      case 12:
        if (!winport::firstWindow()) hwnd = recreate();
        break;
      case 13: {  // input through the host, as the real loop takes it
        const uint8_t what = in.u8() % 3;
        if (what == 0) host.queueKey(pickKey(in), in.u8() & 1, false);
        if (what == 1) host.queueResize(pickSize(in));
        if (what == 2) host.queueClose();
        MSG msg;
        for (int n = 0; n < 16 && GetMessageA(&msg, nullptr, 0, 0) > 0; ++n) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
          if (!host.inputPending()) break;
        }
        break;
      }
    }
    fuzz::checkEyeLength(eyeLength);
  }
  pump();
  winport::resetUser();
  winport::setHost(nullptr);
  fuzz::require(winport::liveGdiObjects() == liveBefore, "every GDI object freed");
  return 0;
}
