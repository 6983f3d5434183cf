// Text with cairo: the system font, RasterCanvas::text and PNG output.
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "canvas.h"
#include "font.h"

#if defined(__SANITIZE_ADDRESS__)
#define WINPORT_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WINPORT_LSAN 1
#endif
#endif

#ifdef WINPORT_LSAN
// Third-party state kept for the life of the process, behind pointers the leak
// checker cannot follow: fontconfig's configuration and the patterns cairo
// duplicates for our one font, and the D-Bus connection SDL opens. Only
// allocations made inside those libraries are let through; this file is in
// every program that draws text.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif

namespace winport {

namespace {

const char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The font file opened directly: finding it by name through fontconfig costs
// tens of milliseconds before the first frame. The name is the fallback.
cairo_font_face_t* systemFace() {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) == 0 && FT_New_Face(library, kFontFile, 0, &face) == 0) {
    return cairo_ft_font_face_create_for_ft_face(face, 0);  // both live as long as the process
  }
  if (library) FT_Done_FreeType(library);
  return cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
}

}  // namespace

cairo_scaled_font_t* systemFont() {
  static cairo_scaled_font_t* const font = [] {
    cairo_font_face_t* face = systemFace();
    cairo_font_options_t* options = cairo_font_options_create();
    // Bitmap-like glyphs as the System font has, whatever the desktop prefers.
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, 12, 12);
    cairo_matrix_init_identity(&identity);
    cairo_scaled_font_t* f = cairo_scaled_font_create(face, &size, &identity, options);
    cairo_font_options_destroy(options);
    cairo_font_face_destroy(face);
    return f;
  }();
  return font;
}

TextLayout layoutText(const char* s, int count) {
  TextLayout layout;
  cairo_scaled_font_t* font = systemFont();
  cairo_font_extents_t fe;
  cairo_scaled_font_extents(font, &fe);
  layout.ascent = static_cast<int>(std::ceil(fe.ascent));
  layout.height = layout.ascent + static_cast<int>(std::ceil(fe.descent));
  if (count <= 0) return layout;

  std::string utf8;
  utf8.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  cairo_glyph_t* glyphs = nullptr;
  int numGlyphs = 0;
  if (cairo_scaled_font_text_to_glyphs(font, 0, layout.ascent, utf8.data(),
                                       static_cast<int>(utf8.size()), &glyphs, &numGlyphs, nullptr,
                                       nullptr, nullptr) != CAIRO_STATUS_SUCCESS) {
    return layout;
  }
  layout.glyphs.assign(glyphs, glyphs + numGlyphs);
  cairo_glyph_free(glyphs);
  cairo_text_extents_t te;
  cairo_scaled_font_glyph_extents(font, layout.glyphs.data(), numGlyphs, &te);
  layout.width = static_cast<int>(std::lround(te.x_advance));
  return layout;
}

namespace {

int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint32_t blend(uint32_t fg, uint32_t bg, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
    out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

void RasterCanvas::text(int x, int y, const char* s, int count, const TextSpec& look) {
  if (s == nullptr || count <= 0) return;
  const TextLayout layout = layoutText(s, count);
  const int64_t x0 = x, y0 = y;
  if (look.opaque) {
    fillRect(x, y, clampToInt(x0 + layout.width), clampToInt(y0 + layout.height), look.bkColor);
  }

  // Glyphs may overhang their box a little; render them into a mask with room
  // around it, limited to what the canvas shows.
  const int64_t margin = layout.height;
  const int64_t left = std::max<int64_t>(x0 - margin, 0);
  const int64_t top = std::max<int64_t>(y0 - margin, 0);
  const int64_t right = std::min<int64_t>(x0 + layout.width + margin, width_);
  const int64_t bottom = std::min<int64_t>(y0 + layout.height + margin, height_);
  if (left >= right || top >= bottom || layout.glyphs.empty()) return;

  const int mw = static_cast<int>(right - left), mh = static_cast<int>(bottom - top);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh);
  cairo_t* cr = cairo_create(mask);
  cairo_set_scaled_font(cr, systemFont());
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  cairo_translate(cr, static_cast<double>(x0 - left), static_cast<double>(y0 - top));
  cairo_show_glyphs(cr, layout.glyphs.data(), static_cast<int>(layout.glyphs.size()));
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
    const unsigned char* data = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    const uint32_t fg = colorrefToRgb(look.textColor);
    for (int my = 0; my < mh; ++my) {
      uint32_t* dst = row(static_cast<int>(top) + my) + left;
      const unsigned char* a = data + static_cast<ptrdiff_t>(my) * stride;
      for (int mx = 0; mx < mw; ++mx) {
        if (a[mx] == 255)
          dst[mx] = fg;
        else if (a[mx] != 0)
          dst[mx] = blend(fg, dst[mx], a[mx]);
      }
    }
  }
  cairo_surface_destroy(mask);
}

bool RasterCanvas::writePng(const std::string& path, std::string* error) const {
  auto fail = [&](const std::string& what) {
    if (error != nullptr) *error = path + ": " + what;
    return false;
  };
  if (width_ <= 0 || height_ <= 0) return fail("empty image");
  // Borrowed pixels may have a stride cairo cannot take; copy those.
  std::vector<uint32_t> copy;
  unsigned char* data = bytes_;
  int stride = stride_;
  if (stride_ != cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_)) {
    copy.resize(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
      std::copy(row(y), row(y) + width_, copy.begin() + static_cast<ptrdiff_t>(y) * width_);
    }
    data = reinterpret_cast<unsigned char*>(copy.data());
    stride = width_ * 4;
  }
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(data, CAIRO_FORMAT_RGB24, width_, height_, stride);
  errno = 0;
  cairo_status_t status = cairo_surface_status(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png(surface, path.c_str());
  const int savedErrno = errno;
  cairo_surface_destroy(surface);
  if (status == CAIRO_STATUS_SUCCESS) return true;
  std::string what = cairo_status_to_string(status);
  if (status == CAIRO_STATUS_WRITE_ERROR && savedErrno != 0) {
    what += " (" + std::string(std::strerror(savedErrno)) + ")";
  }
  return fail(what);
}

}  // namespace winport
