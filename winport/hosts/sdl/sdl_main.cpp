// The process entry on systems without Win32: connect to the display, then
// run the program's own WinMain.
#include <fcntl.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "winport/hosts/sdl/sdl_host.h"
#include "winport/hosts/wayland/wayland_host.h"

namespace {

// Our own host where SDL would pick its Wayland driver: a Wayland display and
// no X one, or Wayland asked for. SDL keeps X11, where it is at the floor.
bool wantsWayland() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && *driver) return std::strncmp(driver, "wayland", 7) == 0;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (!display || !*display) && wayland && *wayland;
}

int runOnWayland(std::string& commandLine) {
  winport::WaylandHost wayland;
  std::string error;
  if (!wayland.start(&error)) {
    std::fprintf(stderr, "hypercube: %s\n", error.c_str());
    return 1;
  }
  winport::setHost(&wayland);
  const int code = WinMain(nullptr, nullptr, &commandLine[0], SW_SHOWDEFAULT);
  winport::setHost(nullptr);
  if (!wayland.failure().empty()) {
    std::fprintf(stderr, "hypercube: %s\n", wayland.failure().c_str());
    return code != 0 ? code : 1;
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  // Started with a standard stream closed, the display's connection would
  // take its number, and a message meant for stderr would reach the X server
  // as protocol bytes.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  }
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  if (wantsWayland()) return runOnWayland(commandLine);
  winport::SdlHost sdl;
  std::string error;
  if (!sdl.start("hypercube", &error)) {
    std::fprintf(stderr, "hypercube: %s\n", error.c_str());
    return 1;
  }
  winport::setHost(&sdl);
  const int code = WinMain(nullptr, nullptr, &commandLine[0], SW_SHOWDEFAULT);
  if (!sdl.failure().empty()) {
    std::fprintf(stderr, "hypercube: %s\n", sdl.failure().c_str());
    return code != 0 ? code : 1;
  }
  winport::setHost(nullptr);
  return code;
}
