// hypercube-icon: the program's icon, drawn from the start-up frame the
// geometry computes. Only the edges, no labels and no background, each size
// drawn for itself with lines thick enough to stay visible, so that the
// figure still reads at 16 pixels.
// usage: hypercube-icon OUTDIR
// writes OUTDIR/SIZE.png for each size, OUTDIR/scalable.svg and
// OUTDIR/hypercube.ico (for the Windows executables).
// usage: hypercube-icon OUTDIR SIZE...
// writes only OUTDIR/SIZE.png for each SIZE given (the page's app icons).
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/projection.h"

namespace {

const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
// The sizes Windows shows, for the .ico.
bool inIco(int size) { return size != 128; }
// The program's three edge colours, deepened so that they hold on light and
// dark panels alike: blue (no end visible), green (one end), red (both).
const double kColors[3][3] = {{0.21, 0.52, 0.89}, {0.15, 0.64, 0.41}, {0.88, 0.11, 0.14}};

// The start-up frame's edges in model units, y downward as on screen.
struct Segment {
  double x0, y0, x1, y1;
  int visibleCount;
};

std::vector<Segment> startFrame() {
  initScene();
  setClientSize(1000, 1000);
  updateFrame();
  std::vector<Segment> out;
  for (int i = 0; i < kEdgeCount; ++i) {
    const Point2& a = scene.points2[kEdgeVertices[i][0]];
    const Point2& b = scene.points2[kEdgeVertices[i][1]];
    out.push_back({static_cast<double>(a.x), static_cast<double>(a.y), static_cast<double>(b.x),
                   static_cast<double>(b.y), scene.edges[i].visibleCount});
  }
  return out;
}

// The figure fitted into a size x size square; hidden edges first, so that
// the visible ones lie on top.
void draw(cairo_t* cr, const std::vector<Segment>& edges, double size) {
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (const Segment& s : edges) {
    minX = std::min({minX, s.x0, s.x1});
    maxX = std::max({maxX, s.x0, s.x1});
    minY = std::min({minY, s.y0, s.y1});
    maxY = std::max({maxY, s.y0, s.y1});
  }
  const double width = std::max(1.0, size / 26.0);
  const double margin = width / 2 + size / 32.0;
  const double scale = (size - 2 * margin) / std::max(maxX - minX, maxY - minY);
  const double cx = size / 2 - scale * (minX + maxX) / 2;
  const double cy = size / 2 - scale * (minY + maxY) / 2;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  // Edges with a hidden end only where there is room for them: below 32
  // pixels they turn the figure into a smudge.
  for (int visible = size >= 32 ? 0 : 2; visible <= 2; ++visible) {
    // Dotted, as the program draws them, where dots are large enough to
    // see; smaller, they are thinner instead.
    const bool solid = visible == 2;
    const double w = solid ? width : width * (size >= 64 ? 1.0 : 0.75);
    const double dash[] = {w * 0.01, w * 2.2};
    cairo_set_dash(cr, dash, solid || size < 64 ? 0 : 2, 0);
    cairo_set_line_width(cr, w);
    cairo_set_source_rgb(cr, kColors[visible][0], kColors[visible][1], kColors[visible][2]);
    for (const Segment& s : edges) {
      if (s.visibleCount != visible) continue;
      cairo_move_to(cr, cx + scale * s.x0, cy + scale * s.y0);
      cairo_line_to(cr, cx + scale * s.x1, cy + scale * s.y1);
      cairo_stroke(cr);
    }
  }
}

void put16(std::string* out, unsigned v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>(v >> 8 & 0xff));
}
void put32(std::string* out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

cairo_status_t appendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// One image of the .ico: 32-bit BGRA with straight alpha, bottom-up, and the
// 1-bit mask after it, as every Windows version reads; the 256 size as PNG,
// which Windows takes from Vista on and which keeps the file small.
std::string icoImage(cairo_surface_t* surface, int size) {
  std::string out;
  if (size >= 256) {
    cairo_surface_write_to_png_stream(surface, appendPng, &out);
    return out;
  }
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  put32(&out, 40);
  put32(&out, size);
  put32(&out, size * 2);  // the colour rows and the mask's
  put16(&out, 1);
  put16(&out, 32);
  for (int i = 0; i < 6; ++i) put32(&out, 0);
  const int maskStride = (size + 31) / 32 * 4;
  std::string mask(static_cast<size_t>(maskStride) * size, '\0');
  for (int y = size - 1; y >= 0; --y) {
    const int row = size - 1 - y;
    for (int x = 0; x < size; ++x) {
      uint32_t argb;
      std::memcpy(&argb, data + y * stride + x * 4, 4);
      const unsigned a = argb >> 24;
      unsigned rgb[3] = {argb >> 16 & 0xff, argb >> 8 & 0xff, argb & 0xff};
      for (unsigned& c : rgb) c = a ? std::min(255u, (c * 255 + a / 2) / a) : 0;  // premultiplied
      out.push_back(static_cast<char>(rgb[2]));
      out.push_back(static_cast<char>(rgb[1]));
      out.push_back(static_cast<char>(rgb[0]));
      out.push_back(static_cast<char>(a));
      if (a == 0) mask[row * maskStride + x / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
  }
  return out + mask;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

int fail(const std::string& what, const char* why) {
  std::fprintf(stderr, "hypercube-icon: cannot write %s: %s\n", what.c_str(), why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: hypercube-icon OUTDIR [SIZE...]\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<Segment> edges = startFrame();

  if (argc > 2) {
    for (int i = 2; i < argc; ++i) {
      char* end = nullptr;
      const long size = std::strtol(argv[i], &end, 10);
      if (end == argv[i] || *end != '\0' || size < 16 || size > 4096) {
        std::fprintf(stderr, "hypercube-icon: '%s' is not a size from 16 to 4096\n", argv[i]);
        return 2;
      }
      const int side = static_cast<int>(size);
      cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
      cairo_t* cr = cairo_create(surface);
      draw(cr, edges, side);
      cairo_destroy(cr);
      const std::string path = dir + "/" + std::to_string(side) + ".png";
      const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
      cairo_surface_destroy(surface);
      if (status != CAIRO_STATUS_SUCCESS) return fail(path, cairo_status_to_string(status));
    }
    return 0;
  }

  std::vector<std::string> images;
  for (const int size : kSizes) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    draw(cr, edges, size);
    cairo_destroy(cr);
    const std::string path = dir + "/" + std::to_string(size) + ".png";
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (inIco(size)) images.push_back(icoImage(surface, size));
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) return fail(path, cairo_status_to_string(status));
  }

  const std::string svg = dir + "/scalable.svg";
  cairo_surface_t* surface = cairo_svg_surface_create(svg.c_str(), 256, 256);
  cairo_t* cr = cairo_create(surface);
  draw(cr, edges, 256);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) return fail(svg, cairo_status_to_string(status));

  // The .ico: a header, one directory entry per image, then the images.
  std::string ico;
  put16(&ico, 0);
  put16(&ico, 1);
  put16(&ico, static_cast<unsigned>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  size_t i = 0;
  for (const int size : kSizes) {
    if (!inIco(size)) continue;
    ico.push_back(static_cast<char>(size >= 256 ? 0 : size));  // 0 is 256
    ico.push_back(static_cast<char>(size >= 256 ? 0 : size));
    ico.push_back(0);
    ico.push_back(0);
    put16(&ico, 1);
    put16(&ico, 32);
    put32(&ico, static_cast<uint32_t>(images[i].size()));
    put32(&ico, offset);
    offset += static_cast<uint32_t>(images[i].size());
    ++i;
  }
  for (const std::string& image : images) ico += image;
  const std::string icoPath = dir + "/hypercube.ico";
  if (!writeFile(icoPath, ico)) return fail(icoPath, std::strerror(errno));
  return 0;
}
