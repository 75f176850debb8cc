// Crossing between the program's UTF-8 text and the ANSI code page (Windows-1252) of the platform.
#pragma once

#include <string>
#include <string_view>

namespace pw {

// UTF-8 to Windows-1252 bytes. A character the code page cannot hold becomes '?'.
// The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 ... as Windows does.
std::string ToAnsi(std::string_view utf8);

// Windows-1252 bytes to UTF-8; every byte 0-255 has a character.
std::string FromAnsi(std::string_view ansi);

// The ANSI code (0-255) of one character, or -1 if the code page has none for it.
int AnsiCode(char32_t ch);

// The character of an ANSI code.
char32_t AnsiChar(unsigned char code);

// UTF-8 helpers shared by the conversions.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);

// Upper case as the registry compares key names (ANSI letters, umlauts included).
std::string AnsiUpper(std::string_view ansi);

}  // namespace pw
