// A host without a display: windows paint into memory, input comes from a
// script queued in advance, and when the script is used up the window is
// closed as a user would close it. Tests read the pixels of each window.
#ifndef WINPORT_HEADLESS_H
#define WINPORT_HEADLESS_H

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winport/user/host.h"

namespace winport {

class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(Size screen = {1920, 1080});

  void setScreen(Size screen) { screen_ = screen; }
  // Input delivered, in order, when the program asks for messages.
  void queueKey(int vk, bool alt = false, bool repeat = false);
  void queueResize(Size client);
  void queueClose();
  bool inputPending() const { return !script_.empty(); }
  // Whether a close is sent when the script runs out (the default).
  void setCloseWhenIdle(bool close) { closeWhenIdle_ = close; }

  // The window's pixels as last painted, or nullptr: the part of the client
  // area on the screen, the window's top-left at the screen's.
  const RasterCanvas* canvas(HWND hwnd) const;
  int presents() const { return presents_; }

  Size screenSize() override { return screen_; }
  Size maximizedClientSize() override { return screen_; }
  Size defaultClientSize() override { return {800, 600}; }
  bool openWindow(HWND hwnd, const std::string& caption, Size client) override;
  void closeWindow(HWND hwnd) override;
  void setCaption(HWND, const std::string& caption) override { caption_ = caption; }
  Size showMaximized(HWND) override { return maximizedClientSize(); }
  Canvas& surface(HWND hwnd, Size client) override;
  void present(HWND) override { ++presents_; }
  bool pumpEvents(bool wait, std::vector<HostEvent>* events) override;

  const std::string& caption() const { return caption_; }

 private:
  struct Input {
    enum Kind { kKey, kResize, kClose } kind;
    int vk;
    bool alt;
    bool repeat;
    Size size;
  };
  struct Window {
    std::unique_ptr<RasterCanvas> canvas;
  };
  Size screen_;
  std::deque<Input> script_;
  std::map<HWND, Window> windows_;
  std::vector<HWND> opened_;  // in the order they were opened
  std::string caption_;
  bool closeWhenIdle_ = true;
  bool closeSent_ = false;
  int presents_ = 0;
};

}  // namespace winport

#endif
