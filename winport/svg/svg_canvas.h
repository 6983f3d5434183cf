// The frame tool's vector surface.
#ifndef WINPORT_SVG_SVG_CANVAS_H
#define WINPORT_SVG_SVG_CANVAS_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "winport/gdi/canvas.h"

namespace winport {

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
  void ellipse(int left, int top, int right, int bottom, const PenSpec& pen, const BrushSpec& brush,
               const DcColors& bk) override;
  void text(int x, int y, const BitmapFont& font, const char* s, int count,
            const DcColors& look) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int width_;
  int height_;
};

}  // namespace winport

#endif
