// The crossing between the program's UTF-8 and the UTF-16 of the W functions.
#pragma once

#include <string>
#include <string_view>

namespace pw::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace pw::win32
