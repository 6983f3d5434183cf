// The X11 host lives in a module of its own, loaded only when the window goes
// to an X server: SDL2 brings some forty libraries (audio, D-Bus and more)
// that a start on Wayland has no use for. The module's one entry runs the
// program on an SDL host; the program's side sets the host and runs WinMain.
#ifndef WINPORT_HOSTS_SDL_SDL_ENTRY_H
#define WINPORT_HOSTS_SDL_SDL_ENTRY_H

namespace winport {
class Host;
}

// Runs `run(context, host)` with a started SDL host and returns its status;
// 1, after one line on stderr, when no display can be opened or the host
// fails while running.
using SdlEntry = int (*)(int (*run)(void* context, winport::Host* host), void* context);
constexpr const char kSdlEntryName[] = "hypercubeRunOnSdl";
constexpr const char kSdlModuleName[] = "hypercube-x11.so";

#endif
