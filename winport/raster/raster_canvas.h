// The DIB engine's surface: pixels drawn as Windows draws them.
#ifndef WINPORT_RASTER_RASTER_CANVAS_H
#define WINPORT_RASTER_RASTER_CANVAS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "winport/gdi/canvas.h"

namespace winport {

// [left, right) x [top, bottom) in device pixels; empty when left >= right or
// top >= bottom.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left >= right || top >= bottom; }
};

// Pixels in XRGB8888 (0x00RRGGBB in a uint32_t), either owned or borrowed from
// a window surface.
//
// A window is erased with one colour before every frame, and the figure
// covers a small part of it. The canvas remembers a rectangle outside which
// every pixel holds the colour of the last fill of the whole canvas, and what
// was drawn since; a later fill with that colour writes only those pixels
// again. The pixels are those of a full fill all the same. Nothing else may
// write to the pixels.
class RasterCanvas : public Canvas {
 public:
  RasterCanvas(int width, int height);  // owned, filled with black
  RasterCanvas(uint32_t* pixels, int width, int height, int strideBytes);  // borrowed
  int width() const override { return width_; }
  int height() const override { return height_; }
  // Offsets in ptrdiff_t: a surface may hold more than 2 GiB.
  uint32_t* row(int y) {
    return reinterpret_cast<uint32_t*>(bytes_ + static_cast<ptrdiff_t>(y) * stride_);
  }
  const uint32_t* row(int y) const {
    return reinterpret_cast<const uint32_t*>(bytes_ + static_cast<ptrdiff_t>(y) * stride_);
  }
  uint32_t pixel(int x, int y) const { return row(y)[x]; }  // 0x00RRGGBB

  void fillRect(int left, int top, int right, int bottom, uint32_t color) override;
  void line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) override;
  void ellipse(int left, int top, int right, int bottom, const PenSpec& pen, const BrushSpec& brush,
               const DcColors& bk) override;
  void text(int x, int y, const BitmapFont& font, const char* s, int count,
            const DcColors& look) override;

  // The pixels written since the last call (a bounding rectangle, perhaps
  // larger), and starts anew: what a host must show again.
  PixelRect takeChanged();

 private:
  void put(int x, int y, uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) row(y)[x] = rgb;
  }
  // What was drawn since the last whole fill, to undo it cheaply: a line
  // again, or a box.
  struct InkOp {
    bool line;
    int a, b, c, d;  // ends (x0, y0, x1, y1), or left, top, right, bottom
  };
  static constexpr size_t kMaxInkOps = 4096;
  // Notes that primitives may write inside the rectangle (clipped here).
  void inked(int64_t left, int64_t top, int64_t right, int64_t bottom);
  void noteInk(const InkOp& op);
  void forgetInk();
  void paint(const PixelRect& r, uint32_t rgb);  // no bookkeeping

  std::vector<uint32_t> owned_;
  unsigned char* bytes_;
  int width_;
  int height_;
  int stride_;
  bool plainKnown_ = false;  // every pixel outside ink_ is plain_
  uint32_t plain_ = 0;       // COLORREF
  PixelRect ink_;
  std::vector<InkOp> inkOps_;
  bool inkListed_ = true;  // inkOps_ covers every pixel drawn since
  PixelRect changed_;
};

}  // namespace winport

#endif
