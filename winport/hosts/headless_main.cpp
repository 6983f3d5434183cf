// The process entry of hypercube-headless, a test variant of the program: the
// same WinMain on the headless host, its input a script of keys and resizes
// given on the command line, closed as a user would when the script ends.
//   L U R D     the arrow keys
//   A           Alt+Up, a system key the program ignores
//   K           a key the program ignores
//   S           a resize to 801x601; M back to the maximised size
// Prints the exit code, the number of paints shown and the GDI objects left.
#include <windows.h>

#include <cstdio>

#include "winport/dc.h"
#include "winport/hosts/headless.h"

int main(int argc, char** argv) {
  winport::HeadlessHost host({1280, 800});
  const char* script = argc > 1 ? argv[1] : "";
  for (const char* c = script; *c; ++c) {
    switch (*c) {
      case 'L':
        host.queueKey(VK_LEFT);
        break;
      case 'U':
        host.queueKey(VK_UP);
        break;
      case 'R':
        host.queueKey(VK_RIGHT);
        break;
      case 'D':
        host.queueKey(VK_DOWN);
        break;
      case 'A':
        host.queueKey(VK_UP, true);
        break;
      case 'K':
        host.queueKey('K');
        break;
      case 'S':
        host.queueResize({801, 601});
        break;
      case 'M':
        host.queueResize(host.maximizedClientSize());
        break;
      default:
        std::fprintf(stderr, "hypercube-headless: '%c' is not one of LURDAKSM\n", *c);
        return 2;
    }
  }
  winport::setHost(&host);
  char commandLine[] = "";
  const int code = WinMain(nullptr, nullptr, commandLine, SW_SHOWDEFAULT);
  winport::setHost(nullptr);
  std::printf("exit %d, %d paints, %d GDI objects left\n", code, host.presents(),
              winport::liveGdiObjects());
  return code;
}
