// The surfaces GDI draws on. A Canvas takes device-coordinate primitives with
// GDI's own semantics (exclusive right/bottom edges, last line pixel left out);
// the GDI layer above it handles objects, the window origin and the current
// position. RasterCanvas draws pixels as Windows does; SvgCanvas writes the same
// primitives as vector shapes in pixel units.
#ifndef WINPORT_CANVAS_H
#define WINPORT_CANVAS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
  // pen and filled with the brush.
  virtual void ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
                       const BrushSpec& brush) = 0;
  // `count` bytes of Windows-1252-compatible ASCII text with its top-left
  // corner at (x, y), on an opaque box of the background colour when opaque.
  virtual void text(int x, int y, const char* s, int count, const DcColors& look) = 0;
};

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
  // Writes a PNG; false (with errno-style message in *error) on failure.
  bool writePng(const std::string& path, std::string* error) const;

  void fillRect(int left, int top, int right, int bottom, uint32_t color) override;
  void line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) override;
  void ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
               const BrushSpec& brush) override;
  void text(int x, int y, const char* s, int count, const DcColors& look) override;
  // text() in a given bitmap font: glyphs side by side from (x, y), on an
  // opaque box of their advance by the font's cell when opaque.
  void bitmapText(const BitmapFont& font, int x, int y, const char* s, int count,
                  const DcColors& look);

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

// A vector image of the same primitives, written to `path` or given to `sink`
// (false from it stops the writing), all of it by finish() at the latest.
class SvgCanvas : public Canvas {
 public:
  using Sink = std::function<bool(const unsigned char* data, size_t size)>;
  SvgCanvas(const std::string& path, int width, int height);
  SvgCanvas(Sink sink, int width, int height);
  ~SvgCanvas() override;
  int width() const override { return width_; }
  int height() const override { return height_; }
  bool finish(std::string* error);

  void fillRect(int left, int top, int right, int bottom, uint32_t color) override;
  void line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) override;
  void ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
               const BrushSpec& brush) override;
  void text(int x, int y, const char* s, int count, const DcColors& look) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int width_;
  int height_;
};

// 0x00BBGGRR to 0x00RRGGBB.
inline uint32_t colorrefToRgb(uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace winport

#endif
