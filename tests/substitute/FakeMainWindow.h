// The main window in memory; state changes call back into the form as the platform would.
#pragma once

#include "common/MainWindowView.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeMainWindow : public MainWindowView {
 public:
  void Attach(MainWindowEvents* target) { events = target; }
  WindowHandle Handle() const override { return 0x1234; }
  void Show() override {
    visible = true;
    ++shows;
    Note(log, "window shown");
  }
  void Hide() override { visible = false; }
  bool Visible() const override { return visible; }
  void Refresh() override {
    ++refreshes;
    Note(log, "window refreshed");
  }
  float LeftTwips() const override { return left; }
  float TopTwips() const override { return top; }
  void SetLeftTwips(float value) override { left = value; }
  void SetTopTwips(float value) override { top = value; }
  void SetOuterSizeTwips(float w, float h) override {
    width = w;
    height = h;
  }
  WindowState State() const override { return state; }
  void SetState(WindowState value) override {
    bool changed = value != state;
    state = value;
    if (changed && events) events->Form_Resize();
  }
  void SetDefaultMousePointer() override {
    ++pointerResets;
    Note(log, "default pointer");
  }
  void PopupTrayMenu() override { ++trayMenuPopups; }
  void Close() override { closed = true; }
  IconHandle MainIcon() const override { return 0x100; }
  IconHandle IvisPicture() const override { return 0x200; }
  IconHandle StopPicture() const override { return 0x300; }

  bool visible = false;
  int shows = 0;
  int refreshes = 0;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  WindowState state = WindowState::Normal;
  int pointerResets = 0;
  int trayMenuPopups = 0;
  bool closed = false;
  // Where a state change reports the Resize event, as on Windows; none until attached.
  MainWindowEvents* events = nullptr;
  EffectLog* log = nullptr;
};

}  // namespace pw
