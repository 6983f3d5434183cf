// Times a real window on an X display from the outside, through the DAMAGE
// and XTEST extensions: start to first frame on screen, key press to the next
// frame, CPU used while idle, and peak memory.
//   window_timing [--keys N] [--idle SECONDS] [--watch WINDOW] -- COMMAND [ARG...]
// --watch also watches an X window that is already there: a nested Wayland
// compositor's output, whose client the command is.
// Prints one line of figures; exits non-zero when no frame appears.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Watch {
  Display* dpy = nullptr;
  int damageEvent = 0;
  int screenArea = 0;
  std::vector<Window> watched;
};

// A frame is a damage report whose pixels hold coloured (edge) pixels: an X
// server's background fill does not count. The first one must also cover at
// least half the screen; later ones show what a key changed, perhaps less.
bool isFrame(Watch& w, const XDamageNotifyEvent& e, bool first) {
  if (first && e.area.width * e.area.height * 2 < w.screenArea) return false;
  XImage* img = XGetImage(w.dpy, e.drawable, e.area.x, e.area.y, e.area.width, e.area.height,
                          AllPlanes, ZPixmap);
  if (!img) return false;
  int coloured = 0;
  for (int y = 0; y < img->height && coloured < 50; y += 2) {
    for (int x = 0; x < img->width; x += 2) {
      const unsigned long p = XGetPixel(img, x, y) & 0xFFFFFF;
      const unsigned r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if ((r == 255 && g == 0 && b == 0) || (r == 0 && g == 255 && b == 0)) ++coloured;
    }
  }
  XDestroyImage(img);
  return coloured >= 50;
}

// Waits up to `timeoutMs` for a frame; false on timeout.
bool waitFrame(Watch& w, double timeoutMs, Clock::time_point* when, bool first) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    while (XPending(w.dpy)) {
      XEvent e;
      XNextEvent(w.dpy, &e);
      // Watched from creation: a window may be painted as soon as it is
      // mapped, before this client could react to its MapNotify.
      if (e.type == CreateNotify) {
        const Window win = e.xcreatewindow.window;
        XDamageCreate(w.dpy, win, XDamageReportRawRectangles);
        w.watched.push_back(win);
      } else if (e.type == w.damageEvent + XDamageNotify) {
        const Clock::time_point now = Clock::now();
        if (isFrame(w, reinterpret_cast<XDamageNotifyEvent&>(e), first)) {
          *when = now;
          return true;
        }
      }
    }
    const double left = timeoutMs - ms(start, Clock::now());
    if (left <= 0) return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(w.dpy), &fds);
    timeval tv{static_cast<time_t>(left / 1000),
               static_cast<suseconds_t>((static_cast<long>(left) % 1000) * 1000)};
    select(ConnectionNumber(w.dpy) + 1, &fds, nullptr, nullptr, &tv);
  }
}

// Process CPU time in seconds and peak resident memory in MB, from /proc.
double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = s.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(s.substr(close + 2));
  std::string f;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::atof(f.c_str());
    if (i == 15) stime = std::atof(f.c_str());
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double peakMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

void pressKey(Display* dpy, KeySym sym, bool alt) {
  const KeyCode altCode = XKeysymToKeycode(dpy, XK_Alt_L);
  const KeyCode code = XKeysymToKeycode(dpy, sym);
  if (alt) XTestFakeKeyEvent(dpy, altCode, True, CurrentTime);
  XTestFakeKeyEvent(dpy, code, True, CurrentTime);
  XTestFakeKeyEvent(dpy, code, False, CurrentTime);
  if (alt) XTestFakeKeyEvent(dpy, altCode, False, CurrentTime);
  XFlush(dpy);
}

// Windows come and go (Wine makes short-lived ones): a request on a window
// that is already gone is no reason to stop timing.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  int keys = 30;
  double idleSeconds = 0;
  unsigned long watchWindow = 0;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string a = argv[first];
    if (a == "--") {
      ++first;
      break;
    }
    if (a == "--keys" && first + 1 < argc) {
      keys = std::atoi(argv[++first]);
    } else if (a == "--idle" && first + 1 < argc) {
      idleSeconds = std::atof(argv[++first]);
    } else if (a == "--watch" && first + 1 < argc) {
      watchWindow = std::strtoul(argv[++first], nullptr, 0);
    } else {
      std::fprintf(stderr,
                   "usage: window_timing [--keys N] [--idle SECONDS] [--watch WINDOW] -- "
                   "COMMAND...\n");
      return 2;
    }
  }
  if (first >= argc) return 2;

  Watch w;
  w.dpy = XOpenDisplay(nullptr);
  int damageError = 0, xtest = 0, major = 0, minor = 0;
  if (!w.dpy || !XDamageQueryExtension(w.dpy, &w.damageEvent, &damageError) ||
      !XTestQueryExtension(w.dpy, &xtest, &xtest, &major, &minor)) {
    std::fprintf(stderr, "window_timing: needs an X display with DAMAGE and XTEST\n");
    return 1;
  }
  XSetErrorHandler(ignoreXError);
  const Window root = DefaultRootWindow(w.dpy);
  w.screenArea = DisplayWidth(w.dpy, 0) * DisplayHeight(w.dpy, 0);
  XSelectInput(w.dpy, root, SubstructureNotifyMask);
  if (watchWindow) {
    XDamageCreate(w.dpy, watchWindow, XDamageReportRawRectangles);
    w.watched.push_back(watchWindow);
    // Keys go where the compositor reads them.
    XSetInputFocus(w.dpy, watchWindow, RevertToParent, CurrentTime);
  }
  XWarpPointer(w.dpy, None, root, 0, 0, 0, 0, DisplayWidth(w.dpy, 0) / 2,
               DisplayHeight(w.dpy, 0) / 2);
  XSync(w.dpy, False);

  const Clock::time_point started = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[first], argv + first);
    _exit(127);
  }
  Clock::time_point shown;
  if (!waitFrame(w, 20000, &shown, true)) {
    std::fprintf(stderr, "window_timing: no frame within 20 s\n");
    kill(pid, SIGTERM);
    return 1;
  }
  const double startMs = ms(started, shown);

  std::vector<double> keyMs;
  for (int i = 0; i < keys; ++i) {
    usleep(20000);  // let the previous frame settle
    while (XPending(w.dpy)) {
      XEvent e;
      XNextEvent(w.dpy, &e);
    }
    const Clock::time_point pressed = Clock::now();
    pressKey(w.dpy, i % 2 ? XK_Down : XK_Up, false);
    Clock::time_point painted;
    if (waitFrame(w, 2000, &painted, false)) keyMs.push_back(ms(pressed, painted));
  }
  std::sort(keyMs.begin(), keyMs.end());

  double idleCpu = -1;
  if (idleSeconds > 0) {
    const double before = cpuSeconds(pid);
    usleep(static_cast<useconds_t>(idleSeconds * 1e6));
    idleCpu = cpuSeconds(pid) - before;
  }
  const double peak = peakMb(pid);

  pressKey(w.dpy, XK_F4, true);
  int status = 0;
  for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(50000);
  if (waitpid(pid, &status, WNOHANG) == 0 && kill(pid, 0) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }

  std::printf("start_to_first_frame_ms %.1f", startMs);
  if (!keyMs.empty()) {
    std::printf(" key_to_frame_ms_median %.2f key_to_frame_ms_max %.2f keys_seen %zu",
                keyMs[keyMs.size() / 2], keyMs.back(), keyMs.size());
  }
  if (idleCpu >= 0) std::printf(" idle_cpu_s %.3f over %.0f s", idleCpu, idleSeconds);
  std::printf(" peak_rss_mb %.1f exit_status %d\n", peak,
              WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
