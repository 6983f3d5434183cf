#include "winport/hosts/browser/browser_host.h"

#include <emscripten.h>

#include <algorithm>

// The page's side, in browser_host.js.
extern "C" {
void hc_listen();
void hc_title(const char* utf8);
void hc_size(int* out, int screen);
int hc_next(int* out);
void hc_wait();
void hc_present(const uint32_t* rgba, int width, int height);
}

namespace winport {

namespace {

// What browser_host.js queues, one record of six ints per event.
enum PageEvent { kPageKeyDown = 0, kPageKeyUp = 1, kPageResized = 2, kPageExposed = 3 };

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
  if (!canvas_ || canvas_->width() != size.width || canvas_->height() != size.height) {
    canvas_ = std::make_unique<RasterCanvas>(size.width, size.height);
  }
  return *canvas_;
}

void BrowserHost::present(HWND hwnd) {
  if (hwnd != window_ || !canvas_) return;
  const int w = canvas_->width(), h = canvas_->height();
  rgba_.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  uint32_t* out = rgba_.data();
  for (int y = 0; y < h; ++y) {
    const uint32_t* in = canvas_->row(y);
    // 0x00RRGGBB to the bytes R, G, B, A.
    for (int x = 0; x < w; ++x) *out++ = colorrefToRgb(in[x]) | 0xFF000000u;
  }
  hc_present(rgba_.data(), w, h);
}

bool BrowserHost::pumpEvents(bool wait, std::vector<HostEvent>* events) {
  int e[6];
  bool any = false;
  for (;;) {
    while (hc_next(e)) {
      any = true;
      if (!window_) continue;
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
