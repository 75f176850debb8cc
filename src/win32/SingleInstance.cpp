#include "win32/SingleInstance.h"

#include <sddl.h>

#include <vector>

#include "platform/Trace.h"
#include "win32/CommandIds.h"

namespace pw::win32 {

std::wstring InstanceMutexName() {
  std::wstring name = L"Local\\Postwacht";
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return name;
  UniqueKernelHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return name;
  // Pointer-sized elements keep the SID structure aligned.
  std::vector<DWORD_PTR> buffer(size / sizeof(DWORD_PTR) + 1);
  LPWSTR sid = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
    name += L"-";
    name += sid;
    LocalFree(sid);
  }
  return name;
}

SingleInstance::SingleInstance() {
  // Owned from the start: when the first process ends in any way, the mutex is abandoned and a
  // waiting second start sees it.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, InstanceMutexName().c_str());
  const DWORD error = GetLastError();
  mutex_.Reset(mutex);
  if (!mutex) {
    // Better a second watcher than none.
    TraceIgnored("SingleInstance: CreateMutexW");
    first_ = true;
    return;
  }
  first_ = error != ERROR_ALREADY_EXISTS;
}

bool SingleInstance::HandOverOrTakeOver(DWORD waitMs) {
  if (first_) return true;
  const UINT showMessage = RegisterWindowMessageW(kShowRunningMessage);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD state = WaitForSingleObject(mutex_.Get(), 0);
    if (state == WAIT_OBJECT_0 || state == WAIT_ABANDONED) {
      first_ = true;
      return true;
    }
    if (HWND running = FindWindowW(kMainWindowClass, nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(running, &process);
      // The second start is the one the user just started, so it may hand the foreground on.
      AllowSetForegroundWindow(process);
      PostMessageW(running, showMessage, 0, 0);
      return false;
    }
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(100);
  }
}

}  // namespace pw::win32
