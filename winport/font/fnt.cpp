// The FON and FNT reader. Offsets are read as unsigned 64-bit numbers and
// compared with the size before anything at them is touched, so no sum can
// wrap and no read leaves the buffer.
#include "winport/font/fnt.h"

#include <string>
#include <vector>

namespace winport {
namespace {

// A little-endian view of the bytes, refusing reads past the end.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t size() const { return size_; }
  bool has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // Callers check has(offset, n) first.
  uint32_t u8(uint64_t offset) const { return data_[offset]; }
  uint32_t u16(uint64_t offset) const { return u8(offset) | u8(offset + 1) << 8; }
  uint32_t u32(uint64_t offset) const { return u16(offset) | u16(offset + 2) << 16; }
  const uint8_t* at(uint64_t offset) const { return data_ + offset; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Header fields of an FNT resource, by offset.
constexpr uint64_t kVersion = 0, kType = 66, kAscent = 74, kWeight = 83, kCharSet = 85,
                   kPixHeight = 88, kFirstChar = 95, kLastChar = 96, kDefaultChar = 97, kFace = 105;
constexpr uint64_t kHeader2 = 118, kHeader3 = 148;  // where the character table starts
// Larger glyphs are not a font anyone draws labels with; the limits keep a
// hostile header from making drawing slow.
constexpr uint32_t kMaxHeight = 1024, kMaxWidth = 1024;

constexpr uint32_t kFontResource = 0x8008;  // RT_FONT, numbered

bool fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace

int64_t BitmapFont::advance(const char* s, int count) const {
  int64_t total = 0;
  for (int i = 0; i < count; ++i) total += glyph(static_cast<unsigned char>(s[i])).width;
  return total;
}

bool parseFnt(const uint8_t* data, size_t size, BitmapFont* font, std::string* error) {
  const Reader r(data, size);
  if (!r.has(0, kHeader2)) return fail(error, "shorter than an FNT header");
  const uint32_t version = r.u16(kVersion);
  if (version != 0x200 && version != 0x300)
    return fail(error, "not an FNT resource of version 2 or 3");
  if ((r.u16(kType) & 1) != 0) return fail(error, "a vector font");
  const uint64_t header = version == 0x200 ? kHeader2 : kHeader3;
  const uint64_t entry = version == 0x200 ? 4 : 6;  // width, then a 16- or 32-bit offset
  const uint32_t height = r.u16(kPixHeight);
  if (height == 0 || height > kMaxHeight) return fail(error, "no usable glyph height");
  const uint32_t first = r.u8(kFirstChar), last = r.u8(kLastChar);
  if (last < first) return fail(error, "its last character comes before its first");
  const uint32_t defaultIndex = r.u8(kDefaultChar);
  if (defaultIndex > last - first) return fail(error, "its default character is not in it");
  const uint32_t count = last - first + 1;
  if (!r.has(header, static_cast<uint64_t>(count) * entry))
    return fail(error, "its character table is cut short");

  BitmapFont f;
  f.height_ = static_cast<int>(height);
  f.ascent_ = static_cast<int>(r.u16(kAscent));
  f.weight_ = static_cast<int>(r.u16(kWeight));
  f.charset_ = static_cast<int>(r.u8(kCharSet));
  f.first_ = static_cast<int>(first);
  f.last_ = static_cast<int>(last);
  f.defaultIndex_ = static_cast<int>(defaultIndex);
  if (f.ascent_ > f.height_) return fail(error, "its ascent exceeds its height");

  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t e = header + i * entry;
    const uint32_t width = r.u16(e);
    const uint64_t offset = version == 0x200 ? r.u16(e + 2) : r.u32(e + 2);
    if (width > kMaxWidth) return fail(error, "a glyph is wider than any font's");
    const uint64_t columns = (static_cast<uint64_t>(width) + 7) / 8;
    if (!r.has(offset, columns * height)) return fail(error, "a glyph's bitmap is cut short");
    f.glyphs_.push_back({static_cast<int>(width), static_cast<size_t>(offset)});
  }
  f.bits_.assign(data, data + size);

  const uint64_t face = r.u32(kFace);
  if (face != 0) {
    for (uint64_t p = face; r.has(p, 1) && r.u8(p) != 0; ++p) f.face_ += static_cast<char>(r.u8(p));
  }
  *font = std::move(f);
  return true;
}

bool parseFon(const uint8_t* data, size_t size, std::vector<BitmapFont>* fonts,
              std::string* error) {
  const Reader r(data, size);
  if (r.has(0, 2) && r.u16(0) != 0x5A4D) {  // no "MZ": perhaps a bare FNT
    BitmapFont f;
    if (!parseFnt(data, size, &f, error)) return false;
    fonts->assign(1, std::move(f));
    return true;
  }
  if (!r.has(0, 0x40)) return fail(error, "shorter than an MZ header");
  const uint64_t ne = r.u32(0x3C);
  if (!r.has(ne, 0x40) || r.u16(ne) != 0x454E) return fail(error, "no NE header");
  const uint64_t table = ne + r.u16(ne + 0x24);
  if (!r.has(table, 2)) return fail(error, "its resource table is cut short");
  const uint32_t shift = r.u16(table);
  if (shift > 16) return fail(error, "its resource alignment is out of range");

  std::vector<BitmapFont> found;
  uint64_t p = table + 2;
  // Each type is 8 bytes and each resource 12, so the walk ends within the file.
  for (;;) {
    if (!r.has(p, 2)) return fail(error, "its resource table is cut short");
    const uint32_t type = r.u16(p);
    if (type == 0) break;
    if (!r.has(p, 8)) return fail(error, "its resource table is cut short");
    const uint32_t n = r.u16(p + 2);
    p += 8;
    if (!r.has(p, static_cast<uint64_t>(n) * 12))
      return fail(error, "its resource table is cut short");
    for (uint32_t i = 0; i < n; ++i, p += 12) {
      if (type != kFontResource) continue;
      const uint64_t offset = static_cast<uint64_t>(r.u16(p)) << shift;
      const uint64_t length = static_cast<uint64_t>(r.u16(p + 2)) << shift;
      if (!r.has(offset, length)) return fail(error, "a font resource lies outside the file");
      BitmapFont f;
      std::string why;
      if (!parseFnt(r.at(offset), static_cast<size_t>(length), &f, &why))
        return fail(error, "font resource " + std::to_string(found.size() + 1) + ": " + why);
      found.push_back(std::move(f));
    }
  }
  if (found.empty()) return fail(error, "no font resource");
  *fonts = std::move(found);
  return true;
}

const BitmapFont* pickSystemFace(const std::vector<BitmapFont>& fonts) {
  const BitmapFont* best = nullptr;
  for (const BitmapFont& f : fonts) {
    if (f.height() != 16) continue;
    if (f.charset() == 0) return &f;  // ANSI_CHARSET
    if (best == nullptr) best = &f;
  }
  return best;
}

}  // namespace winport
