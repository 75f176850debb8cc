// The one tray icon record (NOTIFYICONDATAA, first form) and its tip field rule.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/WindowHandle.h"

namespace pw {

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessageIconTip = 7;
inline constexpr std::uint32_t kWmMouseMove = 512;
inline constexpr std::size_t kTipFieldSize = 64;

struct TrayData {
  std::uint32_t cbSize = 0;
  WindowHandle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  IconHandle hIcon = 0;
  // Windows-1252 bytes: text, NUL, blanks up to 64; a longer text is cut at 64 and loses its NUL.
  std::array<char, kTipFieldSize> szTip{};
};

// Stores text + NUL left-aligned in the 64-byte tip field.
void SetTip(TrayData& data, const std::string& text);

// The tip as the shell shows it: up to the first NUL, at most 63 characters, as UTF-8.
std::string ShownTip(const TrayData& data);

}  // namespace pw
