// The one tray icon record (NOTIFYICONDATAA, first form) and its tip field rule.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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
  // UTF-8; the platform lays it into the 64-byte field in its code page (TipField).
  std::string tip;
};

using TipFieldBytes = std::array<char, kTipFieldSize>;

void SetTip(TrayData& data, const std::string& text);

// The tip field for a tip in the system code page: text, NUL, blanks up to 64; a longer text is
// cut at 64 bytes and loses its NUL.
TipFieldBytes TipField(std::string_view codePageText);

// The tip as the shell shows it from the field: up to the first NUL, at most 63 bytes.
std::string ShownTipBytes(const TipFieldBytes& field);

}  // namespace pw
