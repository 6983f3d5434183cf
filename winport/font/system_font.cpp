#include "winport/font/system_font.h"

#include <cstddef>
#include <vector>

namespace winport {

// Generated at build time from the font file (winport/CMakeLists.txt).
extern const unsigned char kSystemFontData[];
extern const std::size_t kSystemFontDataSize;

const BitmapFont* systemFace() {
  static const BitmapFont* const face = [] {
    // Never destroyed: painting may outlive statics.
    auto* faces = new std::vector<BitmapFont>;
    if (!parseFon(kSystemFontData, kSystemFontDataSize, faces, nullptr)) faces->clear();
    return pickSystemFace(*faces);
  }();
  return face;
}

}  // namespace winport
