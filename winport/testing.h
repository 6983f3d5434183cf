// For tests only: USER back to its state at process start.
#ifndef WINPORT_TESTING_H
#define WINPORT_TESTING_H

namespace winport {

// Forgets all windows, classes, messages and the quit flag.
void resetUser();

}  // namespace winport

#endif
