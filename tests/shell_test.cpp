// The program's window procedure and painting, run through the headless host.
#include "shell/shell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "geometry/projection.h"
#include "tests/host_fixture.h"
#include "tools/frame.h"
#include "tools/frame_image.h"
#include "winport/gdi/dc.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/codepage.h"
#include "winport/user/testing.h"
#include "winport/user/user.h"

namespace {

class ShellTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    initStatics();
  }
  static Point4 eyeAfter(const std::vector<const Quaternion*>& steps) {
    Point4 eye(3.0L, -4.0L, 4.0L, 4.0L);
    for (const Quaternion* s : steps) eye.multiply(*s);
    return eye;
  }
};

TEST_F(ShellTest, OpensMaximisedAndPaintsOnce) {
  // A Western code page, as most systems have: the caption must still read
  // right.
  winport::setAnsiCodePage(1252);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(&host);
  HWND hwnd = openMainWindow(instance);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(scene.clientWidth, 1000);
  EXPECT_EQ(scene.clientHeight, 700);
  EXPECT_NEAR(scene.scale, 154.0L, 1e-15L);
  EXPECT_EQ(host.presents(), 1);
  EXPECT_EQ(host.caption(), "Демонстрация проволочной модели 4-мерного куба");
  EXPECT_EQ(std::string(kCaption).size(), 46u) << "one byte per character";

  // The class as Windows shows it: the system's icons and arrow, a white
  // background, a repaint of the whole window on every size change.
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(instance, kClassName, &wc));
  EXPECT_EQ(wc.hInstance, instance);
  EXPECT_EQ(wc.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(wc.hIconSm, LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_NE(wc.hIcon, nullptr);
  EXPECT_NE(wc.hCursor, nullptr);
  EXPECT_EQ(wc.hbrBackground, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));

  // Until the first WM_SIZE the scene takes the size of the system's screen.
  host.setScreen({1280, 800});
  SendMessageA(hwnd, WM_CREATE, 0, 0);
  EXPECT_EQ(scene.clientWidth, 1280);
  EXPECT_EQ(scene.clientHeight, 800);
}

TEST_F(ShellTest, OnlyArrowKeysStepTheEyeAndRepaint) {
  HWND hwnd = openMainWindow(nullptr);
  const int paints = host.presents();
  support::keyDown(hwnd, 'A', false, false);
  support::keyDown(hwnd, VK_ESCAPE, false, false);
  support::keyDown(hwnd, VK_UP, false, true);  // Alt+Up is a system key
  support::keyUp(hwnd, VK_UP, false);
  support::pump();
  EXPECT_EQ(host.presents(), paints);
  EXPECT_EQ(scene.eye.w, 3.0L);

  // Presses that arrive before the paint are all applied, and painted once.
  support::keyDown(hwnd, VK_UP, false, false);
  support::keyDown(hwnd, VK_UP, true, false);
  support::keyDown(hwnd, VK_LEFT, false, false);
  support::keyDown(hwnd, VK_RIGHT, false, false);
  support::keyDown(hwnd, VK_DOWN, false, false);
  support::pump();
  EXPECT_EQ(host.presents(), paints + 1);
  const Point4 expected =
      eyeAfter({&scene.stepI, &scene.stepI, &scene.stepJ, &scene.stepJInv, &scene.stepIInv});
  EXPECT_EQ(scene.eye.w, expected.w);
  EXPECT_EQ(scene.eye.x, expected.x);
  EXPECT_EQ(scene.eye.y, expected.y);
  EXPECT_EQ(scene.eye.z, expected.z);
}

TEST_F(ShellTest, ResizesSetTheScaleAndRepaintEvenAtZero) {
  HWND hwnd = openMainWindow(nullptr);
  const int paints = host.presents();
  support::resized(hwnd, {0, 0});
  support::pump();
  EXPECT_EQ(scene.scale, 0.0L);
  support::resized(hwnd, {999, 1200});
  support::pump();
  EXPECT_EQ(scene.scale, 999.0L * kScaleFactor);
  EXPECT_EQ(host.presents(), paints + 2);
  EXPECT_EQ(host.canvas(hwnd)->width(), 999);
}

// A window larger than the screen keeps pixels only where it is on the
// screen, and those are exactly the top-left of the whole frame.
TEST_F(ShellTest, WindowLargerThanTheScreenPaintsItsOnScreenPartExactly) {
  HWND hwnd = openMainWindow(nullptr);
  for (const winport::Size size : {winport::Size{3001, 2500}, {1900, 1301}, {65535, 65535}}) {
    support::resized(hwnd, size);
    support::pump();
    const winport::RasterCanvas& shown = *host.canvas(hwnd);
    ASSERT_EQ(shown.width(), 1000);
    ASSERT_EQ(shown.height(), 700);
    int differ = 0, white = 0;
    if (size.width > 4000) {
      // The cube lies far from the screen's corner: only the erased background shows.
      for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 1000; ++x) white += shown.pixel(x, y) == 0xFFFFFF;
      EXPECT_EQ(white, 1000 * 700);
      continue;
    }
    winport::RasterCanvas whole(size.width, size.height);
    whole.fillRect(0, 0, size.width, size.height, RGB(255, 255, 255));
    HDC dc = winport::createDC(whole);
    drawFrame(dc);
    winport::releaseDC(dc);
    for (int y = 0; y < 700; ++y)
      for (int x = 0; x < 1000; ++x) differ += shown.pixel(x, y) != whole.pixel(x, y);
    EXPECT_EQ(differ, 0) << size.width << "x" << size.height;
  }
}

TEST_F(ShellTest, WinMainRunsUntilClosedAndFailsCleanly) {
  host.queueKey(VK_UP);
  host.queueKey(VK_F4, true);  // Alt+F4
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_HIDE), 0);
  const Point4 expected = eyeAfter({&scene.stepI});
  EXPECT_EQ(scene.eye.x, expected.x);
  EXPECT_EQ(winport::firstWindow(), nullptr);

  // The class is still registered: the second start cannot register it.
  initStatics();
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 1);

  // A host that fails while waiting: GetMessageA's error ends the loop with 1.
  winport::resetUser();
  initStatics();
  host.setCloseWhenIdle(false);
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 1);
}

// Records what one paint asks of GDI, in device coordinates.
class RecordingCanvas : public winport::Canvas {
 public:
  struct Line {
    int x0, y0, x1, y1;
    winport::PenSpec pen;
  };
  struct Circle {
    int left, top, right, bottom;
    winport::PenSpec pen;
    winport::BrushSpec brush;
  };
  struct Text {
    int x, y;
    std::string s;
  };
  std::vector<Line> lines;
  std::vector<Circle> circles;
  std::vector<Text> texts;

  int width() const override { return 1000; }
  int height() const override { return 700; }
  void fillRect(int, int, int, int, uint32_t) override {}
  void line(int x0, int y0, int x1, int y1, const winport::PenSpec& pen,
            const winport::DcColors&) override {
    lines.push_back({x0, y0, x1, y1, pen});
  }
  void ellipse(int l, int t, int r, int b, const winport::PenSpec& pen,
               const winport::BrushSpec& brush, const winport::DcColors&) override {
    circles.push_back({l, t, r, b, pen, brush});
  }
  void text(int x, int y, const winport::BitmapFont&, const char* s, int count,
            const winport::DcColors&) override {
    texts.push_back({x, y, std::string(s, count)});
  }
};

TEST_F(ShellTest, OnePaintDrawsEdgesThenLabelledCirclesAndFreesItsPens) {
  initScene();
  for (const auto& size : {std::pair<int, int>{1000, 700}, {999, 699}}) {
    setClientSize(size.first, size.second);
    updateFrame();
    RecordingCanvas canvas;
    const int liveBefore = winport::liveGdiObjects();
    HDC dc = winport::createDC(canvas);
    drawFrame(dc);
    // The DC's own pen and brush are back in it.
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
    winport::releaseDC(dc);
    EXPECT_EQ(winport::liveGdiObjects(), liveBefore) << "every pen deleted";

    const int ox = size.first / 2, oy = size.second / 2;  // 500, 350 then 499, 349
    ASSERT_EQ(canvas.lines.size(), 32u);
    for (int k = 0; k < kEdgeCount; ++k) {
      const ScreenEdge& e = scene.edges[k];
      const auto& l = canvas.lines[k];
      EXPECT_EQ(l.x0, e.x0 + ox);
      EXPECT_EQ(l.y0, e.y0 + oy);
      EXPECT_EQ(l.x1, e.x1 + ox);
      EXPECT_EQ(l.y1, e.y1 + oy);
      const bool fromHidden = kEdgeVertices[k][0] == 2 || kEdgeVertices[k][1] == 2;
      EXPECT_EQ(l.pen.style, fromHidden ? PS_DOT : PS_SOLID) << k;
      EXPECT_EQ(l.pen.color, fromHidden ? RGB(0, 255, 0) : RGB(255, 0, 0)) << k;
    }
    ASSERT_EQ(canvas.circles.size(), 16u);
    ASSERT_EQ(canvas.texts.size(), 16u);
    for (int i = 0; i < kVertexCount; ++i) {
      const int px = toScreen(scene.points2[i].x) + ox, py = toScreen(scene.points2[i].y) + oy;
      const auto& c = canvas.circles[i];
      EXPECT_EQ(c.left, px - 4);
      EXPECT_EQ(c.top, py - 4);
      EXPECT_EQ(c.right, px + 4);
      EXPECT_EQ(c.bottom, py + 4);
      EXPECT_EQ(c.brush.hollow, i == 2) << i;
      EXPECT_EQ(c.pen.color, RGB(0, 0, 0));
      EXPECT_EQ(canvas.texts[i].s, std::to_string(i));
      EXPECT_EQ(canvas.texts[i].x, px + 5);
      EXPECT_EQ(canvas.texts[i].y, py);
    }
  }
}

TEST_F(ShellTest, EyeInsideTheCubeDrawsEverythingHiddenInBlueDots) {
  initScene();
  setClientSize(1000, 700);
  scene.eye = Point4(0.5L, 0.5L, -0.5L, 0.0L);
  updateFrame();
  RecordingCanvas canvas;
  HDC dc = winport::createDC(canvas);
  drawFrame(dc);
  winport::releaseDC(dc);
  // Hidden is drawn, not skipped: every edge and every vertex.
  EXPECT_EQ(canvas.lines.size(), 32u);
  EXPECT_EQ(canvas.circles.size(), 16u);
  for (const auto& l : canvas.lines) {
    EXPECT_EQ(l.pen.style, PS_DOT);
    EXPECT_EQ(l.pen.color, RGB(0, 0, 255));
  }
  for (const auto& c : canvas.circles) EXPECT_TRUE(c.brush.hollow);
}

// What the window shows: colours by visibility, filled and hollow circles.
TEST_F(ShellTest, PaintedPixelsOfTheStartUpFrame) {
  HWND hwnd = openMainWindow(nullptr);
  const winport::RasterCanvas& c = *host.canvas(hwnd);
  int red = 0, green = 0, blue = 0;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      const uint32_t p = c.pixel(x, y);
      red += p == 0xFF0000;
      green += p == 0x00FF00;
      blue += p == 0x0000FF;
    }
  }
  EXPECT_GT(red, 2000);
  EXPECT_GT(green, 100);
  EXPECT_EQ(blue, 0);
  for (int i = 0; i < kVertexCount; ++i) {
    const int px = toScreen(scene.points2[i].x) + 500, py = toScreen(scene.points2[i].y) + 350;
    int black = 0;
    for (int y = py - 4; y < py + 4; ++y) {
      for (int x = px - 4; x < px + 4; ++x) black += c.pixel(x, y) == 0;
    }
    if (i == 2) {
      EXPECT_LT(black, 30) << "hollow circle at vertex 2";
    } else {
      EXPECT_GE(black, 36) << "filled circle at vertex " << i;
    }
  }
}

// The frame tool paints a large PNG a band of rows at a time: each band must
// hold exactly those rows of the whole frame, labels and circles cut by a
// band's edge included.
TEST(FrameToolBands, EachBandIsThoseRowsOfTheWholeFrame) {
  for (const char* keys : {"", "UUL", "DDDDDDDDRRRRRRRR"}) {
    RenderOptions options;
    options.width = 641;
    options.height = 479;
    options.keys = keys;
    std::string error;
    ASSERT_TRUE(computeFrame(options, &error)) << error;
    winport::RasterCanvas whole(options.width, options.height);
    paintBand(whole, 0);
    for (const int rows : {1, 7, 50}) {
      winport::RasterCanvas band(options.width, rows);
      int differ = 0;
      for (int top = 0; top < options.height; top += rows) {
        paintBand(band, top);
        for (int y = 0; y < rows && top + y < options.height; ++y)
          for (int x = 0; x < options.width; ++x)
            differ += band.pixel(x, y) != whole.pixel(x, top + y);
      }
      EXPECT_EQ(differ, 0) << "keys '" << keys << "', bands of " << rows;
    }
  }
}

}  // namespace
