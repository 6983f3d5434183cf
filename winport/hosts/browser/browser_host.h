// The host in a web browser: the page is the one maximised window, its client
// area a canvas filling the page, painted from our raster code's pixels. The
// program's own message loop runs unchanged: waiting for a message suspends the
// wasm stack (Asyncify) until the page has an event, so an idle page runs no
// code at all.
#ifndef WINPORT_HOSTS_BROWSER_HOST_H
#define WINPORT_HOSTS_BROWSER_HOST_H

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "winport/user/host.h"

namespace winport {

class BrowserHost : public Host {
 public:
  // Starts listening to the page's keys, pointers and size.
  BrowserHost();

  // What each presented frame shows, in words, for the page's live region;
  // said only when it differs from what was said last.
  void setDescriber(std::function<std::string()> describe) { describe_ = std::move(describe); }

  Size screenSize() override;
  Size maximizedClientSize() override;
  Size defaultClientSize() override { return maximizedClientSize(); }
  bool openWindow(HWND hwnd, const std::string& caption, Size client) override;
  void closeWindow(HWND hwnd) override;
  void setCaption(HWND hwnd, const std::string& caption) override;
  Size showMaximized(HWND) override { return maximizedClientSize(); }
  Canvas& surface(HWND hwnd, Size client) override;
  void present(HWND hwnd) override;
  bool pumpEvents(bool wait, std::vector<HostEvent>* events) override;

 private:
  HWND window_ = nullptr;  // the page holds one window
  // The client area's pixels; pixels_ is null after an allocation failed, and
  // canvas_ then swallows the paint while the page keeps the last good frame.
  struct Free {
    void operator()(uint32_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint32_t, Free> pixels_;
  std::unique_ptr<RasterCanvas> canvas_;
  Size size_{-1, -1};       // the size canvas_ was made for
  bool presentAll_ = true;  // the page's canvas lost or never had our pixels
  bool saidOutOfMemory_ = false;
  std::vector<uint32_t> rgba_;  // one band of pixels in ImageData's byte order
  std::function<std::string()> describe_;
  std::string said_;
};

}  // namespace winport

#endif
