#include <windows.h>

#include <cstdio>

#include "geometry/projection.h"
#include "shell/shell.h"

namespace {

// By how many ends of the edge are visible: blue, green, red.
const COLORREF kEdgeColors[3] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0)};

}  // namespace

void drawFrame(HDC dc) {
  // Logical (0, 0) at the centre; truncation toward zero, so 1001 gives -500.
  SetWindowOrgEx(dc, static_cast<int>(-scene.clientWidth * 0.5),
                 static_cast<int>(-scene.clientHeight * 0.5), nullptr);
  for (const ScreenEdge& e : scene.edges) {
    HPEN pen = CreatePen(e.solid ? PS_SOLID : PS_DOT, 1, kEdgeColors[e.visibleCount]);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, e.x0, e.y0, nullptr);
    LineTo(dc, e.x1, e.y1);
    SelectObject(dc, previous);
    DeleteObject(pen);
  }
  for (int i = 0; i < kVertexCount; ++i) {
    const Point2& p = scene.points2[i];
    HGDIOBJ previous = SelectObject(dc, GetStockObject(p.visible ? BLACK_BRUSH : NULL_BRUSH));
    const int px = toScreen(p.x);
    const int py = toScreen(p.y);
    Ellipse(dc, px - kVertexRadius, py - kVertexRadius, px + kVertexRadius, py + kVertexRadius);
    char label[10];
    std::snprintf(label, sizeof label, "%d", i);
    TextOutA(dc, px + kVertexRadius + 1, py, label, i < 10 ? 1 : 2);
    SelectObject(dc, previous);
  }
}

void paintFrame(HWND hwnd) {
  updateFrame();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  drawFrame(dc);
  EndPaint(hwnd, &paint);
}
