// The main window fmStart on Win32: caption, menus, the tree Anzeige and the status bar, the
// tray callback and the close events. It shows what the core hands it and reports events.
#pragma once

#include <memory>

#include "common/MainWindowView.h"
#include "win32/CommandIds.h"
#include "win32/Handles.h"
#include "win32/Win32EventLoop.h"
#include "win32/Win32StatusBar.h"
#include "win32/Win32TreeView.h"
#include "win32/WindowBase.h"

namespace pw::win32 {

// True for the tray icon's callback, which arrives as WM_MOUSEMOVE (the callback message the
// record registers) with wParam = the icon's id and lParam = the mouse message.
bool IsTrayCallback(WPARAM wParam, LPARAM lParam);

class MainWindow : public MainWindowView, private WindowBase {
 public:
  // Creates the window hidden, with its menus, tree, status bar and pictures.
  MainWindow(HINSTANCE instance, Win32EventLoop& loop);
  ~MainWindow() override;

  void Attach(MainWindowEvents* events) { events_ = events; }
  using WindowBase::Hwnd;
  Win32TreeView& Anzeige() { return *tree_; }
  Win32StatusBar& StatusBar() { return *status_; }
  HMENU TrayMenu() const { return trayMenu_.Get(); }

  WindowHandle Handle() const override;
  void Show() override;
  void Hide() override;
  bool Visible() const override;
  void Refresh() override;
  float LeftTwips() const override;
  float TopTwips() const override;
  void SetLeftTwips(float left) override;
  void SetTopTwips(float top) override;
  void SetOuterSizeTwips(float width, float height) override;
  WindowState State() const override;
  void SetState(WindowState state) override;
  void SetDefaultMousePointer() override;
  void PopupTrayMenu() override;
  void Close() override;
  IconHandle MainIcon() const override;
  IconHandle IvisPicture() const override;
  IconHandle StopPicture() const override;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnActivate(WPARAM wParam, LPARAM lParam);
  void OnSize(WPARAM kind);
  void OnPaint();
  LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
  void OnClose();
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnNotify(const NMHDR& header);
  void Layout();
  RECT OuterRect() const;

  HINSTANCE instance_;
  Win32EventLoop& loop_;
  MainWindowEvents* events_ = nullptr;
  UniqueWindow owner_;
  UniqueMenu trayMenu_;
  UniqueAccel accelerators_;
  UniqueIcon mainIcon_, ivisIcon_, stopIcon_;
  std::unique_ptr<Win32TreeView> tree_;
  std::unique_ptr<Win32StatusBar> status_;
  UINT taskbarCreated_ = 0;
  UINT showRunning_ = 0;
  bool closeFromControlMenu_ = false;
  bool activeForm_ = false;
  bool closed_ = false;
};

}  // namespace pw::win32
