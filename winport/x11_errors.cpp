// SDL 2.26 wakes its own blocking wait by sending a ClientMessage to the
// window over a second X connection, even when the event that woke it came
// from the X server already. If that event closes the window, the server may
// take the destroy from the first connection before the send from the second,
// and Xlib's default handler ends the program, status 1, on the BadWindow
// answer (read when SDL_Quit closes that connection). An event sent to a
// window that is gone has nobody to reach, so that error is dropped; every
// other error goes on to the handler before ours.
#include "x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace winport {
namespace {

XErrorHandler previousHandler = nullptr;

int onXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousHandler ? previousHandler(display, error) : 0;
}

}  // namespace

void ignoreEventsToDestroyedWindows() {
  if (previousHandler) return;
  previousHandler = XSetErrorHandler(onXError);
}

}  // namespace winport
