// The process entry on Linux desktops: connect to the display, on Wayland
// through our own host and on X11 through the SDL host's module, then run the
// program's own WinMain.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "winport/hosts/sdl/sdl_entry.h"
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

int runWinMain(void* commandLine, winport::Host* host) {
  winport::setHost(host);
  const int code =
      WinMain(nullptr, nullptr, &(*static_cast<std::string*>(commandLine))[0], SW_SHOWDEFAULT);
  winport::setHost(nullptr);
  return code;
}

// Beside the program in a build, in its library folder once installed.
int runOnX11(std::string& commandLine) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
  folder = folder.substr(0, folder.rfind('/') + 1);
  std::string why;
  for (const std::string& path :
       {folder + kSdlModuleName, folder + HYPERCUBE_MODULE_DIR + "/" + kSdlModuleName}) {
    if (access(path.c_str(), F_OK) != 0) continue;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* error = dlerror();
      why = error ? error : path;
      break;
    }
    // Never closed: SDL and its libraries keep handlers until the process ends.
    auto entry = reinterpret_cast<SdlEntry>(dlsym(module, kSdlEntryName));
    if (!entry) {
      why = path + " has no " + kSdlEntryName;
      break;
    }
    return entry(runWinMain, &commandLine);
  }
  if (why.empty()) {
    why = std::string(kSdlModuleName) + " is neither beside the program nor in " + folder +
          HYPERCUBE_MODULE_DIR;
  }
  std::fprintf(stderr, "hypercube: cannot load the X11 host: %s\n", why.c_str());
  return 1;
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
  return wantsWayland() ? runOnWayland(commandLine) : runOnX11(commandLine);
}
