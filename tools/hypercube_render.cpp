// hypercube-render: one frame of the demonstration without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/frame.h"
#include "tools/render_options.h"

#ifdef HYPERCUBE_HAVE_IMAGES
#include "tools/frame_image.h"
#endif

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "hypercube-render: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as on other systems
#endif
  RenderOptions options;
  std::string error;
  if (!parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    return fail(error);
  }
  if (options.help) {
    std::fputs(kRenderUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("hypercube-render %s\nCopyright (c) the hypercube authors. MIT License.\n",
                HYPERCUBE_VERSION);
    return 0;
  }
  if (!computeFrame(options, &error)) return fail(error);
  if (options.format != RenderFormat::kJson) {
#ifdef HYPERCUBE_HAVE_IMAGES
    return writeFrameImage(options, &error) ? 0 : fail(error);
#else
    return fail("this build cannot write png or svg frames; use --format json");
#endif
  }
  const std::string json = frameJson(options);
  if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
    return fail("cannot write to standard output");
  }
  return 0;
}
