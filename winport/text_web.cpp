// RasterCanvas::text where cairo is not available: the opaque box of the
// system font's cell, without glyphs, until the font is drawn by our own code.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "winport/canvas.h"

namespace winport {

namespace {

// The cell of the font the Linux layer draws with: 8 pixels a digit, 15 high.
constexpr int64_t kAdvance = 8;
constexpr int64_t kCellHeight = 15;

int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

void RasterCanvas::text(int x, int y, const char* s, int count, const TextSpec& look) {
  if (s == nullptr || count <= 0 || !look.opaque) return;
  fillRect(x, y, clampToInt(x + kAdvance * count), clampToInt(y + kCellHeight), look.bkColor);
}

}  // namespace winport
