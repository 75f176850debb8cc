// The crossings between the program's UTF-8 and the platform: the UTF-16 of the W functions,
// and the system ANSI code page of the A calls whose form is part of the contract.
#pragma once

#include <string>
#include <string_view>

namespace pw::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// UTF-8 to the system code page (CP_ACP) and back. A character the code page cannot hold
// becomes "?" (no best-fit look-alike), as the program's own conversion always gave.
std::string ToSystemCodePage(std::string_view utf8);
std::string FromSystemCodePage(std::string_view bytes);

}  // namespace pw::win32
