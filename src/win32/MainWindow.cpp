#include "win32/MainWindow.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

#include "common/Texts.h"
#include "common/UnloadMode.h"
#include "win32/Strconv.h"
#include "win32/Win32NetworkState.h"
#include "win32/resources/resource.h"

namespace pw::win32 {

namespace {

constexpr wchar_t kOwnerWindowClass[] = L"PostwachtOwner";
// Outer size of the window as designed, in twips.
constexpr float kOuterWidthTwips = 5070;
constexpr float kOuterHeightTwips = 3540;

struct MenuItem {
  const char* caption;  // nullptr: a separator
  MenuCommand command;
};

HMENU Popup(std::initializer_list<MenuItem> items) {
  HMENU menu = CreatePopupMenu();
  for (const MenuItem& item : items) {
    if (!item.caption) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command),
                  Widen(item.caption).c_str());
    }
  }
  return menu;
}

// The main menu: captions and shortcuts of mDatei, mMailboxes and mHilfe. The shortcut after
// the tab is the display text only; the accelerator table below makes the keys work.
HMENU BuildMainMenu() {
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(Popup({
                  {kMenuRefresh, kCmdRefresh},
                  {kMenuAnwesenheit, kCmdAnwesenheit},
                  {kMenuAnmelden, kCmdAnmelden},
                  {nullptr, kCmdRefresh},  // NILDatei
                  {kMenuBeenden, kCmdBeenden},
              })),
              Widen(kMenuDaten).c_str());
  AppendMenuW(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(Popup({
                  {kMenuEdit, kCmdEdit},
                  {nullptr, kCmdEdit},  // NILMailboxex
                  {kMenuNew, kCmdNew},
                  {kMenuDelete, kCmdDelete},
              })),
              Widen(kMenuMailboxes).c_str());
  AppendMenuW(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(Popup({
                  {kMenuAbout, kCmdAbout},
              })),
              Widen(kMenuHilfe).c_str());
  return bar;
}

// mPopupSys, never in the menu bar: the tray popup menu.
HMENU BuildTrayMenu() {
  return Popup({
      {kTrayMenuRestore, kCmdPopRestore},
      {kTrayMenuAnwesenheit, kCmdAnwesenheitTray},
      {kTrayMenuExit, kCmdPopExit},
      {kTrayMenuRefresh, kCmdRefreshTray},
  });
}

HACCEL BuildAccelerators() {
  ACCEL keys[] = {
      {FVIRTKEY, VK_F5, kCmdRefresh},       {FVIRTKEY | FCONTROL, 'A', kCmdAnwesenheit},
      {FVIRTKEY | FCONTROL, 'B', kCmdEdit}, {FVIRTKEY | FCONTROL, 'N', kCmdNew},
      {FVIRTKEY, VK_DELETE, kCmdDelete},    {FVIRTKEY, VK_F1, kCmdAbout},
  };
  return CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

HICON LoadSmallIcon(HINSTANCE instance, int id) {
  // At the small-icon size, or the shell shrinks the 32x32 image badly.
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                       0));
}

bool BelongsToThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

}  // namespace

bool IsTrayCallback(WPARAM wParam, LPARAM lParam) {
  // A real mouse move carries the key state in wParam and the client point in lParam; the
  // shell's callback (first record form) carries the icon id and a bare mouse message number.
  // The tree and status bar cover the whole client area and the window never captures the
  // mouse, so real moves reach it hardly ever, and never with these values.
  UINT mouseMessage = LOWORD(lParam);
  return wParam == kTrayIconId && HIWORD(lParam) == 0 && mouseMessage >= WM_MOUSEFIRST &&
         mouseMessage <= WM_MOUSELAST;
}

MainWindow::MainWindow(HINSTANCE instance, Win32EventLoop& loop)
    : instance_(instance), loop_(loop) {
  HICON classIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN));
  HICON classIconSmall = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  RegisterClassOnce(instance, kMainWindowClass, classIcon, classIconSmall,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

  // An invisible owner keeps the window off the taskbar while it keeps its minimise button
  // (a tool window would lose it).
  WNDCLASSEXW ownerClass{};
  ownerClass.cbSize = sizeof ownerClass;
  if (!GetClassInfoExW(instance, kOwnerWindowClass, &ownerClass)) {
    ownerClass.lpfnWndProc = DefWindowProcW;
    ownerClass.hInstance = instance;
    ownerClass.lpszClassName = kOwnerWindowClass;
    RegisterClassExW(&ownerClass);
  }
  owner_.Reset(CreateWindowExW(0, kOwnerWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr));

  mainIcon_.Reset(LoadSmallIcon(instance, IDI_MAIN));
  ivisIcon_.Reset(LoadSmallIcon(instance, IDI_IVIS));
  stopIcon_.Reset(LoadSmallIcon(instance, IDI_STOP));
  trayMenu_.Reset(BuildTrayMenu());
  accelerators_.Reset(BuildAccelerators());

  Create(instance, kMainWindowClass, Widen(kMainCaption).c_str(),
         WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
         0, 0, 0, 0, 0, owner_.Get(), BuildMainMenu());
  tree_ = std::make_unique<Win32TreeView>(instance, Hwnd(), kTreeId);
  status_ = std::make_unique<Win32StatusBar>(instance, Hwnd(), kStatusBarId);
  SetOuterSizeTwips(kOuterWidthTwips, kOuterHeightTwips);
  Layout();
  loop_.SetAccelerators(Hwnd(), accelerators_.Get());
  // Explorer announces a new taskbar with this message (Shell_NotifyIcon, "Taskbar Creation
  // Notification"); an elevated process must let it through the message filter to see it.
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  if (taskbarCreated_ && Hwnd()) {
    ChangeWindowMessageFilterEx(Hwnd(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
  }
  // A second start of the program asks with this one to bring the window up (SingleInstance).
  showRunning_ = RegisterWindowMessageW(kShowRunningMessage);
  if (showRunning_ && Hwnd()) {
    ChangeWindowMessageFilterEx(Hwnd(), showRunning_, MSGFLT_ALLOW, nullptr);
  }
}

MainWindow::~MainWindow() {
  events_ = nullptr;
  loop_.SetAccelerators(nullptr, nullptr);
  Destroy();
}

WindowHandle MainWindow::Handle() const { return reinterpret_cast<WindowHandle>(Hwnd()); }

void MainWindow::Show() {
  if (Hwnd()) ShowWindow(Hwnd(), SW_SHOW);
}

void MainWindow::Hide() {
  if (!Hwnd()) return;
  activeForm_ = false;
  ShowWindow(Hwnd(), SW_HIDE);
}

bool MainWindow::Visible() const { return Hwnd() && IsWindowVisible(Hwnd()); }

void MainWindow::Refresh() {
  if (Hwnd()) {
    RedrawWindow(Hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

RECT MainWindow::OuterRect() const {
  RECT rect{};
  if (!Hwnd()) return rect;
  if (IsIconic(Hwnd())) {
    // The form's position while minimised is the one it comes back to.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(Hwnd(), &placement);
    return placement.rcNormalPosition;
  }
  GetWindowRect(Hwnd(), &rect);
  return rect;
}

float MainWindow::LeftTwips() const { return PixelsToTwips(OuterRect().left); }

float MainWindow::TopTwips() const { return PixelsToTwips(OuterRect().top); }

void MainWindow::SetLeftTwips(float left) {
  if (!Hwnd()) return;
  SetWindowPos(Hwnd(), nullptr, TwipsToPixels(left), OuterRect().top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetTopTwips(float top) {
  if (!Hwnd()) return;
  SetWindowPos(Hwnd(), nullptr, OuterRect().left, TwipsToPixels(top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetOuterSizeTwips(float width, float height) {
  if (!Hwnd()) return;
  SetWindowPos(Hwnd(), nullptr, 0, 0, TwipsToPixels(width), TwipsToPixels(height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowState MainWindow::State() const {
  return Hwnd() && IsIconic(Hwnd()) ? WindowState::Minimized : WindowState::Normal;
}

void MainWindow::SetState(WindowState state) {
  if (!Hwnd() || state == State()) return;
  if (state == WindowState::Minimized) {
    // Both raise WM_SIZE and so the form's Resize; a hidden window is not activated.
    ShowWindow(Hwnd(), IsWindowVisible(Hwnd()) ? SW_MINIMIZE : SW_SHOWMINNOACTIVE);
  } else {
    ShowWindow(Hwnd(), SW_RESTORE);
  }
}

void MainWindow::SetDefaultMousePointer() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }

void MainWindow::PopupTrayMenu() {
  if (!Hwnd()) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackPopupMenu(trayMenu_.Get(), 0, cursor.x, cursor.y, 0, Hwnd(), nullptr);
  // So that the menu closes when the user clicks elsewhere (TrackPopupMenu, Remarks).
  PostMessageW(Hwnd(), WM_NULL, 0, 0);
}

void MainWindow::Close() {
  if (closed_) return;
  closed_ = true;
  events_ = nullptr;
  loop_.SetAccelerators(nullptr, nullptr);
  Destroy();
  owner_.Reset();
  PostQuitMessage(0);
}

IconHandle MainWindow::MainIcon() const { return reinterpret_cast<IconHandle>(mainIcon_.Get()); }

IconHandle MainWindow::IvisPicture() const { return reinterpret_cast<IconHandle>(ivisIcon_.Get()); }

IconHandle MainWindow::StopPicture() const { return reinterpret_cast<IconHandle>(stopIcon_.Get()); }

void MainWindow::Layout() {
  if (!tree_ || !status_) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  SendMessageW(status_->Hwnd(), WM_SIZE, 0, 0);  // the status bar places itself at the bottom
  RECT bar{};
  GetWindowRect(status_->Hwnd(), &bar);
  int barHeight = bar.bottom - bar.top;
  MoveWindow(tree_->Hwnd(), 0, 0, client.right, std::max(0L, client.bottom - barHeight), TRUE);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    if (events_) events_->TaskbarCreated();
    return 0;
  }
  if (message == showRunning_ && showRunning_ != 0) {
    if (events_) events_->Form_MouseMove(WM_LBUTTONUP);
    return 0;
  }
  switch (message) {
    case WM_ACTIVATE:
      OnActivate(wParam, lParam);
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_MOUSEMOVE:
      if (IsTrayCallback(wParam, lParam)) {
        if (events_) events_->Form_MouseMove(LOWORD(lParam));
        return 0;
      }
      // The click on the balloon comes through the same callback, outside the mouse range.
      if (wParam == kTrayIconId && lParam == NIN_BALLOONUSERCLICK) {
        if (events_) events_->Tray_BalloonClick();
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam, lParam);
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // the program never holds up a shutdown
    case WM_POWERBROADCAST:
      // Sent after every resume, with or without a user at the PC.
      if (wParam == PBT_APMRESUMEAUTOMATIC && events_) events_->SystemResumed();
      return TRUE;
    case kNetworkChangedMessage:
      if (events_) events_->NetworkChanged();
      return 0;
    case WM_ENDSESSION:
      // Also with ENDSESSION_CLOSEAPP in lParam: the Restart Manager closing the program for an
      // update ends it as a shutdown does; RegisterApplicationRestart brings it back afterwards.
      if (wParam && events_) events_->RequestUnload(kUnloadAppWindows);
      return 0;
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

void MainWindow::OnActivate(WPARAM wParam, LPARAM lParam) {
  // A form's Activate comes when it becomes the program's active form, not when the user
  // merely comes back to it from another program.
  if (LOWORD(wParam) != WA_INACTIVE) {
    if (!activeForm_) {
      activeForm_ = true;
      if (events_) events_->Form_Activate();
    }
    if (tree_ && !HIWORD(wParam)) SetFocus(tree_->Hwnd());  // not while minimised
  } else {
    HWND next = reinterpret_cast<HWND>(lParam);
    if (next && BelongsToThisProcess(next)) activeForm_ = false;
  }
}

void MainWindow::OnSize(WPARAM kind) {
  if (kind == SIZE_MAXHIDE || kind == SIZE_MAXSHOW) return;
  if (kind == SIZE_MINIMIZED) {
    activeForm_ = false;
  } else {
    Layout();
  }
  if (events_) events_->Form_Resize();
}

void MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(Hwnd(), &paint);
  EndPaint(Hwnd(), &paint);
  if (events_) events_->Form_Paint();
}

LRESULT MainWindow::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  // The close box, the system menu and Alt+F4 all come through SC_CLOSE; a WM_CLOSE without
  // it was sent from outside the window (the Task Manager's "End task", taskkill).
  if ((wParam & 0xFFF0) != SC_CLOSE) return Default(WM_SYSCOMMAND, wParam, lParam);
  closeFromControlMenu_ = true;
  LRESULT result = Default(WM_SYSCOMMAND, wParam, lParam);
  closeFromControlMenu_ = false;
  return result;
}

void MainWindow::OnClose() {
  int mode = closeFromControlMenu_ ? kUnloadFormControlMenu : kUnloadAppTaskManager;
  closeFromControlMenu_ = false;
  // Never DefWindowProc: whether the window goes is the core's decision.
  if (events_) events_->RequestUnload(mode);
}

void MainWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0 || !events_) return;  // notifications of child controls
  switch (static_cast<MenuCommand>(LOWORD(wParam))) {
    case kCmdRefresh:
      events_->mRefresh_Click();
      break;
    case kCmdAnwesenheit:
      events_->mAnwesenheit_Click();
      break;
    case kCmdBeenden:
      events_->mBeenden_Click();
      break;
    case kCmdEdit:
      events_->mEdit_Click();
      break;
    case kCmdNew:
      events_->mNew_Click();
      break;
    case kCmdDelete:
      events_->mDelete_Click();
      break;
    case kCmdAbout:
      events_->mAbout_Click();
      break;
    case kCmdAnmelden:
      events_->mAnmelden_Click();
      break;
    case kCmdPopRestore:
      events_->mPopRestore_Click();
      break;
    case kCmdAnwesenheitTray:
      events_->mAnwesenheitTray_Click();
      break;
    case kCmdPopExit:
      events_->mPopExit_Click();
      break;
    case kCmdRefreshTray:
      events_->mRefreshTray_Click();
      break;
    default:
      break;
  }
}

void MainWindow::OnNotify(const NMHDR& header) {
  if (!events_ || !tree_ || header.hwndFrom != tree_->Hwnd()) return;
  switch (header.code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (change.itemNew.hItem && !tree_->Clearing()) {
        std::int32_t index = Win32TreeView::PositionOf(change.itemNew.lParam);
        events_->Anzeige_NodeSelected(index);
      }
      break;
    }
    case NM_CLICK:
      events_->Anzeige_Click();
      break;
    case NM_DBLCLK:
      events_->Anzeige_DblClick();
      break;
    default:
      break;
  }
}

}  // namespace pw::win32
