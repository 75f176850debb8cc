#include "win32/Win32NetworkState.h"

// clang-format off
#include <iphlpapi.h>
// clang-format on

#include <vector>

#include "platform/Trace.h"

namespace pw::win32 {

Win32NetworkState::~Win32NetworkState() {
  if (wait_) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);  // waits for a callback under way
  if (event_) {
    CancelIPChangeNotify(&overlapped_);
    CloseHandle(event_);
  }
}

bool Win32NetworkState::Up() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(
        AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  // A system that cannot say is taken at its word that the network is there.
  if (result == ERROR_NO_DATA) return false;
  if (result != NO_ERROR) return true;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->IfType != IF_TYPE_SOFTWARE_LOOPBACK && a->OperStatus == IfOperStatusUp &&
        a->FirstUnicastAddress) {
      return true;
    }
  }
  return false;
}

bool Win32NetworkState::Arm() {
  HANDLE handle = nullptr;
  const DWORD result = NotifyAddrChange(&handle, &overlapped_);
  return result == ERROR_IO_PENDING || result == NO_ERROR;
}

void Win32NetworkState::Watch(HWND window) {
  window_ = window;
  event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!event_) return;
  overlapped_.hEvent = event_;
  if (!Arm()) {
    TraceIgnored("Win32NetworkState.NotifyAddrChange");
    return;
  }
  if (!RegisterWaitForSingleObject(&wait_, event_, &Win32NetworkState::OnChange, this, INFINITE,
                                   WT_EXECUTEDEFAULT)) {
    wait_ = nullptr;
  }
}

void CALLBACK Win32NetworkState::OnChange(void* self, BOOLEAN) {
  auto* state = static_cast<Win32NetworkState*>(self);
  PostMessageW(state->window_, kNetworkChangedMessage, 0, 0);
  state->Arm();
}

}  // namespace pw::win32
