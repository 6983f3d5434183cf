// Captions are Windows-1251 text handed to the ANSI functions; hosts show UTF-8.
#ifndef WINPORT_CODEPAGE_H
#define WINPORT_CODEPAGE_H

#include <string>

namespace winport {

std::string cp1251ToUtf8(const char* text);

}  // namespace winport

#endif
