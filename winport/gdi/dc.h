// What the rest of winport needs from the GDI layer: device contexts on a
// canvas, and the count of live objects.
#ifndef WINPORT_DC_H
#define WINPORT_DC_H

#include <windows.h>

#include <cstdint>

#include "winport/gdi/canvas.h"

namespace winport {

// A DC drawing on `canvas` with Windows' defaults: black pen, white brush,
// system font, black text on an opaque white background, origin (0, 0).
HDC createDC(Canvas& canvas);
void releaseDC(HDC dc);

// Pens and brushes created and not yet deleted, and DCs not yet released.
// Stock objects are not counted.
int liveGdiObjects();

}  // namespace winport

#endif
