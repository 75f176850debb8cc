#include "win32/Win32Dialogs.h"

#include <string>
#include <vector>

#include "common/LineBreaks.h"
#include "common/Texts.h"
#include "win32/Strconv.h"

namespace pw::win32 {

namespace {

// Builds a DLGTEMPLATE with its items in memory (layout: "Templates in Memory", Win32 docs).
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title) {
    AddDword(style);
    AddDword(0);
    countAt_ = words_.size();
    words_.push_back(0);
    AddShorts({0, 0, cx, cy});
    words_.push_back(0);  // no menu
    words_.push_back(0);  // default class
    AddString(title);
    words_.push_back(8);  // DS_SETFONT: point size, face
    AddString(L"MS Shell Dlg");
  }

  // Classes by their predefined atoms: 0x80 button, 0x81 edit, 0x82 static.
  void AddItem(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id,
               const std::wstring& text) {
    if (words_.size() % 2) words_.push_back(0);  // each item starts on a DWORD
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    AddShorts({x, y, cx, cy});
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    AddString(text);
    words_.push_back(0);  // no creation data
    ++words_[countAt_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void AddShorts(std::initializer_list<short> values) {
    for (short v : values) words_.push_back(static_cast<WORD>(v));
  }
  void AddString(const std::wstring& text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  std::size_t countAt_ = 0;
};

struct PromptState {
  std::wstring answer;
};

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetFocus(GetDlgItem(dialog, kPromptEditId));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kPromptEditId);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        if (state) state->answer = text;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// Characters of one line that every message box shows whole.
constexpr std::size_t kLongestWord = 48;

BOOL CALLBACK CollectEnabled(HWND window, LPARAM lParam) {
  if (IsWindowEnabled(window)) reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
  return TRUE;
}

}  // namespace

void Win32Dialogs::MsgBox(const std::string& text, const std::string& title) {
  // Task-modal without an owner: every window of the program waits, as for a form's MsgBox,
  // and the box comes to the front even while the main window is hidden in the tray.
  // The box wraps only at blanks and cuts a longer word (a certificate's fingerprint) at its
  // right edge: such words are broken up first.
  MessageBoxW(nullptr, Widen(BreakLongWords(text, kLongestWord)).c_str(), Widen(title).c_str(),
              MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

std::string Win32Dialogs::InputBox(const std::string& prompt, const std::string& title) {
  DialogTemplate tmpl(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER |
                          DS_SETFOREGROUND,
                      240, 76, Widen(title));
  tmpl.AddItem(0x82, SS_LEFT | SS_NOPREFIX, 7, 7, 170, 42, kPromptTextId, Widen(prompt));
  tmpl.AddItem(0x81, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 56, 226, 13, kPromptEditId, L"");
  tmpl.AddItem(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON, 183, 7, 50, 14, IDOK, Widen(kButtonOk));
  tmpl.AddItem(0x80, WS_TABSTOP | BS_PUSHBUTTON, 183, 25, 50, 14, IDCANCEL, Widen(kButtonCancel));

  // Modal to the whole program like the message box: the other windows are disabled while the
  // prompt is up (a dialog without an owner would leave them usable).
  HWND previous = GetActiveWindow();
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled) EnableWindow(w, FALSE);

  PromptState state;
  INT_PTR result = DialogBoxIndirectParamW(instance_, tmpl.Get(), nullptr, PromptProc,
                                           reinterpret_cast<LPARAM>(&state));

  for (HWND w : disabled) {
    if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  if (previous && IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
  return result == IDOK ? Narrow(state.answer) : std::string();
}

}  // namespace pw::win32
