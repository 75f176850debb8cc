// The network's state from the IP helper: whether an interface is up, and a message to a window
// whenever the addresses change (NotifyAddrChange).
#pragma once

#include "platform/NetworkState.h"
#include "win32/Win32.h"

namespace pw::win32 {

// The message posted to the window when the PC's addresses changed.
inline constexpr UINT kNetworkChangedMessage = WM_APP + 0x29;

class Win32NetworkState : public NetworkState {
 public:
  Win32NetworkState() = default;
  ~Win32NetworkState() override;
  Win32NetworkState(const Win32NetworkState&) = delete;
  Win32NetworkState& operator=(const Win32NetworkState&) = delete;

  bool Up() override;
  // Posts kNetworkChangedMessage to window at every change of the addresses, until destroyed.
  // Where the system cannot tell (NotifyAddrChange unsupported) nothing is posted.
  void Watch(HWND window);

 private:
  static void CALLBACK OnChange(void* self, BOOLEAN timedOut);
  bool Arm();

  HWND window_ = nullptr;
  HANDLE event_ = nullptr;
  HANDLE wait_ = nullptr;
  OVERLAPPED overlapped_{};
};

}  // namespace pw::win32
