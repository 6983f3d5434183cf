#include <windows.h>

#include "geometry/scene.h"
#include "shell/shell.h"

const char kClassName[] = "QUATRIX_FRAME";
// "Демонстрация проволочной модели 4-мерного куба" in Windows-1251.
const char kCaption[] =
    "\xc4\xe5\xec\xee\xed\xf1\xf2\xf0\xe0\xf6\xe8\xff\x20\xef\xf0\xee\xe2\xee\xeb\xee\xf7\xed\xee"
    "\xe9\x20\xec\xee\xe4\xe5\xeb\xe8\x20\x34\x2d\xec\xe5\xf0\xed\xee\xe3\xee\x20\xea\xf3\xe1\xe0";
const wchar_t kCaptionWide[] = L"Демонстрация проволочной модели 4-мерного куба";

namespace {

ScreenSize systemScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      initScene();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      // The class style repaints the whole client area after a size change.
      setClientSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      paintFrame(hwnd);
      return 0;
    case WM_KEYDOWN:
      stepEye(hwnd, wParam);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void stepEye(HWND hwnd, WPARAM key) {
  // VK_LEFT, VK_UP, VK_RIGHT and VK_DOWN are consecutive codes.
  if (key < VK_LEFT || key > VK_DOWN) return;
  scene.eye.multiply(*stepForArrow(static_cast<int>(key - VK_LEFT)));
  InvalidateRect(hwnd, nullptr, TRUE);
}

HWND openMainWindow(HINSTANCE instance) {
  setScreenSizeSource(systemScreenSize);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(WNDCLASSEXA);  // 48 on 32-bit Windows, 80 on 64-bit
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kClassName;
  wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
  if (!RegisterClassExA(&wc)) return nullptr;
  HWND window =
      CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  // The ANSI caption reads right only where the ANSI code page is 1251. Set
  // it again from Unicode, straight through the default procedure: sent to
  // our ANSI window procedure, WM_SETTEXT would pass through the code page.
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kCaptionWide));
  ShowWindow(window, SW_SHOWMAXIMIZED);  // whatever the caller's show command
  UpdateWindow(window);
  return window;
}

int runMessageLoop() {
  MSG msg = {};
  BOOL result;
  while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return result == -1 ? 1 : static_cast<int>(msg.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Without a window no message would ever come: fail instead of waiting.
  if (!openMainWindow(instance)) return 1;
  return runMessageLoop();
}
