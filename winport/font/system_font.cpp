#include "winport/font/system_font.h"

#include <cstddef>
#include <vector>

namespace winport {

// Generated at build time from the font file (winport/CMakeLists.txt).
extern const unsigned char kSystemFontData[];
extern const std::size_t kSystemFontDataSize;

const BitmapFont* systemFace() {
  // Never destroyed (painting may outlive statics), and kept reachable.
  static const std::vector<BitmapFont>* const faces = [] {
    auto* all = new std::vector<BitmapFont>;
    if (!parseFon(kSystemFontData, kSystemFontDataSize, all, nullptr)) all->clear();
    return all;
  }();
  static const BitmapFont* const face = pickSystemFace(*faces);
  return face;
}

}  // namespace winport
