// The fallback font: DejaVu Sans Bold opened from its file, and text laid out
// with it for the raster and SVG canvases alike.
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <string>

#include "winport/font/fallback.h"

// Leaks the checker may let through, in every program that draws text.
// Third-party state kept for the life of the process, behind pointers the leak
// checker cannot follow: fontconfig's configuration and the patterns cairo
// duplicates for the font, and the D-Bus connection SDL opens. Only
// allocations made inside those libraries are let through.
#if defined(__SANITIZE_ADDRESS__)
#define WINPORT_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WINPORT_LSAN 1
#endif
#endif

#ifdef WINPORT_LSAN
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

}  // namespace winport
