// The host switch every USER call goes through.
#include "winport/user/host.h"

namespace winport {
namespace {

// Where no host was set: no screen, and no window can be opened.
class NoHost : public Host {
 public:
  Size screenSize() override { return {0, 0}; }
  Size maximizedClientSize() override { return {0, 0}; }
  Size defaultClientSize() override { return {0, 0}; }
  bool openWindow(HWND, const std::string&, Size) override { return false; }
  void closeWindow(HWND) override {}
  void setCaption(HWND, const std::string&) override {}
  Size showMaximized(HWND) override { return {0, 0}; }
  Canvas& surface(HWND, Size) override { return empty_; }
  void present(HWND) override {}
  bool pumpEvents(bool, std::vector<HostEvent>*) override { return false; }

 private:
  RasterCanvas empty_{0, 0};
};

NoHost noHost;
Host* current = nullptr;

}  // namespace

Host& host() { return current ? *current : noHost; }
void setHost(Host* h) { current = h; }

}  // namespace winport
