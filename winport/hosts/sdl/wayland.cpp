// libwayland for what SDL's Wayland driver does not tell; see wayland.h.
#include "winport/hosts/sdl/wayland.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace winport {
namespace {

char lastMessage[512] = "";

// libwayland prints a protocol error itself before the connection fails; the
// program says it once, in its own line.
void keep(const char* format, va_list args) {
  std::vsnprintf(lastMessage, sizeof lastMessage, format, args);
  const size_t n = std::strlen(lastMessage);
  if (n > 0 && lastMessage[n - 1] == '\n') lastMessage[n - 1] = '\0';
}

}  // namespace

void keepWaylandMessages() { wl_log_set_handler_client(keep); }

std::string waylandFailure(SDL_Window* sdl) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_WAYLAND) return "";
  const int error = wl_display_get_error(info.info.wl.display);
  if (error == 0) return "";
  if (error == EPROTO) {
    return std::string("the compositor ended the connection for a protocol error") +
           (lastMessage[0] ? std::string(" (") + lastMessage + ")" : std::string());
  }
  if (error == EPIPE || error == ECONNRESET) return "the compositor closed the connection";
  return std::string("the connection to the compositor failed: ") + std::strerror(error);
}

}  // namespace winport
