#include "tools/frame_image.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "shell/shell.h"
#include "tools/output_file.h"
#include "tools/png.h"
#include "winport/gdi/dc.h"
#include "winport/svg/svg_canvas.h"

namespace {

// Pixels held at once for a PNG, about.
constexpr int64_t kBandBytes = 8 << 20;

// The frame's rows [top, top + band height) on a canvas of those rows: every
// primitive moves up by `top` and the raster code clips it exactly, so the
// band lights the very pixels the whole frame would.
class BandCanvas : public winport::Canvas {
 public:
  BandCanvas(winport::RasterCanvas& band, int top, int height)
      : band_(band), top_(top), height_(height) {}
  int width() const override { return band_.width(); }
  int height() const override { return height_; }
  void fillRect(int left, int top, int right, int bottom, uint32_t color) override {
    band_.fillRect(left, up(top), right, up(bottom), color);
  }
  void line(int x0, int y0, int x1, int y1, const winport::PenSpec& pen,
            const winport::DcColors& bk) override {
    band_.line(x0, up(y0), x1, up(y1), pen, bk);
  }
  void ellipse(int left, int top, int right, int bottom, const winport::PenSpec& pen,
               const winport::BrushSpec& brush) override {
    band_.ellipse(left, up(top), right, up(bottom), pen, brush);
  }
  void text(int x, int y, const winport::BitmapFont& font, const char* s, int count,
            const winport::DcColors& look) override {
    band_.text(x, up(y), font, s, count, look);
  }

 private:
  // Frame coordinates stay far inside int (the frame fits in 16384 pixels
  // with the figure); the clamp only keeps the subtraction defined.
  int up(int y) const {
    return static_cast<int>(std::max<int64_t>(static_cast<int64_t>(y) - top_, INT_MIN));
  }
  winport::RasterCanvas& band_;
  int top_;
  int height_;
};

// Paints as the window would after an erase with its white class brush.
void paint(winport::Canvas& canvas) {
  canvas.fillRect(0, 0, canvas.width(), canvas.height(), RGB(255, 255, 255));
  HDC dc = winport::createDC(canvas);
  drawFrame(dc);
  winport::releaseDC(dc);
}

bool writePng(const RenderOptions& o, OutputFile& out, std::string* why) {
  PngEncoder png(o.width, o.height,
                 [&](const unsigned char* data, size_t size) { return out.write(data, size); });
  const int rows = static_cast<int>(
      std::clamp<int64_t>(kBandBytes / (static_cast<int64_t>(o.width) * 4), 1, o.height));
  winport::RasterCanvas band(o.width, rows);
  for (int top = 0; top < o.height; top += rows) {
    paintBand(band, top, o.height);
    const int count = std::min(rows, o.height - top);
    for (int y = 0; y < count; ++y) {
      if (!png.addRow(band.row(y))) {
        *why = png.error();
        return false;
      }
    }
  }
  if (png.finish()) return true;
  *why = png.error();
  return false;
}

bool writeSvg(const RenderOptions& o, OutputFile& out, std::string* why) {
  winport::SvgCanvas svg(
      [&](const unsigned char* data, size_t size) { return out.write(data, size); }, o.width,
      o.height);
  paint(svg);
  return svg.finish(why);
}

}  // namespace

void paintBand(winport::RasterCanvas& band, int top, int height) {
  BandCanvas canvas(band, top, height);
  paint(canvas);
}

bool writeFrameImage(const RenderOptions& options, std::string* error) {
  OutputFile out;
  if (!out.open(options.output, error)) return false;
  std::string why;
  const bool painted = options.format == RenderFormat::kPng ? writePng(options, out, &why)
                                                            : writeSvg(options, out, &why);
  // A failed write is said by commit(), with its cause (and the encoders'
  // own words for it are vaguer); else the encoder says what went wrong.
  if (painted || !out.write(nullptr, 0)) return out.commit(error) && painted;
  *error = "cannot write " + quoted(options.output) + ": " + (why.empty() ? "failed" : why);
  return false;
}
