// Captions are Windows-1251 text handed to the ANSI functions; hosts show UTF-8.
#ifndef WINPORT_CODEPAGE_H
#define WINPORT_CODEPAGE_H

#include <string>

namespace winport {

std::string cp1251ToUtf8(const char* text);

// UTF-16 or UTF-32 text, whichever wchar_t holds, to UTF-8; what is not a
// character (a lone surrogate, a value past U+10FFFF) becomes U+FFFD.
std::string wideToUtf8(const wchar_t* text);

}  // namespace winport

#endif
