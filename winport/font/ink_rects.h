// Bitmap font text as shapes, for canvases that draw it as rectangles.
#ifndef WINPORT_FONT_INK_RECTS_H
#define WINPORT_FONT_INK_RECTS_H

#include <cstdint>
#include <vector>

#include "winport/font/fnt.h"

namespace winport {

// [left, right) x [top, bottom) relative to the text position.
struct InkRect {
  int64_t left, top, right, bottom;
};

// The inked pixels of `count` bytes of text as few rectangles: runs along each
// row, grown downward while the row below has the same run.
std::vector<InkRect> inkRects(const BitmapFont& font, const char* s, int count);

}  // namespace winport

#endif
