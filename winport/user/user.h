// USER's side of the host seam, for what drives windows by hand: one host
// event turned into messages, and the one top-level window.
#ifndef WINPORT_USER_H
#define WINPORT_USER_H

#include <windows.h>

#include "winport/user/host.h"

namespace winport {

// Turns one host event into messages, as GetMessageA does for what it pumps.
void deliver(const HostEvent& e);

// The one top-level window of ours, or nullptr.
HWND firstWindow();

}  // namespace winport

#endif
