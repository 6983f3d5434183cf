#include "geometry/fpu.h"

#include "geometry/extended.h"

void setExtendedPrecision() {
#if GEOMETRY_HAS_X87
  constexpr uint16_t kPrecisionMask = 0x0300;  // bits 8-9
  constexpr uint16_t kRoundingMask = 0x0C00;   // bits 10-11
  constexpr uint16_t kPrecision64 = 0x0300;
  constexpr uint16_t kRoundNearest = 0x0000;
  uint16_t cw = readX87ControlWord();
  cw = static_cast<uint16_t>((cw & ~(kPrecisionMask | kRoundingMask)) | kPrecision64 |
                             kRoundNearest);
  loadX87ControlWord(cw);
#endif
}

void truncateToInt32(const Extended* in, int32_t* out, int count) {
#if GEOMETRY_HARDWARE_EXTENDED
  const uint16_t saved = readX87ControlWord();
  loadX87ControlWord(static_cast<uint16_t>(saved | 0x0C00));  // round toward zero
  for (int i = 0; i < count; ++i) {
    __asm__("fistpl %0" : "=m"(out[i]) : "t"(in[i]) : "st");
  }
  loadX87ControlWord(saved);
#else
  for (int i = 0; i < count; ++i) out[i] = truncateToInt32(in[i]);
#endif
}
