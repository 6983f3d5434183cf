#include "tools/frame_image.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "shell/shell.h"
#include "tools/output_file.h"
#include "tools/png.h"
#include "winport/gdi/dc.h"
#include "winport/svg/svg_canvas.h"

namespace {

// Pixels held at once for a PNG, about.
constexpr int64_t kBandBytes = 8 << 20;

// Paints as the window would after an erase with its white class brush; the
// canvas shows the frame's rows from `top` on (the viewport moves the frame
// up, and the raster code clips exactly, so a band lights the very pixels the
// whole frame would).
void paint(winport::Canvas& canvas, int top = 0) {
  canvas.fillRect(0, 0, canvas.width(), canvas.height(), RGB(255, 255, 255));
  HDC dc = winport::createDC(canvas);
  SetViewportOrgEx(dc, 0, -top, nullptr);
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
    paintBand(band, top);
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

void paintBand(winport::RasterCanvas& band, int top) { paint(band, top); }

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
