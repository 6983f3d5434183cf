// The font GDI text falls back to where the System font's file is missing,
// shared by the raster and SVG canvases so both lay text out identically.
#ifndef WINPORT_FONT_H
#define WINPORT_FONT_H

#include <cairo.h>

#include <vector>

namespace winport {

// Text laid out with the system font: glyphs with the baseline at y = ascent
// and the pen starting at x = 0, inside a box of width x height pixels.
struct TextLayout {
  std::vector<cairo_glyph_t> glyphs;
  int width = 0;
  int height = 0;
  int ascent = 0;
};

// A bold sans with a 15-pixel cell and 8-pixel digits, close to the Windows
// System font, with hinting and antialiasing fixed so frames do not depend on
// the desktop's font settings. Created once; never freed.
cairo_scaled_font_t* systemFont();

// `count` single-byte characters (Latin-1) laid out with systemFont().
TextLayout layoutText(const char* s, int count);

}  // namespace winport

#endif
