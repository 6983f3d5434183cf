// The face the stock SYSTEM_FONT carries.
#ifndef WINPORT_FONT_SYSTEM_FONT_H
#define WINPORT_FONT_SYSTEM_FONT_H

#include "winport/font/fnt.h"

namespace winport {

// Wine's System font (vgasys.fon, LGPL-2.1+), the 16-pixel ANSI face, built
// into the program: labels look the same in every build and on every system,
// and no missing or different file can change them. Read on first use; null
// only if the built-in bytes were not a usable font, which the tests rule out.
const BitmapFont* systemFace();

}  // namespace winport

#endif
