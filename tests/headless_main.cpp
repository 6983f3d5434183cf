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

#include "winport/gdi/dc.h"
#include "winport/hosts/headless/headless.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "hypercube-headless: one script at most, got %d arguments\n", argc - 1);
    return 2;
  }
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
      default: {
        // Anything but printable ASCII as a code, so the line cannot drive
        // the terminal.
        const unsigned char u = static_cast<unsigned char>(*c);
        char shown[8];
        if (u >= 0x20 && u < 0x7f)
          std::snprintf(shown, sizeof shown, "%c", u);
        else
          std::snprintf(shown, sizeof shown, "\\x%02x", u);
        std::fprintf(stderr, "hypercube-headless: '%s' at position %d is not one of LURDAKSM\n",
                     shown, static_cast<int>(c - script) + 1);
        return 2;
      }
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
