// The page's entry: the program's own WinMain on the browser host. It returns
// only if the window is destroyed, which the page never asks for.
#include <windows.h>

#include "winport/hosts/browser/browser_host.h"

int main() {
  static winport::BrowserHost browser;
  winport::setHost(&browser);
  char commandLine[] = "";
  return WinMain(nullptr, nullptr, commandLine, SW_SHOWDEFAULT);
}
