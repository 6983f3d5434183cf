// Text in a bitmap font as Windows draws it: glyphs side by side from the
// text position, each its own advance wide and the cell high, on an opaque
// box of exactly that size when the background mode is opaque.
#ifndef WINPORT_BITMAP_TEXT_H
#define WINPORT_BITMAP_TEXT_H

#include <cstdint>
#include <vector>

#include "winport/canvas.h"
#include "winport/fnt.h"

namespace winport {

// [left, right) x [top, bottom) relative to the text position.
struct InkRect {
  int64_t left, top, right, bottom;
};

// The inked pixels of `count` bytes of text as few rectangles: runs along each
// row, grown downward while the row below has the same run.
std::vector<InkRect> inkRects(const BitmapFont& font, const char* s, int count);

// Draws the text with its top-left corner at (x, y), clipped to the canvas.
void drawBitmapText(RasterCanvas& canvas, const BitmapFont& font, int x, int y, const char* s,
                    int count, const TextSpec& look);

}  // namespace winport

#endif
