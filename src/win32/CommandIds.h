// Numbers the main window and its drivers agree on: menu commands, the tray icon's id and the
// window class names.
#pragma once

namespace pw::win32 {

// Menu items of the main window and of the tray popup menu (WM_COMMAND ids).
enum MenuCommand : int {
  kCmdRefresh = 101,          // mRefresh "&neu einlesen"
  kCmdAnwesenheit = 102,      // mAnwesenheit "&Anwesenheit"
  kCmdBeenden = 103,          // mBeenden "&Beenden"
  kCmdAnmelden = 104,         // mAnmelden "An&melden ..." (OAuth2)
  kCmdEdit = 111,             // mEdit "&Bearbeiten"
  kCmdNew = 112,              // mNew "&Hinzufügen"
  kCmdDelete = 113,           // mDelete "&Entfernen"
  kCmdAbout = 121,            // mAbout "&Hilfer über ..."
  kCmdPopRestore = 131,       // mPopRestore "Anzeigen"
  kCmdAnwesenheitTray = 132,  // mAnwesenheitTray "Anwesenheit"
  kCmdPopExit = 133,          // mPopExit "Beenden"
  kCmdRefreshTray = 134,      // mRefreshTray "neu einlesen!"
};

// The tray icon's uID and callback message as the record gives them to the shell.
inline constexpr unsigned kTrayIconId = 1;
inline constexpr unsigned kTrayCallbackMessage = 0x200;

inline constexpr wchar_t kMainWindowClass[] = L"PostwachtMain";
// Registered message a second start posts to the running program's main window: come up as a
// click on the tray icon brings it.
inline constexpr wchar_t kShowRunningMessage[] = L"Postwacht.ShowMainWindow";
inline constexpr wchar_t kAttendanceWindowClass[] = L"PostwachtAnwesenheit";
// The account dialogs and the About box: the system's dialog class.
inline constexpr wchar_t kDialogWindowClass[] = L"#32770";

// Child control ids.
inline constexpr int kTreeId = 1001;
inline constexpr int kStatusBarId = 1002;
inline constexpr int kPersonalId = 2001;
// Not IDOK/IDCANCEL: the attendance window has neither a default nor a cancel button, so
// Enter and Esc (which the dialog manager turns into IDOK/IDCANCEL) must not press them.
inline constexpr int kCmdOkId = 2002;
inline constexpr int kCmdCancelId = 2003;

}  // namespace pw::win32
