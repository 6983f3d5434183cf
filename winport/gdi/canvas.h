// The device interface: what GDI asks of the surface it draws on. A Canvas
// takes device-coordinate primitives with GDI's own semantics (exclusive
// right/bottom edges, last line pixel left out); the GDI layer above it
// handles objects, the window origin and the current position. The raster
// canvas (raster/) draws pixels as Windows does; the SVG canvas (svg/) writes
// the same primitives as vector shapes in pixel units.
#ifndef WINPORT_GDI_CANVAS_H
#define WINPORT_GDI_CANVAS_H

#include <cstddef>
#include <cstdint>

namespace winport {

class BitmapFont;

// Colours are COLORREF values, 0x00BBGGRR.
struct PenSpec {
  int style;       // PS_SOLID, PS_DOT or PS_NULL
  uint32_t color;  // COLORREF
};

struct BrushSpec {
  bool hollow;     // NULL_BRUSH
  uint32_t color;  // COLORREF, when not hollow
};

// The colours of the DC a primitive is drawn with besides its pen and brush:
// text, and the background that opaque text boxes and the gaps of dotted lines
// get.
struct DcColors {
  uint32_t textColor;  // COLORREF
  uint32_t bkColor;    // COLORREF
  bool opaque;         // background mode OPAQUE
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // Fills [left, right) x [top, bottom).
  virtual void fillRect(int left, int top, int right, int bottom, uint32_t color) = 0;
  // A cosmetic one-pixel line from (x0, y0) toward (x1, y1), the end pixel left
  // out. Dotted pens fill their gaps with `bk` when it is opaque.
  virtual void line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) = 0;
  // The ellipse inscribed in [left, right) x [top, bottom), outlined with the
  // pen and filled with the brush; a dotted outline's gaps as line() fills them.
  virtual void ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
                       const BrushSpec& brush, const DcColors& bk) = 0;
  // `count` bytes of text in the DC's font, glyphs side by side from their
  // top-left corner at (x, y), on an opaque box of their advance by the
  // font's cell when opaque.
  virtual void text(int x, int y, const BitmapFont& font, const char* s, int count,
                    const DcColors& look) = 0;
};

// 0x00BBGGRR to 0x00RRGGBB.
inline uint32_t colorrefToRgb(uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace winport

#endif
