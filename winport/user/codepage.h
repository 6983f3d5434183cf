// Text handed to the ANSI functions is in the system's ANSI code page; hosts
// show UTF-8.
#ifndef WINPORT_CODEPAGE_H
#define WINPORT_CODEPAGE_H

#include <string>

namespace winport {

// The ANSI code page: 1251 (Cyrillic, the program's own caption) unless set;
// 1252 (Western European) is the other one known, so that a test can run the
// program as most Windows systems would.
void setAnsiCodePage(unsigned codePage);
std::string ansiToUtf8(const char* text);

// UTF-16 or UTF-32 text, whichever wchar_t holds, to UTF-8; what is not a
// character (a lone surrogate, a value past U+10FFFF) becomes U+FFFD.
std::string wideToUtf8(const wchar_t* text);

// UTF-8 to Windows-1251, for drawing with a Cyrillic bitmap face; what the
// code page lacks, and bytes that are not UTF-8, become '?'.
std::string utf8To1251(const std::string& text);

}  // namespace winport

#endif
