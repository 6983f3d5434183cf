// The host on a real display: SDL2 for windows and input, our own raster code
// drawing straight into each window's surface.
#ifndef WINPORT_SDL_HOST_H
#define WINPORT_SDL_HOST_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winport/hosts/sdl/x11.h"
#include "winport/user/host.h"

struct SDL_Window;
union SDL_Event;

namespace winport {

// The program's icon, ARGB8888 with straight alpha, row by row, which the
// program's build links in (as a Windows program carries its icon as a
// resource).
extern const uint32_t kProgramIcon[];
extern const int kProgramIconWidth;
extern const int kProgramIconHeight;

class SdlHost : public Host {
 public:
  SdlHost() = default;
  ~SdlHost() override;
  // Connects to the display; false, with the reason, when there is none.
  // Should the display go away later, `program` names the one line said
  // before the process ends with status 1.
  bool start(const char* program, std::string* error);
  // Why the host failed while running, if it did.
  const std::string& failure() const { return failure_; }

  Size screenSize() override;
  Size maximizedClientSize() override;
  Size defaultClientSize() override;
  bool openWindow(HWND hwnd, const std::string& caption, Size client) override;
  void closeWindow(HWND hwnd) override;
  void setCaption(HWND hwnd, const std::string& caption) override;
  Size showMaximized(HWND hwnd) override;
  Canvas& surface(HWND hwnd, Size client) override;
  void present(HWND hwnd) override;
  bool pumpEvents(bool wait, std::vector<HostEvent>* events) override;

 private:
  struct Window {
    SDL_Window* sdl = nullptr;
    X11Window x11;  // filled at creation
    std::unique_ptr<RasterCanvas> canvas;
    bool sizePending = false;
    bool borrowed = false;   // the canvas draws straight into SDL's surface
    bool direct = false;     // the canvas is put on the window through Xlib
    int pitch = 0;           // of the borrowed surface
    bool presentAll = true;  // the window may not show what the canvas holds
  };
  void handle(const SDL_Event& e);
  bool show(Window& w);     // false, with failure_, if it cannot be shown
  void release(Window& w);  // destroys the window unless SDL must not touch it
  void refreshScreen();
  static void dropExposes(const Window& w, unsigned long putAt);
  Window* find(unsigned sdlWindowId, HWND* hwnd);
  static Size querySize();

  bool started_ = false;
  bool abandoned_ = false;  // a window SDL must not destroy, nor SDL_Quit
  std::string where_;       // " at DISPLAY=':0'", for the lost display's line
  std::string failure_;
  std::map<HWND, Window> windows_;
  Size screen_{0, 0};                      // read at start, again when it may have changed
  std::vector<HostEvent>* out_ = nullptr;  // where handle() reports, while pumping
};

}  // namespace winport

#endif
