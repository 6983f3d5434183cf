// The computed frame painted by the program's own painting code on a memory
// canvas and written as PNG or SVG.
#ifndef TOOLS_FRAME_IMAGE_H
#define TOOLS_FRAME_IMAGE_H

#include <string>

#include "tools/render_options.h"
#include "winport/raster/raster_canvas.h"

// Writes the frame to options.output (see OutputFile): an old file survives
// any failure and no temporary is left.
bool writeFrameImage(const RenderOptions& options, std::string* error);

// Paints rows [top, top + band.height()) of the whole frame into `band`,
// exactly as those rows of a whole painted frame: PNG frames are painted and
// written a band at a time, so a large one needs little memory.
void paintBand(winport::RasterCanvas& band, int top);

#endif
