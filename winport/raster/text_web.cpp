// RasterCanvas::text where cairo is not available: the System font's glyphs
// from the file shipped with the page, or only the opaque box of its cell if
// that file cannot be read.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "winport/font/fnt.h"
#include "winport/raster/raster_canvas.h"

namespace winport {

namespace {

// The System font's cell: 8 pixels a digit, 16 high.
constexpr int64_t kAdvance = 8;
constexpr int64_t kCellHeight = 16;

int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

void RasterCanvas::text(int x, int y, const char* s, int count, const DcColors& look) {
  if (s == nullptr || count <= 0) return;
  if (const BitmapFont* font = systemBitmapFont()) {
    bitmapText(*font, x, y, s, count, look);
    return;
  }
  if (!look.opaque) return;
  fillRect(x, y, clampToInt(x + kAdvance * count), clampToInt(y + kCellHeight), look.bkColor);
}

}  // namespace winport
