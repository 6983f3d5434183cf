// Runs a fuzz target over files, without libFuzzer: for valgrind, which cannot
// run libFuzzer or sanitizer builds. Arguments are files or directories of
// them; --memory-only skips the checks of values (valgrind computes x87
// arithmetic in double precision).
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int runFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0, failures = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--memory-only") == 0) {
      fuzz::checkValues = false;
      continue;
    }
    struct stat st;
    if (stat(argv[i], &st) == 0 && S_ISDIR(st.st_mode)) {
      DIR* dir = opendir(argv[i]);
      std::vector<std::string> names;
      while (dirent* e = dir ? readdir(dir) : nullptr) {
        if (e->d_name[0] != '.') names.push_back(std::string(argv[i]) + "/" + e->d_name);
      }
      if (dir) closedir(dir);
      for (const std::string& n : names) failures += runFile(n), ++files;
    } else {
      failures += runFile(argv[i]), ++files;
    }
  }
  std::printf("replay: %d inputs run\n", files);
  return failures == 0 && files > 0 ? 0 : 1;
}
