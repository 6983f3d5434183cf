// RasterCanvas::writePng, through cairo.
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "winport/canvas.h"

namespace winport {

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
