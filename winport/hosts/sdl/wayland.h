// What the SDL host asks of the Wayland connection itself, where SDL's
// Wayland driver says too little: whether the compositor went away or ended
// the connection, and libwayland's own complaint, kept for that one line
// instead of printed. Without libwayland at build time these do nothing.
#ifndef WINPORT_HOSTS_WAYLAND_H
#define WINPORT_HOSTS_WAYLAND_H

#include <string>

struct SDL_Window;

namespace winport {

// Before SDL_Init: libwayland's messages are kept, not printed.
void keepWaylandMessages();

// Why the Wayland connection of the window has failed, or "" while it holds
// (or the window is not a Wayland one).
std::string waylandFailure(SDL_Window* sdl);

}  // namespace winport

#endif
