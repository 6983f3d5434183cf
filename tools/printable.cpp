// Text that names the user's input in a message, made safe to print.
#include "tools/printable.h"

size_t utf8Length(const std::string& s, size_t i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;  // overlong
    if (b == 0xED) hi = 0x9F;  // surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;  // overlong
    if (b == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return 0;
  }
  return n;
}

namespace {

void appendHex(std::string* out, unsigned char u) {
  static const char kHex[] = "0123456789abcdef";
  *out += "\\x";
  *out += kHex[u >> 4];
  *out += kHex[u & 0xf];
}

// printable(s), stopping before the text would pass `limit` bytes; *used is
// how much of `s` it covers. Characters and escapes are never cut.
std::string printablePrefix(const std::string& s, size_t limit, size_t* used) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char u = static_cast<unsigned char>(s[i]);
    const size_t n = u < 0x80 ? 1 : utf8Length(s, i);
    const bool c1 = u == 0xC2 && n == 2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
    std::string piece;
    if (n == 0) {
      appendHex(&piece, u);
    } else if (u < 0x20 || u == 0x7f || c1) {
      for (size_t k = 0; k < n; ++k) appendHex(&piece, static_cast<unsigned char>(s[i + k]));
    } else {
      piece = s.substr(i, n);
    }
    if (out.size() + piece.size() > limit) break;
    out += piece;
    i += n == 0 ? 1 : n;
  }
  *used = i;
  return out;
}

}  // namespace

std::string printable(const std::string& s) {
  size_t used = 0;
  return printablePrefix(s, std::string::npos, &used);
}

std::string quoted(const std::string& s, size_t limit) {
  size_t used = 0;
  const std::string shown = printablePrefix(s, limit, &used);
  if (used == s.size()) return "'" + shown + "'";
  return "'" + shown + "'... (" + std::to_string(s.size()) + " bytes)";
}
