// Build tool: a PNG icon as the C++ source of its pixels, so the program hands
// them to the window system without decoding an image at run time.
//   icon_pixels IN.png OUT.cpp
// The pixels are ARGB8888 words with straight alpha, as SDL takes them (cairo
// decodes to premultiplied alpha).
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_pixels IN.png OUT.cpp\n");
    return 2;
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS ||
      cairo_image_surface_get_format(png) != CAIRO_FORMAT_ARGB32) {
    std::fprintf(stderr, "icon_pixels: %s: not a PNG with alpha\n", argv[1]);
    return 1;
  }
  const int w = cairo_image_surface_get_width(png);
  const int h = cairo_image_surface_get_height(png);
  std::ofstream out(argv[2]);
  out << "// Made from " << argv[1] << " at build time by tools/icon_pixels.\n"
      << "#include <cstdint>\n\nnamespace winport {\n"
      << "extern const int kProgramIconWidth = " << w << ";\n"
      << "extern const int kProgramIconHeight = " << h << ";\n"
      << "extern const uint32_t kProgramIcon[] = {\n";
  cairo_surface_flush(png);
  for (int y = 0; y < h; ++y) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png) +
                                                           y * cairo_image_surface_get_stride(png));
    for (int x = 0; x < w; ++x) {
      const uint32_t p = in[x];
      const uint32_t a = p >> 24;
      auto straight = [a](uint32_t c) {
        return a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a);
      };
      char word[16];
      std::snprintf(word, sizeof word, "0x%08x,",
                    static_cast<unsigned>(a << 24 | straight(p >> 16 & 0xFF) << 16 |
                                          straight(p >> 8 & 0xFF) << 8 | straight(p & 0xFF)));
      out << word << (x % 8 == 7 ? "\n" : "");
    }
  }
  out << "};\n}  // namespace winport\n";
  cairo_surface_destroy(png);
  out.close();
  if (!out) {
    std::fprintf(stderr, "icon_pixels: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
