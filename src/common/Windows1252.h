// Windows-1252, the code page of data that is 1252 by definition (the scrambled password), and the
// UTF-8 coding both sides of it share.
#pragma once

#include <string>
#include <string_view>

namespace pw {

// UTF-8 to Windows-1252 bytes. A character the code page cannot hold becomes '?'.
// The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 ... as Windows
// does.
std::string To1252(std::string_view utf8);

// Windows-1252 bytes to UTF-8; every byte 0-255 has a character.
std::string From1252(std::string_view bytes);

// The Windows-1252 code (0-255) of one character, or -1 if the code page has none for it.
int Cp1252Code(char32_t ch);

// The character of a Windows-1252 code.
char32_t Cp1252Char(unsigned char code);

// UTF-8 helpers shared by the conversions. A stray byte decodes as its Windows-1252 character.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);

}  // namespace pw
