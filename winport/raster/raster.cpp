// RasterCanvas: the pixels Windows draws on a DIB with a one-pixel cosmetic pen.
//
// Lines are Bresenham with Windows' tie-breaking: the error term starts at
// 2*minor - major and the minor coordinate steps when err + bias > 0, where the
// bias is 1 for lines heading into octants 3, 5, 6 and 8 (counted clockwise
// from +x with y pointing down) and 0 otherwise. So a line and its reverse light
// the same pixels apart from the left-out end. Clipping moves the end points
// onto the canvas edge by solving for the exact pixel the full line would have
// lit there, and starts the error term from that point, so a clipped line
// lights exactly the visible part of the unclipped one.
//
// Dashed pens count pixels along the major axis from the start of each line;
// gaps get the background colour when the background mode is opaque.
//
// Ellipses: the interior is the rows of Windows' elliptic region of the box and
// the outline is a closed polyline through the points of a midpoint ellipse
// (Zingl's algorithm, mirrored from the top-right quadrant), drawn with the pen
// after the fill. Boxes two pixels wide or high or less draw as rectangles.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "winport/gdi/dash.h"
#include "winport/raster/raster_canvas.h"

namespace winport {
namespace {

// Ellipses larger than this are not drawn: their error terms would overflow.
constexpr int64_t kMaxEllipseSize = 1 << 18;

// Whether position `pos` (0 <= pos < total) of the pattern is a mark.
bool isMark(const DashPattern& p, int pos) {
  for (int i = 0; i < p.count; ++i) {
    if (pos < p.dashes[i]) return i % 2 == 0;
    pos -= p.dashes[i];
  }
  return true;
}

struct Point {
  int64_t x;
  int64_t y;
};

// Octants as bit masks, numbered clockwise from +x (y down), 1 << (n - 1).
constexpr uint32_t kYIncreasing = 0x0f;
constexpr uint32_t kXIncreasing = 0xc3;
constexpr uint32_t kXMajor = 0x99;
constexpr uint32_t kPosSlope = 0x33;
constexpr uint32_t kBiased = 0xb4;  // octants 3, 5, 6 and 8

uint32_t octantMask(int64_t dx, int64_t dy) {
  int n;
  if (dy > 0) {
    if (dx > 0)
      n = dx > dy ? 1 : 2;
    else
      n = -dx > dy ? 4 : 3;
  } else {
    if (dx < 0)
      n = -dx > -dy ? 5 : 6;
    else
      n = dx > -dy ? 8 : 7;
  }
  return 1u << (n - 1);
}

struct Bresenham {
  int64_t dx, dy;  // absolute
  int bias;
  uint32_t octant;
  bool xMajor() const { return (octant & kXMajor) != 0; }
};

enum OutCode { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

int outcode(const Point& p, int64_t w, int64_t h) {
  int out = 0;
  if (p.x < 0)
    out |= kLeft;
  else if (p.x >= w)
    out |= kRight;
  if (p.y < 0)
    out |= kTop;
  else if (p.y >= h)
    out |= kBottom;
  return out;
}

// Moves `start` and `end` onto the [0, w) x [0, h) box where the line crosses
// its edges, picking the pixels the unclipped line lights there. False when
// the line misses the box.
//
// Derivation, with `major` and `minor` the line's extents along its axes: the
// error term after k steps along the major axis, n of them with a minor step,
// is 2*(k+1)*minor - major - 2*major*n, and step k takes a minor step exactly
// when that plus the bias is positive. By induction the minor offset after k
// steps is n(k) = ceil((2*k*minor - major + bias) / (2*major)), in integers
// floor((2*k*minor + major + bias - 1) / (2*major)). So:
// - crossing an edge across the major axis, k steps away: the minor offset
//   there is n(k);
// - crossing an edge across the minor axis, n steps away: the first pixel on
//   it is at the smallest k with n(k) = n, k = floor((2*major*n - major -
//   bias) / (2*minor)) + 1.
// From the end point the same counts run backwards, where ties break the
// other way: the bias changes sign and the floor of the quotient replaces
// the ceiling (no -1). A negative slope mirrors the minor offset. Every
// numerator is non-negative where it is used, so C++'s division is the floor.
bool clipLine(const Point& start, const Point& end, int64_t w, int64_t h, const Bresenham& b,
              Point* p1, Point* p2) {
  const int64_t bias = b.bias, dx = b.dx, dy = b.dy, twoDx = 2 * dx, twoDy = 2 * dy;
  const bool xMajor = b.xMajor();
  const bool negSlope = (b.octant & kPosSlope) == 0;
  *p1 = start;
  *p2 = end;
  int startOc = outcode(start, w, h);
  int endOc = outcode(end, w, h);
  for (int guard = 0; guard < 8; ++guard) {
    if (startOc == 0 && endOc == 0) return true;
    if ((startOc & endOc) != 0) return false;
    int64_t m, n;
    if (startOc & (kLeft | kRight)) {
      m = (startOc & kLeft) ? -start.x : start.x - w + 1;
      n = xMajor ? (m * twoDy + bias + dx - 1) / twoDx : (m * twoDy - bias - dy) / twoDx + 1;
      if (negSlope) n = -n;
      if (startOc & kLeft) {
        p1->x = 0;
        p1->y = start.y + n;
      } else {
        p1->x = w - 1;
        p1->y = start.y - n;
      }
      startOc = outcode(*p1, w, h);
    } else if (startOc & (kTop | kBottom)) {
      n = (startOc & kTop) ? -start.y : start.y - h + 1;
      m = xMajor ? (n * twoDx - bias - dx) / twoDy + 1 : (n * twoDx + bias + dy - 1) / twoDy;
      if (negSlope) m = -m;
      if (startOc & kTop) {
        p1->y = 0;
        p1->x = start.x + m;
      } else {
        p1->y = h - 1;
        p1->x = start.x - m;
      }
      startOc = outcode(*p1, w, h);
    } else if (endOc & (kLeft | kRight)) {
      m = (endOc & kLeft) ? -end.x : end.x - w + 1;
      n = xMajor ? (m * twoDy - bias + dx) / twoDx : (m * twoDy + bias - dy - 1) / twoDx + 1;
      if (negSlope) n = -n;
      if (endOc & kLeft) {
        p2->x = 0;
        p2->y = end.y + n;
      } else {
        p2->x = w - 1;
        p2->y = end.y - n;
      }
      endOc = outcode(*p2, w, h);
    } else {
      n = (endOc & kTop) ? -end.y : end.y - h + 1;
      m = xMajor ? (n * twoDx + bias - dx - 1) / twoDy + 1 : (n * twoDx - bias + dy) / twoDy;
      if (negSlope) m = -m;
      if (endOc & kTop) {
        p2->y = 0;
        p2->x = end.x + m;
      } else {
        p2->y = h - 1;
        p2->x = end.x - m;
      }
      endOc = outcode(*p2, w, h);
    }
  }
  return false;
}

// Coordinates this far out would overflow the error terms; Windows scales
// them down the same way.
Point cropCoords(Point p) {
  const int64_t limit = 0x10000000;
  if (p.x >= limit || p.x <= -limit || p.y >= limit || p.y <= -limit) {
    p.x /= 8;
    p.y /= 8;
  }
  return p;
}

}  // namespace

// Draws one segment; `dashPos` is the position in the pen's dash pattern at the
// start and is advanced past the segment.
class LinePainter {
 public:
  LinePainter(RasterCanvas& canvas, const PenSpec& pen, const DcColors& bk)
      : canvas_(canvas),
        pattern_(dashPattern(pen.style)),
        fg_(colorrefToRgb(pen.color)),
        bg_(colorrefToRgb(bk.bkColor)),
        opaque_(bk.opaque),
        null_(pen.style == PS_NULL) {}

  void segment(int x0, int y0, int x1, int y1, int* dashPos) {
    if (null_) return;
    const int64_t w = canvas_.width(), h = canvas_.height();
    if (y0 == y1 || x0 == x1) {
      const bool horizontal = y0 == y1;
      const int64_t from = horizontal ? x0 : y0, to = horizontal ? x1 : y1;
      const int64_t fixed = horizontal ? y0 : x0;
      const int64_t limit = horizontal ? w : h, across = horizontal ? h : w;
      const int64_t step = to >= from ? 1 : -1;
      const int64_t length = (to - from) * step;  // end pixel left out
      if (fixed >= 0 && fixed < across && length > 0) {
        // Visible pixel indices k with 0 <= from + step * k < limit.
        int64_t kLo, kHi;
        if (step > 0) {
          kLo = std::max<int64_t>(0, -from);
          kHi = std::min<int64_t>(length, limit - from);
        } else {
          kLo = std::max<int64_t>(0, from - (limit - 1));
          kHi = std::min<int64_t>(length, from + 1);
        }
        for (int64_t k = kLo; k < kHi; ++k) {
          const int64_t v = from + step * k;
          plot(horizontal ? v : fixed, horizontal ? fixed : v, k, *dashPos);
        }
      }
      advance(dashPos, std::abs(to - from));
      return;
    }

    const Point start = cropCoords({x0, y0}), end = cropCoords({x1, y1});
    const int64_t dx = end.x - start.x, dy = end.y - start.y;
    Bresenham b{std::abs(dx), std::abs(dy), 0, octantMask(dx, dy)};
    b.bias = (b.octant & kBiased) ? 1 : 0;
    const bool xMajor = b.xMajor();
    const int64_t xInc = (b.octant & kXIncreasing) ? 1 : -1;
    const int64_t yInc = (b.octant & kYIncreasing) ? 1 : -1;
    Point p1, p2;
    if (clipLine(start, end, w, h, b, &p1, &p2)) {
      const int64_t m = std::abs(p1.x - start.x), n = std::abs(p1.y - start.y);
      int64_t err, length, k;
      if (xMajor) {
        err = 2 * b.dy - b.dx + m * 2 * b.dy - n * 2 * b.dx;
        length = std::abs(p2.x - p1.x) + 1;
        k = m;
      } else {
        err = 2 * b.dx - b.dy + n * 2 * b.dx - m * 2 * b.dy;
        length = std::abs(p2.y - p1.y) + 1;
        k = n;
      }
      if (p2.x == end.x && p2.y == end.y) --length;
      length = std::min(length, std::max(w, h));  // a clipped run never exceeds the canvas
      const int64_t errMajor = xMajor ? 2 * b.dy : 2 * b.dx;
      const int64_t errBoth = xMajor ? 2 * b.dy - 2 * b.dx : 2 * b.dx - 2 * b.dy;
      Point p = p1;
      for (int64_t i = 0; i < length; ++i, ++k) {
        plot(p.x, p.y, k, *dashPos);
        if (err + b.bias > 0) {
          if (xMajor)
            p.y += yInc;
          else
            p.x += xInc;
          err += errBoth;
        } else {
          err += errMajor;
        }
        if (xMajor)
          p.x += xInc;
        else
          p.y += yInc;
      }
    }
    advance(dashPos, xMajor ? b.dx : b.dy);
  }

 private:
  void plot(int64_t x, int64_t y, int64_t k, int dashPos) {
    uint32_t color = fg_;
    if (pattern_.count != 0 &&
        !isMark(pattern_, static_cast<int>((dashPos + k) % pattern_.total))) {
      if (!opaque_) return;
      color = bg_;
    }
    if (x >= 0 && y >= 0 && x < canvas_.width() && y < canvas_.height()) {
      canvas_.row(static_cast<int>(y))[x] = color;
    }
  }

  void advance(int* dashPos, int64_t by) const {
    if (pattern_.count != 0) *dashPos = static_cast<int>((*dashPos + by) % pattern_.total);
  }

  RasterCanvas& canvas_;
  DashPattern pattern_;
  uint32_t fg_;
  uint32_t bg_;
  bool opaque_;
  bool null_;
};

RasterCanvas::RasterCanvas(int width, int height)
    : owned_(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)), 0),
      bytes_(reinterpret_cast<unsigned char*>(owned_.data())),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      stride_(width_ * 4) {}

RasterCanvas::RasterCanvas(uint32_t* pixels, int width, int height, int strideBytes)
    : bytes_(reinterpret_cast<unsigned char*>(pixels)),
      width_(pixels != nullptr ? std::max(width, 0) : 0),
      height_(pixels != nullptr ? std::max(height, 0) : 0),
      stride_(strideBytes) {}

namespace {

PixelRect unite(const PixelRect& a, const PixelRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool contains(const PixelRect& outer, const PixelRect& inner) {
  return inner.empty() || (outer.left <= inner.left && outer.top <= inner.top &&
                           outer.right >= inner.right && outer.bottom >= inner.bottom);
}

}  // namespace

void RasterCanvas::inked(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  const PixelRect r{static_cast<int>(std::max<int64_t>(left, 0)),
                    static_cast<int>(std::max<int64_t>(top, 0)),
                    static_cast<int>(std::min<int64_t>(right, width_)),
                    static_cast<int>(std::min<int64_t>(bottom, height_))};
  if (r.empty()) return;
  ink_ = unite(ink_, r);
  changed_ = unite(changed_, r);
  noteInk({false, r.left, r.top, r.right, r.bottom});
}

void RasterCanvas::noteInk(const InkOp& op) {
  if (!inkListed_) return;
  if (inkOps_.size() == kMaxInkOps) {
    // Too much to retrace: the rectangle alone serves.
    inkListed_ = false;
    inkOps_.clear();
    return;
  }
  inkOps_.push_back(op);
}

void RasterCanvas::forgetInk() {
  ink_ = PixelRect{};
  inkOps_.clear();
  inkListed_ = true;
}

void RasterCanvas::paint(const PixelRect& r, uint32_t rgb) {
  // One row by hand, the rest copied from it: memcpy runs at memory speed,
  // which matters when the whole window is erased before every frame.
  std::fill(row(r.top) + r.left, row(r.top) + r.right, rgb);
  const size_t bytes = static_cast<size_t>(r.right - r.left) * sizeof(uint32_t);
  for (int y = r.top + 1; y < r.bottom; ++y)
    std::memcpy(row(y) + r.left, row(r.top) + r.left, bytes);
}

PixelRect RasterCanvas::takeChanged() {
  const PixelRect r = changed_;
  changed_ = PixelRect{};
  return r;
}

void RasterCanvas::fillRect(int left, int top, int right, int bottom, uint32_t color) {
  PixelRect fill{std::max(left, 0), std::max(top, 0), std::min(right, width_),
                 std::min(bottom, height_)};
  if (fill.empty()) return;
  const uint32_t rgb = colorrefToRgb(color);
  if (plainKnown_ && color == plain_) {
    // Outside ink_ the pixels hold this colour already.
    if (contains(fill, ink_)) {
      changed_ = unite(changed_, ink_);
      if (inkListed_) {
        // Only the pixels drawn since: the same lines again, and the boxes
        // of everything else.
        const DcColors bk{0, plain_, true};
        for (const InkOp& op : inkOps_) {
          if (op.line) {
            int dashPos = 0;
            LinePainter(*this, {PS_SOLID, plain_}, bk).segment(op.a, op.b, op.c, op.d, &dashPos);
          } else {
            paint({op.a, op.b, op.c, op.d}, rgb);
          }
        }
      } else if (!ink_.empty()) {
        paint(ink_, rgb);
      }
      forgetInk();
      return;
    }
    fill = intersect(fill, ink_);
    if (fill.empty()) return;
  } else if (fill.left == 0 && fill.top == 0 && fill.right == width_ && fill.bottom == height_) {
    plainKnown_ = true;
    plain_ = color;
    forgetInk();
  } else {
    ink_ = unite(ink_, fill);
    noteInk({false, fill.left, fill.top, fill.right, fill.bottom});
  }
  changed_ = unite(changed_, fill);
  paint(fill, rgb);
}

void RasterCanvas::line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) {
  int dashPos = 0;  // each LineTo restarts the pattern
  if (pen.style != PS_NULL) {
    const PixelRect box{
        std::max(std::min(x0, x1), 0), std::max(std::min(y0, y1), 0),
        static_cast<int>(std::min<int64_t>(int64_t{std::max(x0, x1)} + 1, width_)),
        static_cast<int>(std::min<int64_t>(int64_t{std::max(y0, y1)} + 1, height_))};
    if (box.empty()) return;  // wholly off the canvas
    ink_ = unite(ink_, box);
    changed_ = unite(changed_, box);
    noteInk({true, x0, y0, x1, y1});
  }
  LinePainter(*this, pen, bk).segment(x0, y0, x1, y1, &dashPos);
}

namespace {

struct IPoint {
  int x;
  int y;
};

// The top-right quadrant of the ellipse in a width x height box, relative to
// the box, from the right end of the middle row up to the top.
std::vector<IPoint> ellipseFirstQuadrant(int width, int height) {
  const int64_t a = width - 1, b = height - 1;
  const int64_t asq = 8 * a * a, bsq = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a);
  int64_t dy = 4 * a * a * (1 + (b % 2));
  int64_t err = dx + dy + a * a * (b % 2);
  std::vector<IPoint> points;
  IPoint pt{static_cast<int>(a), height / 2};
  while (pt.x >= width / 2) {
    const int64_t e2 = 2 * err;
    points.push_back(pt);
    if (e2 >= dx) {
      pt.x--;
      dx += bsq;
      err += dx;
    }
    if (e2 <= dy) {
      pt.y++;
      dy += asq;
      err += dy;
    }
  }
  return points;
}

// Row spans [left, right) of Windows' elliptic region for the box, top row first.
std::vector<std::pair<int, int>> ellipseRows(int left, int right, int width, int height) {
  std::vector<std::pair<int, int>> rows(height, {left, left});
  const int64_t a = width - 1, b = height - 1;
  const int64_t asq = 8 * a * a, bsq = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a);
  int64_t dy = 4 * a * a * (1 + (b % 2));
  int64_t err = dx + dy + a * a * (b % 2);
  int x = 0, y = height / 2;
  rows[y] = {left, right};
  while (x <= width / 2) {
    const int64_t e2 = 2 * err;
    if (e2 >= dx) {
      x++;
      dx += bsq;
      err += dx;
    }
    if (e2 <= dy) {
      y++;
      dy += asq;
      err += dy;
      if (y < height) rows[y] = {left + x, right - x};
    }
  }
  for (int i = 0; i < height / 2; ++i) rows[i] = rows[b - i];
  return rows;
}

}  // namespace

void RasterCanvas::ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
                           const BrushSpec& brush, const DcColors& bk) {
  int64_t l = left, t = top, r = right, b = bottom;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  const int64_t w = r - l, h = b - t;
  if (w == 0 || h == 0) return;
  if (w > kMaxEllipseSize || h > kMaxEllipseSize) return;
  if (r <= 0 || b <= 0 || l >= width_ || t >= height_) return;
  // Now every coordinate is within kMaxEllipseSize of the canvas: ints suffice.
  const int L = static_cast<int>(l), T = static_cast<int>(t);
  const int R = static_cast<int>(r), B = static_cast<int>(b);
  const int W = static_cast<int>(w), H = static_cast<int>(h);
  inked(L, T, R, B);
  LinePainter painter(*this, pen, bk);
  int dashPos = 0;

  if (W <= 2 || H <= 2) {
    // A rectangle: the outline counterclockwise from the top-right corner, then
    // the inside of the pen, which for a null pen is one pixel short at the
    // right and bottom.
    const IPoint pts[4] = {{R - 1, T}, {L, T}, {L, B - 1}, {R - 1, B - 1}};
    for (int i = 0; i < 4; ++i) {
      const IPoint& p = pts[i];
      const IPoint& q = pts[(i + 1) % 4];
      painter.segment(p.x, p.y, q.x, q.y, &dashPos);
    }
    if (!brush.hollow) {
      const int penWidth = pen.style == PS_NULL ? 0 : 1;
      fillRect(L + (penWidth + 1) / 2, T + (penWidth + 1) / 2, R - 1 - penWidth / 2,
               B - 1 - penWidth / 2, brush.color);
    }
    return;
  }

  if (!brush.hollow) {
    const std::vector<std::pair<int, int>> rows = ellipseRows(L, R, W, H);
    for (int i = 0; i < H; ++i)
      fillRect(rows[i].first, T + i, rows[i].second, T + i + 1, brush.color);
  }
  if (pen.style == PS_NULL) return;

  std::vector<IPoint> pts = ellipseFirstQuadrant(W, H);
  for (IPoint& p : pts) p = {L + p.x, T + H - 1 - p.y};
  // Mirror into the top-left quadrant, then the bottom half, going round
  // counterclockwise; odd sizes share the middle point.
  size_t count = pts.size();
  size_t end = 2 * count - 1;
  if (W % 2 != 0) end--;
  pts.resize(end + 1);
  for (size_t i = 0; i < count; ++i) pts[end - i] = {L + R - 1 - pts[i].x, pts[i].y};
  count = end + 1;
  end = 2 * count - 1;
  if (H % 2 != 0) end--;
  pts.resize(end + 1);
  for (size_t i = 0; i < count; ++i) pts[end - i] = {pts[i].x, T + B - 1 - pts[i].y};
  count = end + 1;

  for (size_t i = 0; i < count; ++i) {
    const IPoint& p = pts[i];
    const IPoint& q = pts[(i + 1) % count];
    painter.segment(p.x, p.y, q.x, q.y, &dashPos);
  }
}

}  // namespace winport
