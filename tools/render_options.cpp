#include "tools/render_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const char kUsageWithImages[] =
    "Usage: hypercube-render [--size WxH] [--keys SEQ] [--eye W,X,Y,Z]\n"
    "                        [--format json|png|svg] [--output FILE]\n"
    "Computes one frame of the tesseract without a window and prints it as JSON,\n"
    "or paints it to a PNG or SVG file.\n"
    "  --size WxH      client area in pixels, 0 to 65535 each side (default 1000x700)\n"
    "  --keys SEQ      arrow keys applied to the eye in order: L, U, R, D\n"
    "  --eye W,X,Y,Z   place the eye before the keys (default 3,-4,4,4)\n"
    "  --format F      json (default), png or svg (each side 1 to 16384)\n"
    "  --output FILE   where a png or svg frame goes, - for standard output; a file\n"
    "                  is replaced whole or not at all, a device or pipe written to\n"
    "  --help          this text\n"
    "  --version       the version of hypercube this tool belongs to\n"
    "A value may also follow its option after '=', as in --size=640x480.\n";

const char kUsageJsonOnly[] =
    "Usage: hypercube-render [--size WxH] [--keys SEQ] [--eye W,X,Y,Z] [--format json]\n"
    "Computes one frame of the tesseract without a window and prints it as JSON.\n"
    "  --size WxH      client area in pixels, 0 to 65535 each side (default 1000x700)\n"
    "  --keys SEQ      arrow keys applied to the eye in order: L, U, R, D\n"
    "  --eye W,X,Y,Z   place the eye before the keys (default 3,-4,4,4)\n"
    "  --format json   the one format of this build (the default)\n"
    "  --output -      standard output, where the frame goes anyway\n"
    "  --help          this text\n"
    "  --version       the version of hypercube this tool belongs to\n"
    "A value may also follow its option after '=', as in --size=640x480.\n";

// A side of --size: digits only; leading zeros do not count.
bool parseSide(const std::string& s, int32_t* side) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) return false;
  const size_t first = s.find_first_not_of('0');
  const std::string digits = first == std::string::npos ? "0" : s.substr(first);
  if (digits.size() > 5) return false;
  const long value = std::strtol(digits.c_str(), nullptr, 10);
  if (value > 65535) return false;
  *side = static_cast<int32_t>(value);
  return true;
}

bool parseSize(const std::string& s, RenderOptions* o, std::string* error) {
  const size_t x = s.find('x');
  if (x == std::string::npos || !parseSide(s.substr(0, x), &o->width) ||
      !parseSide(s.substr(x + 1), &o->height)) {
    *error = "--size: expected WxH with each side a whole number from 0 to 65535, got " + quoted(s);
    return false;
  }
  return true;
}

bool parseKeys(const std::string& s, RenderOptions* o, std::string* error) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != 'L' && c != 'U' && c != 'R' && c != 'D') {
      // The whole character when it is one, else the byte.
      const size_t n =
          static_cast<unsigned char>(c) < 0x80 ? 1 : std::max<size_t>(utf8Length(s, i), 1);
      *error = "--keys: " + quoted(s.substr(i, n)) + " at position " + std::to_string(i + 1) +
               " of " + quoted(s) + " is not one of L, U, R, D";
      return false;
    }
  }
  o->keys = s;
  return true;
}

// A plain decimal number: sign, digits, point, exponent. No hex, inf or nan.
// Rounded to the nearest extended value by our own conversion: C libraries
// whose long double is another format would round differently.
bool parseDecimal(const std::string& s, Extended* value, std::string* why) {
  *why = "is not a decimal number";
  Float80 v;
  if (!parseFloat80(s, &v)) return false;
  if (!v.isFinite()) {
    *why = "is out of range: beyond the largest extended number, about 1.19e4932";
    return false;
  }
  *value = fromFloat80(v);  // underflow gives zero or a tiny eye, which the frame refuses
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
    *error = "--eye: expected four comma-separated numbers W,X,Y,Z, got " + quoted(s);
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    std::string why;
    if (!parseDecimal(parts[i], &o->eye[i], &why)) {
      *error = "--eye: " + std::string("WXYZ").substr(i, 1) + " = " + quoted(parts[i]) + " " + why;
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
    *error = "--format: expected json, png or svg, got " + quoted(s);
    return false;
  }
  return true;
}

}  // namespace

const char* renderUsage(bool withImages) { return withImages ? kUsageWithImages : kUsageJsonOnly; }

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions* o,
                        std::string* error) {
  *o = RenderOptions();
  bool hasOutput = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // --name=value is --name value.
    const size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    if (name == "--help" || name == "-h" || name == "--version") {
      if (equals != std::string::npos) {
        *error = name + " takes no value, got " + quoted(arg);
        return false;
      }
      (name == "--version" ? o->version : o->help) = true;
      continue;
    }
    const bool known = name == "--size" || name == "--keys" || name == "--eye" ||
                       name == "--format" || name == "--output";
    if (!known) {
      if (arg.empty() || arg[0] != '-') {
        *error =
            "unexpected argument " + quoted(arg) + ": the tool takes options only (try --help)";
      } else {
        *error = "unknown option " + quoted(name) + " (try --help)";
      }
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      *error = name + ": missing value";
      return false;
    }
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
        *error = "--output: empty file name (- is standard output)";
        return false;
      }
      o->output = value;
      hasOutput = true;
    }
    if (!ok) return false;
  }
  if (o->help || o->version) return true;
  if (o->format != RenderFormat::kJson && !hasOutput) {
    *error = "--format png and svg need --output FILE (- for standard output)";
    return false;
  }
  if (o->format != RenderFormat::kJson &&
      (o->width < 1 || o->height < 1 || o->width > kMaxImageSide || o->height > kMaxImageSide)) {
    *error = "--size: png and svg frames need each side from 1 to " +
             std::to_string(kMaxImageSide) + ", got " + std::to_string(o->width) + "x" +
             std::to_string(o->height);
    return false;
  }
  if (o->format == RenderFormat::kJson && hasOutput && o->output != "-") {
    *error = "--output " + quoted(o->output) +
             ": JSON is written to standard output only (--output - or none)";
    return false;
  }
  return true;
}
