// Drives a running postwacht.exe from outside, as a person and the system would: finds its main
// window, reads it back (across the process boundary for the tree and status bar), sends tray
// callbacks, menu commands and close events, and answers the exit-password prompt.
// Usage: pwdriver <command> [arguments]; prints key=value lines; exit code 0 on success.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/CommandIds.h"
#include "win32/Strconv.h"
#include "win32/Win32Gui.h"

namespace {

using pw::win32::Narrow;
using pw::win32::Widen;

constexpr char kCaption[] = "e-mail @ Velkor?";

void Out(const std::string& key, const std::string& value) {
  std::string line = key + "=" + value + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "pwdriver: %s\n", why.c_str());
  std::exit(1);
}

bool WaitFor(DWORD timeoutMs, const auto& done) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

HWND MainWindow() { return FindWindowW(pw::win32::kMainWindowClass, Widen(kCaption).c_str()); }

HWND RequireMain() {
  HWND main = MainWindow();
  if (!main) Fail("main window not found");
  return main;
}

std::string Hex(const void* p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  return buffer;
}

std::string WindowText(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 512)));
  return Narrow(text);
}

// A page of memory inside the program, for the messages that pass pointers.
class RemoteBuffer {
 public:
  explicit RemoteBuffer(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) Fail("OpenProcess failed");
    base_ = static_cast<char*>(
        VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!base_) Fail("VirtualAllocEx failed");
  }
  ~RemoteBuffer() {
    VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  char* At(std::size_t offset) const { return base_ + offset; }
  void Write(std::size_t offset, const void* data, std::size_t size) {
    WriteProcessMemory(process_, base_ + offset, data, size, nullptr);
  }
  void Read(std::size_t offset, void* data, std::size_t size) const {
    ReadProcessMemory(process_, base_ + offset, data, size, nullptr);
  }
  static constexpr std::size_t kSize = 4096;

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
};

constexpr std::size_t kTextOffset = 512;
constexpr int kTextChars = 1024;

std::string RemoteText(const RemoteBuffer& remote) {
  std::wstring text(kTextChars, L'\0');
  remote.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t));
  text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
  return Narrow(text);
}

void PrintTree(HWND tree) {
  RemoteBuffer remote(tree);
  auto item = [&](HTREEITEM from, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
  };
  int count = 0;
  auto visit = [&](auto&& self, HTREEITEM node, int depth) -> void {
    for (; node; node = item(node, TVGN_NEXT)) {
      TVITEMW tv{};
      tv.mask = TVIF_TEXT | TVIF_STATE;
      tv.stateMask = TVIS_EXPANDED;
      tv.hItem = node;
      tv.pszText = reinterpret_cast<LPWSTR>(remote.At(kTextOffset));
      tv.cchTextMax = kTextChars;
      remote.Write(0, &tv, sizeof tv);
      SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.At(0)));
      remote.Read(0, &tv, sizeof tv);
      Out("node", std::to_string(depth) + "|" + ((tv.state & TVIS_EXPANDED) ? "+" : "-") + "|" +
                      RemoteText(remote));
      ++count;
      self(self, item(node, TVGN_CHILD), depth + 1);
    }
  };
  visit(visit, item(nullptr, TVGN_ROOT), 1);
  Out("nodes", std::to_string(count));
}

HWND Child(HWND parent, const wchar_t* className) {
  return FindWindowExW(parent, nullptr, className, nullptr);
}

std::string StatusText(HWND bar) {
  RemoteBuffer remote(bar);
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(remote.At(kTextOffset)));
  return RemoteText(remote);
}

void PrintStatus(HWND bar) { Out("status", StatusText(bar)); }

// Sends WM_NULL every 100 ms for that long, as a watchdog does, and prints the longest time the
// window took to answer one.
void Probe(DWORD milliseconds) {
  HWND main = RequireMain();
  const ULONGLONG until = GetTickCount64() + milliseconds;
  ULONGLONG longest = 0;
  int probes = 0;
  while (GetTickCount64() < until && IsWindow(main)) {
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 300000, &result);
    const ULONGLONG took = GetTickCount64() - start;
    longest = took > longest ? took : longest;
    ++probes;
    if (took < 100) Sleep(static_cast<DWORD>(100 - took));
  }
  Out("stall", std::to_string(longest));
  Out("probes", std::to_string(probes));
}

// Starts a check run from the menu and prints how long it took: the status bar is marked first,
// so that even a run too short to be seen ends in a change of its text.
void TimeRun(DWORD timeoutMs) {
  HWND main = RequireMain();
  HWND bar = Child(main, STATUSCLASSNAMEW);
  if (!bar) Fail("no status bar");
  {
    RemoteBuffer remote(bar);
    const std::wstring mark = L"Messung";
    remote.Write(kTextOffset, mark.c_str(), (mark.size() + 1) * sizeof(wchar_t));
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(remote.At(kTextOffset)));
  }
  const ULONGLONG start = GetTickCount64();
  PostMessageW(main, WM_COMMAND, pw::win32::kCmdRefresh, 0);
  if (!WaitFor(timeoutMs, [&] { return StatusText(bar) == "Suchlauf beendet ..."; })) {
    Fail("the run did not end");
  }
  Out("run_ms", std::to_string(GetTickCount64() - start));
}

// Whether the shell holds an icon of the window: a modify that changes nothing succeeds only then.
bool TrayIconPresent(HWND main) {
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof probe;
  probe.hWnd = main;
  probe.uID = pw::win32::kTrayIconId;
  probe.uFlags = 0;
  return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

void PrintMenu(HMENU menu, const std::string& key) {
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    std::string shown = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)
                            ? "-"
                            : Narrow(text);
    Out(key, shown);
    if (HMENU sub = GetSubMenu(menu, i)) PrintMenu(sub, key + "." + std::to_string(i));
  }
}

void Info() {
  HWND main = RequireMain();
  LONG style = GetWindowLongW(main, GWL_STYLE);
  RECT rect{};
  GetWindowRect(main, &rect);
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  Out("hwnd", Hex(main));
  Out("pid", std::to_string(pid));
  Out("caption", WindowText(main));
  Out("visible", IsWindowVisible(main) ? "1" : "0");
  Out("iconic", IsIconic(main) ? "1" : "0");
  Out("minimizebox", (style & WS_MINIMIZEBOX) ? "1" : "0");
  Out("maximizebox", (style & WS_MAXIMIZEBOX) ? "1" : "0");
  Out("sizable", (style & WS_THICKFRAME) ? "1" : "0");
  HWND owner = GetWindow(main, GW_OWNER);
  Out("taskbar", !owner && !(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) ? "1" : "0");
  Out("dpi", std::to_string(dpi));
  if (!IsIconic(main)) {
    Out("left_px", std::to_string(rect.left));
    Out("top_px", std::to_string(rect.top));
    Out("width_px", std::to_string(rect.right - rect.left));
    Out("height_px", std::to_string(rect.bottom - rect.top));
  }
  Out("tray", TrayIconPresent(main) ? "1" : "0");
  if (HWND bar = Child(main, STATUSCLASSNAMEW)) PrintStatus(bar);
  if (HWND tree = Child(main, WC_TREEVIEWW)) PrintTree(tree);
  if (HMENU menu = GetMenu(main)) PrintMenu(menu, "menu");
}

// The first visible popup menu window, if any.
HWND OpenPopupMenu() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND window, LPARAM lParam) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(window, cls, 32);
        if (std::wstring(cls) == L"#32768" && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(lParam) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void PrintPopupMenu(HWND popup) {
  // A menu window answers MN_GETHMENU with its menu.
  auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
  if (menu) PrintMenu(menu, "popup");
}

void Answer(const std::string& title, const std::string& text, DWORD timeoutMs) {
  HWND dialog = nullptr;
  if (!WaitFor(timeoutMs,
               [&] { return (dialog = FindWindowW(L"#32770", Widen(title).c_str())); })) {
    Fail("no prompt titled " + title);
  }
  Out("prompt", WindowText(GetDlgItem(dialog, 100)));
  HWND edit = Child(dialog, L"Edit");
  if (!edit) Fail("the prompt has no edit line");
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  if (!WaitFor(timeoutMs, [&] { return !IsWindow(dialog); })) Fail("the prompt stayed open");
}

// Every visible top-level window with this caption, with the texts of its static controls.
void PrintWindows(const std::string& caption) {
  struct Search {
    std::wstring caption;
    std::vector<HWND> found;
  } search{Widen(caption), {}};
  EnumWindows(
      [](HWND window, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (IsWindowVisible(window) && s->caption == title) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.found) {
    std::string texts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      wchar_t cls[32] = {};
      GetClassNameW(c, cls, 32);
      if (std::wstring(cls) == L"Static") texts += "|" + WindowText(c);
    }
    Out("window", texts);
  }
  Out("windows", std::to_string(search.found.size()));
}

DWORD Number(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 0)); }

void PrintRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  Out("rect", std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                  std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top));
}

// The first visible top-level window with this caption, and, when a text is given, with a
// static control showing it.
HWND TopLevel(const std::wstring& caption, const std::wstring& text) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, caption.c_str()));) {
    if (!IsWindowVisible(w)) continue;
    if (text.empty()) return w;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (Widen(WindowText(c)) == text) return w;
    }
  }
  return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // plain \n line ends for the shell script
  if (argc < 2) Fail("usage: pwdriver <command> [arguments]");
  std::wstring cmd = argv[1];
  auto arg = [&](int i) -> const wchar_t* {
    if (i >= argc) Fail("missing argument");
    return argv[i];
  };

  if (cmd == L"find") {
    if (!WaitFor(Number(arg(2)), [] { return MainWindow() != nullptr; })) Fail("no main window");
    Out("hwnd", Hex(MainWindow()));
  } else if (cmd == L"info") {
    Info();
  } else if (cmd == L"wait-visible") {
    bool want = Number(arg(2)) != 0;
    if (!WaitFor(Number(arg(3)),
                 [&] { return (IsWindowVisible(RequireMain()) != FALSE) == want; })) {
      Fail(want ? "the window did not come up" : "the window did not go");
    }
  } else if (cmd == L"wait-gone") {
    if (!WaitFor(Number(arg(2)), [] { return MainWindow() == nullptr; })) Fail("still running");
  } else if (cmd == L"tray") {
    PostMessageW(RequireMain(), pw::win32::kTrayCallbackMessage, pw::win32::kTrayIconId,
                 static_cast<LPARAM>(Number(arg(2))));
  } else if (cmd == L"mouse-move") {
    // A real mouse move over the window's client area, which must not act as a tray click.
    PostMessageW(RequireMain(), WM_MOUSEMOVE, 0, MAKELPARAM(Number(arg(2)), Number(arg(3))));
  } else if (cmd == L"command") {
    PostMessageW(RequireMain(), WM_COMMAND, Number(arg(2)), 0);
  } else if (cmd == L"wait-popup") {
    HWND popup = nullptr;
    if (!WaitFor(Number(arg(2)), [&] { return (popup = OpenPopupMenu()) != nullptr; })) {
      Fail("no popup menu");
    }
    PrintPopupMenu(popup);
  } else if (cmd == L"close-popup") {
    // Esc closes it, as a person would.
    if (HWND popup = OpenPopupMenu()) PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(RequireMain(), WM_CANCELMODE, 0, 0);
    if (!WaitFor(5000, [] { return OpenPopupMenu() == nullptr; })) Fail("the popup menu stayed");
  } else if (cmd == L"tray-window") {
    HWND tray = FindWindowW(nullptr, L"Wine System Tray");
    Out("traywindow", tray ? Hex(tray) : "0");
    if (tray) {
      Out("trayvisible", IsWindowVisible(tray) ? "1" : "0");
      int children = 0;
      for (HWND c = GetWindow(tray, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        Out("traychild", Narrow(cls) + (IsWindowVisible(c) ? " visible" : " hidden"));
        ++children;
      }
      Out("traychildren", std::to_string(children));
    }
  } else if (cmd == L"syscmd-close") {
    PostMessageW(RequireMain(), WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (cmd == L"close") {
    PostMessageW(RequireMain(), WM_CLOSE, 0, 0);
  } else if (cmd == L"endsession") {
    // endsession [closeapp]: a log-off, or the Restart Manager closing the program for an update.
    HWND main = RequireMain();
    const LPARAM why =
        argc > 2 && std::wstring(argv[2]) == L"closeapp" ? ENDSESSION_CLOSEAPP : ENDSESSION_LOGOFF;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, why, SMTO_ABORTIFHUNG, 10000, &answer);
    Out("queryendsession", std::to_string(answer));
    SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, why, SMTO_ABORTIFHUNG, 10000, &answer);
  } else if (cmd == L"count") {
    // How many main windows run: one per running program.
    int mains = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, pw::win32::kMainWindowClass, nullptr));) {
      ++mains;
    }
    Out("mains", std::to_string(mains));
  } else if (cmd == L"move") {
    HWND main = RequireMain();
    SetWindowPos(main, nullptr, static_cast<int>(Number(arg(2))), static_cast<int>(Number(arg(3))),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  } else if (cmd == L"windows") {
    PrintWindows(Narrow(arg(2)));
  } else if (cmd == L"click") {
    // click <caption> <control id>: presses a button of a top-level window, if it is up.
    if (HWND window = FindWindowW(nullptr, arg(2))) {
      HWND button = GetDlgItem(window, static_cast<int>(Number(arg(3))));
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(Number(arg(3)), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
      Out("clicked", "1");
    } else {
      Out("clicked", "0");
    }
  } else if (cmd == L"probe") {
    Probe(Number(arg(2)));
  } else if (cmd == L"time-run") {
    TimeRun(Number(arg(2)));
  } else if (cmd == L"answer") {
    Answer(Narrow(arg(2)), Narrow(arg(3)), Number(arg(4)));
  } else if (cmd == L"front") {
    // front <caption> [static text]: raises that window above the others; prints its rect.
    const std::wstring text = argc > 3 ? argv[3] : L"";
    HWND window = nullptr;
    if (!WaitFor(10000, [&] { return (window = TopLevel(arg(2), text)) != nullptr; })) {
      Fail("no window " + Narrow(arg(2)));
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PrintRect(window);
  } else if (cmd == L"popup-rect") {
    HWND popup = OpenPopupMenu();
    if (!popup) Fail("no popup menu");
    PrintRect(popup);
  } else if (cmd == L"expand") {
    // Opens every account node of the tree, so that its counts show.
    HWND tree = Child(RequireMain(), WC_TREEVIEWW);
    if (!tree) Fail("no tree");
    for (auto node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
         node; node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                               reinterpret_cast<LPARAM>(node)))) {
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    }
  } else if (cmd == L"cursor") {
    SetCursorPos(static_cast<int>(Number(arg(2))), static_cast<int>(Number(arg(3))));
  } else if (cmd == L"choose") {
    // choose <caption> <combo id> <index>: picks a drop-down entry as a click on it does.
    HWND window = FindWindowW(nullptr, arg(2));
    if (!window) Fail("no window " + Narrow(arg(2)));
    const int id = static_cast<int>(Number(arg(3)));
    HWND combo = GetDlgItem(window, id);
    SendMessageW(combo, CB_SETCURSEL, Number(arg(4)), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  } else {
    Fail("unknown command " + Narrow(cmd));
  }
  return 0;
}
