// The notification area in memory: every send is recorded, and the icon's state is kept.
#pragma once

#include <optional>
#include <vector>

#include "common/Windows1252.h"
#include "platform/TrayShell.h"
#include "substitute/EffectLog.h"
#include "tray/TrayData.h"

namespace pw {

// The tip field as a Windows with code page 1252 fills it, and the tip the shell shows from there.
inline TipFieldBytes TipField1252(const TrayData& data) { return TipField(To1252(data.tip)); }
inline std::string ShownTip(const TrayData& data) {
  return From1252(ShownTipBytes(TipField1252(data)));
}

class FakeTrayShell : public TrayShell {
 public:
  struct Call {
    std::uint32_t message;
    TrayData data;
  };

  bool Shell_NotifyIconA(std::uint32_t message, const TrayData& data) override {
    calls.push_back({message, data});
    Note(log, message == kNimAdd      ? "tray add"
              : message == kNimDelete ? "tray delete"
                                      : "tray modify: " + ShownTip(data));
    if (message == kNimAdd) {
      icon = data;
    } else if (message == kNimModify && icon) {
      icon = data;
    } else if (message == kNimDelete) {
      icon.reset();
    }
    return true;
  }
  std::uint32_t FirstFormSize() const override { return 104; }
  bool ShowBalloon(const TrayData& data, const std::string& title,
                   const std::string& text) override {
    balloons.push_back({data.uID, title, text});
    return true;
  }
  struct Balloon {
    std::uint32_t uID;
    std::string title;
    std::string text;
  };
  std::vector<Balloon> balloons;
  bool SetForegroundWindow(WindowHandle window) override {
    foregrounded.push_back(window);
    return true;
  }

  std::vector<Call> calls;
  std::optional<TrayData> icon;
  std::vector<WindowHandle> foregrounded;
  EffectLog* log = nullptr;
};

}  // namespace pw
