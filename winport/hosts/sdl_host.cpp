// SDL2 host: one SDL window per top-level window, drawn by our raster code
// into the window surface (XRGB8888) and shown with SDL_UpdateWindowSurface.
// Keys become Windows virtual-key codes; the window manager's close request
// becomes a close. Left out: mouse input, text input, several displays.
#include "winport/hosts/sdl_host.h"

#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "winport/hosts/x11.h"

namespace winport {
namespace {

// Windows virtual-key code for an SDL key, or 0 for keys we do not map.
int virtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  switch (key) {
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    default:
      return 0;
  }
}

Size windowSize(SDL_Window* w) {
  Size s{0, 0};
  SDL_GetWindowSize(w, &s.width, &s.height);
  return s;
}

}  // namespace

SdlHost::~SdlHost() {
  for (auto& w : windows_) SDL_DestroyWindow(w.second.sdl);
  if (started_) SDL_Quit();
}

bool SdlHost::start(const char* program, std::string* error) {
  // Without this SDL may route the window surface through software OpenGL:
  // slower to start, more memory and slower frames.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // A still picture has no reason to hold off the screen saver, and asking
  // the session bus to would start D-Bus before the first frame.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // SDL opens an X input method, and Xlib then parses the locale's whole
  // Compose table: a third of the start-up. The program takes no text, only
  // keys, so an empty table serves unless the user has chosen one.
  setenv("XCOMPOSEFILE", "/dev/null", 0);
  // Without a Wayland session, probing for one only prints noise.
  if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("WAYLAND_DISPLAY")) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  const char* display = SDL_getenv("DISPLAY");
  const std::string where =
      display ? " at DISPLAY='" + std::string(display) + "'" : " (DISPLAY is not set)";
  // Before SDL_Init: SDL keeps the handler it finds, calls it from its own and
  // puts it back in SDL_Quit, just before closing the connections, when a late
  // error may still be read.
  installX11ErrorHandlers(program);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = "cannot open a display" + where + ": " + SDL_GetError();
    return false;
  }
  started_ = true;
  screen_ = querySize();
  // SDL falls back to drivers that show nothing; a program nobody can see is
  // no success.
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string name = driver ? driver : "";
  if (name == "offscreen" || name == "dummy" || name == "evdev" || name.empty()) {
    *error =
        "cannot open a display" + where + ": only the '" + name + "' video driver is available";
    return false;
  }
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
  SDL_Window* w = SDL_CreateWindow(
      caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, std::max(1, client.width),
      std::max(1, client.height), SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!w) {
    failure_ = std::string("cannot create a window: ") + SDL_GetError();
    return false;
  }
  windows_[hwnd].sdl = w;
  return true;
}

void SdlHost::setCaption(HWND hwnd, const std::string& caption) {
  auto it = windows_.find(hwnd);
  if (it != windows_.end() && it->second.sdl) SDL_SetWindowTitle(it->second.sdl, caption.c_str());
}

void SdlHost::closeWindow(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  SDL_DestroyWindow(it->second.sdl);
  windows_.erase(it);
}

Size SdlHost::showMaximized(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return {0, 0};
  Window& w = it->second;
  // A window manager maximises on request; a bare X server ignores the
  // request, so the window is first given the usable area itself.
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    SDL_SetWindowPosition(w.sdl, usable.x, usable.y);
    SDL_SetWindowSize(w.sdl, usable.w, usable.h);
  }
  SDL_MaximizeWindow(w.sdl);
  SDL_ShowWindow(w.sdl);
  w.maximized = true;
  return windowSize(w.sdl);
}

Canvas& SdlHost::surface(HWND hwnd, Size client) {
  Window& w = windows_[hwnd];
  const Size screen = screen_;
  // A window larger than the screen keeps pixels only for the screen-sized part
  // at its top-left, in memory, put on the window directly: SDL's surface for it
  // would take gigabytes, and past 2 GiB SDL's size arithmetic overflows and
  // hands out a buffer smaller than the surface it describes.
  if (client.width > screen.width || client.height > screen.height) {
    w.direct = canPutDirectly(w.sdl);
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
    putDirectly(w.sdl, *w.canvas);
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
  SDL_UpdateWindowSurfaceRects(w.sdl, &rect, 1);
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
      // so the program ends normally with status 0.
      for (auto& w : windows_) out_->push_back({HostEvent::kClose, w.first});
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
          w->maximized = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED) != 0 || w->maximized;
          w->sizePending = true;
          break;
        case SDL_WINDOWEVENT_MINIMIZED: {
          HostEvent minimized{HostEvent::kResized, hwnd};
          minimized.state = HostEvent::kMinimized;
          out_->push_back(minimized);
          break;
        }
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
      failure_ = std::string("lost the display: ") + SDL_GetError();
      return false;
    }
    handle(e);
  }
  while (SDL_PollEvent(&e)) handle(e);
  // Only the last of a burst of sizes matters.
  for (auto& w : windows_) {
    if (!w.second.sizePending) continue;
    w.second.sizePending = false;
    HostEvent size{HostEvent::kResized, w.first};
    size.size = windowSize(w.second.sdl);
    size.state = w.second.maximized ? HostEvent::kMaximized : HostEvent::kRestored;
    events->push_back(size);
  }
  out_ = nullptr;
  return true;
}

}  // namespace winport
