// The About box as a real window, and the version read from a version resource.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "about/FrmAbout.h"
#include "substitute/FakeAboutView.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeWindowSystem.h"
#include "tests/win32/Win32TestSupport.h"
#include "win32/AboutWindow.h"
#include "win32/CommandIds.h"
#include "win32/Strconv.h"
#include "win32/Win32VersionInfo.h"
#include "win32/WindowBase.h"

namespace pw::win32 {
namespace {

std::wstring Text(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 512)));
  return text;
}

class AboutWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { PW_REQUIRE_DISPLAY(); }
  void TearDown() override { about_.reset(); }

  HWND Find() { return FindWindowW(kDialogWindowClass, L"Info zu Postwacht"); }
  void Key(HWND control, WPARAM key) {
    MSG msg{control, WM_KEYDOWN, key, 0, GetTickCount(), {}};
    loop_.Dispatch(msg);
  }

  FakeRegistry registry_;
  FakeWindowSystem windows_;
  FakeDialogs dialogs_;
  FakeVersionInfo version_;
  FakeTimerFactory timers_;
  std::unique_ptr<Timer> timer2_ = timers_.CreateTimer([] {});
  Win32EventLoop loop_;
  AboutWindowFactory views_{GetModuleHandleW(nullptr), loop_};
  std::unique_ptr<FrmAbout> about_ = std::make_unique<FrmAbout>(
      views_, AboutServices{registry_, windows_, dialogs_, version_}, *timer2_);
};

TEST_F(AboutWindowTest, ShowsItsTextsInAFixedCentredBoxWithOkFocused) {
  about_->Show();
  HWND box = Find();
  ASSERT_NE(box, nullptr);
  test::PumpFor(50);
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  const LONG_PTR style = GetWindowLongPtrW(box, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

  RECT client{};
  GetClientRect(box, &client);
  EXPECT_EQ(client.right, TwipsToPixels(8250));
  EXPECT_EQ(client.bottom, TwipsToPixels(3795));
  RECT outer{}, work{};
  GetWindowRect(box, &outer);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((outer.left + outer.right) / 2 - (work.left + work.right) / 2), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) / 2 - (work.top + work.bottom) / 2), 1);

  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutTitle)), L"Postwacht");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutVersion)), L"1.0.46");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutProduktname)), L"Produktname");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutVersionHeading)), L"Version ");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutCopyright)), L"Copyright");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutBeschreibung)), L"Beschreibung");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutMaker)), Widen(kAboutMaker));
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutDescription)), Widen(kAboutDescription));
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutErstellt)),
            L"Erstellt am 30.10.'00 Letzte Korrektur 30.11.'00");
  HWND ok = GetDlgItem(box, IDOK);
  EXPECT_EQ(Text(ok), L"OK");
  EXPECT_EQ(Text(GetDlgItem(box, kIdAboutSysInfo)), L"&Systeminfo...");
  EXPECT_EQ(GetWindowLongPtrW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetNextDlgTabItem(box, nullptr, FALSE), ok) << "OK is first in the tab order";
  EXPECT_EQ(GetFocus(), ok);

  // Painting the pictures and the separator must not fail.
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(IsWindow(box));
}

TEST_F(AboutWindowTest, SysinfoButtonStartsTheProgramAndEscapeEnterAndCloseBoxClose) {
  registry_.SeedValue(kHkeyLocalMachine, kSysInfoPathKey, "PATH", kRegSz,
                      std::string("C:\\MSInfo\\msinfo32.exe") + '\0');
  about_->Show();
  HWND box = Find();
  ASSERT_NE(box, nullptr);
  SendMessageW(GetDlgItem(box, kIdAboutSysInfo), BM_CLICK, 0, 0);
  ASSERT_EQ(windows_.started.size(), 1u);
  EXPECT_EQ(windows_.started[0].commandLine, "\"C:\\MSInfo\\msinfo32.exe\"");
  EXPECT_TRUE(IsWindow(box)) << "the box stays open";

  Key(GetDlgItem(box, kIdAboutSysInfo), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(timer2_->Enabled());

  timer2_->SetEnabled(false);
  about_->Show();
  box = Find();
  Key(GetDlgItem(box, IDOK), VK_RETURN);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(timer2_->Enabled());

  timer2_->SetEnabled(false);
  about_->Show();
  box = Find();
  SendMessageW(box, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(about_->Loaded());
  EXPECT_FALSE(timer2_->Enabled());
}

// The version of postwacht.exe, built beside the test program.
TEST(Win32VersionInfo, ReadsMajorMinorAndRevisionFromTheVersionResource) {
  const std::wstring path = test::BuiltProgram();
  if (path.empty()) GTEST_SKIP() << "postwacht.exe not built";
  const ProgramVersion v = Win32VersionInfo(path).Version();
  EXPECT_EQ(v.major, PW_VERSION_MAJOR);
  EXPECT_EQ(v.minor, PW_VERSION_MINOR);
  EXPECT_EQ(v.revision, PW_VERSION_PATCH);
}

TEST(Win32VersionInfo, AFileWithoutVersionGivesZeros) {
  const ProgramVersion v = Win32VersionInfo(L"C:\\gibt\\es\\nicht.exe").Version();
  EXPECT_EQ(v.major + v.minor + v.revision, 0);
}

}  // namespace
}  // namespace pw::win32
