// For tests only: USER back to its state at process start.
#ifndef WINPORT_TESTING_H
#define WINPORT_TESTING_H

namespace winport {

// Forgets all windows, classes, messages and the quit flag; the ANSI code
// page is 1251 again.
void resetUser();

}  // namespace winport

#endif
