#include "win32/AboutWindow.h"

#include <algorithm>
#include <string>

#include "common/Texts.h"
#include "win32/AboutPictures.h"
#include "win32/DialogWindow.h"
#include "win32/Strconv.h"
#include "win32/resources/resource.h"

namespace pw::win32 {

namespace {

constexpr float kClientWidth = 8250;
constexpr float kClientHeight = 3795;

RECT TwipsRect(float left, float top, float width, float height) {
  return RECT{TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(left + width),
              TwipsToPixels(top + height)};
}

class AboutWindow : public DialogWindow, public AboutView {
 public:
  AboutWindow(AboutEvents& events, HICON icon) : events_(events), icon_(icon) {}
  void Create(HINSTANCE instance, Win32EventLoop& loop) {
    CreateDialogWindow(instance, loop, kClientWidth, kClientHeight);
  }

  void SetCaption(const std::string& text) override { SetWindowTextW(Hwnd(), Widen(text).c_str()); }
  void SetTitle(const std::string& text) override { SetItemText(kIdAboutTitle, text); }
  void SetVersion(const std::string& text) override { SetItemText(kIdAboutVersion, text); }
  void Show() override { ShowAndActivate(); }
  void Close() override { Destroy(); }

 protected:
  void OnInitDialog() override {
    SetWindowTextW(Hwnd(), Widen(kAboutStoredCaption).c_str());
    // cmdOK comes first in the tab order and so has the focus when the box opens; it is the
    // default button, and Escape reaches it as IDCANCEL.
    AddControl(L"BUTTON", kButtonOk, WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDOK, 4245, 2625,
               1260, 345);
    AddControl(L"BUTTON", kAboutSysInfo, WS_TABSTOP | BS_PUSHBUTTON, kIdAboutSysInfo, 4260, 3240,
               1245, 345);
    AddLabel(kIdAboutProduktname, kAboutProduktname, 1080, 240, 975, 495);
    AddLabel(kIdAboutTitle, "", 2290, 240, 3135, 495);
    AddLabel(kIdAboutVersionHeading, kAboutVersion, 1080, 840, 975, 255);
    AddLabel(kIdAboutVersion, "", 2290, 840, 3135, 255);
    AddLabel(kIdAboutCopyright, kAboutCopyright, 1080, 1200, 975, 255);
    AddLabel(kIdAboutMaker, kAboutMaker, 2290, 1200, 3135, 255);
    AddLabel(kIdAboutBeschreibung, kAboutBeschreibung, 1080, 1560, 975, 495);
    AddLabel(kIdAboutDescription, kAboutDescription, 2290, 1560, 3135, 495);
    AddLabel(kIdAboutErstellt, kAboutErstellt, 1080, 2160, 4455, 255);
    FitLabels();
    SendMessageW(Hwnd(), DM_SETDEFID, IDOK, 0);
  }

  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM) override {
    switch (message) {
      case WM_PAINT:
        Paint();
        return TRUE;
      case WM_CLOSE:
        events_.Form_CloseBox();
        return TRUE;
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (id == IDOK || id == IDCANCEL) {
          events_.cmdOK_Click();
          return TRUE;
        }
        if (id == kIdAboutSysInfo) {
          events_.cmdSysInfo_Click();
          return TRUE;
        }
        return FALSE;
      }
      default:
        return FALSE;
    }
  }

 private:
  void AddLabel(int id, const char* text, float left, float top, float width, float height) {
    AddControl(L"STATIC", text, SS_LEFT | SS_NOPREFIX, id, left, top, width, height);
  }

  // The columns were laid out for an 8-point MS Sans Serif. Other fonts and DPIs need more
  // room: the headings grow to their text, the values move right and may reach the side picture.
  void FitLabels() {
    const int headings[] = {kIdAboutProduktname, kIdAboutVersionHeading, kIdAboutCopyright,
                            kIdAboutBeschreibung};
    const int values[] = {kIdAboutTitle, kIdAboutVersion, kIdAboutMaker, kIdAboutDescription};
    int headingWidth = TwipsToPixels(975);
    for (int id : headings) headingWidth = std::max(headingWidth, NeedWidth(id));
    const int valueLeft = std::max(TwipsToPixels(2290), TwipsToPixels(1080 + 120) + headingWidth);
    const int widest = TwipsToPixels(5640);
    int valueRight = TwipsToPixels(2290 + 3135);
    if (valueLeft + NeedWidth(kIdAboutMaker) > valueRight ||
        WrappedHeight(kIdAboutDescription, valueRight - valueLeft) > Height(kIdAboutDescription)) {
      valueRight = widest;
    }
    for (int id : headings) Place(id, TwipsToPixels(1080), headingWidth);
    for (int id : values) Place(id, valueLeft, valueRight - valueLeft);
    const int erstellt = std::max(TwipsToPixels(4455), NeedWidth(kIdAboutErstellt));
    Place(kIdAboutErstellt, TwipsToPixels(1080), std::min(erstellt, widest - TwipsToPixels(1080)));
  }
  int NeedWidth(int id) const { return ControlTextSize(Item(id)).cx; }
  RECT RectOf(int id) const {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  int Height(int id) const {
    const RECT rect = RectOf(id);
    return rect.bottom - rect.top;
  }
  int WrappedHeight(int id, int width) const {
    HWND label = Item(id);
    std::wstring text(512, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(label, text.data(), 512)));
    RECT need{0, 0, width, 0};
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, MessageFont());
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return need.bottom - need.top;
  }
  // Left and width in pixels; at least one line high.
  void Place(int id, int left, int width) {
    const RECT rect = RectOf(id);
    const int height = std::max(static_cast<int>(rect.bottom - rect.top),
                                static_cast<int>(ControlTextSize(Item(id)).cy));
    SetWindowPos(Item(id), nullptr, left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Hwnd(), &ps);
    // Laid out in twips for the screen's DPI, drawn at the window's.
    const auto at = [this](RECT r) {
      return RECT{AtDpi(r.left), AtDpi(r.top), AtDpi(r.right), AtDpi(r.bottom)};
    };
    // picIcon: the program's icon at its natural size.
    const RECT icon = at(TwipsRect(240, 240, 540, 540));
    DrawIconEx(dc, icon.left, icon.top, icon_, GetSystemMetrics(SM_CXICON),
               GetSystemMetrics(SM_CYICON), 0, nullptr, DI_NORMAL);
    // Line1: a grey line with a white one of two pixels just below it, an etched separator.
    const int grey = AtDpi(TwipsToPixels(2445));
    const int white = AtDpi(TwipsToPixels(2460));
    RECT greyLine{AtDpi(TwipsToPixels(90)), grey, AtDpi(TwipsToPixels(5654)), grey + 1};
    RECT whiteLine{AtDpi(TwipsToPixels(105)), std::max(white, grey + 1), AtDpi(TwipsToPixels(5654)),
                   std::max(white, grey + 1) + 2};
    HBRUSH greyBrush = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &greyLine, greyBrush);
    DeleteObject(greyBrush);
    FillRect(dc, &whiteLine, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawMakerLogo(dc, at(TwipsRect(480, 2760, 3255, 795)));
    DrawSidePicture(dc, at(TwipsRect(5760, 0, 2430, 3675)));
    EndPaint(Hwnd(), &ps);
  }

  AboutEvents& events_;
  HICON icon_;
};

}  // namespace

std::unique_ptr<AboutView> AboutWindowFactory::CreateView(AboutEvents& events) {
  HICON icon = programIcon_;
  if (!icon) icon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_MAIN));
  if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
  auto view = std::make_unique<AboutWindow>(events, icon);
  view->Create(instance_, loop_);
  return view;
}

}  // namespace pw::win32
