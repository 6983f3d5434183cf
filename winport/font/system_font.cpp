// Font files in the page, which has no file system: the System font, built in.
#include <cstddef>
#include <string>
#include <vector>

#include "winport/font/fnt.h"

extern const unsigned char kEmbeddedSystemFont[];
extern const size_t kEmbeddedSystemFontSize;

namespace winport {

std::vector<uint8_t> readFontFile(const std::string& path) {
  if (path != kSystemFontFile) return {};
  return std::vector<uint8_t>(kEmbeddedSystemFont, kEmbeddedSystemFont + kEmbeddedSystemFontSize);
}

}  // namespace winport
