#include "win32/AttendanceWindow.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "common/Texts.h"
#include "win32/CommandIds.h"
#include "win32/Strconv.h"

namespace pw::win32 {

namespace {

// Design sizes in pixels at 96 DPI.
constexpr int kTickColumnWidth = 25;
constexpr int kNameColumnWidth = 250;
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 320;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kMargin = 8;

HWND Child(HWND parent, HINSTANCE instance, const wchar_t* className, const std::wstring& text,
           DWORD style, DWORD exStyle, int id) {
  HWND child =
      CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!child) throw std::runtime_error("control not created");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
  return child;
}

bool StateImageTicked(UINT state) { return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2; }

// The system's input-method windows belong to every thread that has windows; they are not the
// program's.
bool IsInputMethodWindow(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpiW(name, L"IME") == 0 || lstrcmpiW(name, L"MSCTFIME UI") == 0;
}

struct ModalWalk {
  HWND modal;
  std::vector<HWND>* disabled;
};

bool OwnedBy(HWND window, HWND owner) {
  for (HWND o = GetWindow(window, GW_OWNER); o; o = GetWindow(o, GW_OWNER)) {
    if (o == owner) return true;
  }
  return false;
}

// Disables one enabled window that is neither the modal window nor owned by it.
BOOL CALLBACK DisableForModal(HWND window, LPARAM param) {
  auto& walk = *reinterpret_cast<ModalWalk*>(param);
  if (window == walk.modal || OwnedBy(window, walk.modal) || !IsWindowEnabled(window) ||
      IsInputMethodWindow(window)) {
    return TRUE;
  }
  EnableWindow(window, FALSE);
  walk.disabled->push_back(window);
  return TRUE;
}

}  // namespace

AttendanceWindow::AttendanceWindow(HINSTANCE instance, Win32EventLoop& loop,
                                   AttendanceEvents& events)
    : events_(events) {
  RegisterClassOnce(instance, kAttendanceWindowClass, LoadIconW(instance, MAKEINTRESOURCEW(1)),
                    nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  RECT outer{0, 0, Scaled(kClientWidth), Scaled(kClientHeight)};
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  Create(instance, kAttendanceWindowClass, Widen(kAttendanceCaption).c_str(), style, 0,
         CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
         nullptr);

  list_ = Child(Hwnd(), instance, WC_LISTVIEWW, L"",
                WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                WS_EX_CLIENTEDGE, kPersonalId);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  std::wstring header = Widen(kAttendanceColumn);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(L"");
  column.cx = Scaled(kTickColumnWidth);
  column.iSubItem = 0;
  ListView_InsertColumn(list_, 0, &column);
  column.pszText = header.data();
  column.cx = Scaled(kNameColumnWidth);
  column.iSubItem = 1;
  ListView_InsertColumn(list_, 1, &column);

  ok_ = Child(Hwnd(), instance, WC_BUTTONW, Widen(kButtonOkAccel), WS_TABSTOP | BS_PUSHBUTTON, 0,
              kCmdOkId);
  cancel_ = Child(Hwnd(), instance, WC_BUTTONW, Widen(kButtonCancelAccel),
                  WS_TABSTOP | BS_PUSHBUTTON, 0, kCmdCancelId);
  Layout();
  TakeDialogKeys(loop);
  ready_ = true;
}

AttendanceWindow::~AttendanceWindow() {
  if (modal_) SetModal(false);
  Destroy();
}

void AttendanceWindow::CheckRow(std::int32_t row) const {
  if (row < 0 || row >= RowCount()) throw std::out_of_range("Personal: no such row");
}

LPARAM AttendanceWindow::RowParam(std::int32_t row) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  ListView_GetItem(list_, &item);
  return item.lParam;
}

void AttendanceWindow::SetRowParam(std::int32_t row, LPARAM value) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = value;
  ListView_SetItem(list_, &item);
}

void AttendanceWindow::RemoveAllRows() { ListView_DeleteAllItems(list_); }

void AttendanceWindow::AddRow(const std::string& cells) {
  auto separator = cells.find(';');
  std::wstring name =
      separator == std::string::npos ? std::wstring() : Widen(cells.substr(separator + 1));
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = ListView_GetItemCount(list_);
  item.pszText = const_cast<wchar_t*>(L"");
  item.lParam = 0;  // the row's tick state; a new row is not ticked
  int index = ListView_InsertItem(list_, &item);
  if (index < 0) throw std::runtime_error("Personal refused the row");
  ListView_SetItemText(list_, index, 1, name.data());
}

std::int32_t AttendanceWindow::RowCount() const { return ListView_GetItemCount(list_); }

std::int16_t AttendanceWindow::Tick(std::int32_t row) const {
  CheckRow(row);
  return static_cast<std::int16_t>(RowParam(row));
}

void AttendanceWindow::SetTick(std::int32_t row, std::int16_t state) {
  CheckRow(row);
  // The number is kept as written; the box shows a tick for 1, the state that takes part.
  SetRowParam(row, state);
  ListView_SetCheckState(list_, row, state == 1);
}

std::string AttendanceWindow::Text(std::int32_t row) const {
  CheckRow(row);
  std::wstring buffer(64, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    auto length = static_cast<std::size_t>(SendMessageW(
        list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < buffer.size()) {
      buffer.resize(length);
      return Narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

void AttendanceWindow::FinalSetup() {
  // The rows stay in listing order; the list needs no further setup.
}

void AttendanceWindow::Refresh() {
  if (Hwnd()) {
    RedrawWindow(Hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

void AttendanceWindow::Show() {
  if (!Hwnd()) return;
  bool first = !shown_;
  shown_ = true;
  sized_ = false;
  ShowWindow(Hwnd(), SW_SHOW);
  SetForegroundWindow(Hwnd());
  // A form's first showing is a Resize too; the system sends no WM_SIZE for it when the size
  // was already set at creation.
  if (first && !sized_) events_.Form_Resize();
}

bool AttendanceWindow::Visible() const { return Hwnd() && IsWindowVisible(Hwnd()); }

void AttendanceWindow::SetModal(bool modal) {
  if (modal == modal_) return;
  modal_ = modal;
  if (modal) {
    ModalWalk walk{Hwnd(), &disabled_};
    // The program has one user-interface thread: its top-level windows are all of the program's,
    // hidden ones included, so that none can be shown and used while the list is up.
    EnumThreadWindows(GetCurrentThreadId(), DisableForModal, reinterpret_cast<LPARAM>(&walk));
  } else {
    // Before this window goes, or the system activates some other program's window.
    for (HWND window : disabled_) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    disabled_.clear();
  }
}

void AttendanceWindow::Close() {
  if (modal_) SetModal(false);
  Destroy();
  // The modal wait sleeps in GetMessage until something is posted; "&OK" sent from outside
  // (UI Automation's Invoke, a screen reader) is handled inside that wait and would leave it
  // asleep. This message wakes it, so that it sees the list gone at once.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void AttendanceWindow::Layout() {
  if (!list_ || !ok_ || !cancel_) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  int margin = AtDpi(Scaled(kMargin)), width = AtDpi(Scaled(kButtonWidth)),
      height = AtDpi(Scaled(kButtonHeight));
  int buttonsTop = std::max(0L, client.bottom - margin - height);
  MoveWindow(list_, 0, 0, client.right, std::max(0, buttonsTop - margin), TRUE);
  int cancelLeft = std::max(0L, client.right - margin - width);
  MoveWindow(cancel_, cancelLeft, buttonsTop, width, height, TRUE);
  MoveWindow(ok_, std::max(0, cancelLeft - margin - width), buttonsTop, width, height, TRUE);
}

LRESULT AttendanceWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_ACTIVATE:
      // Plain windows do not keep their focus across activation the way dialogs do.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Hwnd(), focus)) lastFocus_ = focus;
      } else {
        SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : list_);
      }
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kCmdOkId) {
        events_.cmdOK_Click();
      } else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kCmdCancelId) {
        events_.cmdCancel_Click();
      }
      return 0;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.hwndFrom == list_ && header.code == LVN_ITEMCHANGED) {
        OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
      }
      return 0;
    }
    case WM_CLOSE:
      events_.Form_CloseBox();
      return 0;
    default:
      return Default(message, wParam, lParam);
  }
}

void AttendanceWindow::OnSize(WPARAM kind) {
  Layout();
  sized_ = true;
  if (ready_ && kind != SIZE_MAXHIDE && kind != SIZE_MAXSHOW) events_.Form_Resize();
}

void AttendanceWindow::OnItemChanged(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) return;
  if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return;
  // The user ticked or unticked the row: its number follows the box.
  bool ticked = StateImageTicked(change.uNewState);
  if (ticked != (RowParam(change.iItem) == 1)) SetRowParam(change.iItem, ticked ? 1 : 0);
}

std::unique_ptr<AttendanceView> AttendanceWindowFactory::CreateView(AttendanceEvents& events) {
  return std::make_unique<AttendanceWindow>(instance_, loop_, events);
}

}  // namespace pw::win32
