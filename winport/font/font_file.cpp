// Font files from the file system.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "winport/font/fnt.h"

namespace winport {

std::vector<uint8_t> readFontFile(const std::string& path) {
  // A font file is small; anything far larger is not the one we want.
  constexpr size_t kMaxFileSize = 1 << 24;
  std::vector<uint8_t> bytes;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return bytes;
  uint8_t buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + n);
    if (bytes.size() > kMaxFileSize) return {};
  }
  if (std::ferror(file.get())) bytes.clear();
  return bytes;
}

}  // namespace winport
