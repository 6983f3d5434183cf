// Windows bitmap fonts (FNT resources, alone or inside a FON file) read with
// the standard library only, so every build, the browser's included, draws
// text with the same glyphs. Nothing in a file is trusted: every offset and
// size is checked against the bytes there are, and a file that does not hold
// together is refused whole.
#ifndef WINPORT_FNT_H
#define WINPORT_FNT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace winport {

// One raster face at one size.
class BitmapFont {
 public:
  struct Glyph {
    int width;      // the advance and the bitmap's width, in pixels
    size_t offset;  // of its bitmap in the resource
  };

  const std::string& face() const { return face_; }
  int height() const { return height_; }  // the cell: every glyph's rows
  int ascent() const { return ascent_; }
  int weight() const { return weight_; }
  int charset() const { return charset_; }
  int firstChar() const { return first_; }
  int lastChar() const { return last_; }
  int defaultChar() const { return first_ + defaultIndex_; }

  // The glyph of a byte of text; bytes outside the font draw its default.
  const Glyph& glyph(unsigned char c) const {
    const int i = c >= first_ && c <= last_ ? c - first_ : defaultIndex_;
    return glyphs_[static_cast<size_t>(i)];
  }
  // Whether pixel (x, y) of a glyph is inked; 0 <= x < width, 0 <= y < height.
  // The bitmap is columns of 8 pixels, each top to bottom, left to right.
  bool inked(const Glyph& g, int x, int y) const {
    const size_t column = static_cast<size_t>(x) / 8;
    return (bits_[g.offset + column * static_cast<size_t>(height_) + static_cast<size_t>(y)] &
            (0x80u >> (x % 8))) != 0;
  }
  // The advance of `count` bytes of text.
  int64_t advance(const char* s, int count) const;

 private:
  friend bool parseFnt(const uint8_t*, size_t, BitmapFont*, std::string*);
  std::string face_;
  int height_ = 0;
  int ascent_ = 0;
  int weight_ = 0;
  int charset_ = 0;
  int first_ = 0;
  int last_ = 0;
  int defaultIndex_ = 0;
  std::vector<Glyph> glyphs_;  // first_ to last_
  // The resource's bytes: glyphs may share bitmaps, and a copy of each could
  // make a small hostile file a huge font.
  std::vector<uint8_t> bits_;
};

// One FNT resource (version 2 or 3, raster). False, with the reason in
// *error, for anything else or anything that does not fit in `size`.
bool parseFnt(const uint8_t* data, size_t size, BitmapFont* font, std::string* error);

// Every FONT resource of a FON file (an MZ executable with a NE header), or
// the one face of a bare FNT file. False, with the reason, if any is bad or
// there is none.
bool parseFon(const uint8_t* data, size_t size, std::vector<BitmapFont>* fonts, std::string* error);

// The face a DC's stock SYSTEM_FONT uses: the 16-pixel one, preferring the
// ANSI character set. Null when there is none.
const BitmapFont* pickSystemFace(const std::vector<BitmapFont>& fonts);

}  // namespace winport

#endif
