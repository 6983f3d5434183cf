#include "winport/bitmap_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "winport/canvas.h"

namespace winport {

std::vector<InkRect> inkRects(const BitmapFont& font, const char* s, int count) {
  std::vector<InkRect> done;
  std::vector<InkRect> open;  // runs of the row above, still growing
  const int height = font.height();
  for (int y = 0; y <= height; ++y) {
    std::vector<InkRect> row;
    int64_t pen = 0;
    for (int i = 0; y < height && i < count; ++i) {
      const BitmapFont::Glyph& g = font.glyph(static_cast<unsigned char>(s[i]));
      for (int x = 0; x < g.width; ++x) {
        if (!font.inked(g, x, y)) continue;
        if (!row.empty() && row.back().right == pen + x)
          ++row.back().right;  // runs join across glyphs too
        else
          row.push_back({pen + x, y, pen + x + 1, y + 1});
      }
      pen += g.width;
    }
    // Both lists are sorted by left edge: one pass pairs equal runs.
    std::vector<InkRect> next;
    size_t j = 0;
    for (InkRect& r : row) {
      while (j < open.size() && open[j].left < r.left) done.push_back(open[j++]);
      if (j < open.size() && open[j].left == r.left && open[j].right == r.right) {
        next.push_back(open[j++]);
        next.back().bottom = y + 1;
      } else {
        next.push_back(r);
      }
    }
    while (j < open.size()) done.push_back(open[j++]);
    open = std::move(next);
  }
  return done;
}

// Text as Windows draws a bitmap font: each glyph its own advance wide and
// the cell high, the box exactly that, clipped to the canvas.
void RasterCanvas::bitmapText(const BitmapFont& font, int x, int y, const char* s, int count,
                              const DcColors& look) {
  if (s == nullptr || count <= 0) return;
  RasterCanvas& canvas = *this;
  const int64_t x0 = x, y0 = y, h = font.height();
  const int64_t w = canvas.width(), ch = canvas.height();
  const int64_t advance = font.advance(s, count);
  if (look.opaque) {
    const int64_t right = std::min<int64_t>(x0 + advance, INT_MAX);
    canvas.fillRect(x, y, static_cast<int>(right), static_cast<int>(std::min(y0 + h, ch)),
                    look.bkColor);
  }
  inked(x0, y0, x0 + advance, y0 + h);
  const uint32_t fg = colorrefToRgb(look.textColor);
  const int64_t top = std::max<int64_t>(0, -y0), bottom = std::min(h, ch - y0);
  int64_t pen = x0;
  for (int i = 0; i < count && pen < w; ++i) {
    const BitmapFont::Glyph& g = font.glyph(static_cast<unsigned char>(s[i]));
    const int64_t from = std::max<int64_t>(0, -pen), to = std::min<int64_t>(g.width, w - pen);
    for (int64_t gy = top; gy < bottom; ++gy) {
      uint32_t* out = canvas.row(static_cast<int>(y0 + gy));
      for (int64_t gx = from; gx < to; ++gx)
        if (font.inked(g, static_cast<int>(gx), static_cast<int>(gy))) out[pen + gx] = fg;
    }
    pen += g.width;
  }
}

}  // namespace winport
