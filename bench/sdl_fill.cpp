// The floor for the window's figures: the least an SDL2 program does to show
// a frame. It opens a window as large as the screen, and on start and on each
// key press fills the whole of it and presents it. Alt+F4 or a close ends it.
#include <SDL.h>

#include <cstdint>

int main(int, char**) {
  // The window surface in plain memory, as the program has it: SDL's default
  // streams it through a renderer, which costs more for this.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(0, &mode) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("sdl_fill", 0, 0, mode.w, mode.h, 0);
  if (!window) return 1;
  // Pure red, then pure green: what the timer takes for a frame's edges.
  uint32_t color = 0xFF0000;
  auto show = [&] {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s) return;
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, color >> 16, (color >> 8) & 0xFF, color & 0xFF));
    SDL_UpdateWindowSurface(window);
    color ^= 0xFFFF00;  // a different frame each time, as after an arrow key
  };
  show();
  for (SDL_Event e; SDL_WaitEvent(&e);) {
    if (e.type == SDL_QUIT) break;
    if (e.type == SDL_KEYDOWN) {
      if (e.key.keysym.sym == SDLK_F4 && (e.key.keysym.mod & KMOD_ALT)) break;
      show();
    }
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) show();
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
