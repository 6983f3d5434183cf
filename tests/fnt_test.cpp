// The FON/FNT reader on fonts built here byte by byte, sound and damaged.
#include "winport/font/fnt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using winport::BitmapFont;
using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

// A font of three characters '0' to '2', 4 rows high: '0' 8 pixels wide, '1'
// 10 (two byte columns), '2' 3; the default is '1'. Rows of each glyph are
// given as strings, '#' inked.
const char* const kGlyphs[3][4] = {
    {"#......#", ".#....#.", "..#..#..", "...##..."},
    {"#........#", ".########.", "##......##", "#.#.#.#.#."},
    {"#.#", ".#.", "###", "..."},
};

Bytes fnt(uint32_t version = 0x300, uint32_t height = 4, uint32_t charset = 0) {
  const size_t header = version == 0x200 ? 118 : 148, entry = version == 0x200 ? 4 : 6;
  Bytes b(header + 4 * entry, 0);
  put16(b, 0, version);
  put16(b, 68, 10);  // points
  put16(b, 74, 3);   // ascent
  put16(b, 83, 700);
  b[85] = static_cast<uint8_t>(charset);
  put16(b, 88, height);
  b[95] = '0';
  b[96] = '2';
  b[97] = 1;
  for (int c = 0; c < 3; ++c) {
    const std::string row0 = kGlyphs[c][0];
    const size_t width = row0.size(), columns = (width + 7) / 8;
    const size_t offset = b.size();
    put16(b, header + c * entry, static_cast<uint32_t>(width));
    if (version == 0x200)
      put16(b, header + c * entry + 2, static_cast<uint32_t>(offset));
    else
      put32(b, header + c * entry + 2, static_cast<uint32_t>(offset));
    b.resize(offset + columns * height, 0);
    // Column after column, each top to bottom.
    for (size_t col = 0; col < columns; ++col)
      for (size_t y = 0; y < height && y < 4; ++y)
        for (size_t x = 0; x < 8 && col * 8 + x < width; ++x)
          if (kGlyphs[c][y][col * 8 + x] == '#')
            b[offset + col * height + y] |= static_cast<uint8_t>(0x80 >> x);
  }
  const size_t face = b.size();
  put32(b, 105, static_cast<uint32_t>(face));
  const std::string name = "Tiny";
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// An MZ/NE file holding a font directory (which is skipped) and the fonts.
Bytes fon(const std::vector<Bytes>& fonts) {
  Bytes b(0x80, 0);
  b[0] = 'M', b[1] = 'Z';
  put32(b, 0x3C, 0x40);
  b[0x40] = 'N', b[0x41] = 'E';
  put16(b, 0x40 + 0x24, 0x40);  // the resource table at 0x80
  const uint32_t shift = 4;
  put16(b, 0x80, shift);
  put16(b, 0x82, 0x8007);
  put16(b, 0x84, 1);
  put16(b, 0x8A, 0x10);  // the directory's offset, length: whatever, never read
  put16(b, 0x8C, 0x1);
  size_t p = 0x96;
  put16(b, p, 0x8008);
  put16(b, p + 2, static_cast<uint32_t>(fonts.size()));
  p += 8;
  const size_t table = p;
  put16(b, p + 12 * fonts.size(), 0);  // end of the types
  size_t at = (b.size() + 15) / 16 * 16;
  for (size_t i = 0; i < fonts.size(); ++i) {
    b.resize(at, 0);
    b.insert(b.end(), fonts[i].begin(), fonts[i].end());
    const size_t length = (fonts[i].size() + 15) / 16 * 16;
    b.resize(at + length, 0);
    put16(b, table + 12 * i, static_cast<uint32_t>(at >> shift));
    put16(b, table + 12 * i + 2, static_cast<uint32_t>(length >> shift));
    put16(b, table + 12 * i + 6, static_cast<uint32_t>(0x8001 + i));
    at += length;
  }
  return b;
}

// Parsed from a heap copy of exactly `size` bytes, so a sanitizer sees any
// read past the end.
bool parse(const Bytes& b, size_t size, std::vector<BitmapFont>* fonts, std::string* error) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size > 0 ? size : 1]);
  std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size), copy.get());
  return winport::parseFon(copy.get(), size, fonts, error);
}

std::string rows(const BitmapFont& f, unsigned char c) {
  const BitmapFont::Glyph& g = f.glyph(c);
  std::string s;
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < g.width; ++x) s += f.inked(g, x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

std::string want(int c) {
  std::string s;
  for (const char* r : kGlyphs[c]) s += std::string(r) + '\n';
  return s;
}

TEST(FntReader, ReadsVersion3And2InFonAndBare) {
  for (const uint32_t version : {0x300u, 0x200u}) {
    for (const bool bare : {false, true}) {
      const Bytes b = bare ? fnt(version) : fon({fnt(version)});
      std::vector<BitmapFont> fonts;
      std::string error;
      ASSERT_TRUE(parse(b, b.size(), &fonts, &error)) << error;
      ASSERT_EQ(fonts.size(), 1u);
      const BitmapFont& f = fonts[0];
      EXPECT_EQ(f.face(), "Tiny");
      EXPECT_EQ(f.height(), 4);
      EXPECT_EQ(f.ascent(), 3);
      EXPECT_EQ(f.weight(), 700);
      EXPECT_EQ(f.defaultChar(), '1');
      // Glyphs come out row by row, the two-column one included.
      for (int c = 0; c < 3; ++c) EXPECT_EQ(rows(f, static_cast<unsigned char>('0' + c)), want(c));
      // Bytes the font lacks, below and above its range, are its default.
      EXPECT_EQ(rows(f, ' '), want(1));
      EXPECT_EQ(rows(f, 0xE9), want(1));
      EXPECT_EQ(f.advance("02x", 3), 8 + 3 + 10);
    }
  }
}

TEST(FntReader, EveryCutOfTheFileIsRefused) {
  const Bytes b = fon({fnt()});
  for (size_t n = 0; n < b.size(); ++n) {
    std::vector<BitmapFont> fonts;
    std::string error;
    EXPECT_FALSE(parse(b, n, &fonts, &error)) << n << " bytes";
    EXPECT_FALSE(error.empty());
  }
  const Bytes bare = fnt();
  // Cut anywhere before its face name, which may end with the file.
  for (size_t n = 0; n + 5 < bare.size(); ++n) {
    std::vector<BitmapFont> fonts;
    std::string error;
    EXPECT_FALSE(parse(bare, n, &fonts, &error)) << n << " bytes";
  }
}

TEST(FntReader, HostileFieldsAreRefusedWithTheirReason) {
  struct Case {
    const char* why;
    size_t at;
    int bytes;
    uint32_t value;
  };
  // Each case written into a copy of `good` must be refused with its reason.
  auto expectRefused = [](const Bytes& good, const Case& c) {
    Bytes b = good;
    if (c.bytes == 1)
      b[c.at] = static_cast<uint8_t>(c.value);
    else if (c.bytes == 2)
      put16(b, c.at, c.value);
    else
      put32(b, c.at, c.value);
    std::vector<BitmapFont> fonts;
    std::string error;
    EXPECT_FALSE(parse(b, b.size(), &fonts, &error)) << c.why;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.why << ": " << error;
  };
  // Offsets in the bare FNT (version 3: the table at 148, 6 bytes an entry).
  const Case cases[] = {
      {"version", 0, 2, 0x100},
      {"vector", 66, 2, 1},
      {"glyph height", 88, 2, 0},
      {"glyph height", 88, 2, 60000},
      {"last character", 96, 1, '/'},
      {"default character", 97, 1, 3},
      {"ascent", 74, 2, 5},
      {"bitmap", 148 + 2, 4, 0xFFFFFFF0u},  // a glyph's bits past the end
      {"bitmap", 148 + 6, 2, 1000},         // a glyph wider than its bits
      {"wider", 148 + 6, 2, 1025},
      {"character table", 96, 1, 0xFF},  // more characters than the table holds
  };
  for (const Case& c : cases) expectRefused(fnt(), c);

  // The container: a bad NE offset, alignment, resource place; no font.
  const Bytes good = fon({fnt()});
  const Case container[] = {
      {"NE header", 0x3C, 4, 0xFFFFFFF0u},
      {"NE header", 0x40, 2, 0x4C45},
      {"alignment", 0x80, 2, 17},
      {"outside the file", 0x96 + 8, 2, 0xFFFF},
      {"no font resource", 0x96, 2, 0x800C},
      {"resource table", 0x40 + 0x24, 2, 0xFFFF},
  };
  for (const Case& c : container) expectRefused(good, c);
}

TEST(FntReader, SystemFaceIsTheSixteenPixelAnsiOne) {
  const Bytes b = fon({fnt(0x300, 12, 0), fnt(0x300, 16, 204), fnt(0x300, 16, 0)});
  std::vector<BitmapFont> fonts;
  std::string error;
  ASSERT_TRUE(parse(b, b.size(), &fonts, &error)) << error;
  ASSERT_EQ(fonts.size(), 3u);
  EXPECT_EQ(winport::pickSystemFace(fonts), &fonts[2]);
  fonts.pop_back();
  EXPECT_EQ(winport::pickSystemFace(fonts), &fonts[1]);  // another charset before none
  fonts.pop_back();
  EXPECT_EQ(winport::pickSystemFace(fonts), nullptr);
}

}  // namespace
