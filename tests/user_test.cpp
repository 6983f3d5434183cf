// Our USER layer delivers messages as Win32 does.
#include "winport/user/user.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "tests/host_fixture.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/codepage.h"
#include "winport/user/testing.h"

namespace {

std::vector<UINT> seen;
std::vector<WPARAM> sizeKinds;  // WM_SIZE's wParam, in order
LRESULT createResult = 0;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back(message);
  if (message == WM_SIZE) sizeKinds.push_back(wParam);
  if (message == WM_CREATE) return createResult;
  if (message == WM_DESTROY) PostQuitMessage(7);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class UserTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    seen.clear();
    sizeKinds.clear();
    createResult = 0;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recordingProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TEST";
    ASSERT_NE(RegisterClassExA(&wc), 0);
  }
  HWND create(const char* caption = "t") {
    return CreateWindowExA(0, "TEST", caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }
  // Takes the next message the way a message loop would, without waiting.
  UINT next(MSG* msg) {
    if (!PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) return WM_NULL;
    DispatchMessageA(msg);
    return msg->message;
  }
};

TEST_F(UserTest, RegistrationNeedsTheRightSizeAndAFreeName) {
  WNDCLASSEXA wc = {};
  wc.cbSize = 48;  // the 32-bit size: wrong here
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = "OTHER";
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  wc.cbSize = sizeof wc;
  EXPECT_NE(RegisterClassExA(&wc), 0);
  EXPECT_EQ(RegisterClassExA(&wc), 0) << "registered twice";
  EXPECT_EQ(CreateWindowExA(0, "MISSING", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
}

TEST_F(UserTest, CreationSendsCreateThenSizeAndFailsWhenCreateRefuses) {
  HWND hwnd = create();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_SIZE}));
  createResult = -1;
  seen.clear();
  EXPECT_EQ(create(), nullptr);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
}

TEST_F(UserTest, ShowMaximizedSizesThenPaintsWithEraseAndQuitComesLast) {
  HWND hwnd = create();
  seen.clear();
  ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 1000);
  EXPECT_EQ(client.bottom, 700);
  UpdateWindow(hwnd);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SIZE, WM_PAINT, WM_ERASEBKGND}));
  EXPECT_EQ(host.canvas(hwnd)->pixel(999, 699), 0xFFFFFFu & 0xFFFFFF) << "erased white";

  // Nothing invalid: no paint. Invalidate without erase: a paint, no erase.
  MSG msg;
  EXPECT_EQ(next(&msg), WM_NULL);
  seen.clear();
  InvalidateRect(hwnd, nullptr, FALSE);
  EXPECT_EQ(next(&msg), WM_PAINT);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_PAINT}));

  // Posted messages come before WM_QUIT, and WM_QUIT before a paint.
  InvalidateRect(hwnd, nullptr, TRUE);
  PostQuitMessage(3);
  PostMessageA(hwnd, WM_USER, 1, 2);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(next(&msg), WM_PAINT);
}

TEST_F(UserTest, SizeKindFollowsTheWindowsState) {
  HWND hwnd = create();
  ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  UpdateWindow(hwnd);
  using winport::HostEvent;
  const winport::Size full{1000, 700}, normal{600, 400};
  support::resized(hwnd, normal, HostEvent::kRestored);
  support::resized(hwnd, normal, HostEvent::kMinimized);
  support::resized(hwnd, normal, HostEvent::kRestored);
  // A state change at the same size is still said; the same state and size
  // are not said again.
  support::resized(hwnd, normal, HostEvent::kMaximized);
  support::resized(hwnd, normal, HostEvent::kMaximized);
  support::resized(hwnd, full, HostEvent::kMaximized);
  EXPECT_EQ(sizeKinds,
            (std::vector<WPARAM>{SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_RESTORED, SIZE_MINIMIZED,
                                 SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_MAXIMIZED}));
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 1000);

  // Back from minimised, the window is repainted whole.
  support::resized(hwnd, full, HostEvent::kMinimized);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 0);
  MSG msg;
  while (next(&msg) != WM_NULL) {
  }
  seen.clear();
  support::resized(hwnd, full, HostEvent::kMaximized);
  EXPECT_EQ(next(&msg), static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SIZE, WM_PAINT, WM_ERASEBKGND}));
}

TEST_F(UserTest, KeysArriveAsWin32SendsThem) {
  HWND hwnd = create();
  support::keyDown(hwnd, VK_UP, false, false);
  support::keyDown(hwnd, VK_UP, true, false);
  support::keyDown(hwnd, VK_LEFT, false, true);
  MSG msg;
  ASSERT_EQ(next(&msg), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_UP));
  EXPECT_EQ(msg.lParam & (1 << 30), 0);
  ASSERT_EQ(next(&msg), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_NE(msg.lParam & (1 << 30), 0) << "auto-repeat";
  ASSERT_EQ(next(&msg), static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_NE(msg.lParam & (1 << 29), 0) << "Alt held";
}

TEST_F(UserTest, AltF4AndTheCloseButtonDestroyTheWindow) {
  for (bool altF4 : {true, false}) {
    HWND hwnd = create();
    seen.clear();
    if (altF4) {
      support::keyDown(hwnd, VK_F4, false, true);
    } else {
      support::closeAsked(hwnd);
    }
    MSG msg;
    while (next(&msg) != WM_NULL && msg.message != WM_QUIT) {
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << altF4;
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_DESTROY)) << altF4;
    EXPECT_EQ(winport::firstWindow(), nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0) << "a destroyed handle is refused";
  }
}

// WM_SETTEXT given to DefWindowProcW sets the caption from Unicode without
// the window procedure seeing it; characters beyond the BMP survive.
TEST_F(UserTest, WideSetTextReachesTheHostAsUtf8) {
  HWND hwnd = create();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(host.caption(), "t");
  seen.clear();
  EXPECT_EQ(DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Куб € \U0001F9CA")),
            TRUE);
  EXPECT_EQ(host.caption(), "Куб € \U0001F9CA");
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(winport::wideToUtf8(L"a\xD800"
                                L"b"),
            "a\xEF\xBF\xBD"
            "b");  // a lone surrogate
  EXPECT_EQ(winport::wideToUtf8(nullptr), "");
  DestroyWindow(hwnd);
  EXPECT_EQ(DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x")), 0);
  EXPECT_EQ(host.caption(), "Куб € \U0001F9CA");
}

TEST_F(UserTest, BadArgumentsAreRefusedNotFollowed) {
  MSG msg;
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(&msg), 0, 0), -1);
  EXPECT_EQ(DispatchMessageA(nullptr), 0);
  EXPECT_EQ(InvalidateRect(reinterpret_cast<HWND>(&msg), nullptr, TRUE), FALSE);
  EXPECT_EQ(BeginPaint(nullptr, nullptr), nullptr);
  EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

// The ANSI functions read the system's code page: the same bytes are
// Cyrillic under 1251 and Western European under 1252.
TEST_F(UserTest, AnsiTextFollowsTheCodePage) {
  EXPECT_EQ(winport::ansiToUtf8("\xc0\xff\xb8\x98 A"), "Аяё\uFFFD A");
  winport::setAnsiCodePage(1252);
  EXPECT_EQ(winport::ansiToUtf8("\xc0\xff\x80\x9f\x81\xa0 A"), "Àÿ€Ÿ\uFFFD\u00A0 A");
  ASSERT_NE(create("\xe9t\xe9"), nullptr);
  EXPECT_EQ(host.caption(), "été");
}

// Back to 1251 for a Cyrillic face: what it lacks, and what is not UTF-8
// (a stray continuation byte, a cut sequence, an overlong one), is one '?'.
TEST(CodePage, Utf8To1251KeepsCyrillicAndMarksTheRest) {
  EXPECT_EQ(winport::utf8To1251("Куб ё № A"), "\xca\xf3\xe1 \xb8 \xb9 A");
  EXPECT_EQ(winport::utf8To1251("é\U0001F9CA\x80\xC0\xAF\xE0\x80\x80\xD0"), "?????????");
}

}  // namespace
