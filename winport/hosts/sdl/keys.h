// Keys as the SDL host reports them: Windows virtual-key codes.
#ifndef WINPORT_HOSTS_SDL_KEYS_H
#define WINPORT_HOSTS_SDL_KEYS_H

#include <SDL_keycode.h>

namespace winport {

// Windows virtual-key code for an SDL key, or 0 for keys we do not map.
int virtualKey(SDL_Keycode key);

}  // namespace winport

#endif
