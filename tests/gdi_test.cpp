// GDI on a RasterCanvas drawn as Windows draws on a DIB, and the SVG canvas.
#include <cairo.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/png.h"
#include "winport/font/fnt.h"
#include "winport/font/ink_rects.h"
#include "winport/font/system_font.h"
#include "winport/gdi/dc.h"
#include "winport/raster/raster_canvas.h"
#include "winport/svg/svg_canvas.h"

namespace {

using winport::RasterCanvas;
using Pixels = std::set<std::pair<int, int>>;

constexpr uint32_t kRed = 0xFF0000;  // as stored: 0x00RRGGBB
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGray = 0x808080;

// A DC on its own canvas, released at the end of the test.
struct Fixture {
  Fixture(int w, int h) : canvas(w, h), dc(winport::createDC(canvas)) {}
  ~Fixture() { winport::releaseDC(dc); }
  Pixels lit(uint32_t color = kRed) const {
    Pixels out;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x)
        if (canvas.pixel(x, y) == color) out.insert({x, y});
    return out;
  }
  // The canvas as text: '.' untouched black, '#' red, 'o' white, '?' other.
  std::string map() const {
    std::string s;
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        const uint32_t p = canvas.pixel(x, y);
        s += p == 0 ? '.' : p == kRed ? '#' : p == kWhite ? 'o' : '?';
      }
      s += '\n';
    }
    return s;
  }
  RasterCanvas canvas;
  HDC dc;
};

struct RedPen {
  RedPen(HDC into, int style = PS_SOLID) : dc(into), pen(CreatePen(style, 1, RGB(255, 0, 0))) {
    previous = SelectObject(dc, pen);
  }
  ~RedPen() {
    SelectObject(dc, previous);
    DeleteObject(pen);
  }
  HDC dc;
  HPEN pen;
  HGDIOBJ previous;
};

Pixels drawLine(int x0, int y0, int x1, int y1, int w = 16, int h = 16) {
  Fixture f(w, h);
  RedPen pen(f.dc);
  MoveToEx(f.dc, x0, y0, nullptr);
  LineTo(f.dc, x1, y1);
  return f.lit();
}

// The pixels of a line by the closed form of Windows' rule rather than by
// stepping an error term: the minor offset at major step i is i * minor / major
// rounded to nearest, ties going away from the start for lines heading into
// octants 3, 5, 6 and 8 and toward it otherwise. The end pixel is left out.
Pixels referenceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int w, int h) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx > ady;
  const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  // Octants 3, 5, 6, 8: y-major going down-left, x-major going up-left,
  // y-major going up-left, x-major going up-right.
  const bool roundUp = (!xMajor && dx < 0 && dy > 0) || (xMajor && dx < 0 && dy <= 0) ||
                       (!xMajor && dx < 0 && dy <= 0) || (xMajor && dx >= 0 && dy <= 0);
  Pixels out;
  for (int64_t i = 0; i < major; ++i) {
    const int64_t num = 2 * i * minor;
    const int64_t off =
        roundUp ? (num + major) / (2 * major) : (num - major + 2 * major - 1) / (2 * major);
    const int64_t x = x0 + sx * (xMajor ? i : off), y = y0 + sy * (xMajor ? off : i);
    if (x >= 0 && y >= 0 && x < w && y < h) out.insert({static_cast<int>(x), static_cast<int>(y)});
  }
  return out;
}

// ---------------------------------------------------------------------------
// Solid lines: exact pixels, tie-breaking in every octant, the left-out end.

TEST(GdiLines, HorizontalAndVerticalLeaveOutTheEndPixel) {
  EXPECT_EQ(drawLine(1, 3, 5, 3), (Pixels{{1, 3}, {2, 3}, {3, 3}, {4, 3}}));
  EXPECT_EQ(drawLine(5, 3, 1, 3), (Pixels{{5, 3}, {4, 3}, {3, 3}, {2, 3}}));
  EXPECT_EQ(drawLine(2, 1, 2, 4), (Pixels{{2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(drawLine(2, 4, 2, 1), (Pixels{{2, 4}, {2, 3}, {2, 2}}));
  EXPECT_TRUE(drawLine(3, 3, 3, 3).empty());
}

TEST(GdiLines, DiagonalAndShallowSlope) {
  EXPECT_EQ(drawLine(0, 0, 4, 4), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(drawLine(4, 0, 0, 4), (Pixels{{4, 0}, {3, 1}, {2, 2}, {1, 3}}));
  // y = 0.4x: no ties.
  EXPECT_EQ(drawLine(0, 0, 5, 2), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
}

// A 2:1 slope passes exactly between two pixels at every odd step; which one
// Windows lights depends on the direction the line is drawn in.
TEST(GdiLines, TiesFollowTheOctantRule) {
  // Octant 1 (right, down, x-major): ties stay on the start's row.
  EXPECT_EQ(drawLine(0, 0, 4, 2), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  // Octant 5 (its reverse): ties step, landing on the same pixels.
  EXPECT_EQ(drawLine(4, 2, 0, 0), (Pixels{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));
  // Octant 2 (down, right, y-major) and its reverse, octant 6.
  EXPECT_EQ(drawLine(0, 0, 2, 4), (Pixels{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(drawLine(2, 4, 0, 0), (Pixels{{2, 4}, {1, 3}, {1, 2}, {0, 1}}));
  // Octant 3 (down, left, y-major) and its reverse, octant 7.
  EXPECT_EQ(drawLine(2, 0, 0, 4), (Pixels{{2, 0}, {1, 1}, {1, 2}, {0, 3}}));
  EXPECT_EQ(drawLine(0, 4, 2, 0), (Pixels{{0, 4}, {0, 3}, {1, 2}, {1, 1}}));
  // Octant 8 (right, up, x-major) and its reverse, octant 4.
  EXPECT_EQ(drawLine(0, 2, 4, 0), (Pixels{{0, 2}, {1, 1}, {2, 1}, {3, 0}}));
  EXPECT_EQ(drawLine(4, 0, 0, 2), (Pixels{{4, 0}, {3, 0}, {2, 1}, {1, 1}}));
}

TEST(GdiLines, ReversedLineLightsTheSamePixelsButItsEnds) {
  const int ends[][4] = {{1, 1, 14, 6}, {2, 13, 9, 0}, {0, 5, 15, 12}, {3, 0, 11, 15},
                         {15, 2, 0, 9}, {7, 7, 1, 14}, {0, 0, 15, 5},  {12, 3, 2, 8}};
  for (const auto& e : ends) {
    Pixels forward = drawLine(e[0], e[1], e[2], e[3]);
    Pixels backward = drawLine(e[2], e[3], e[0], e[1]);
    forward.erase({e[0], e[1]});
    backward.erase({e[2], e[3]});
    EXPECT_EQ(forward, backward) << e[0] << "," << e[1] << " - " << e[2] << "," << e[3];
  }
}

TEST(GdiLines, MatchTheClosedFormOverManySlopes) {
  for (int x1 = 0; x1 < 16; ++x1) {
    for (int y1 = 0; y1 < 16; ++y1) {
      if (x1 == 7 || y1 == 9) continue;  // horizontal and vertical covered elsewhere
      EXPECT_EQ(drawLine(7, 9, x1, y1), referenceLine(7, 9, x1, y1, 16, 16)) << x1 << "," << y1;
      EXPECT_EQ(drawLine(x1, y1, 7, 9), referenceLine(x1, y1, 7, 9, 16, 16)) << x1 << "," << y1;
    }
  }
}

// ---------------------------------------------------------------------------
// Clipping: far-away end points light exactly the visible part of the line.

TEST(GdiClipping, FarAwayLinesLightTheVisiblePartOfTheFullLine) {
  const int ends[][4] = {{-30000, -12345, 27038, 11129}, {30000, 31, -30000, 17},
                         {-5, -29999, 40, 30000},        {29000, -28000, -27491, 26639},
                         {-30000, 10, 30000, 11},        {13, 30000, 14, -30000},
                         {-100, -90, 200, 230},          {63, -1, -1, 47},
                         {-29999, 30000, 30001, -29980}, {40, -30000, 20, 30000}};
  for (const auto& e : ends) {
    const Pixels expected = referenceLine(e[0], e[1], e[2], e[3], 64, 48);
    EXPECT_GE(expected.size(), 12u);  // each crosses the canvas
    EXPECT_EQ(drawLine(e[0], e[1], e[2], e[3], 64, 48), expected)
        << e[0] << "," << e[1] << " - " << e[2] << "," << e[3];
  }
}

TEST(GdiClipping, EndOnTheCanvasIsStillLeftOut) {
  EXPECT_EQ(drawLine(-1000, -500, 4, 2, 8, 8), referenceLine(-1000, -500, 4, 2, 8, 8));
  EXPECT_EQ(drawLine(-10, 3, 5, 3, 8, 8), (Pixels{{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}));
}

TEST(GdiClipping, NeverWritesOutsideABorrowedCanvas) {
  // A 10x6 canvas inside a guarded 16x10 buffer.
  const uint32_t guard = 0x123456;
  std::vector<uint32_t> buffer(16 * 10, guard);
  RasterCanvas canvas(&buffer[3 * 16 + 3], 10, 6, 16 * 4);
  canvas.fillRect(0, 0, 10, 6, 0);
  HDC dc = winport::createDC(canvas);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  const int pts[][2] = {{-30000, -30000}, {30000, 29000}, {INT_MIN, 5},       {INT_MAX, 3},
                        {5, INT_MAX},     {4, INT_MIN},   {INT_MAX, INT_MAX}, {-7, 12}};
  for (const auto& a : pts) {
    for (const auto& b : pts) {
      MoveToEx(dc, a[0], a[1], nullptr);
      LineTo(dc, b[0], b[1]);
    }
  }
  Ellipse(dc, -30000, -30000, 30000, 30000);
  Ellipse(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  Ellipse(dc, 8, 4, 14, 9);
  TextOutA(dc, 7, 4, "8888", 4);
  TextOutA(dc, -5, -8, "8888", 4);
  RECT r{-30000, -30000, 30000, 30000};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  winport::releaseDC(dc);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 3 && x < 13 && y >= 3 && y < 9;
      if (!inside) {
        EXPECT_EQ(buffer[y * 16 + x], guard) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(canvas.pixel(5, 2), kGray);  // the last fill reached every pixel
}

// ---------------------------------------------------------------------------
// Dotted pens: three on, three off in the background colour, per LineTo.

TEST(GdiDots, ThreeOnThreeOffInWhiteAlongTheLine) {
  Fixture f(22, 3);
  RedPen pen(f.dc, PS_DOT);
  MoveToEx(f.dc, 0, 1, nullptr);
  LineTo(f.dc, 20, 1);
  EXPECT_EQ(f.map(),
            "......................\n"
            "###ooo###ooo###ooo##..\n"
            "......................\n");
}

TEST(GdiDots, PatternStartsAtTheStartOfEachLine) {
  Fixture f(22, 8);
  RedPen pen(f.dc, PS_DOT);
  MoveToEx(f.dc, 20, 0, nullptr);
  LineTo(f.dc, 0, 0);  // right to left: the pattern starts at x = 20
  MoveToEx(f.dc, 0, 2, nullptr);
  LineTo(f.dc, 4, 2);
  LineTo(f.dc, 10, 2);  // restarts at x = 4, not continuing the first line
  MoveToEx(f.dc, 21, 7, nullptr);
  LineTo(f.dc, 21, 0);  // upward: starts at the bottom, (21, 0) left out
  EXPECT_EQ(f.map(),
            ".##ooo###ooo###ooo###.\n"
            ".....................#\n"
            "###o###ooo...........o\n"
            ".....................o\n"
            ".....................o\n"
            ".....................#\n"
            ".....................#\n"
            ".....................#\n");
}

TEST(GdiDots, DiagonalCountsAlongTheMajorAxis) {
  Fixture f(14, 7);
  RedPen pen(f.dc, PS_DOT);
  MoveToEx(f.dc, 0, 0, nullptr);
  LineTo(f.dc, 12, 6);
  EXPECT_EQ(f.map(),
            "##............\n"
            "..#o..........\n"
            "....oo........\n"
            "......##......\n"
            "........#o....\n"
            "..........oo..\n"
            "..............\n");
}

TEST(GdiDots, ClippedStartKeepsThePhase) {
  Fixture f(10, 1);
  RedPen pen(f.dc, PS_DOT);
  MoveToEx(f.dc, -4, 0, nullptr);  // pixels -4..-1 are off the canvas
  LineTo(f.dc, 10, 0);
  EXPECT_EQ(f.map(), "oo###ooo##\n");
  Fixture g(10, 5);
  RedPen pen2(g.dc, PS_DOT);
  MoveToEx(g.dc, -7, -2, nullptr);  // shallow line entering at the left edge
  LineTo(g.dc, 13, 8);
  Fixture full(30, 20);
  RedPen pen3(full.dc, PS_DOT);
  MoveToEx(full.dc, 3, 8, nullptr);  // the same line, shifted onto the canvas
  LineTo(full.dc, 23, 18);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(g.canvas.pixel(x, y), full.canvas.pixel(x + 10, y + 10)) << x << "," << y;
}

TEST(GdiDots, TransparentBackgroundLeavesGapsAlone) {
  RasterCanvas canvas(8, 1);
  canvas.line(0, 0, 8, 0, winport::PenSpec{PS_DOT, RGB(255, 0, 0)},
              winport::DcColors{0, RGB(255, 255, 255), false});
  EXPECT_EQ(canvas.pixel(2, 0), kRed);
  EXPECT_EQ(canvas.pixel(3, 0), 0u);
  EXPECT_EQ(canvas.pixel(6, 0), kRed);
}

TEST(GdiDots, NullPenDrawsNothing) {
  Fixture f(8, 8);
  SelectObject(f.dc, GetStockObject(NULL_PEN));
  MoveToEx(f.dc, 0, 0, nullptr);
  LineTo(f.dc, 7, 5);
  EXPECT_TRUE(f.lit(kRed).empty());
  EXPECT_TRUE(f.lit(0).size() == 64u);
}

// ---------------------------------------------------------------------------
// Ellipses.

TEST(GdiEllipse, EightByEightFilled) {
  Fixture f(12, 12);
  RedPen pen(f.dc);
  Ellipse(f.dc, 2, 2, 10, 10);  // as drawn around a point: (p-4, p-4, p+4, p+4)
  EXPECT_EQ(f.map(),
            "............\n"
            "............\n"
            "....####....\n"
            "...#oooo#...\n"
            "..#oooooo#..\n"
            "..#oooooo#..\n"
            "..#oooooo#..\n"
            "..#oooooo#..\n"
            "...#oooo#...\n"
            "....####....\n"
            "............\n"
            "............\n");
}

TEST(GdiEllipse, EightByEightHollowAndReversedBox) {
  Fixture f(12, 12);
  RedPen pen(f.dc);
  SelectObject(f.dc, GetStockObject(NULL_BRUSH));
  Ellipse(f.dc, 10, 10, 2, 2);  // corners given the other way round
  EXPECT_EQ(f.map(),
            "............\n"
            "............\n"
            "....####....\n"
            "...#....#...\n"
            "..#......#..\n"
            "..#......#..\n"
            "..#......#..\n"
            "..#......#..\n"
            "...#....#...\n"
            "....####....\n"
            "............\n"
            "............\n");
}

TEST(GdiEllipse, OddAndFlatBoxes) {
  Fixture f(16, 9);
  RedPen pen(f.dc);
  Ellipse(f.dc, 1, 1, 6, 6);    // 5x5
  Ellipse(f.dc, 8, 1, 10, 5);   // 2 wide: a rectangle
  Ellipse(f.dc, 11, 2, 14, 2);  // empty: nothing
  Ellipse(f.dc, 11, 4, 11, 8);  // empty: nothing
  EXPECT_EQ(f.map(),
            "................\n"
            "..###...##......\n"
            ".#ooo#..##......\n"
            ".#ooo#..##......\n"
            ".#ooo#..##......\n"
            "..###...........\n"
            "................\n"
            "................\n"
            "................\n");
}

TEST(GdiEllipse, NullPenFillsTheSameInterior) {
  Fixture f(12, 12);
  SelectObject(f.dc, GetStockObject(NULL_PEN));
  Ellipse(f.dc, 2, 2, 10, 10);
  EXPECT_EQ(f.map(),
            "............\n"
            "............\n"
            "....oooo....\n"
            "...oooooo...\n"
            "..oooooooo..\n"
            "..oooooooo..\n"
            "..oooooooo..\n"
            "..oooooooo..\n"
            "...oooooo...\n"
            "....oooo....\n"
            "............\n"
            "............\n");
}

TEST(GdiEllipse, LargeEllipseIsSymmetricAndClosed) {
  Fixture f(64, 40);
  RedPen pen(f.dc);
  SelectObject(f.dc, GetStockObject(NULL_BRUSH));
  Ellipse(f.dc, 3, 2, 60, 37);
  const Pixels lit = f.lit();
  for (const auto& p : lit) {
    EXPECT_TRUE(lit.count({3 + 60 - 1 - p.first, p.second})) << "left-right " << p.first;
    EXPECT_TRUE(lit.count({p.first, 2 + 37 - 1 - p.second})) << "top-bottom " << p.second;
  }
  // Touches all four sides of the box and nothing outside it.
  for (const auto& p : lit) {
    EXPECT_GE(p.first, 3);
    EXPECT_LE(p.first, 59);
    EXPECT_GE(p.second, 2);
    EXPECT_LE(p.second, 36);
  }
  EXPECT_TRUE(lit.count({3, 19}) && lit.count({59, 19}) && lit.count({31, 2}) &&
              lit.count({31, 36}));
  // Every row between top and bottom is crossed exactly twice (closed, no gaps).
  for (int y = 3; y < 36; ++y) {
    int runs = 0;
    for (int x = 0; x < 64; ++x)
      if (lit.count({x, y}) && !lit.count({x - 1, y})) ++runs;
    EXPECT_EQ(runs, 2) << "row " << y;
  }
}

TEST(GdiEllipse, DottedOutlineGapsTakeTheDcBackground) {
  // Opaque: gaps in the background colour; transparent: left alone.
  for (const bool opaque : {true, false}) {
    RasterCanvas canvas(12, 12);
    canvas.ellipse(0, 0, 12, 12, winport::PenSpec{PS_DOT, RGB(255, 0, 0)},
                   winport::BrushSpec{true, 0}, winport::DcColors{0, RGB(128, 128, 128), opaque});
    int red = 0, gray = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        red += canvas.pixel(x, y) == kRed;
        gray += canvas.pixel(x, y) == kGray;
      }
    EXPECT_GT(red, 10);
    if (opaque)
      EXPECT_GT(gray, 10);
    else
      EXPECT_EQ(gray, 0);
  }
}

TEST(GdiEllipse, HugeBoxFillsTheVisiblePart) {
  Fixture f(16, 16);
  Ellipse(f.dc, -100000, -100000, 100000, 100000);
  EXPECT_EQ(f.lit(kWhite).size(), 256u);
}

// ---------------------------------------------------------------------------
// Objects: selection, stock objects, the live count.

TEST(GdiObjects, SelectObjectReturnsThePreviousOfEachKind) {
  Fixture f(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  ASSERT_NE(pen, nullptr);
  EXPECT_EQ(SelectObject(f.dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(f.dc, GetStockObject(WHITE_PEN)), pen);
  EXPECT_EQ(SelectObject(f.dc, GetStockObject(BLACK_BRUSH)), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(f.dc, GetStockObject(NULL_BRUSH)), GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(SelectObject(f.dc, GetStockObject(SYSTEM_FONT)), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SelectObject(f.dc, GetStockObject(WHITE_PEN)), GetStockObject(WHITE_PEN));
  EXPECT_TRUE(DeleteObject(pen));
}

TEST(GdiObjects, BadHandlesAreRefused) {
  Fixture f(4, 4);
  int junk = 0;
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(f.dc, &junk), nullptr);
  EXPECT_EQ(SelectObject(f.dc, pen), nullptr);  // already deleted
  EXPECT_EQ(SelectObject(f.dc, nullptr), nullptr);
  EXPECT_EQ(SelectObject(f.dc, f.dc), nullptr);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(&junk), GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(&junk));
  EXPECT_FALSE(DeleteObject(nullptr));
  HDC bad = reinterpret_cast<HDC>(&junk);
  EXPECT_FALSE(MoveToEx(bad, 0, 0, nullptr));
  EXPECT_FALSE(LineTo(bad, 1, 1));
  EXPECT_FALSE(Ellipse(bad, 0, 0, 3, 3));
  EXPECT_FALSE(TextOutA(bad, 0, 0, "1", 1));
  EXPECT_FALSE(SetWindowOrgEx(bad, 0, 0, nullptr));
  RECT r{0, 0, 2, 2};
  EXPECT_EQ(FillRect(bad, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  EXPECT_EQ(FillRect(f.dc, &r, reinterpret_cast<HBRUSH>(&junk)), 0);
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  // A pen is no brush; the null brush fills nothing, and succeeds.
  const std::string before = f.map();
  EXPECT_EQ(FillRect(f.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))), 0);
  EXPECT_EQ(FillRect(f.dc, &r, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
  EXPECT_EQ(f.map(), before);
  winport::releaseDC(bad);  // ignored
}

TEST(GdiObjects, StockObjectsAreNeitherDeletedNorCounted) {
  const int start = winport::liveGdiObjects();
  for (int i : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT}) {
    ASSERT_NE(GetStockObject(i), nullptr) << i;
    EXPECT_TRUE(DeleteObject(GetStockObject(i))) << i;
  }
  EXPECT_EQ(GetStockObject(NULL_PEN), CreatePen(PS_NULL, 3, RGB(9, 9, 9)));  // as Windows
  EXPECT_EQ(winport::liveGdiObjects(), start);
  // Still usable after the "deletes".
  Fixture f(4, 1);
  RECT all{0, 0, 4, 1};
  FillRect(f.dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  EXPECT_EQ(f.canvas.pixel(3, 0), kGray);
  SelectObject(f.dc, GetStockObject(WHITE_PEN));
  LineTo(f.dc, 4, 0);
  EXPECT_EQ(f.lit(kWhite).size(), 4u);
}

TEST(GdiObjects, LiveCountReturnsToItsStart) {
  const int start = winport::liveGdiObjects();
  RasterCanvas canvas(4, 4);
  HDC dc = winport::createDC(canvas);
  HPEN a = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HPEN b = CreatePen(PS_DOT, 0, RGB(0, 255, 0));
  EXPECT_EQ(winport::liveGdiObjects(), start + 3);
  SelectObject(dc, a);
  EXPECT_FALSE(DeleteObject(a));  // selected: kept
  EXPECT_EQ(winport::liveGdiObjects(), start + 3);
  SelectObject(dc, b);
  EXPECT_TRUE(DeleteObject(a));
  winport::releaseDC(dc);  // releasing the DC deselects b
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(b));
  EXPECT_EQ(winport::liveGdiObjects(), start);
}

TEST(GdiObjects, PenSelectedInTwoDCsIsKeptUntilBothLetGo) {
  RasterCanvas canvas(4, 4);
  HDC one = winport::createDC(canvas), two = winport::createDC(canvas);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  SelectObject(one, pen);
  SelectObject(two, pen);
  SelectObject(one, GetStockObject(BLACK_PEN));
  EXPECT_FALSE(DeleteObject(pen));
  winport::releaseDC(two);
  EXPECT_TRUE(DeleteObject(pen));
  winport::releaseDC(one);
}

// ---------------------------------------------------------------------------
// DC state: the window origin and the current position.

TEST(GdiDC, WindowOriginShiftsEverything) {
  Fixture f(12, 12);
  RedPen pen(f.dc);
  POINT prev{-1, -1};
  EXPECT_TRUE(SetWindowOrgEx(f.dc, 10, 20, &prev));
  EXPECT_EQ(prev.x, 0);
  EXPECT_EQ(prev.y, 0);
  EXPECT_TRUE(SetWindowOrgEx(f.dc, -4, -2, &prev));
  EXPECT_EQ(prev.x, 10);
  EXPECT_EQ(prev.y, 20);
  MoveToEx(f.dc, -4, -2, nullptr);  // device (0, 0)
  LineTo(f.dc, -1, -2);
  Ellipse(f.dc, 0, 2, 8, 10);  // device (4, 4) - (12, 12)
  const Pixels lit = f.lit();
  EXPECT_TRUE(lit.count({0, 0}) && lit.count({2, 0}) && !lit.count({3, 0}));
  EXPECT_TRUE(lit.count({6, 4}) && lit.count({4, 6}) && lit.count({11, 7}) && lit.count({8, 11}));
  RECT r{-4, 8, -2, 9};  // device (0, 10) - (2, 11)
  FillRect(f.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(f.canvas.pixel(0, 10), kWhite);
  EXPECT_EQ(f.canvas.pixel(1, 10), kWhite);
  EXPECT_EQ(f.canvas.pixel(2, 10), 0u);
}

TEST(GdiDC, ViewportOriginIsWhereTheWindowOriginLands) {
  Fixture f(12, 12);
  RedPen pen(f.dc);
  POINT prev{-1, -1};
  SetWindowOrgEx(f.dc, 100, 200, nullptr);
  EXPECT_TRUE(SetViewportOrgEx(f.dc, 3, -5, &prev));
  EXPECT_EQ(prev.x, 0);
  EXPECT_EQ(prev.y, 0);
  EXPECT_TRUE(SetViewportOrgEx(f.dc, 2, 6, &prev));
  EXPECT_EQ(prev.x, 3);
  EXPECT_EQ(prev.y, -5);
  MoveToEx(f.dc, 100, 200, nullptr);  // device (2, 6)
  LineTo(f.dc, 104, 200);
  EXPECT_EQ(f.lit(), (Pixels{{2, 6}, {3, 6}, {4, 6}, {5, 6}}));
  EXPECT_FALSE(SetViewportOrgEx(nullptr, 0, 0, nullptr));
}

TEST(GdiDC, CurrentPositionFollowsMovesAndLines) {
  Fixture f(8, 8);
  RedPen pen(f.dc);
  POINT prev{-1, -1};
  MoveToEx(f.dc, 1, 1, &prev);
  EXPECT_EQ(prev.x, 0);
  EXPECT_EQ(prev.y, 0);
  LineTo(f.dc, 5, 1);
  LineTo(f.dc, 5, 4);  // continues from (5, 1)
  MoveToEx(f.dc, 0, 0, &prev);
  EXPECT_EQ(prev.x, 5);
  EXPECT_EQ(prev.y, 4);
  EXPECT_EQ(f.lit(), (Pixels{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 2}, {5, 3}}));
}

TEST(GdiDC, FillRectExcludesRightAndBottom) {
  Fixture f(6, 5);
  RECT r{1, 1, 4, 3};
  EXPECT_NE(FillRect(f.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
  RECT reversed{5, 4, 4, 3};  // the same area as (4, 3) - (5, 4)
  FillRect(f.dc, &reversed, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT hollow{0, 0, 6, 5};
  EXPECT_NE(FillRect(f.dc, &hollow, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
  EXPECT_EQ(f.map(),
            "......\n"
            ".ooo..\n"
            ".ooo..\n"
            "....o.\n"
            "......\n");
}

// ---------------------------------------------------------------------------
// Text.

// The System font built into the program, as Windows and Wine draw it.
const winport::BitmapFont& systemFont() {
  const winport::BitmapFont* face = winport::systemFace();
  if (face == nullptr) std::abort();  // the built-in bytes must be a usable font
  return *face;
}

// The canvas around (x, y) as text: '#' black, 'o' white, '.' anything else.
std::string cells(const RasterCanvas& c, int x, int y, int w, int h) {
  std::string s;
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      const uint32_t p = c.pixel(i, j);
      s += p == 0 ? '#' : p == kWhite ? 'o' : '.';
    }
    s += '\n';
  }
  return s;
}

TEST(GdiText, SystemFontCellsOnAnOpaqueBoxOfTheAdvance) {
  Fixture f(60, 30);
  RECT all{0, 0, 60, 30};
  FillRect(f.dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  EXPECT_TRUE(TextOutA(f.dc, 5, 4, "15", 2));
  // 8 pixels a digit, the 16-pixel cell, its top-left at the text position;
  // digits stand on the baseline 13 rows down.
  EXPECT_EQ(cells(f.canvas, 4, 3, 18, 18),
            ".................."
            "\n.oooooooooooooooo."
            "\n.oooooooooooooooo."
            "\n.oooooooooooooooo."
            "\n.ooo##oooo######o."
            "\n.o####oooo##ooooo."
            "\n.ooo##oooo##ooooo."
            "\n.ooo##oooo##ooooo."
            "\n.ooo##oooo#####oo."
            "\n.ooo##oooo##oo##o."
            "\n.ooo##oooooooo##o."
            "\n.ooo##oooooooo##o."
            "\n.ooo##oooo##oo##o."
            "\n.ooo##ooooo####oo."
            "\n.oooooooooooooooo."
            "\n.oooooooooooooooo."
            "\n.oooooooooooooooo."
            "\n..................\n");
}

TEST(GdiText, AnsiBytesOutsideTheFontDrawItsDefaultAndWidthsVary) {
  const winport::BitmapFont& font = systemFont();
  EXPECT_EQ(font.height(), 16);
  EXPECT_EQ(font.ascent(), 13);
  EXPECT_EQ(font.face(), "System");
  // Proportional: the box is the sum of the glyphs' advances.
  auto boxWidth = [](const char* s) {
    Fixture f(80, 20);
    TextOutA(f.dc, 0, 0, s, static_cast<int>(std::string(s).size()));
    int w = 0;
    while (w < 80 && f.canvas.pixel(w, 15) == kWhite) ++w;
    return w;
  };
  EXPECT_EQ(boxWidth("il"), 8);
  EXPECT_EQ(boxWidth("W0"), 22);
  EXPECT_EQ(boxWidth("\xe9"), 8);  // a Windows-1252 letter the font has
  // Below its first character: the default one's pixels and width.
  Fixture a(20, 20), b(20, 20);
  TextOutA(a.dc, 2, 2, "\x01", 1);
  char def[2] = {static_cast<char>(font.defaultChar()), 0};
  TextOutA(b.dc, 2, 2, def, 1);
  EXPECT_EQ(a.map(), b.map());
  EXPECT_EQ(boxWidth("\x01\x1f"), 2 * font.glyph(0x80).width);
}

TEST(GdiText, ClippedTextIsTheVisiblePartOfTheWholeOne) {
  Fixture whole(40, 30), clipped(12, 9);
  TextOutA(whole.dc, 10, 10, "8W", 2);
  TextOutA(clipped.dc, -8, -3, "8W", 2);  // (18, 13) of the whole one at (0, 0)
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(clipped.canvas.pixel(x, y), whole.canvas.pixel(x + 18, y + 13)) << x << "," << y;
  // Far off, or reaching past the integers: nothing drawn, nothing broken.
  Fixture g(10, 10);
  TextOutA(g.dc, INT_MAX - 3, 0, "8888", 4);
  TextOutA(g.dc, 0, INT_MAX - 3, "8888", 4);
  TextOutA(g.dc, INT_MIN, INT_MIN, "8888", 4);
  EXPECT_EQ(g.lit(0).size(), 100u);
}

TEST(GdiText, TransparentTextLeavesTheBackground) {
  RasterCanvas c(20, 20);
  c.fillRect(0, 0, 20, 20, RGB(128, 128, 128));
  c.text(2, 2, systemFont(), "1", 1, winport::DcColors{RGB(255, 0, 0), RGB(255, 255, 255), false});
  int red = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      EXPECT_NE(c.pixel(x, y), kWhite);
      red += c.pixel(x, y) == kRed;
    }
  EXPECT_EQ(red, 2 * 10 + 2);  // the '1': its stem and its flag
}

TEST(GdiText, InkRectanglesCoverEachInkedPixelOnce) {
  const winport::BitmapFont& font = systemFont();
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  const int count = static_cast<int>(all.size());
  const int64_t width = font.advance(all.data(), count);
  std::vector<int> cover(static_cast<size_t>(width * font.height()), 0);
  for (const winport::InkRect& r : winport::inkRects(font, all.data(), count)) {
    ASSERT_TRUE(r.left < r.right && r.top < r.bottom && r.left >= 0 && r.right <= width &&
                r.top >= 0 && r.bottom <= font.height());
    for (int64_t y = r.top; y < r.bottom; ++y)
      for (int64_t x = r.left; x < r.right; ++x) ++cover[static_cast<size_t>(y * width + x)];
  }
  int64_t pen = 0;
  for (int i = 0; i < count; ++i) {
    const winport::BitmapFont::Glyph& g = font.glyph(static_cast<unsigned char>(all[i]));
    for (int y = 0; y < font.height(); ++y)
      for (int x = 0; x < g.width; ++x)
        ASSERT_EQ(cover[static_cast<size_t>(y * width + pen + x)], font.inked(g, x, y) ? 1 : 0)
            << "byte " << i + 1 << " at " << x << "," << y;
    pen += g.width;
  }
  // Compact: the label "15" is a handful of rectangles, not its 46 pixels.
  EXPECT_LE(winport::inkRects(font, "15", 2).size(), 12u);
}

TEST(GdiText, NoTextDrawsNothingAndBadArgumentsFail) {
  Fixture g(10, 10);
  EXPECT_TRUE(TextOutA(g.dc, 0, 0, "", 0));
  EXPECT_FALSE(TextOutA(g.dc, 0, 0, "x", -1));
  EXPECT_FALSE(TextOutA(g.dc, 0, 0, nullptr, 3));
  EXPECT_EQ(g.lit(0).size(), 100u);
}

// ---------------------------------------------------------------------------
// Output files.

std::string tempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/hypercube_gdi_test_" + name;
}

// Random primitives, some partly or wholly off the canvas, in a few colours.
void scribble(RasterCanvas& c, unsigned seed, bool withFills) {
  std::srand(seed);
  auto coord = [](int size) { return std::rand() % (size + 20) - 10; };
  const uint32_t colors[] = {RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 128, 0)};
  const winport::DcColors bk{RGB(0, 0, 0), RGB(255, 255, 255), true};
  for (int i = 0; i < 12; ++i) {
    const uint32_t color = colors[std::rand() % 4];
    const int x0 = coord(c.width()), y0 = coord(c.height());
    const int x1 = coord(c.width()), y1 = coord(c.height());
    switch (std::rand() % (withFills ? 5 : 3)) {
      case 0:
        c.line(x0, y0, x1, y1, {std::rand() % 2 ? PS_SOLID : PS_DOT, color}, bk);
        break;
      case 1:
        c.ellipse(x0, y0, x0 + std::rand() % 12, y0 + std::rand() % 12, {PS_SOLID, color},
                  {std::rand() % 2 == 0, colors[std::rand() % 4]}, bk);
        break;
      case 2:
        c.text(x0, y0, systemFont(), "13", 2, bk);
        break;
      case 3:
        c.fillRect(x0, y0, x1, y1, color);
        break;
      default:
        c.fillRect(0, 0, c.width(), c.height(), color);
        break;
    }
  }
}

// More drawing than the canvas keeps a list of is still erased.
TEST(GdiErase, ManyLinesAreErasedToo) {
  RasterCanvas c(64, 64);
  c.fillRect(0, 0, 64, 64, RGB(255, 255, 255));
  for (int i = 0; i < 5000; ++i) c.line(i % 64, i / 64 % 64, 63 - i % 64, 0, {PS_SOLID, 0}, {});
  c.fillRect(0, 0, 64, 64, RGB(255, 255, 255));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(c.pixel(x, y), kWhite) << x << "," << y;
}

// An erase of the whole canvas followed by a frame leaves exactly the pixels
// of the same frame on a fresh canvas, whatever was there before, and every
// pixel the frame changed lies in what the canvas reports as changed.
TEST(GdiErase, PartialEraseLeavesThePixelsOfAFullOne) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    RasterCanvas fresh(40, 30), reused(40, 30);
    const uint32_t erase = seed % 3 == 0 ? RGB(0, 0, 255) : RGB(255, 255, 255);
    for (int before = 0; before < 3; ++before) {
      reused.fillRect(0, 0, 40, 30, seed % 2 ? erase : RGB(255, 255, 255));
      scribble(reused, seed * 7 + before, true);
    }
    reused.takeChanged();
    const std::vector<uint32_t> old(reused.row(0), reused.row(0) + 40 * 30);
    for (RasterCanvas* c : {&fresh, &reused}) {
      c->fillRect(-5, -5, 50, 40, erase);
      scribble(*c, seed, false);
    }
    const winport::PixelRect changed = reused.takeChanged();
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(reused.pixel(x, y), fresh.pixel(x, y))
            << "seed " << seed << " at " << x << "," << y;
        const bool inside =
            x >= changed.left && x < changed.right && y >= changed.top && y < changed.bottom;
        if (!inside) {
          ASSERT_EQ(old[y * 40 + x], reused.pixel(x, y)) << "seed " << seed;
        }
      }
    }
  }
}

TEST(GdiFiles, PngRoundTripsThePixels) {
  std::vector<uint32_t> buffer(7 * 5, 0);  // stride of 7 pixels for a 5-wide canvas
  RasterCanvas canvas(buffer.data(), 5, 5, 7 * 4);
  canvas.fillRect(1, 1, 4, 3, RGB(10, 200, 30));
  canvas.fillRect(0, 4, 5, 5, RGB(255, 255, 255));
  const std::string path = tempPath("roundtrip.png");
  {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    ASSERT_TRUE(file);
    PngEncoder encoder(5, 5, [&](const unsigned char* data, size_t size) {
      return std::fwrite(data, 1, size, file.get()) == size;
    });
    for (int y = 0; y < 5; ++y) ASSERT_TRUE(encoder.addRow(canvas.row(y))) << encoder.error();
    ASSERT_TRUE(encoder.finish()) << encoder.error();
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(png), 5);
  ASSERT_EQ(cairo_image_surface_get_height(png), 5);
  const unsigned char* data = cairo_image_surface_get_data(png);
  const int stride = cairo_image_surface_get_stride(png);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF,
                canvas.pixel(x, y))
          << x << "," << y;
  cairo_surface_destroy(png);
  std::remove(path.c_str());
}

TEST(GdiFiles, SvgHoldsTheDrawing) {
  const std::string path = tempPath("drawing.svg");
  {
    winport::SvgCanvas svg(path, 64, 48);
    EXPECT_EQ(svg.width(), 64);
    HDC dc = winport::createDC(svg);
    RECT all{0, 0, 64, 48};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HPEN dots = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
    SelectObject(dc, dots);
    MoveToEx(dc, 2, 2, nullptr);
    LineTo(dc, 60, 40);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    Ellipse(dc, 10, 10, 18, 18);
    TextOutA(dc, 20, 20, "42", 2);
    winport::releaseDC(dc);
    DeleteObject(dots);
    std::string error;
    ASSERT_TRUE(svg.finish(&error)) << error;
  }
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("<svg"), std::string::npos);
  EXPECT_NE(text.find("width=\"64"), std::string::npos);
  // The dotted red line over a white one, along pixel centres.
  EXPECT_NE(text.find("stroke:rgb(100%,0%,0%);stroke-opacity:1;stroke-dasharray:3,3"),
            std::string::npos);
  const size_t first = text.find("d=\"M 2.5 2.5 L 60.5 40.5 \"");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find("d=\"M 2.5 2.5 L 60.5 40.5 \"", first + 1), std::string::npos);
  // The ellipse's outline runs through the centres of its outermost pixels.
  EXPECT_NE(text.find("d=\"M 17.5 14 C"), std::string::npos);
  // The text: the white box of two 8 x 16 cells, then the glyphs' pixels as
  // rectangles, such as the bar of the 4 on its row 10.
  EXPECT_NE(text.find("M 20 20 L 36 20 L 36 36 L 20 36 Z"), std::string::npos);
  EXPECT_NE(text.find(" Z M 21 30 L 28 30 L 28 31 L 21 31 Z M "), std::string::npos);
  EXPECT_EQ(text.find("<use"), std::string::npos);
  if (::testing::Test::HasFailure()) std::fputs(text.c_str(), stderr);
  std::remove(path.c_str());
}

TEST(GdiFiles, SvgFailureIsReported) {
  winport::SvgCanvas svg("/nonexistent-dir/frame.svg", 8, 8);
  svg.fillRect(0, 0, 8, 8, 0);
  std::string error;
  EXPECT_FALSE(svg.finish(&error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
