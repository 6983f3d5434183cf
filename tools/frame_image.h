// The computed frame painted by the program's own painting code on a memory
// canvas and written as PNG or SVG.
#ifndef TOOLS_FRAME_IMAGE_H
#define TOOLS_FRAME_IMAGE_H

#include <string>

#include "tools/render_options.h"

// Writes to a temporary file beside the output and renames it into place, so
// a failure never leaves a partial or empty file.
bool writeFrameImage(const RenderOptions& options, std::string* error);

#endif
