#include "tools/render_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char kRenderUsage[] =
    "usage: hypercube-render [--size WxH] [--keys SEQ] [--eye W,X,Y,Z]\n"
    "                        [--format json|png|svg] [--output FILE]\n"
    "Computes one frame of the tesseract without a window and prints it as JSON,\n"
    "or paints it to a PNG or SVG file.\n"
    "  --size WxH      client area in pixels, 0 to 65535 each side (default 1000x700)\n"
    "  --keys SEQ      arrow keys applied to the eye in order: L, U, R, D\n"
    "  --eye W,X,Y,Z   place the eye before the keys (default 3,-4,4,4)\n"
    "  --format F      json (default), png or svg (each side 1 to 16384)\n"
    "  --output FILE   where png and svg frames are written\n"
    "  --help          this text\n"
    "  --version       the version of hypercube this tool belongs to\n";

std::string printable(const std::string& s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xf];
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool parseSide(const std::string& s, int32_t* side) {
  if (!allDigits(s) || s.size() > 5) return false;
  const long value = std::strtol(s.c_str(), nullptr, 10);
  if (value > 65535) return false;
  *side = static_cast<int32_t>(value);
  return true;
}

bool parseSize(const std::string& s, RenderOptions* o, std::string* error) {
  const size_t x = s.find('x');
  if (x == std::string::npos || !parseSide(s.substr(0, x), &o->width) ||
      !parseSide(s.substr(x + 1), &o->height)) {
    *error = "--size: expected WxH with each side a whole number from 0 to 65535, got '" +
             printable(s) + "'";
    return false;
  }
  return true;
}

bool parseKeys(const std::string& s, RenderOptions* o, std::string* error) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != 'L' && c != 'U' && c != 'R' && c != 'D') {
      *error = "--keys: '" + printable(std::string(1, c)) + "' at position " +
               std::to_string(i + 1) + " is not one of L, U, R, D";
      return false;
    }
  }
  o->keys = s;
  return true;
}

// A plain decimal number: sign, digits, point, exponent. No hex, inf or nan.
bool parseDecimal(const std::string& s, long double* value) {
  if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  if (s.find_first_of("0123456789") == std::string::npos) return false;
  errno = 0;
  char* end = nullptr;
  const long double v = std::strtold(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool parseEye(const std::string& s, RenderOptions* o, std::string* error) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = s.find(',', start);
    parts.push_back(s.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() != 4) {
    *error = "--eye: expected four comma-separated numbers W,X,Y,Z, got '" + printable(s) + "'";
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (!parseDecimal(parts[i], &o->eye[i])) {
      *error = "--eye: '" + printable(parts[i]) + "' is not a finite decimal number";
      return false;
    }
  }
  o->hasEye = true;
  return true;
}

bool parseFormat(const std::string& s, RenderOptions* o, std::string* error) {
  if (s == "json") {
    o->format = RenderFormat::kJson;
  } else if (s == "png") {
    o->format = RenderFormat::kPng;
  } else if (s == "svg") {
    o->format = RenderFormat::kSvg;
  } else {
    *error = "--format: expected json, png or svg, got '" + printable(s) + "'";
    return false;
  }
  return true;
}

}  // namespace

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions* o,
                        std::string* error) {
  *o = RenderOptions();
  bool hasOutput = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o->help = true;
      continue;
    }
    if (name == "--version") {
      o->version = true;
      continue;
    }
    const bool known = name == "--size" || name == "--keys" || name == "--eye" ||
                       name == "--format" || name == "--output";
    if (!known) {
      *error = "unknown option '" + printable(name) + "' (try --help)";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = name + ": missing value";
      return false;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (name == "--size") {
      ok = parseSize(value, o, error);
    } else if (name == "--keys") {
      ok = parseKeys(value, o, error);
    } else if (name == "--eye") {
      ok = parseEye(value, o, error);
    } else if (name == "--format") {
      ok = parseFormat(value, o, error);
    } else {
      if (value.empty()) {
        *error = "--output: empty file name";
        return false;
      }
      o->output = value;
      hasOutput = true;
    }
    if (!ok) return false;
  }
  if (o->help || o->version) return true;
  if (o->format != RenderFormat::kJson && !hasOutput) {
    *error = "--format png and svg need --output FILE";
    return false;
  }
  if (o->format != RenderFormat::kJson &&
      (o->width < 1 || o->height < 1 || o->width > kMaxImageSide || o->height > kMaxImageSide)) {
    *error = "--size: png and svg frames need each side from 1 to " +
             std::to_string(kMaxImageSide) + ", got " + std::to_string(o->width) + "x" +
             std::to_string(o->height);
    return false;
  }
  if (o->format == RenderFormat::kJson && hasOutput) {
    *error = "--output goes with --format png or svg; JSON is written to standard output";
    return false;
  }
  return true;
}
