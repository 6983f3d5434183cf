// X11 errors that must not end the program.
#ifndef WINPORT_X11_ERRORS_H
#define WINPORT_X11_ERRORS_H

namespace winport {

// Installs, in front of the current Xlib error handler, one that drops
// BadWindow answers to events sent to windows already destroyed.
void ignoreEventsToDestroyedWindows();

}  // namespace winport

#endif
