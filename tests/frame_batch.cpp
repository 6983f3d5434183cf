// Many frames from one process, for comparing builds byte for byte: the
// hardware and the software extended type, x86 and other CPUs. Prints the
// JSON of each frame tool argument line read from stdin, then of COUNT
// generated cases: random key walks at several sizes, random placed eyes,
// and eyes on knife edges, a hair from a cell's side-test threshold or on
// the cell's hyperplane. The cases come from integers only, so every build
// generates the same ones.
// usage: frame_batch COUNT < argument-lines
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/frame.h"
#include "tools/render_options.h"

namespace {

// A small generator of our own: the standard engines' distributions are not
// the same in every library.
struct Lcg {
  uint64_t state;
  uint32_t next() {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>(state >> 33);
  }
  uint32_t below(uint32_t n) { return next() % n; }
};

std::string walk(Lcg& rng, uint32_t maxLength) {
  std::string keys;
  const uint32_t length = 1 + rng.below(maxLength);
  for (uint32_t i = 0; i < length; ++i) keys += "LURD"[rng.below(4)];
  return keys;
}

// The generator is drawn from one statement at a time: the order in which
// the operands of + are evaluated is the compiler's, and differs between CPUs.

// A decimal with up to 19 significant digits and an exponent.
std::string decimal(Lcg& rng) {
  std::string s = rng.below(2) ? "-" : "";
  s += std::to_string(rng.below(100)) + ".";
  s += std::to_string(rng.next());
  s += std::to_string(rng.next());
  const int exponent = static_cast<int>(rng.below(9)) - 4;
  if (exponent != 0) s += "e" + std::to_string(exponent);
  return s;
}

std::string generated(Lcg& rng, uint64_t index) {
  const char* const sizes[] = {"1920x1080", "1366x768", "1000x700", "65535x65535", "999x699"};
  const std::string size = std::string("--size ") + sizes[rng.below(5)];
  switch (index % 4) {
    case 0:
    case 1:
      return size + " --eye 3,-4,4,4 --keys " + walk(rng, 300);
    case 2: {
      std::string line = size + " --eye ";
      for (int i = 0; i < 4; ++i) line += decimal(rng) + (i < 3 ? "," : "");
      return line + " --keys " + walk(rng, 8);
    }
    default: {
      // One coordinate of the eye on or a hair beside the threshold of a
      // cell's side test (1 + 1e-6 / 6.4e-3 from the centre, or +-1), the
      // others far out.
      const char* const edges[] = {"1",
                                   "1.00015625",
                                   "1.000156250000000001",
                                   "1.000156249999999999",
                                   "0.99984375",
                                   "1.0001562500000000000001"};
      std::string coordinates[4];
      for (std::string& c : coordinates) c = std::to_string(3 + rng.below(5));
      const uint32_t k = rng.below(4);
      const bool negative = rng.below(2) != 0;
      coordinates[k] = (negative ? "-" : "") + std::string(edges[rng.below(6)]);
      return size + " --eye " + coordinates[0] + "," + coordinates[1] + "," + coordinates[2] + "," +
             coordinates[3] + (rng.below(2) ? " --keys " + walk(rng, 3) : "");
    }
  }
}

void run(const std::string& line) {
  std::vector<std::string> args;
  std::istringstream words(line);
  for (std::string w; words >> w;) args.push_back(w);
  // Each frame starts from the start-up eye, not where the last one left it.
  bool hasEye = false;
  for (const std::string& a : args) hasEye = hasEye || a == "--eye";
  if (!hasEye) args.insert(args.begin(), {"--eye", "3,-4,4,4"});
  RenderOptions options;
  std::string error;
  if (!parseRenderOptions(args, &options, &error) || !computeFrame(options, &error)) {
    std::printf("error: %s\n", error.c_str());
    return;
  }
  std::fputs(frameJson(options).c_str(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
  for (std::string line; std::getline(std::cin, line);) run(line);
  Lcg rng{26};
  for (uint64_t i = 0; i < count; ++i) run(generated(rng, i));
  return std::fflush(stdout) == 0 ? 0 : 1;
}
