// Connecting the SDL host to a display: the driver chosen from the
// environment, a time-out for a display that never answers, and the reason of
// a failure in one line.
#include <SDL.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/printable.h"
#include "winport/hosts/sdl/sdl_host.h"
#include "winport/hosts/sdl/x11.h"

namespace winport {
namespace {

// A name from the environment in a message: quoted, escaped so that it
// cannot drive the terminal, and cut short when long so that the reason after
// it is always read.
std::string quotedName(const char* text) { return quoted(text, 200); }

// What the libraries said, as one line: its lines joined, control
// characters dropped.
std::string oneLine(const std::string& said) {
  std::string out;
  bool gap = false;
  for (const char c : said) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\n') {
      gap = !out.empty();
    } else if (u >= 0x20 && u != 0x7F) {
      if (gap) out += "; ";
      gap = false;
      out += c;
    }
  }
  return out;
}

// A forwarded X display whose far end hangs accepts the connection and never
// answers; SDL would wait for ever.
constexpr unsigned kAnswerSeconds = 5;
// Made before the wait: the signal handler can only write it.
std::string noAnswerLine;
int noAnswerFd = STDERR_FILENO;

void noAnswer(int) {
  const ssize_t written = write(noAnswerFd, noAnswerLine.data(), noAnswerLine.size());
  (void)written;
  _exit(1);
}

// SDL_Init(SDL_INIT_VIDEO), given up when the display does not answer. What
// the libraries print meanwhile (libxcb writes the X server's refusal straight
// to stderr, and Xlib adds nothing) becomes the reason of a failure, or is
// passed on unchanged after a success.
bool initVideo(const char* program, const std::string& where, std::string* reason) {
  noAnswerLine = std::string(program) + ": cannot open a display" + where + ": no answer within " +
                 std::to_string(kAnswerSeconds) + " seconds\n";
  std::fflush(stderr);
  FILE* kept = std::tmpfile();
  const int saved = kept ? dup(STDERR_FILENO) : -1;
  if (saved >= 0) {
    noAnswerFd = saved;
    dup2(fileno(kept), STDERR_FILENO);
  }
  struct sigaction hung = {};
  hung.sa_handler = noAnswer;
  struct sigaction before;
  sigaction(SIGALRM, &hung, &before);
  alarm(kAnswerSeconds);
  const bool ok = SDL_Init(SDL_INIT_VIDEO) == 0;
  alarm(0);
  sigaction(SIGALRM, &before, nullptr);
  std::string said;
  if (saved >= 0) {
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    noAnswerFd = STDERR_FILENO;
    std::rewind(kept);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, kept)) > 0) said.append(buffer, n);
  }
  if (kept) std::fclose(kept);
  if (ok) {
    std::fwrite(said.data(), 1, said.size(), stderr);
    return true;
  }
  *reason = oneLine(said);
  if (reason->empty()) *reason = SDL_GetError();
  // SDL's own words for a display that is not there.
  if (*reason == "x11 not available") {
    *reason = SDL_getenv("DISPLAY")           ? "no X server accepts connections there"
              : SDL_getenv("WAYLAND_DISPLAY") ? "DISPLAY is not set"
                                              : "neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
  return false;
}

}  // namespace

bool SdlHost::start(const char* program, std::string* error) {
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // A still picture has no reason to hold off the screen saver, and asking
  // the session bus to would start D-Bus before the first frame.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // X11 only: Wayland has a host of its own, and a program that asked for
  // another driver by name gets it.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  const char* display = SDL_getenv("DISPLAY");
  const std::string where = display ? " at DISPLAY=" + quotedName(display) : "";
  // SDL opens an X input method, and Xlib then parses the locale's whole
  // Compose table: a third of the start-up. The program takes no text, only
  // keys, so an empty table serves unless the user has chosen one.
  setenv("XCOMPOSEFILE", "/dev/null", 0);
  // Before SDL_Init: SDL keeps the handler it finds, calls it from its own and
  // puts it back in SDL_Quit, just before closing the connections, when a late
  // error may still be read.
  installX11ErrorHandlers(program);
  std::string reason;
  if (!initVideo(program, where, &reason)) {
    *error = "cannot open a display" + where + ": " + reason;
    return false;
  }
  started_ = true;
  screen_ = querySize();
  // X events SDL does not handle itself: another client destroying the window.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  // SDL falls back to drivers that show nothing; a program nobody can see is
  // no success.
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string name = driver ? driver : "";
  if (name == "offscreen" || name == "dummy" || name == "evdev" || name.empty()) {
    *error =
        "cannot open a display" + where + ": only the '" + name + "' video driver is available";
    return false;
  }
  where_ = where;
  // Without this SDL may route the window surface through software OpenGL:
  // slower to start, more memory and slower frames.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  return true;
}

}  // namespace winport
