// What the fuzz targets share: reading the input as numbers, and the checks
// every computed frame must pass.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Little-endian numbers from the input; zeros once it is used up.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint64_t take(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes && pos_ < size_; ++i)
      v |= static_cast<uint64_t>(data_[pos_++]) << (8 * i);
    return v;
  }
  uint8_t u8() { return static_cast<uint8_t>(take(1)); }
  uint16_t u16() { return static_cast<uint16_t>(take(2)); }
  uint32_t u32() { return static_cast<uint32_t>(take(4)); }
  uint64_t u64() { return take(8); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// False under valgrind, which computes x87 arithmetic in double precision:
// there only memory is checked, never values.
extern bool checkValues;

// Aborts, naming the check, when `ok` is false.
void require(bool ok, const char* what);

// The frame in `scene` as updateFrame() left it: every point finite and within
// the cube's reach, every edge the truncated scaled ends of its vertices.
void checkFrame();

// The eye is finite and still `length` long within a relative 1e-12.
void checkEyeLength(long double length);

}  // namespace fuzz

#endif
