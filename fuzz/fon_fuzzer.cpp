// The bitmap font reader: the input is a font file. Whatever it accepts must
// be a font every glyph of which can be read and drawn, anywhere, without a
// read or write out of bounds.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "winport/font/fnt.h"
#include "winport/font/ink_rects.h"
#include "winport/raster/raster_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<winport::BitmapFont> fonts;
  std::string error;
  if (!winport::parseFon(data, size, &fonts, &error)) {
    fuzz::require(!error.empty(), "a refusal says why");
    return 0;
  }
  fuzz::require(!fonts.empty(), "an accepted file has a font");
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const winport::BitmapFont& f : fonts) {
    fuzz::require(f.height() > 0 && f.ascent() <= f.height(), "a sane cell");
    fuzz::require(f.defaultChar() >= f.firstChar() && f.defaultChar() <= f.lastChar(),
                  "the default character is in the font");
    const int64_t width = f.advance(all.data(), 256);
    for (const winport::InkRect& r : winport::inkRects(f, all.data(), 256))
      fuzz::require(r.left >= 0 && r.left < r.right && r.right <= width && r.top >= 0 &&
                        r.top < r.bottom && r.bottom <= f.height(),
                    "ink inside the text's box");
    winport::RasterCanvas canvas(24, 20);
    const winport::DcColors look{RGB(0, 0, 0), RGB(255, 255, 255), true};
    for (const int x : {-30, -3, 0, 5, 23})
      for (const int y : {-17, -2, 0, 19}) canvas.text(x, y, f, all.data(), 256, look);
  }
  return 0;
}
