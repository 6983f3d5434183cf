// The host in a web browser: the page is the one maximised window, its client
// area a canvas filling the page, painted from our raster code's pixels. The
// program's own message loop runs unchanged: waiting for a message suspends the
// wasm stack (Asyncify) until the page has an event, so an idle page runs no
// code at all.
#ifndef WINPORT_HOSTS_BROWSER_HOST_H
#define WINPORT_HOSTS_BROWSER_HOST_H

#include <cstdint>
#include <memory>
#include <vector>

#include "winport/user/host.h"

namespace winport {

class BrowserHost : public Host {
 public:
  // Starts listening to the page's keys and size.
  BrowserHost();

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
  std::unique_ptr<RasterCanvas> canvas_;
  std::vector<uint32_t> rgba_;  // the canvas's pixels in ImageData's byte order
};

}  // namespace winport

#endif
