// SvgCanvas: the same primitives as vector shapes in a cairo SVG surface, one
// unit per pixel. One-pixel strokes run along pixel centres so they cover the
// pixels the raster canvas would light.
#include <cairo-svg.h>
#include <cairo.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "winport/font/fnt.h"
#include "winport/font/ink_rects.h"
#include "winport/gdi/dash.h"
#include "winport/svg/svg_canvas.h"

namespace winport {
namespace {

void setColor(cairo_t* cr, uint32_t colorref) {
  cairo_set_source_rgb(cr, (colorref & 0xFF) / 255.0, ((colorref >> 8) & 0xFF) / 255.0,
                       ((colorref >> 16) & 0xFF) / 255.0);
}

// Strokes the current path with the pen: dashed pens over a solid line of the
// background colour when it is opaque.
void strokePen(cairo_t* cr, const PenSpec& pen, const DcColors& bk) {
  const DashPattern pattern = dashPattern(pen.style);
  double dashes[6];
  for (int i = 0; i < pattern.count; ++i) dashes[i] = pattern.dashes[i];
  cairo_set_line_width(cr, 1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  if (pattern.count != 0 && bk.opaque) {
    setColor(cr, bk.bkColor);
    cairo_stroke_preserve(cr);
  }
  cairo_set_dash(cr, pattern.count != 0 ? dashes : nullptr, pattern.count, 0);
  setColor(cr, pen.color);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

}  // namespace

struct SvgCanvas::Impl {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  bool finished = false;
  Sink sink;

  void start() {
#if CAIRO_VERSION >= CAIRO_VERSION_ENCODE(1, 16, 0)
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
#endif
    cr = cairo_create(surface);
  }

  static cairo_status_t write(void* closure, const unsigned char* data, unsigned int size) {
    return static_cast<Impl*>(closure)->sink(data, size) ? CAIRO_STATUS_SUCCESS
                                                         : CAIRO_STATUS_WRITE_ERROR;
  }
};

SvgCanvas::SvgCanvas(const std::string& path, int width, int height)
    : impl_(new Impl), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  impl_->surface = cairo_svg_surface_create(path.c_str(), width_, height_);
  impl_->start();
}

SvgCanvas::SvgCanvas(Sink sink, int width, int height)
    : impl_(new Impl), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  impl_->sink = std::move(sink);
  impl_->surface = cairo_svg_surface_create_for_stream(&Impl::write, impl_.get(), width_, height_);
  impl_->start();
}

SvgCanvas::~SvgCanvas() {
  finish(nullptr);
  cairo_destroy(impl_->cr);
  cairo_surface_destroy(impl_->surface);
}

bool SvgCanvas::finish(std::string* error) {
  if (!impl_->finished) {
    impl_->finished = true;
    cairo_surface_flush(impl_->surface);
    cairo_surface_finish(impl_->surface);
  }
  cairo_status_t status = cairo_status(impl_->cr);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(impl_->surface);
  if (status == CAIRO_STATUS_SUCCESS) return true;
  if (error != nullptr) *error = cairo_status_to_string(status);
  return false;
}

void SvgCanvas::fillRect(int left, int top, int right, int bottom, uint32_t color) {
  if (impl_->finished || left >= right || top >= bottom) return;
  cairo_t* cr = impl_->cr;
  cairo_rectangle(cr, left, top, static_cast<double>(right) - left,
                  static_cast<double>(bottom) - top);
  setColor(cr, color);
  cairo_fill(cr);
}

void SvgCanvas::line(int x0, int y0, int x1, int y1, const PenSpec& pen, const DcColors& bk) {
  if (impl_->finished || pen.style == PS_NULL || (x0 == x1 && y0 == y1)) return;
  cairo_t* cr = impl_->cr;
  cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
  cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
  strokePen(cr, pen, bk);
}

void SvgCanvas::ellipse(int left, int top, int right, int bottom, const PenSpec& pen,
                        const BrushSpec& brush, const DcColors& bk) {
  if (impl_->finished) return;
  double l = std::min(left, right), r = std::max(left, right);
  double t = std::min(top, bottom), b = std::max(top, bottom);
  if (l == r || t == b) return;
  cairo_t* cr = impl_->cr;
  // The outline's pixel centres run from l + 0.5 to r - 0.5.
  const double rx = std::max((r - l - 1) / 2, 0.5), ry = std::max((b - t - 1) / 2, 0.5);
  cairo_save(cr);
  cairo_translate(cr, (l + r) / 2, (t + b) / 2);
  cairo_scale(cr, rx, ry);
  cairo_new_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * 3.14159265358979323846);
  cairo_restore(cr);
  if (!brush.hollow) {
    setColor(cr, brush.color);
    if (pen.style == PS_NULL)
      cairo_fill(cr);
    else
      cairo_fill_preserve(cr);
  }
  if (pen.style != PS_NULL) strokePen(cr, pen, bk);
  cairo_new_path(cr);
}

void SvgCanvas::text(int x, int y, const BitmapFont& font, const char* s, int count,
                     const DcColors& look) {
  if (impl_->finished || s == nullptr || count <= 0) return;
  cairo_t* cr = impl_->cr;
  // Bitmap glyphs as one filled path of rectangles: the same pixels as the
  // raster canvas at any zoom, and a few dozen rectangles per label.
  if (look.opaque) {
    cairo_rectangle(cr, x, y, static_cast<double>(font.advance(s, count)), font.height());
    setColor(cr, look.bkColor);
    cairo_fill(cr);
  }
  const std::vector<InkRect> ink = inkRects(font, s, count);
  if (ink.empty()) return;
  for (const InkRect& r : ink) {
    cairo_rectangle(cr, static_cast<double>(x + r.left), static_cast<double>(y + r.top),
                    static_cast<double>(r.right - r.left), static_cast<double>(r.bottom - r.top));
  }
  setColor(cr, look.textColor);
  cairo_fill(cr);
}

}  // namespace winport
