// The dash pattern of each cosmetic pen style, in pixels along the line: the
// one table both canvases draw dashes from.
#ifndef WINPORT_GDI_DASH_H
#define WINPORT_GDI_DASH_H

#include <windows.h>

namespace winport {

struct DashPattern {
  int count;      // 0 for a solid pen
  int dashes[6];  // mark, gap, mark, gap...
  int total;
};

inline DashPattern dashPattern(int style) {
  switch (style) {
    case PS_DASH:
      return {2, {18, 6}, 24};
    case PS_DOT:
      return {2, {3, 3}, 6};
    case PS_DASHDOT:
      return {4, {9, 6, 3, 6}, 24};
    case PS_DASHDOTDOT:
      return {6, {9, 3, 3, 3, 3, 3}, 24};
    default:
      return {0, {}, 0};
  }
}

}  // namespace winport

#endif
