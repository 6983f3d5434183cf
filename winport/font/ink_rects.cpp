// A bitmap face's glyphs as rectangles, for vector surfaces.
#include "winport/font/ink_rects.h"

#include <cstdint>
#include <vector>

namespace winport {

std::vector<InkRect> inkRects(const BitmapFont& font, const char* s, int count) {
  std::vector<InkRect> done;
  std::vector<InkRect> open;  // runs of the row above, still growing
  const int height = font.height();
  for (int y = 0; y <= height; ++y) {
    std::vector<InkRect> row;
    int64_t pen = 0;
    for (int i = 0; y < height && i < count; ++i) {
      const BitmapFont::Glyph& g = font.glyph(static_cast<unsigned char>(s[i]));
      for (int x = 0; x < g.width; ++x) {
        if (!font.inked(g, x, y)) continue;
        if (!row.empty() && row.back().right == pen + x)
          ++row.back().right;  // runs join across glyphs too
        else
          row.push_back({pen + x, y, pen + x + 1, y + 1});
      }
      pen += g.width;
    }
    // Both lists are sorted by left edge: one pass pairs equal runs.
    std::vector<InkRect> next;
    size_t j = 0;
    for (InkRect& r : row) {
      while (j < open.size() && open[j].left < r.left) done.push_back(open[j++]);
      if (j < open.size() && open[j].left == r.left && open[j].right == r.right) {
        next.push_back(open[j++]);
        next.back().bottom = y + 1;
      } else {
        next.push_back(r);
      }
    }
    while (j < open.size()) done.push_back(open[j++]);
    open = std::move(next);
  }
  return done;
}

}  // namespace winport
