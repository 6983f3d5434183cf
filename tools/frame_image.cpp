#include "tools/frame_image.h"

#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/shell.h"
#include "winport/canvas.h"
#include "winport/dc.h"

namespace {

// Paints as the window would after an erase with its white class brush.
void paint(winport::Canvas& canvas) {
  canvas.fillRect(0, 0, canvas.width(), canvas.height(), RGB(255, 255, 255));
  HDC dc = winport::createDC(canvas);
  drawFrame(dc);
  winport::releaseDC(dc);
}

bool writeTo(const std::string& path, const RenderOptions& o, std::string* error) {
  if (o.format == RenderFormat::kPng) {
    winport::RasterCanvas canvas(o.width, o.height);
    paint(canvas);
    return canvas.writePng(path, error);
  }
  winport::SvgCanvas canvas(path, o.width, o.height);
  paint(canvas);
  return canvas.finish(error);
}

}  // namespace

bool writeFrameImage(const RenderOptions& options, std::string* error) {
  std::vector<char> temp(options.output.begin(), options.output.end());
  const char suffix[] = ".tmp-XXXXXX";
  temp.insert(temp.end(), suffix, suffix + sizeof suffix);
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    *error = printable(options.output) + ": cannot create a file there: " + std::strerror(errno);
    return false;
  }
  close(fd);
  const std::string tempPath(temp.data());
  std::string why;
  if (!writeTo(tempPath, options, &why)) {
    std::remove(tempPath.c_str());
    *error = printable(options.output + ": " + why);
    return false;
  }
  // mkstemp makes the file private; give it the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  chmod(tempPath.c_str(), 0666 & ~mask);
  if (std::rename(tempPath.c_str(), options.output.c_str()) != 0) {
    *error = printable(options.output) + ": " + std::strerror(errno);
    std::remove(tempPath.c_str());
    return false;
  }
  return true;
}
