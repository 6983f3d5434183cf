// The headless host, and the host() switch every winport call goes through.
// Surfaces live in memory; input is the queued script, one item per wait, then
// a close. Left out: a notion of time, several screens.
#include "headless.h"

#include <algorithm>

namespace winport {

namespace {

HeadlessHost& defaultHost() {
  static HeadlessHost h;
  return h;
}

Host* current = nullptr;

}  // namespace

Host& host() { return current ? *current : defaultHost(); }
void setHost(Host* h) { current = h; }

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
  windows_[hwnd] = Window{client, nullptr};
  caption_ = caption;
  closeSent_ = false;
  return true;
}

void HeadlessHost::closeWindow(HWND hwnd) { windows_.erase(hwnd); }

void HeadlessHost::showMaximized(HWND hwnd) { windowResized(hwnd, maximizedClientSize(), true); }

Canvas& HeadlessHost::surface(HWND hwnd) {
  Window& w = windows_[hwnd];
  RECT client{0, 0, 0, 0};
  GetClientRect(hwnd, &client);
  // Pixels exist only where the window is on the screen, its top-left at the
  // screen's, as a display keeps them: a 65535x65535 client would need 16 GiB.
  const Size size{std::clamp<int>(client.right, 0, std::max(screen_.width, 0)),
                  std::clamp<int>(client.bottom, 0, std::max(screen_.height, 0))};
  if (!w.canvas || w.canvas->width() != size.width || w.canvas->height() != size.height) {
    w.canvas = std::make_unique<RasterCanvas>(size.width, size.height);
  }
  return *w.canvas;
}

bool HeadlessHost::pumpEvents(bool wait) {
  if (!wait) return true;  // input arrives one item per wait, as a user types
  HWND target = firstWindow();
  if (script_.empty()) {
    if (!closeWhenIdle_ || closeSent_ || !target) return false;
    closeSent_ = true;
    postClose(target);
    return true;
  }
  const Input in = script_.front();
  script_.pop_front();
  if (!target) return true;
  switch (in.kind) {
    case Input::kKey:
      postKeyDown(target, in.vk, in.repeat, in.alt);
      postKeyUp(target, in.vk, in.alt);
      break;
    case Input::kResize:
      windowResized(target, in.size, false);
      break;
    case Input::kClose:
      postClose(target);
      break;
  }
  return true;
}

}  // namespace winport
