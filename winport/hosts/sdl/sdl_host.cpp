// SDL2 host, its core: one SDL window per top-level window, drawn by our
// raster code into the window surface (XRGB8888) and shown with
// SDL_UpdateWindowSurface. Keys become Windows virtual-key codes (keys.cpp);
// the window manager's close request becomes a close. Connecting is in
// connect.cpp. Left out: mouse input, text input, several displays.
#include "winport/hosts/sdl/sdl_host.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "winport/hosts/sdl/keys.h"
#include "winport/hosts/sdl/x11.h"

namespace winport {
namespace {

// How long a window manager or compositor may take to maximise a new window.
constexpr Uint32 kMaximizeWaitMs = 1000;
// How long a window manager may take to show a new window at all (one that is
// still starting may need a second request).
constexpr unsigned kMapWaitMs = 10000;
// How long closing may take once a signal asked for it, before the process
// ends anyway: a logout must not wait on a window system that hangs.
constexpr unsigned kQuitSeconds = 3;

void quitNow(int) { _exit(0); }

Size windowSize(SDL_Window* w) {
  Size s{0, 0};
  SDL_GetWindowSize(w, &s.width, &s.height);
  return s;
}

}  // namespace

SdlHost::~SdlHost() {
  for (auto& w : windows_) release(w.second);
  // SDL_Quit would destroy an abandoned window after all.
  if (started_ && !abandoned_) SDL_Quit();
}

void SdlHost::release(Window& w) {
  // Unmapped first, so that SDL's destroy does not wait for an unmap; a
  // window another client destroyed is left alone, as SDL would wait on it
  // for ever, and goes with the process.
  withdraw(w.x11);
  if (windowGone(w.x11)) {
    abandoned_ = true;
    return;
  }
  SDL_DestroyWindow(w.sdl);
}

void SdlHost::refreshScreen() {
  for (auto& w : windows_) {
    if (!w.second.x11.x11()) continue;
    Size root{0, 0};
    rootSize(w.second.x11, &root.width, &root.height);
    if (root.width > 0 && root.height > 0) screen_ = root;
    return;
  }
  const Size now = querySize();
  if (now.width > 0 && now.height > 0) screen_ = now;
}

bool SdlHost::show(Window& w) {
  if (w.x11.x11() && !mapWithin(w.x11, kMapWaitMs)) {
    failure_ = windowGone(w.x11) ? "lost the window" + where_ + ": another program destroyed it"
                                 : "cannot show the window" + where_ +
                                       ": the window manager did not map it within " +
                                       std::to_string(kMapWaitMs / 1000) + " seconds";
    return false;
  }
  SDL_ShowWindow(w.sdl);
  return true;
}

Size SdlHost::querySize() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return {0, 0};
  return {mode.w, mode.h};
}

Size SdlHost::screenSize() { return screen_; }

Size SdlHost::maximizedClientSize() {
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(0, &r) != 0) return screenSize();
  return {r.w, r.h};
}

Size SdlHost::defaultClientSize() {
  const Size usable = maximizedClientSize();
  return {std::max(1, usable.width * 2 / 3), std::max(1, usable.height * 2 / 3)};
}

bool SdlHost::openWindow(HWND hwnd, const std::string& caption, Size client) {
  // Where the window returns when un-maximised: its default size, centred in
  // the usable area, so that its frame stays clear of panels and the edges.
  const Size size{std::max(1, client.width), std::max(1, client.height)};
  int x = SDL_WINDOWPOS_UNDEFINED;
  int y = SDL_WINDOWPOS_UNDEFINED;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && size.width <= usable.w &&
      size.height <= usable.h) {
    x = usable.x + (usable.w - size.width) / 2;
    y = usable.y + (usable.h - size.height) / 2;
  }
  SDL_Window* w = SDL_CreateWindow(caption.c_str(), x, y, size.width, size.height,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!w) {
    failure_ = std::string("cannot create a window: ") + SDL_GetError();
    return false;
  }
  // Where the window manager asks the program for its icon (_NET_WM_ICON).
  // SDL copies the pixels; the surface only borrows them.
  if (SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
          const_cast<uint32_t*>(kProgramIcon), kProgramIconWidth, kProgramIconHeight, 32,
          kProgramIconWidth * 4, SDL_PIXELFORMAT_ARGB8888)) {
    SDL_SetWindowIcon(w, icon);
    SDL_FreeSurface(icon);
  }
  windows_[hwnd].sdl = w;
  windows_[hwnd].x11 = x11Window(w);
  return true;
}

void SdlHost::setCaption(HWND hwnd, const std::string& caption) {
  auto it = windows_.find(hwnd);
  if (it != windows_.end() && it->second.sdl) SDL_SetWindowTitle(it->second.sdl, caption.c_str());
}

void SdlHost::closeWindow(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  release(it->second);
  windows_.erase(it);
}

Size SdlHost::showMaximized(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return {0, 0};
  Window& w = it->second;
  const Size before = windowSize(w.sdl);
  if (!windowManagerMaximizes(w.sdl)) {
    // A bare X server ignores the request: the window takes the usable area.
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
      SDL_SetWindowPosition(w.sdl, usable.x, usable.y);
      SDL_SetWindowSize(w.sdl, usable.w, usable.h);
    }
    SDL_MaximizeWindow(w.sdl);
    show(w);
    return windowSize(w.sdl);
  }
  // The window manager maps it maximised; the window keeps its own size for
  // when the user restores it.
  SDL_MaximizeWindow(w.sdl);
  if (!show(w)) return windowSize(w.sdl);
  // The maximised size comes back a moment later; painting before it would
  // paint twice. Events read meanwhile stay queued in SDL.
  const Uint32 until = SDL_GetTicks() + kMaximizeWaitMs;
  for (;;) {
    SDL_PumpEvents();
    const Size now = windowSize(w.sdl);
    const bool changed = now.width != before.width || now.height != before.height;
    if (((SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_MAXIMIZED) && changed) ||
        SDL_TICKS_PASSED(SDL_GetTicks(), until)) {
      return now;
    }
    SDL_Delay(1);
  }
}

Canvas& SdlHost::surface(HWND hwnd, Size client) {
  Window& w = windows_[hwnd];
  // The screen may have grown since it was last read (RandR), and SDL's
  // display mode need not say so: ask again before taking a window for larger.
  if (client.width > screen_.width || client.height > screen_.height) refreshScreen();
  const Size screen = screen_;
  // A window larger than the screen keeps pixels only for the screen-sized part
  // at its top-left, in memory, put on the window directly: SDL's surface for it
  // would take gigabytes, and past 2 GiB SDL's size arithmetic overflows and
  // hands out a buffer smaller than the surface it describes.
  if (client.width > screen.width || client.height > screen.height) {
    w.direct = w.x11.direct();
    const int64_t bytes = int64_t{4} * client.width * client.height;
    if (w.direct || bytes > INT_MAX) {
      // Without the direct way, an oversized window gets no pixels at all.
      const Size part = w.direct ? Size{std::min(client.width, screen.width),
                                        std::min(client.height, screen.height)}
                                 : Size{0, 0};
      if (w.borrowed || !w.canvas || w.canvas->width() != part.width ||
          w.canvas->height() != part.height) {
        w.canvas = std::make_unique<RasterCanvas>(part.width, part.height);
        w.borrowed = false;
      }
      return *w.canvas;
    }
  }
  w.direct = false;
  // Fetched every time: SDL replaces the surface when the window is resized.
  SDL_Surface* s = w.sdl ? SDL_GetWindowSurface(w.sdl) : nullptr;
  if (s && s->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(s)) {
    const bool same = w.borrowed && w.canvas && w.canvas->row(0) == s->pixels &&
                      w.canvas->width() == s->w && w.canvas->height() == s->h &&
                      w.pitch == s->pitch;
    if (!same) {
      w.canvas =
          std::make_unique<RasterCanvas>(static_cast<uint32_t*>(s->pixels), s->w, s->h, s->pitch);
      w.borrowed = true;
      w.pitch = s->pitch;
      w.presentAll = true;
    }
  } else {
    // Another pixel format: paint in memory and convert when presenting.
    const Size size = s ? Size{s->w, s->h} : Size{0, 0};
    if (w.borrowed || !w.canvas || w.canvas->width() != size.width ||
        w.canvas->height() != size.height) {
      w.canvas = std::make_unique<RasterCanvas>(size.width, size.height);
      w.borrowed = false;
      w.presentAll = true;
    }
  }
  return *w.canvas;
}

void SdlHost::present(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  Window& w = it->second;
  if (!w.canvas) return;
  if (w.direct) {
    const unsigned long putAt = nextRequest(w.x11);
    putDirectly(w.x11, *w.canvas);
    dropExposes(w, putAt);
    return;
  }
  if (w.canvas->width() == 0 || w.canvas->height() == 0) return;
  SDL_Surface* s = SDL_GetWindowSurface(w.sdl);
  if (!s) return;
  // Only what the paint changed goes to the screen, unless the window lost
  // what it showed.
  const PixelRect changed = w.canvas->takeChanged();
  SDL_Rect rect{0, 0, w.canvas->width(), w.canvas->height()};
  if (!w.presentAll) {
    if (changed.empty()) return;
    rect = {changed.left, changed.top, changed.right - changed.left, changed.bottom - changed.top};
  }
  w.presentAll = false;
  if (static_cast<void*>(w.canvas->row(0)) != s->pixels) {
    SDL_Surface* mem =
        SDL_CreateRGBSurfaceWithFormatFrom(w.canvas->row(0), w.canvas->width(), w.canvas->height(),
                                           32, w.canvas->width() * 4, SDL_PIXELFORMAT_RGB888);
    if (mem) {
      SDL_Rect to = rect;
      SDL_BlitSurface(mem, &rect, s, &to);
      SDL_FreeSurface(mem);
    }
  }
  const unsigned long putAt = nextRequest(w.x11);
  SDL_UpdateWindowSurfaceRects(w.sdl, &rect, 1);
  if (rect.w == w.canvas->width() && rect.h == w.canvas->height()) dropExposes(w, putAt);
}

void SdlHost::dropExposes(const Window& w, unsigned long putAt) {
  // The whole frame just shown covers whatever was lost before it: an expose that
  // arrived meanwhile (the one for mapping the window, at every start) would
  // only paint the same frame again. SDL's X11 surface waits for the server,
  // so by now those exposes have come in. An expose the server made after the
  // pixels went out is kept: they went to a window that was not viewable then
  // (a window manager starting reparents the window, unmapping it for a moment)
  // and are lost.
  SDL_PumpEvents();
  struct Filter {
    Uint32 id;
    const X11Window* x11;
    unsigned long putAt;
    bool keep;
  } filter{SDL_GetWindowID(w.sdl), &w.x11, putAt, false};
  // SDL queues an X event's system event before what it makes of it, and
  // keeps only the newest expose of a window.
  SDL_FilterEvents(
      [](void* data, SDL_Event* e) {
        auto* f = static_cast<Filter*>(data);
        if (e->type == SDL_SYSWMEVENT && exposedSince(e->syswm.msg, *f->x11, f->putAt)) {
          f->keep = true;
        }
        return e->type == SDL_WINDOWEVENT && e->window.event == SDL_WINDOWEVENT_EXPOSED &&
                       e->window.windowID == f->id && !f->keep
                   ? 0
                   : 1;
      },
      &filter);
}

SdlHost::Window* SdlHost::find(unsigned sdlWindowId, HWND* hwnd) {
  SDL_Window* sdl = SDL_GetWindowFromID(sdlWindowId);
  for (auto& w : windows_) {
    if (w.second.sdl == sdl) {
      *hwnd = w.first;
      return &w.second;
    }
  }
  return nullptr;
}

void SdlHost::handle(const SDL_Event& e) {
  HWND hwnd = nullptr;
  switch (e.type) {
    case SDL_QUIT:
      // SIGTERM or SIGINT (SDL turns them into this): close as the user would,
      // so the program ends normally with status 0, and promptly even if the
      // window system does not answer.
      signal(SIGALRM, quitNow);
      alarm(kQuitSeconds);
      for (auto& w : windows_) out_->push_back({HostEvent::kClose, w.first});
      return;
    case SDL_SYSWMEVENT:
      noteSystemEvent(e.syswm.msg);
      return;
    case SDL_DISPLAYEVENT:
      refreshScreen();
      return;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (!find(e.key.windowID, &hwnd) && !windows_.empty()) hwnd = windows_.begin()->first;
      const int vk = virtualKey(e.key.keysym.sym);
      if (!hwnd || vk == 0) return;
      HostEvent key{e.type == SDL_KEYDOWN ? HostEvent::kKeyDown : HostEvent::kKeyUp, hwnd};
      key.vk = vk;
      key.repeat = e.type == SDL_KEYDOWN && e.key.repeat != 0;
      key.alt = (e.key.keysym.mod & KMOD_ALT) != 0;
      out_->push_back(key);
      return;
    }
    case SDL_WINDOWEVENT: {
      Window* w = find(e.window.windowID, &hwnd);
      if (!w) return;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          out_->push_back({HostEvent::kClose, hwnd});
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          // SDL makes a new surface, perhaps at the same address: the canvas
          // must not assume anything of its pixels.
          if (w->borrowed) w->canvas.reset();
          w->presentAll = true;
          [[fallthrough]];
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_MINIMIZED:
          w->sizePending = true;
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          w->presentAll = true;
          out_->push_back({HostEvent::kExposed, hwnd});
          break;
        default:
          break;
      }
      return;
    }
    default:
      return;
  }
}

bool SdlHost::pumpEvents(bool wait, std::vector<HostEvent>* events) {
  if (!failure_.empty()) return false;
  out_ = events;
  SDL_Event e;
  if (wait) {
    if (!SDL_WaitEvent(&e)) {
      failure_ = "lost the display" + where_ + ": " + SDL_GetError();
      out_ = nullptr;
      return false;
    }
    handle(e);
  }
  while (failure_.empty() && SDL_PollEvent(&e)) handle(e);
  for (auto& w : windows_) {
    if (failure_.empty() && windowGone(w.second.x11)) {
      failure_ = "lost the window" + where_ + ": another program destroyed it";
    }
  }
  // Only the last of a burst of sizes matters, in the state the window is in
  // now.
  for (auto& w : windows_) {
    if (!w.second.sizePending) continue;
    w.second.sizePending = false;
    HostEvent size{HostEvent::kResized, w.first};
    size.size = windowSize(w.second.sdl);
    const Uint32 flags = SDL_GetWindowFlags(w.second.sdl);
    size.state = (flags & SDL_WINDOW_MINIMIZED)   ? HostEvent::kMinimized
                 : (flags & SDL_WINDOW_MAXIMIZED) ? HostEvent::kMaximized
                                                  : HostEvent::kRestored;
    events->push_back(size);
  }
  out_ = nullptr;
  return failure_.empty();
}

}  // namespace winport
