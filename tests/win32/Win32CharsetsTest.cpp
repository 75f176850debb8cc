// The charsets Windows converts for the header decoder, and the balloon's record of its own.
#include <gtest/gtest.h>

#include "common/HeaderText.h"
#include "tray/TrayData.h"
#include "win32/Win32Charsets.h"
#include "win32/Win32TrayShell.h"

namespace pw::win32 {
namespace {

TEST(Win32Charsets, EncodedWordsInCharsetsTheSystemKnows) {
  SetCharsetConverter(&SystemCharsetToUtf8);
  EXPECT_EQ(CleanForDisplay(DecodeHeader("=?iso-8859-2?Q?=A3=F3d=BC?=")), "Łódź");
  EXPECT_EQ(CleanForDisplay(DecodeHeader("=?koi8-r?B?8NLJ18XU?=")), "Привет");
  EXPECT_EQ(CleanForDisplay(DecodeHeader("=?windows-1251?Q?=CC=E8=F0?=")), "Мир");
  EXPECT_EQ(CleanForDisplay(DecodeHeader("=?x-nothing?Q?abc?=")), "=?x-nothing?Q?abc?=");
  SetCharsetConverter(nullptr);
}

TEST(Win32Charsets, TheBalloonHasItsOwnWholeRecord) {
  TrayData icon;
  icon.uID = 1;
  const std::string longText(400, 'x');
  NOTIFYICONDATAW nid = ToBalloonData(icon, "Neue Nachricht für Büro Anna!", longText);
  EXPECT_EQ(nid.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(nid.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(std::wstring(nid.szInfoTitle), L"Neue Nachricht für Büro Anna!");
  EXPECT_EQ(std::wstring(nid.szInfo).size(), 255u);
}

}  // namespace
}  // namespace pw::win32
