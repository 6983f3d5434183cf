// The headless host. Surfaces live in memory; input is the queued script, one
// item per wait, then a close. Left out: a notion of time, several screens.
#include "winport/hosts/headless/headless.h"

#include <algorithm>

namespace winport {

HeadlessHost::HeadlessHost(Size screen) : screen_(screen) {}

void HeadlessHost::queueKey(int vk, bool alt, bool repeat) {
  script_.push_back({Input::kKey, vk, alt, repeat, {0, 0}});
}

void HeadlessHost::queueResize(Size client) {
  script_.push_back({Input::kResize, 0, false, false, client});
}

void HeadlessHost::queueClose() { script_.push_back({Input::kClose, 0, false, false, {0, 0}}); }

const RasterCanvas* HeadlessHost::canvas(HWND hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.canvas.get();
}

bool HeadlessHost::openWindow(HWND hwnd, const std::string& caption, Size client) {
  (void)client;
  windows_[hwnd] = Window{};
  opened_.push_back(hwnd);
  caption_ = caption;
  closeSent_ = false;
  return true;
}

void HeadlessHost::closeWindow(HWND hwnd) {
  windows_.erase(hwnd);
  opened_.erase(std::remove(opened_.begin(), opened_.end(), hwnd), opened_.end());
}

Canvas& HeadlessHost::surface(HWND hwnd, Size client) {
  Window& w = windows_[hwnd];
  // Pixels exist only where the window is on the screen, its top-left at the
  // screen's, as a display keeps them: a 65535x65535 client would need 16 GiB.
  const Size size{std::clamp<int>(client.width, 0, std::max(screen_.width, 0)),
                  std::clamp<int>(client.height, 0, std::max(screen_.height, 0))};
  if (!w.canvas || w.canvas->width() != size.width || w.canvas->height() != size.height) {
    w.canvas = std::make_unique<RasterCanvas>(size.width, size.height);
  }
  return *w.canvas;
}

bool HeadlessHost::pumpEvents(bool wait, std::vector<HostEvent>* events) {
  if (!wait) return true;  // input arrives one item per wait, as a user types
  // Input goes to the oldest window, as a user's focus stays on it.
  HWND target = opened_.empty() ? nullptr : opened_.front();
  if (script_.empty()) {
    if (!closeWhenIdle_ || closeSent_ || !target) return false;
    closeSent_ = true;
    events->push_back({HostEvent::kClose, target});
    return true;
  }
  const Input in = script_.front();
  script_.pop_front();
  if (!target) return true;
  HostEvent e{HostEvent::kClose, target};
  switch (in.kind) {
    case Input::kKey:
      e.kind = HostEvent::kKeyDown;
      e.vk = in.vk;
      e.repeat = in.repeat;
      e.alt = in.alt;
      events->push_back(e);
      e.kind = HostEvent::kKeyUp;
      e.repeat = false;
      events->push_back(e);
      break;
    case Input::kResize:
      e.kind = HostEvent::kResized;
      e.size = in.size;
      events->push_back(e);
      break;
    case Input::kClose:
      events->push_back(e);
      break;
  }
  return true;
}

}  // namespace winport
