// RasterCanvas::text: the System font's bitmap glyphs, or where its file is
// missing, the fallback font's glyphs blended onto the pixels.
#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "winport/font/fallback.h"
#include "winport/font/fnt.h"
#include "winport/raster/raster_canvas.h"

namespace winport {

namespace {

int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint32_t blend(uint32_t fg, uint32_t bg, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
    out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

void RasterCanvas::text(int x, int y, const char* s, int count, const DcColors& look) {
  if (s == nullptr || count <= 0) return;
  if (const BitmapFont* font = systemBitmapFont()) {
    bitmapText(*font, x, y, s, count, look);
    return;
  }
  const TextLayout layout = layoutText(s, count);
  const int64_t x0 = x, y0 = y;
  if (look.opaque) {
    fillRect(x, y, clampToInt(x0 + layout.width), clampToInt(y0 + layout.height), look.bkColor);
  }

  // Glyphs may overhang their box a little; render them into a mask with room
  // around it, limited to what the canvas shows.
  const int64_t margin = layout.height;
  const int64_t left = std::max<int64_t>(x0 - margin, 0);
  const int64_t top = std::max<int64_t>(y0 - margin, 0);
  const int64_t right = std::min<int64_t>(x0 + layout.width + margin, width_);
  const int64_t bottom = std::min<int64_t>(y0 + layout.height + margin, height_);
  if (left >= right || top >= bottom || layout.glyphs.empty()) return;

  inked(left, top, right, bottom);
  const int mw = static_cast<int>(right - left), mh = static_cast<int>(bottom - top);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh);
  cairo_t* cr = cairo_create(mask);
  cairo_set_scaled_font(cr, systemFont());
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  cairo_translate(cr, static_cast<double>(x0 - left), static_cast<double>(y0 - top));
  cairo_show_glyphs(cr, layout.glyphs.data(), static_cast<int>(layout.glyphs.size()));
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
    const unsigned char* data = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    const uint32_t fg = colorrefToRgb(look.textColor);
    for (int my = 0; my < mh; ++my) {
      uint32_t* dst = row(static_cast<int>(top) + my) + left;
      const unsigned char* a = data + static_cast<ptrdiff_t>(my) * stride;
      for (int mx = 0; mx < mw; ++mx) {
        if (a[mx] == 255)
          dst[mx] = fg;
        else if (a[mx] != 0)
          dst[mx] = blend(fg, dst[mx], a[mx]);
      }
    }
  }
  cairo_surface_destroy(mask);
}

}  // namespace winport
