// Text as Windows draws a bitmap font on a DIB: each glyph its own advance
// wide and the cell high, the box exactly that, clipped to the canvas.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "winport/font/fnt.h"
#include "winport/raster/raster_canvas.h"

namespace winport {

void RasterCanvas::text(int x, int y, const BitmapFont& font, const char* s, int count,
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
