// hypercube-render: one frame of the demonstration without a window.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "tools/frame.h"
#include "tools/render_options.h"

#ifdef HYPERCUBE_HAVE_IMAGES
#include "tools/frame_image.h"
constexpr bool kHaveImages = true;
#else
constexpr bool kHaveImages = false;
#endif

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "hypercube-render: %s\n", message.c_str());
  return 2;
}

// Help, version and JSON: a write that fails (a full disk, a closed stdout)
// fails the run.
int writeStdout(const std::string& text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    const int e = errno;
    return fail("cannot write to standard output" +
                (e != 0 ? ": " + std::string(std::strerror(e)) : std::string()));
  }
  return 0;
}

int run(int argc, char** argv) {
  RenderOptions options;
  std::string error;
  if (!parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    return fail(error);
  }
  if (options.help) return writeStdout(renderUsage(kHaveImages));
  if (options.version) {
    return writeStdout(std::string("hypercube-render ") + HYPERCUBE_VERSION +
                       "\nCopyright (c) the hypercube authors. MIT License.\n");
  }
  if (!computeFrame(options, &error)) return fail(error);
  if (options.format != RenderFormat::kJson) {
#ifdef HYPERCUBE_HAVE_IMAGES
    return writeFrameImage(options, &error) ? 0 : fail(error);
#else
    return fail("this build cannot write png or svg frames; use --format json");
#endif
  }
  return writeStdout(frameJson(options));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as on other systems
#else
  // A closed standard stream gets /dev/null opened read-only: writes to it
  // still fail, and no file the tool opens can take its number.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDONLY) != fd) return 2;
  }
  // Past a file size limit, a write fails with EFBIG, said as any other
  // failure, instead of killing the tool.
  signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    return fail("out of memory");
  }
}
