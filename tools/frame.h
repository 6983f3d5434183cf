// One frame computed from the tool's options, and its JSON text.
#ifndef TOOLS_FRAME_H
#define TOOLS_FRAME_H

#include <string>

#include "tools/render_options.h"

// Sets up the scene as the window would (creation, size), places the eye,
// applies the keys and computes the frame. Fails, with a message, when the eye
// cannot be projected: its squared length is not a normal extended number.
bool computeFrame(const RenderOptions& options, std::string* error);

// The computed frame as one JSON line, newline included.
std::string frameJson(const RenderOptions& options);

#endif
