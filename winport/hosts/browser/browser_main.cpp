// The page's entry: the program's own WinMain on the browser host. It returns
// only if the window is destroyed, which the page never asks for.
#include <windows.h>

#include <string>

#include "geometry/scene.h"
#include "winport/hosts/browser/browser_host.h"

namespace {

std::string count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What the last painted frame shows, from the scene it was painted from, for
// someone who cannot see it: "Vertex 2 hidden, 15 visible; 28 solid red
// edges, 4 dotted green edges, none blue".
std::string describeFrame() {
  std::string hidden;
  int hiddenCount = 0;
  for (int i = 0; i < kVertexCount; ++i) {
    if (scene.points2[i].visible) continue;
    ++hiddenCount;
    if (!hidden.empty()) hidden += ", ";
    hidden += std::to_string(i);
  }
  std::string words;
  if (hiddenCount == 0) {
    words = "All 16 vertices visible";
  } else if (hiddenCount == kVertexCount) {
    words = "All 16 vertices hidden";
  } else {
    const size_t last = hidden.rfind(", ");
    if (last != std::string::npos) hidden.replace(last, 2, " and ");
    words = (hiddenCount == 1 ? "Vertex " : "Vertices ") + hidden + " hidden, " +
            std::to_string(kVertexCount - hiddenCount) + " visible";
  }
  // Edges by how many of their ends are visible: none, one, both.
  int edges[3] = {0, 0, 0};
  for (const ScreenEdge& e : scene.edges)
    ++edges[e.visibleCount < 0 ? 0 : e.visibleCount > 2 ? 2 : e.visibleCount];
  const char* kinds[3][3] = {{"dotted blue edge", "dotted blue edges", "none blue"},
                             {"dotted green edge", "dotted green edges", "none green"},
                             {"solid red edge", "solid red edges", "none red"}};
  for (int k = 2; k >= 0; --k) {
    words += k == 2 ? "; " : ", ";
    words += edges[k] ? count(edges[k], kinds[k][0], kinds[k][1]) : kinds[k][2];
  }
  return words;
}

}  // namespace

int main() {
  static winport::BrowserHost browser;
  browser.setDescriber(describeFrame);
  winport::setHost(&browser);
  char commandLine[] = "";
  return WinMain(nullptr, nullptr, commandLine, SW_SHOWDEFAULT);
}
