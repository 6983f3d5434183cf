// Command-line options of hypercube-render, parsed without side effects so the
// parser can be tested and fuzzed on its own.
#ifndef TOOLS_RENDER_OPTIONS_H
#define TOOLS_RENDER_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/extended.h"
#include "tools/printable.h"

// Image sides beyond this are refused: an empty image cannot be written, and
// larger ones would need gigabytes.
constexpr int32_t kMaxImageSide = 16384;

enum class RenderFormat { kJson, kPng, kSvg };

struct RenderOptions {
  int32_t width = 1000;
  int32_t height = 700;
  std::string keys;  // L, U, R, D
  bool hasEye = false;
  Extended eye[4] = {Extended(0.0), Extended(0.0), Extended(0.0), Extended(0.0)};
  RenderFormat format = RenderFormat::kJson;
  std::string output;  // required for png and svg; "-" is standard output
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; on failure returns false with one line, without a
// trailing newline, in *error.
bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions* options,
                        std::string* error);

// The help text; a build without images offers JSON only.
const char* renderUsage(bool withImages);

#endif
