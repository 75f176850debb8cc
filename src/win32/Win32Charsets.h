// The charsets of mail that Windows converts itself, for the header decoder.
#pragma once

#include <string>
#include <string_view>

namespace pw::win32 {

// The code page of a MIME charset name, 0 when there is none; the names of the IANA registry as
// mail programs write them.
unsigned CodePageOfCharset(std::string_view charset);

// Converts through MultiByteToWideChar where the system has the code page installed.
bool SystemCharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8);

}  // namespace pw::win32
