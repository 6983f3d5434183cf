// The process entry on systems without Win32: connect to the display, then
// run the program's own WinMain.
#include <windows.h>

#include <cstdio>
#include <string>

#include "winport/hosts/sdl/sdl_host.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
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
