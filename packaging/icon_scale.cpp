// icon-scale: the menu icon's smaller sizes, averaged down from the frame
// tool's large one so that every line still shows.
// usage: icon-scale IN.png SIZE OUT.png
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: icon-scale IN.png SIZE OUT.png\n", stderr);
    return 2;
  }
  const int size = std::atoi(argv[2]);
  cairo_surface_t* in = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(in) != CAIRO_STATUS_SUCCESS || size < 1 || size > 1024) {
    std::fprintf(stderr, "icon-scale: cannot read %s or size %s is not 1 to 1024\n", argv[1],
                 argv[2]);
    return 2;
  }
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(out);
  cairo_scale(cr, static_cast<double>(size) / cairo_image_surface_get_width(in),
              static_cast<double>(size) / cairo_image_surface_get_height(in));
  cairo_set_source_surface(cr, in, 0, 0);
  // GOOD averages every source pixel when shrinking; the default samples a few.
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_destroy(cr);
  const cairo_status_t status = cairo_surface_write_to_png(out, argv[3]);
  cairo_surface_destroy(out);
  cairo_surface_destroy(in);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "icon-scale: cannot write %s: %s\n", argv[3],
                 cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
