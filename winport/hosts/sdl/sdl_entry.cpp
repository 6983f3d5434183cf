// The X11 host module's entry.
#include "winport/hosts/sdl/sdl_entry.h"

#include <cstdio>
#include <string>
#include <type_traits>

#include "winport/hosts/sdl/sdl_host.h"

extern "C" __attribute__((visibility("default"))) int hypercubeRunOnSdl(
    int (*run)(void* context, winport::Host* host), void* context) {
  winport::SdlHost sdl;
  std::string error;
  if (!sdl.start("hypercube", &error)) {
    std::fprintf(stderr, "hypercube: %s\n", error.c_str());
    return 1;
  }
  const int code = run(context, &sdl);
  if (!sdl.failure().empty()) {
    std::fprintf(stderr, "hypercube: %s\n", sdl.failure().c_str());
    return code != 0 ? code : 1;
  }
  return code;
}

// The program finds it by name only: its type must be the one it casts to.
static_assert(std::is_same<decltype(&hypercubeRunOnSdl), SdlEntry>::value, "the entry's type");
