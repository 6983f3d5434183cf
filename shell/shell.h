// The Win32 program: one maximised window whose arrow keys move the eye and
// whose every paint draws the current frame.
#ifndef SHELL_SHELL_H
#define SHELL_SHELL_H

#include <windows.h>

extern const char kClassName[];
// Windows-1251 text, handed as it is to the ANSI functions.
extern const char kCaption[];
// The same caption in UTF-16 (UTF-32 where wchar_t is 32 bits), for systems
// whose ANSI code page is not 1251.
extern const wchar_t kCaptionWide[];

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class, creates the window, maximises and paints it. Returns
// nullptr when the class or the window cannot be made.
HWND openMainWindow(HINSTANCE instance);

// Runs until WM_QUIT; returns its exit code, or 1 when GetMessageA fails.
int runMessageLoop();

// Applies an arrow key to the eye and asks for a repaint; other keys do nothing.
void stepEye(HWND hwnd, WPARAM key);

// WM_PAINT: computes the frame and draws it on the window.
void paintFrame(HWND hwnd);

// Draws the computed frame on any device context of the client size:
// origin at the centre, edges, then circles and labels.
void drawFrame(HDC dc);

#endif
