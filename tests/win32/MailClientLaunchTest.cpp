// The launcher against real windows, files and registry: an open Outlook is raised, a missing
// one fails to start, and today's places of Outlook and mstsc.exe are found.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/AppError.h"
#include "substitute/FakeNewMailView.h"
#include "support/NewMailRig.h"
#include "win32/Strconv.h"
#include "win32/Win32Registry.h"
#include "win32/Win32TestSupport.h"
#include "win32/Win32WindowSystem.h"

namespace pw::win32 {
namespace {

// A top-level window of the given class and title, shown without activation.
HWND MakeWindow(const wchar_t* className, const wchar_t* title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);  // fails harmlessly when an earlier test registered it
  HWND hwnd = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}

int ZOrder(HWND hwnd) {
  int i = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT), ++i) {
    if (w == hwnd) return i;
  }
  return -1;
}

struct Platform {
  FakeNewMailViewFactory views;
  Win32WindowSystem windowSystem;
};

struct Rig : Platform, pw::test::NewMailRig {
  Rig() : NewMailRig(views, &windowSystem) {
    globals.UseOutlook = true;
    AddAccount("Anna", "Wahr", "Falsch");
  }
};

TEST(MailClientLaunch, OpenOutlookWindowIsFoundAndRaised) {
  PW_REQUIRE_DISPLAY();
  Rig r;
  HWND outlook = MakeWindow(L"rctrl_renwnd32", L"Posteingang - Microsoft Outlook");
  HWND other = MakeWindow(L"PostwachtAnderesFenster", L"Anderes Fenster");
  ASSERT_TRUE(outlook && other);
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_LT(ZOrder(other), ZOrder(outlook));

  EXPECT_EQ(r.launcher.FindOutlookTitle(), "Posteingang - Microsoft Outlook");
  EXPECT_NO_THROW(r.launcher.StartMailClient(""));  // a start would fail here
  EXPECT_EQ(r.launcher.LastWindow(), reinterpret_cast<WindowHandle>(outlook));
  EXPECT_LT(ZOrder(outlook), ZOrder(other));
  DestroyWindow(other);
  DestroyWindow(outlook);
}

TEST(MailClientLaunch, WithoutOutlookTheFailedStartTakesTheDialogsErrorPath) {
  Rig r;
  ASSERT_EQ(r.launcher.FindOutlookTitle(), "");
  try {
    r.launcher.StartMailClient("");
    ADD_FAILURE() << "Outlook is not installed here, its start must fail";
  } catch (const AppError& e) {
    EXPECT_TRUE(e.Number() == kSysFileNotFound || e.Number() == kSysPathNotFound) << e.Number();
  }
  r.Announce("Anna");
  r.views.open.at(0)->ClickOpen();
  EXPECT_EQ(r.dialogs.Count(), 0u);
  EXPECT_EQ(r.Tip(), pw::test::kIdle);
  EXPECT_TRUE(r.Blinking());
}

constexpr wchar_t kAppPaths[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

// The stand-in program, built beside the test executable.
std::wstring StandIn() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"postwacht_standin.exe";
}

// The files, folders and keys a test puts into the prefix, taken away again at its end.
class PrefixChanges {
 public:
  PrefixChanges() = default;
  PrefixChanges(const PrefixChanges&) = delete;
  PrefixChanges& operator=(const PrefixChanges&) = delete;
  ~PrefixChanges() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileW(it->c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryW(it->c_str());
    for (auto [root, view] : keys_) RegDeleteKeyExW(root, kAppPaths, view, 0);
  }

  // A copy of the stand-in at path, with the folders on the way.
  void PlaceStandIn(const std::wstring& path) {
    for (std::size_t slash = path.find(L'\\', 3); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1)) {
      const std::wstring folder = path.substr(0, slash);
      if (CreateDirectoryW(folder.c_str(), nullptr)) folders_.push_back(folder);
    }
    ASSERT_TRUE(CopyFileW(StandIn().c_str(), path.c_str(), TRUE)) << Narrow(path);
    files_.push_back(path);
  }
  void Remove(const std::wstring& path) { DeleteFileW(path.c_str()); }

  // view: 0, or KEY_WOW64_32KEY for the 32-bit programs' keys of the machine.
  void SetAppPath(HKEY root, const std::wstring& program, REGSAM view = 0) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, kAppPaths, 0, nullptr, 0, KEY_SET_VALUE | view,
                                             nullptr, &key, &disposition));
    if (disposition == REG_CREATED_NEW_KEY) keys_.push_back({root, view});
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                   static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  std::wstring AppPath(HKEY root, REGSAM view) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(root, kAppPaths, nullptr, RRF_RT_REG_SZ | (view ? RRF_SUBKEY_WOW6432KEY : 0),
                     nullptr, data, &size) != ERROR_SUCCESS) {
      return {};
    }
    return data;
  }
  void RemoveAppPath(HKEY root, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kAppPaths, 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, nullptr);
    RegCloseKey(key);
  }

 private:
  std::vector<std::wstring> files_;
  std::vector<std::wstring> folders_;
  std::vector<std::pair<HKEY, REGSAM>> keys_;
};

// How the stand-in was started: its own path, its command line and the window style.
struct Started {
  std::string program;
  std::string commandLine;
  int style = 0;
};

class LaunchInPrefix : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(StandIn().c_str()));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    log_ = std::wstring(temp) + L"postwacht-standin-" + std::to_wstring(GetCurrentProcessId()) +
           L".txt";
    SetEnvironmentVariableW(L"PW_STANDIN_LOG", log_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"PW_STANDIN_LOG", nullptr);
    DeleteFileW(log_.c_str());
  }

  // Starts the client and waits for the stand-in's record; nothing when none came.
  std::optional<Started> Launch(bool outlook, const std::string& connection) {
    DeleteFileW(log_.c_str());
    globals_.UseOutlook = outlook;
    launcher_.StartMailClient(connection);
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(log_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount() - start > 20000) return std::nullopt;
      Sleep(50);
    }
    HANDLE file = CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    char buffer[4096] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
    CloseHandle(file);
    std::string text(buffer, read);
    Started started;
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    started.program = text.substr(0, first);
    started.commandLine = text.substr(first + 1, second - first - 1);
    started.style = std::stoi(text.substr(second + 1));
    return started;
  }

  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }

  std::wstring log_;
  Win32Registry registry_;
  SettingsStore settings_{registry_};
  Win32WindowSystem windows_;
  Globals globals_;
  MailProgrammAufruf launcher_{windows_, settings_, globals_};
};

// The fixed paths hold blanks and go to the client unquoted, as ever. A program planted where
// the system would try the path's first part (c:\programme\microsoft.exe) must not start.
TEST_F(LaunchInPrefix, OutlookFromTheFixedPathThenTheMachinesThenTheUsersAppPath) {
  const std::wstring fixed = L"c:\\programme\\microsoft office\\office\\outlook.exe";
  const std::wstring planted = L"c:\\programme\\microsoft.exe";
  const std::wstring office16 =
      L"C:\\Postwacht Test\\Microsoft Office\\root\\Office16\\OUTLOOK.EXE";
  const std::wstring office32 = L"C:\\Postwacht Test\\Office x86\\OUTLOOK.EXE";
  const std::wstring perUser = L"C:\\Postwacht Test\\Benutzer\\OUTLOOK.EXE";
  ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(fixed.c_str())) << "left by another run";
  PrefixChanges prefix;
  prefix.PlaceStandIn(fixed);
  prefix.PlaceStandIn(planted);
  prefix.PlaceStandIn(office16);
  prefix.PlaceStandIn(office32);
  prefix.PlaceStandIn(perUser);
  prefix.SetAppPath(HKEY_LOCAL_MACHINE, office32, KEY_WOW64_32KEY);
  prefix.SetAppPath(HKEY_LOCAL_MACHINE, office16);
  prefix.SetAppPath(HKEY_CURRENT_USER, L"\"" + perUser + L"\"");
  // Wine keeps one App Paths key for both views (a link); there is no 32-bit step then.
  const bool twoViews = prefix.AppPath(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY) == office32;
  RecordProperty("app_paths_views", twoViews ? 2 : 1);

  auto started = Launch(true, "");
  ASSERT_TRUE(started) << "the fixed path started nothing";
  EXPECT_EQ(Lower(Narrow(fixed)), Lower(started->program));
  EXPECT_EQ(Narrow(fixed), started->commandLine);
  EXPECT_EQ(3, started->style);

  prefix.Remove(fixed);  // today's Office: only the registered path
  started = Launch(true, "");
  ASSERT_TRUE(started) << "the machine's App Path started nothing";
  EXPECT_EQ(Lower(Narrow(office16)), Lower(started->program));
  EXPECT_EQ("\"" + Narrow(office16) + "\"", started->commandLine);
  EXPECT_EQ(3, started->style);

  prefix.RemoveAppPath(HKEY_LOCAL_MACHINE);
  if (twoViews) {  // a 32-bit Office on 64-bit Windows
    started = Launch(true, "");
    ASSERT_TRUE(started) << "the machine's 32-bit App Path started nothing";
    EXPECT_EQ(Lower(Narrow(office32)), Lower(started->program));
    EXPECT_EQ("\"" + Narrow(office32) + "\"", started->commandLine);
    prefix.RemoveAppPath(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
  }
  started = Launch(true, "");
  ASSERT_TRUE(started) << "the user's App Path started nothing";
  EXPECT_EQ(Lower(Narrow(perUser)), Lower(started->program));
  EXPECT_EQ("\"" + Narrow(perUser) + "\"", started->commandLine);
  EXPECT_EQ(3, started->style);

  prefix.RemoveAppPath(HKEY_CURRENT_USER);
  EXPECT_THROW(launcher_.StartMailClient(""), AppError) << "nothing left to start";
}

TEST_F(LaunchInPrefix, TerminalClientFromTheFixedPathThenTheSystemFolder) {
  const std::wstring fixed = L"c:\\programme\\Terminal Server Client\\mstsc.exe";
  const std::wstring planted = L"c:\\programme\\Terminal.exe";
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring inSystem = std::wstring(system) + L"\\mstsc.exe";
  ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(fixed.c_str())) << "left by another run";
  PrefixChanges prefix;
  prefix.PlaceStandIn(fixed);
  prefix.PlaceStandIn(planted);
  // Wine has no Terminal Server client of its own; the stand-in takes its place.
  if (GetFileAttributesW(inSystem.c_str()) == INVALID_FILE_ATTRIBUTES) {
    prefix.PlaceStandIn(inSystem);
  } else {
    GTEST_SKIP() << "this prefix has an mstsc.exe of its own";
  }

  auto started = Launch(false, "Vertrieb Süd");
  ASSERT_TRUE(started) << "the fixed path started nothing";
  EXPECT_EQ(Lower(Narrow(fixed)), Lower(started->program));
  EXPECT_EQ(Narrow(fixed) + " \"Vertrieb Süd\"", started->commandLine);
  EXPECT_EQ(3, started->style);

  prefix.Remove(fixed);
  started = Launch(false, "Vertrieb Süd");
  ASSERT_TRUE(started) << "the system folder started nothing";
  EXPECT_EQ(Lower(Narrow(inSystem)), Lower(started->program));
  EXPECT_EQ("\"" + Narrow(inSystem) + "\" \"Vertrieb Süd\"", started->commandLine);
  EXPECT_EQ(3, started->style);
}

}  // namespace
}  // namespace pw::win32
