#include "winport/hosts/browser/browser_host.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The page's side, in browser_host.js.
extern "C" {
void hc_listen();
void hc_title(const char* utf8);
void hc_size(int* out, int screen);
int hc_next(int* out);
void hc_wait();
void hc_canvas(int width, int height);
void hc_put(const uint32_t* rgba, int x, int y, int width, int height);
void hc_frame();
void hc_say(const char* utf8);
void hc_warn(const char* utf8);
}

namespace winport {

namespace {

// What browser_host.js queues, one record of six ints per event.
enum PageEvent { kPageKeyDown = 0, kPageKeyUp = 1, kPageResized = 2, kPageExposed = 3 };

// Pixels converted and put at a time: a band of the changed rectangle, so that
// a whole huge canvas never needs a second copy in memory.
constexpr size_t kBandPixels = size_t{1} << 20;

Size pageSize(bool screen) {
  int out[2] = {0, 0};
  hc_size(out, screen ? 1 : 0);
  return {out[0], out[1]};
}

}  // namespace

BrowserHost::BrowserHost() { hc_listen(); }

Size BrowserHost::screenSize() { return pageSize(true); }

Size BrowserHost::maximizedClientSize() { return pageSize(false); }

bool BrowserHost::openWindow(HWND hwnd, const std::string& caption, Size) {
  if (window_) return false;
  window_ = hwnd;
  hc_title(caption.c_str());
  return true;
}

void BrowserHost::setCaption(HWND hwnd, const std::string& caption) {
  if (hwnd == window_) hc_title(caption.c_str());
}

void BrowserHost::closeWindow(HWND hwnd) {
  if (hwnd == window_) window_ = nullptr;
}

Canvas& BrowserHost::surface(HWND, Size client) {
  const Size size{std::max(client.width, 0), std::max(client.height, 0)};
  if (canvas_ && size.width == size_.width && size.height == size_.height) return *canvas_;
  // The old pixels go first, so that the new ones may take their place; the
  // page's canvas still shows them.
  canvas_.reset();
  pixels_.reset();
  size_ = size;
  const size_t count = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
  // malloc, not new: without exceptions a failed new aborts the page.
  if (count <= SIZE_MAX / 4) {
    pixels_.reset(static_cast<uint32_t*>(std::malloc(std::max<size_t>(count, 1) * 4)));
  }
  if (pixels_) {
    canvas_ =
        std::make_unique<RasterCanvas>(pixels_.get(), size.width, size.height, size.width * 4);
    presentAll_ = true;
    saidOutOfMemory_ = false;
  } else {
    // The page keeps the last good frame; the next size tries again.
    canvas_ = std::make_unique<RasterCanvas>(nullptr, 0, 0, 0);
    if (!saidOutOfMemory_) {
      char line[120];
      std::snprintf(line, sizeof line,
                    "hypercube: no memory for a %dx%d frame; the page keeps showing the last one",
                    size.width, size.height);
      hc_warn(line);
      saidOutOfMemory_ = true;
    }
  }
  return *canvas_;
}

void BrowserHost::present(HWND hwnd) {
  if (hwnd != window_ || !canvas_ || !pixels_) return;
  const int w = canvas_->width(), h = canvas_->height();
  // Only what the paint changed goes to the page, unless the page's canvas is
  // new or was cleared.
  PixelRect r = canvas_->takeChanged();
  if (presentAll_) r = {0, 0, w, h};
  presentAll_ = false;
  hc_canvas(w, h);
  if (!r.empty()) {
    const int rw = r.right - r.left;
    const int rows = static_cast<int>(std::max<size_t>(1, kBandPixels / static_cast<size_t>(rw)));
    for (int top = r.top; top < r.bottom; top += rows) {
      const int bottom = std::min(r.bottom, top + rows);
      rgba_.resize(static_cast<size_t>(rw) * static_cast<size_t>(bottom - top));
      uint32_t* out = rgba_.data();
      for (int y = top; y < bottom; ++y) {
        const uint32_t* in = canvas_->row(y) + r.left;
        // 0x00RRGGBB to the bytes R, G, B, A.
        for (int x = 0; x < rw; ++x) *out++ = colorrefToRgb(in[x]) | 0xFF000000u;
      }
      hc_put(rgba_.data(), r.left, top, rw, bottom - top);
    }
  }
  hc_frame();
  if (describe_) {
    std::string words = describe_();
    if (words != said_) {
      said_ = std::move(words);
      hc_say(said_.c_str());
    }
  }
}

bool BrowserHost::pumpEvents(bool wait, std::vector<HostEvent>* events) {
  int e[6];
  bool any = false;
  for (;;) {
    while (hc_next(e)) {
      any = true;
      if (!window_) continue;
      if (e[0] == kPageExposed) presentAll_ = true;
      HostEvent ev{e[0] == kPageResized   ? HostEvent::kResized
                   : e[0] == kPageExposed ? HostEvent::kExposed
                   : e[0] == kPageKeyUp   ? HostEvent::kKeyUp
                                          : HostEvent::kKeyDown,
                   window_};
      ev.vk = e[1];
      ev.repeat = e[2] != 0;
      ev.alt = e[3] != 0;
      ev.size = {e[4], e[5]};
      ev.state = HostEvent::kMaximized;
      events->push_back(ev);
    }
    if (!wait || any) return true;
    hc_wait();  // the wasm stack sleeps here until the page has an event
  }
}

}  // namespace winport
