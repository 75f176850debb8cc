// The new-message dialog on Win32: a modeless window driven through the dialog manager.
#include "win32/NewMailWindow.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Texts.h"
#include "win32/Strconv.h"
#include "win32/WindowBase.h"
#include "win32/resources/NewMailResources.h"

namespace pw::win32 {
namespace {

// OK is the cancel button: the dialog manager sends IDCANCEL for the Esc key.
constexpr int kOkId = IDCANCEL;
constexpr int kOpenId = 101;
constexpr int kLabelId = 102;
constexpr int kNameBoxId = 103;
constexpr int kFirstLineId = 110;
// The message lines start under the Open button, one below the other, as wide as the dialog.
constexpr int kLinesTop = 1110;
constexpr int kLineHeight = 240;
constexpr int kClientHeight = 1200;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

class NewMailWindow : public NewMailView, public WindowBase {
 public:
  NewMailWindow(HINSTANCE instance, Win32EventLoop& loop, HICON letterIcon, HICON icon,
                HICON smallIcon, HWND owner, std::vector<HWND>& openDialogs, NewMailEvents& events);
  ~NewMailWindow() override { Close(); }

  static void RegisterClass(HINSTANCE instance) {
    // Icons come per window (WM_SETICON): the class outlives any one factory's icons.
    RegisterClassOnce(instance, kNewMailWindowClass, nullptr, nullptr,
                      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
  }

  void SetNameBoxCaption(const std::string& text) override;
  void SetMessageLines(const std::vector<std::string>& lines) override;
  void Show() override { ShowWindow(Hwnd(), SW_SHOWNORMAL); }
  void SetFocus() override;
  void ShowWithoutActivating() override;
  void Close() override { Destroy(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroyed() override {
    openDialogs_.erase(std::remove(openDialogs_.begin(), openDialogs_.end(), Hwnd()),
                       openDialogs_.end());
  }

 private:
  void DrawOpen(const DRAWITEMSTRUCT& item) const;
  bool IsOwnButton(HWND control) const { return control && (control == ok_ || control == open_); }

  HICON letterIcon_;
  std::vector<HWND>& openDialogs_;
  NewMailEvents& events_;
  HWND ok_ = nullptr;
  HWND open_ = nullptr;
  HWND nameBox_ = nullptr;
  HWND lastFocus_ = nullptr;
  std::vector<HWND> lines_;
};

int Px(int twips) { return TwipsToPixels(static_cast<float>(twips)); }

NewMailWindow::NewMailWindow(HINSTANCE instance, Win32EventLoop& loop, HICON letterIcon, HICON icon,
                             HICON smallIcon, HWND owner, std::vector<HWND>& openDialogs,
                             NewMailEvents& events)
    : letterIcon_(letterIcon), openDialogs_(openDialogs), events_(events) {
  RECT frame{0, 0, Px(6030), Px(kClientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  Create(instance, kNewMailWindowClass, Widen(kNewMailCaption).c_str(), kStyle, kExStyle,
         CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
         nullptr);
  // Themed frames may be thicker than AdjustWindowRectEx says; the client area is what counts.
  RECT client{};
  GetClientRect(Hwnd(), &client);
  RECT outer{};
  GetWindowRect(Hwnd(), &outer);
  SetWindowPos(Hwnd(), nullptr, 0, 0,
               outer.right - outer.left + Px(6030) - (client.right - client.left),
               outer.bottom - outer.top + Px(kClientHeight) - (client.bottom - client.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (icon) SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (smallIcon) SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

  // Creation order is the tab order: OK first, then Open.
  ok_ = AddControl(L"BUTTON", Widen(kButtonOk), WS_TABSTOP | BS_PUSHBUTTON, kOkId, 4680, 360, 1215,
                   375);
  open_ = AddControl(L"BUTTON", Widen(kOpenCaption), WS_TABSTOP | BS_OWNERDRAW, kOpenId, 120, 120,
                     975, 975);
  HWND label = AddControl(L"STATIC", Widen(kNewMailLabel), SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                          kLabelId, 1200, 460, 1350, 195);
  nameBox_ = AddControl(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS,
                        kNameBoxId, 2640, 465, 0, 195);
  // The layout was made for an 8-point MS Sans Serif; a wider desktop font must not cut the
  // label, so it grows and the name moves along, keeping the gap between them.
  const SIZE labelText = ControlTextSize(label);
  const int labelWidth = std::max(Px(1350), static_cast<int>(labelText.cx));
  SetWindowPos(label, nullptr, 0, 0, labelWidth, std::max(Px(195), static_cast<int>(labelText.cy)),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(nameBox_, nullptr, std::max(Px(2640), Px(1200) + labelWidth + Px(90)), Px(465), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, instance, nullptr);
  if (tip) {
    std::wstring text = Widen(kOpenToolTip);
    TTTOOLINFOW tool{};
    // The first form of the record, which every version of the common controls accepts.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(open_);
    tool.lpszText = text.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  TakeDialogKeys(loop);
}

void NewMailWindow::SetNameBoxCaption(const std::string& text) {
  const std::wstring wide = Widen(text);
  SetWindowTextW(nameBox_, wide.c_str());
  // The label grows with its text up to the OK button; a longer name ends in "...".
  RECT box{};
  GetWindowRect(nameBox_, &box);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&box), 2);
  RECT ok{};
  GetWindowRect(ok_, &ok);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&ok), 2);
  const SIZE size = ControlTextSize(nameBox_, wide);
  const int room = std::max(0, static_cast<int>(ok.left - Px(90) - box.left));
  SetWindowPos(nameBox_, nullptr, 0, 0, std::min(static_cast<int>(size.cx), room),
               std::max(Px(195), static_cast<int>(size.cy)),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Below the window in front (the slides, the full-screen program), not in front of it: it is
// there when the presentation ends, and no key typed meanwhile reaches it.
void NewMailWindow::ShowWithoutActivating() {
  HWND front = GetForegroundWindow();
  ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
  if (front && front != Hwnd()) {
    SetWindowPos(Hwnd(), front, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void NewMailWindow::SetMessageLines(const std::vector<std::string>& lines) {
  for (HWND line : lines_) DestroyWindow(line);
  const int before = static_cast<int>(lines_.size());
  lines_.clear();
  int id = kFirstLineId;
  for (const std::string& text : lines) {
    lines_.push_back(AddControl(
        L"STATIC", Widen(text), SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, id, 1200,
        static_cast<float>(kLinesTop + (id - kFirstLineId) * kLineHeight), 4695, 195));
    ++id;
  }
  // The window grows by the lines and nothing else: the rest keeps its place.
  auto extra = [](int count) {
    return count == 0 ? 0 : Px(kLinesTop + count * kLineHeight) - Px(kClientHeight);
  };
  const int grow = extra(static_cast<int>(lines_.size())) - extra(before);
  if (grow == 0) return;
  RECT outer{};
  GetWindowRect(Hwnd(), &outer);
  SetWindowPos(Hwnd(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + grow,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NewMailWindow::SetFocus() {
  // Activates the dialog only when the program is in the foreground already: keys typed into
  // another program must not press a button here.
  SetActiveWindow(Hwnd());
  lastFocus_ = ok_;
  ::SetFocus(ok_);
}

void NewMailWindow::DrawOpen(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT rc = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int shift = pushed ? 1 : 0;

  wchar_t caption[64] = {};
  GetWindowTextW(item.hwndItem, caption, 64);
  HGDIOBJ oldFont = SelectObject(dc, MessageFontAt(Dpi()));
  RECT measure{0, 0, rc.right - rc.left, 0};
  DrawTextW(dc, caption, -1, &measure, DT_CALCRECT | DT_SINGLELINE);
  const int textHeight = measure.bottom - measure.top;
  const int iconSize = GetSystemMetrics(SM_CXICON);
  const int gap = AtDpi(Scaled(2));
  const int top = rc.top + (rc.bottom - rc.top - iconSize - gap - textHeight) / 2 + shift;
  if (letterIcon_) {
    DrawIconEx(dc, rc.left + (rc.right - rc.left - iconSize) / 2 + shift, top, letterIcon_,
               iconSize, iconSize, 0, nullptr, DI_NORMAL);
  }
  RECT text{rc.left + shift, top + iconSize + gap, rc.right + shift,
            top + iconSize + gap + textHeight};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  UINT flags = DT_CENTER | DT_TOP | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) flags |= DT_HIDEPREFIX;
  DrawTextW(dc, caption, -1, &text, flags);
  SelectObject(dc, oldFont);

  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = rc;
    InflateRect(&focus, -AtDpi(Scaled(4)), -AtDpi(Scaled(4)));
    DrawFocusRect(dc, &focus);
  }
}

LRESULT NewMailWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The form may destroy this object inside any of its handlers: return straight after.
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == kOkId) {
        events_.OKButton_Click();
        return 0;
      }
      if (LOWORD(wParam) == kOpenId) {
        events_.Open_Click();
        return 0;
      }
      return 0;
    case DM_GETDEFID: {
      // The dialog manager asks for the button that Enter presses: the one with the focus.
      HWND focus = GetFocus();
      if (!IsOwnButton(focus)) return 0;
      return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    }
    case WM_CLOSE:
      events_.Form_CloseBox();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (IsOwnButton(focus)) lastFocus_ = focus;
        return 0;
      }
      break;
    case WM_SETFOCUS:
      ::SetFocus(lastFocus_ ? lastFocus_ : ok_);
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != static_cast<UINT>(kOpenId)) break;
      DrawOpen(*item);
      return TRUE;
    }
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

// Places a new dialog the way Windows cascades windows at its default position: one caption and
// frame further right and down than the newest dialog still open, so that it never covers that
// one exactly; an edge of the work area sends that coordinate back to the area's start. The
// first dialog keeps the system's default position, moved onto the work area if need be.
void PlaceCascaded(HWND window, const std::vector<HWND>& openDialogs) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  POINT position{rect.left, rect.top};
  HWND reference = window;
  if (!openDialogs.empty()) {
    reference = openDialogs.back();
    RECT last{};
    GetWindowRect(reference, &last);
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME) +
                     GetSystemMetrics(SM_CXPADDEDBORDER);
    position = {last.left + step, last.top + step};
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  if (position.x + width > work.right || position.x < work.left) position.x = work.left;
  if (position.y + height > work.bottom || position.y < work.top) position.y = work.top;
  SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

NewMailWindowFactory::NewMailWindowFactory(HINSTANCE instance, Win32EventLoop& loop,
                                           HICON letterIcon)
    : instance_(instance), loop_(loop), letterIcon_(letterIcon) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  mailboxIcon_.Reset(
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_NEWMAIL_MAILBOX), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  mailboxSmallIcon_.Reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_NEWMAIL_MAILBOX), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  NewMailWindow::RegisterClass(instance);
  owner_.Reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                               nullptr));
}

NewMailWindowFactory::~NewMailWindowFactory() = default;

std::unique_ptr<NewMailView> NewMailWindowFactory::CreateView(NewMailEvents& events) {
  auto window =
      std::make_unique<NewMailWindow>(instance_, loop_, letterIcon_, mailboxIcon_.Get(),
                                      mailboxSmallIcon_.Get(), owner_.Get(), openDialogs_, events);
  PlaceCascaded(window->Hwnd(), openDialogs_);
  openDialogs_.push_back(window->Hwnd());
  return window;
}

}  // namespace pw::win32
