// Text that names the user's input in a message (an argument, an
// environment variable), made safe to print.
#ifndef TOOLS_PRINTABLE_H
#define TOOLS_PRINTABLE_H

#include <cstddef>
#include <string>

// The length of the UTF-8 sequence at s[i], or 0 when there is none.
size_t utf8Length(const std::string& s, size_t i);

// `s` with control characters (C1 included) and bytes that are not UTF-8 as
// \xNN, so a message quoting it stays one line and cannot drive the terminal.
std::string printable(const std::string& s);

// printable(s) in single quotes, cut short after about `limit` bytes with
// its whole length, so that a long name never crowds out the message.
std::string quoted(const std::string& s, size_t limit = 48);

#endif
