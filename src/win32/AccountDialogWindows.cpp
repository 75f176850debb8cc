#include "win32/AccountDialogWindows.h"

#include <algorithm>
#include <initializer_list>

#include "common/Texts.h"
#include "win32/DialogWindow.h"
#include "win32/Strconv.h"

namespace pw::win32 {

namespace {

// Layout in twips: labels on the left, fields on the right, the frame below, buttons at the foot.
constexpr float kClientWidth = 4800;
constexpr float kFieldsClientHeight = 3555;
constexpr float kDeleteClientHeight = 1455;
constexpr float kLabelLeft = 180, kLabelWidth = 1260, kLabelHeight = 255;
constexpr float kFieldLeft = 1560, kFieldWidth = 3060, kFieldHeight = 315;
constexpr float kRow1 = 240, kRow2 = 660, kRow3 = 1080;
constexpr float kComboDropHeight = 1800;
constexpr float kHintBand = 480;  // two lines under the password, while there is a hint
constexpr float kButtonWidth = 1215, kButtonHeight = 375, kOkLeft = 2040, kCancelLeft = 3405;

constexpr DWORD kEditStyle = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kComboStyle = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;

RECT RectIn(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Moves a control's left edge, keeping its right edge (and its top and height).
void MoveLeftEdge(HWND dialog, int id, int left) {
  HWND control = GetDlgItem(dialog, id);
  const RECT rect = RectIn(dialog, control);
  SetWindowPos(control, nullptr, left, rect.top, std::max(0, static_cast<int>(rect.right) - left),
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetWidth(HWND dialog, int id, int width) {
  HWND control = GetDlgItem(dialog, id);
  const RECT rect = RectIn(dialog, control);
  SetWindowPos(control, nullptr, 0, 0, width, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The layout was made for an 8-point MS Sans Serif. The labels grow to their text with the
// desktop's font and DPI; the fields beside them give up room on their left.
void FitLabelColumn(HWND dialog, std::initializer_list<int> labels,
                    std::initializer_list<int> fields) {
  int width = TwipsToPixels(kLabelWidth);
  for (int id : labels)
    width = std::max(width, static_cast<int>(ControlTextSize(GetDlgItem(dialog, id)).cx));
  const int fieldLeft = std::max(TwipsToPixels(kFieldLeft), TwipsToPixels(kLabelLeft + 60) + width);
  for (int id : labels) SetWidth(dialog, id, width);
  for (int id : fields) MoveLeftEdge(dialog, id, fieldLeft);
}

// The options' texts beside their round boxes; LinkName gives up room on its left.
void FitOptions(HWND dialog) {
  int width = TwipsToPixels(1800);
  for (int id : {kIdOptionOL, kIdOptionTE}) {
    const int need =
        ControlTextSize(GetDlgItem(dialog, id)).cx + GetSystemMetrics(SM_CXMENUCHECK) + Scaled(6);
    width = std::max(width, need);
  }
  for (int id : {kIdOptionOL, kIdOptionTE}) SetWidth(dialog, id, width);
  MoveLeftEdge(dialog, kIdLinkName, std::max(TwipsToPixels(2280), TwipsToPixels(360 + 60) + width));
}

// Setting a control from code raises EN_CHANGE as typing does; the form is told only of typing.
class QuietScope {
 public:
  explicit QuietScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~QuietScope() { flag_ = old_; }

 private:
  bool& flag_;
  bool old_;
};

template <typename ViewBase>
class AccountFieldsWindow : public DialogWindow, public ViewBase {
 public:
  std::string UserName() const override { return ItemText(kIdUserName); }
  void SetUserName(const std::string& text) override { SetQuietly(kIdUserName, text); }
  std::string Password() const override { return ItemText(kIdPassword); }
  void SetPassword(const std::string& text) override { SetQuietly(kIdPassword, text); }
  bool OptionOL() const override { return Checked(kIdOptionOL); }
  void SetOptionOL(bool value) override { SetOption(kIdOptionOL, kIdOptionTE, value); }
  bool OptionTE() const override { return Checked(kIdOptionTE); }
  void SetOptionTE(bool value) override { SetOption(kIdOptionTE, kIdOptionOL, value); }
  std::string LinkName() const override { return ItemText(kIdLinkName); }
  void SetLinkName(const std::string& text) override { SetQuietly(kIdLinkName, text); }
  void SetOkEnabled(bool enabled) override { EnableWindow(Item(IDOK), enabled ? TRUE : FALSE); }
  // The line opens a band under the password: the frame and the buttons move down while it
  // shows, so that the dialog keeps its usual look without one.
  void SetOkHint(const std::string& text) override {
    HWND hint = Item(kIdOkHint);
    if (!hint || text == hint_) return;
    hint_ = text;
    SetWindowTextW(hint, Widen(text).c_str());
    const int band = TwipsToPixels(kHintBand);
    if (!text.empty() != hintShown_) {
      hintShown_ = !text.empty();
      const int dy = hintShown_ ? band : -band;
      for (int id : {kIdFrame1, kIdOptionOL, kIdOptionTE, kIdLinkName, IDOK, IDCANCEL}) {
        HWND control = Item(id);
        const RECT rect = RectIn(Hwnd(), control);
        SetWindowPos(control, nullptr, rect.left, rect.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      RECT window{};
      GetWindowRect(Hwnd(), &window);
      SetWindowPos(Hwnd(), nullptr, 0, 0, window.right - window.left,
                   window.bottom - window.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hint, hintShown_ ? SW_SHOWNA : SW_HIDE);
  }
  void Show() override { ShowAndActivate(); }
  void Close() override { Destroy(); }

 protected:
  // Creation order is tab order: name, user, password, the two options, LinkName, OK, Cancel.
  void CreateFields(const char* caption, bool nameIsCombo) {
    QuietScope quiet(quiet_);
    SetWindowTextW(Hwnd(), Widen(caption).c_str());
    AddLabel(kIdLabelAnzeigeName, kLabelAnzeigeName, kRow1);
    if (nameIsCombo) {
      AddControl(L"COMBOBOX", "", kComboStyle, kIdAnzeigeName, kFieldLeft, kRow1, kFieldWidth,
                 kComboDropHeight);
    } else {
      AddEdit(kIdAnzeigeName, 0, kFieldLeft, kRow1, kFieldWidth);
    }
    AddLabel(kIdLabelUserName, kLabelUserName, kRow2);
    AddEdit(kIdUserName, 0, kFieldLeft, kRow2, kFieldWidth);
    AddLabel(kIdLabelPassword, kLabelPassword, kRow3);
    HWND password = AddEdit(kIdPassword, ES_PASSWORD, kFieldLeft, kRow3, kFieldWidth);
    // Version 6 of the common controls masks with a dot; the dialog shows "*".
    SendMessageW(password, EM_SETPASSWORDCHAR, L'*', 0);

    ShowWindow(AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX, kIdOkHint, kLabelLeft, kRow3 + 390,
                          4440, kHintBand - 90),
               SW_HIDE);
    AddControl(L"BUTTON", kFrameMailClient, BS_GROUPBOX, kIdFrame1, kLabelLeft, 1560, 4440, 1140);
    AddControl(L"BUTTON", kOptionOutlook, WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, kIdOptionOL,
               360, 1860, 1800, 255);
    AddControl(L"BUTTON", kOptionTerminal, WS_TABSTOP | BS_AUTORADIOBUTTON, kIdOptionTE, 360, 2250,
               1800, 255);
    // WS_GROUP ends the option group, so that the automatic buttons clear only each other.
    AddEdit(kIdLinkName, WS_GROUP, 2280, 2220, 2160);

    AddControl(L"BUTTON", kButtonOk, WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kOkLeft, 2940,
               kButtonWidth, kButtonHeight);
    AddControl(L"BUTTON", kButtonCancel, WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kCancelLeft, 2940,
               kButtonWidth, kButtonHeight);
    FitLabelColumn(Hwnd(), {kIdLabelAnzeigeName, kIdLabelUserName, kIdLabelPassword},
                   {kIdAnzeigeName, kIdUserName, kIdPassword});
    FitOptions(Hwnd());
    SendMessageW(Hwnd(), DM_SETDEFID, IDOK, 0);
  }

  void SetQuietly(int id, const std::string& text) {
    QuietScope quiet(quiet_);
    SetItemText(id, text);
  }

  bool quiet_ = false;

 private:
  std::string hint_;
  bool hintShown_ = false;

  void AddLabel(int id, const char* text, float top) {
    AddControl(L"STATIC", text, SS_LEFT, id, kLabelLeft, top + 45, kLabelWidth, kLabelHeight);
  }
  HWND AddEdit(int id, DWORD style, float left, float top, float width) {
    return AddControl(L"EDIT", "", kEditStyle | style, id, left, top, width, kFieldHeight,
                      WS_EX_CLIENTEDGE);
  }
  bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // The two options are one group: code that turns one on turns the other off, as a click does.
  void SetOption(int id, int otherId, bool value) {
    SendMessageW(Item(id), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (value) SendMessageW(Item(otherId), BM_SETCHECK, BST_UNCHECKED, 0);
  }
};

std::string ComboItemText(HWND combo, LRESULT index) {
  const LRESULT n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == CB_ERR || n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return Narrow(text);
}

// The drop-down list of cmbAnzeigeName, kept apart from the text in its field.
void ClearComboKeepingText(HWND combo) {
  const int n = GetWindowTextLengthW(combo);
  std::wstring text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = GetWindowTextW(combo, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  // CB_RESETCONTENT empties the edit field too.
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  SetWindowTextW(combo, text.c_str());
}

// CBN_SELCHANGE is sent while the field still holds the old text: the chosen name is put there
// first, quietly, as the forms expect. False when no entry is chosen.
bool PutChosenNameInField(HWND combo, bool& quiet) {
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return false;
  QuietScope scope(quiet);
  SetWindowTextW(combo, Widen(ComboItemText(combo, index)).c_str());
  return true;
}

void AddComboName(HWND combo, const std::string& name) {
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(name).c_str()));
}

class NewAccountWindow : public AccountFieldsWindow<FmNewView> {
 public:
  explicit NewAccountWindow(FmNewEvents& events) : events_(events) {}
  void Create(HINSTANCE instance, Win32EventLoop& loop) {
    CreateDialogWindow(instance, loop, kClientWidth, kFieldsClientHeight);
  }
  std::string AnzeigeName() const override { return ItemText(kIdAnzeigeName); }

 protected:
  void OnInitDialog() override { CreateFields(kFmNewCaption, false); }

  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_CLOSE) {
      events_.Form_CloseBox();
      return TRUE;
    }
    if (message != WM_COMMAND || quiet_) return FALSE;
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == kIdAnzeigeName && code == EN_CHANGE) {
      events_.txtAnzeigeName_Change();
    } else if (id == kIdPassword && code == EN_CHANGE) {
      events_.txtPassword_Change();
    } else if (id == IDOK && code == BN_CLICKED) {
      events_.cmdOK_Click();
    } else if (id == IDCANCEL && code == BN_CLICKED) {
      events_.cmdCancel_Click();
    } else {
      return FALSE;
    }
    return TRUE;
  }

 private:
  FmNewEvents& events_;
};

class EditAccountWindow : public AccountFieldsWindow<FmEditView> {
 public:
  explicit EditAccountWindow(FmEditEvents& events) : events_(events) {}
  void Create(HINSTANCE instance, Win32EventLoop& loop) {
    CreateDialogWindow(instance, loop, kClientWidth, kFieldsClientHeight);
  }
  std::string AnzeigeName() const override { return ItemText(kIdAnzeigeName); }
  void SetAnzeigeName(const std::string& text) override { SetQuietly(kIdAnzeigeName, text); }
  void ClearNames() override {
    QuietScope quiet(quiet_);
    ClearComboKeepingText(Item(kIdAnzeigeName));
  }
  void AddName(const std::string& name) override { AddComboName(Item(kIdAnzeigeName), name); }

 protected:
  void OnInitDialog() override { CreateFields(kFmEditCaption, true); }

  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_CLOSE) {
      events_.Form_CloseBox();
      return TRUE;
    }
    if (message != WM_COMMAND || quiet_) return FALSE;
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == kIdAnzeigeName && code == CBN_EDITCHANGE) {
      events_.cmbAnzeigeName_Change();
    } else if (id == kIdAnzeigeName && code == CBN_SELCHANGE) {
      if (PutChosenNameInField(Item(kIdAnzeigeName), quiet_)) events_.cmbAnzeigeName_Click();
    } else if (id == kIdPassword && code == EN_CHANGE) {
      events_.txtPassword_Change();
    } else if (id == IDOK && code == BN_CLICKED) {
      events_.cmdOK_Click();
    } else if (id == IDCANCEL && code == BN_CLICKED) {
      events_.cmdCancel_Click();
    } else {
      return FALSE;
    }
    return TRUE;
  }

 private:
  FmEditEvents& events_;
};

class DeleteAccountWindow : public DialogWindow, public FmDeleteView {
 public:
  explicit DeleteAccountWindow(FmDeleteEvents& events) : events_(events) {}
  void Create(HINSTANCE instance, Win32EventLoop& loop) {
    CreateDialogWindow(instance, loop, kClientWidth, kDeleteClientHeight);
  }
  std::string AnzeigeName() const override { return ItemText(kIdAnzeigeName); }
  void ClearNames() override {
    QuietScope quiet(quiet_);
    ClearComboKeepingText(Item(kIdAnzeigeName));
  }
  void AddName(const std::string& name) override { AddComboName(Item(kIdAnzeigeName), name); }
  void SetOkEnabled(bool enabled) override { EnableWindow(Item(IDOK), enabled ? TRUE : FALSE); }
  void Show() override { ShowAndActivate(); }
  void Close() override { Destroy(); }

 protected:
  void OnInitDialog() override {
    QuietScope quiet(quiet_);
    SetWindowTextW(Hwnd(), Widen(kFmDeleteCaption).c_str());
    AddControl(L"STATIC", kLabelAnzeigeName, SS_LEFT, kIdLabelAnzeigeName, kLabelLeft, kRow1 + 45,
               kLabelWidth, kLabelHeight);
    AddControl(L"COMBOBOX", "", kComboStyle, kIdAnzeigeName, kFieldLeft, kRow1, kFieldWidth,
               kComboDropHeight);
    AddControl(L"BUTTON", kButtonOk, WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, IDOK, kOkLeft, 840,
               kButtonWidth, kButtonHeight);
    // Abbrechen is the default button too: Enter closes the dialog without removing anything.
    AddControl(L"BUTTON", kButtonCancel, WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL, kCancelLeft, 840,
               kButtonWidth, kButtonHeight);
    FitLabelColumn(Hwnd(), {kIdLabelAnzeigeName}, {kIdAnzeigeName});
    SendMessageW(Hwnd(), DM_SETDEFID, IDCANCEL, 0);
  }

  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_ACTIVATE) {
      // FALSE: the dialog manager still puts the focus back where it was.
      if (LOWORD(wParam) != WA_INACTIVE) events_.Form_Activate();
      return FALSE;
    }
    if (message == WM_CLOSE) {
      events_.Form_CloseBox();
      return TRUE;
    }
    if (message != WM_COMMAND || quiet_) return FALSE;
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == kIdAnzeigeName && code == CBN_EDITCHANGE) {
      events_.cmbAnzeigeName_Change();
    } else if (id == kIdAnzeigeName && code == CBN_SELCHANGE) {
      if (PutChosenNameInField(Item(kIdAnzeigeName), quiet_)) events_.cmbAnzeigeName_Click();
    } else if (id == IDOK && code == BN_CLICKED) {
      events_.cmdOK_Click();
    } else if (id == IDCANCEL && code == BN_CLICKED) {
      events_.cmdCancel_Click();
    } else {
      return FALSE;
    }
    return TRUE;
  }

 private:
  FmDeleteEvents& events_;
  bool quiet_ = false;
};

}  // namespace

std::unique_ptr<FmNewView> AccountDialogWindowFactory::CreateView(FmNewEvents& events) {
  auto view = std::make_unique<NewAccountWindow>(events);
  view->Create(instance_, loop_);
  return view;
}

std::unique_ptr<FmEditView> AccountDialogWindowFactory::CreateView(FmEditEvents& events) {
  auto view = std::make_unique<EditAccountWindow>(events);
  view->Create(instance_, loop_);
  return view;
}

std::unique_ptr<FmDeleteView> AccountDialogWindowFactory::CreateView(FmDeleteEvents& events) {
  auto view = std::make_unique<DeleteAccountWindow>(events);
  view->Create(instance_, loop_);
  return view;
}

}  // namespace pw::win32
