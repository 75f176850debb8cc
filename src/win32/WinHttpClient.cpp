// The token endpoint's HTTPS with WinHTTP: the user's proxy settings, the system's trust store.
// WinHTTP's calls block, so the request runs on a worker thread while this thread serves the
// program's messages, as every network wait does. WinHTTP's time-outs count per operation: the
// waiting side bounds the whole request and ends it by closing its handles, which makes the
// worker's blocked call return (also on "Abbrechen").
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "common/Url.h"
#include "platform/Http.h"
#include "platform/Tls.h"
#include "win32/Strconv.h"
#include "win32/Win32.h"

// clang-format off: after windows.h, whose types it needs.
#include <winhttp.h>
// clang-format on

namespace pw::win32 {
namespace {

constexpr DWORD kPumpSliceMs = 50;

enum Slot { kSession, kConnection, kRequest, kSlots };

// What the worker hands back; shared, so that a wait given up on leaves it nothing dangling.
// The handles are closed by whichever side comes first: the worker when it is done, the
// waiting side when the time is up or the call is cancelled.
struct Call {
  std::wstring url;
  std::string body;
  int timeoutMs = 0;
  bool loopback = false;
  std::atomic<bool> done{false};
  DWORD error = 0;
  HttpResponse response;
  std::mutex lock;
  HINTERNET handles[kSlots] = {};
  bool stopped = false;
};

// Takes over a handle the worker opened; false when there is none or the call was stopped.
bool Keep(Call& call, Slot slot, HINTERNET h) {
  std::lock_guard<std::mutex> guard(call.lock);
  if (call.stopped) {
    if (h) WinHttpCloseHandle(h);
    return false;
  }
  call.handles[slot] = h;
  return h != nullptr;
}

HINTERNET Handle(Call& call, Slot slot) {
  std::lock_guard<std::mutex> guard(call.lock);
  return call.handles[slot];
}

void CloseHandles(Call& call, bool stop) {
  std::lock_guard<std::mutex> guard(call.lock);
  if (stop) call.stopped = true;
  for (int slot = kSlots - 1; slot >= 0; --slot) {
    if (call.handles[slot]) WinHttpCloseHandle(call.handles[slot]);
    call.handles[slot] = nullptr;
  }
}

AppError Failure(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return NetError(kNetHostNotFound, "");
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return NetError(kNetRefused);
    case ERROR_WINHTTP_TIMEOUT:
      return NetError(kNetTimedOut);
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return NetError(kNetClosed);
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      return TlsError(kTlsUntrusted,
                      ErrorDescription(kTlsUntrusted, {"WinHTTP " + std::to_string(code), "-"}));
    default:
      return NetError(kNetFailure, std::to_string(code));
  }
}

void Fail(Call& call) { call.error = call.error ? call.error : GetLastError(); }

void Run(Call& call) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  wchar_t extra[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = 2048;
  if (!WinHttpCrackUrl(call.url.c_str(), 0, 0, &parts)) return Fail(call);
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  // The user's proxy (Windows 8.1 and later); the tests' provider on loopback goes direct.
  HINTERNET session = WinHttpOpen(
      L"Postwacht",
      call.loopback ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session && !call.loopback) {
    // Older systems: the proxy configured for the user in the Internet settings.
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    const bool haveIe = WinHttpGetIEProxyConfigForCurrentUser(&ie) && ie.lpszProxy;
    session = WinHttpOpen(
        L"Postwacht", haveIe ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
        haveIe ? ie.lpszProxy : WINHTTP_NO_PROXY_NAME,
        haveIe && ie.lpszProxyBypass ? ie.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
    if (ie.lpszProxy) GlobalFree(ie.lpszProxy);
    if (ie.lpszProxyBypass) GlobalFree(ie.lpszProxyBypass);
    if (ie.lpszAutoConfigUrl) GlobalFree(ie.lpszAutoConfigUrl);
  }
  if (!session) return Fail(call);
  if (!Keep(call, kSession, session)) return Fail(call);
  WinHttpSetTimeouts(session, call.timeoutMs, call.timeoutMs, call.timeoutMs, call.timeoutMs);
  if (!Keep(call, kConnection, WinHttpConnect(session, host, parts.nPort, 0))) return Fail(call);
  const std::wstring target = std::wstring(path) + extra;
  if (!Keep(call, kRequest,
            WinHttpOpenRequest(Handle(call, kConnection), L"POST", target.c_str(), nullptr,
                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                               secure ? WINHTTP_FLAG_SECURE : 0))) {
    return Fail(call);
  }
  HINTERNET request = Handle(call, kRequest);
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
  const wchar_t* headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  const DWORD size = static_cast<DWORD>(call.body.size());
  if (!WinHttpSendRequest(request, headers, static_cast<DWORD>(-1L),
                          const_cast<char*>(call.body.data()), size, size, 0) ||
      !WinHttpReceiveResponse(request, nullptr)) {
    return Fail(call);
  }
  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                           WINHTTP_NO_HEADER_INDEX)) {
    return Fail(call);
  }
  call.response.status = static_cast<int>(status);
  for (;;) {
    char buffer[8192];
    DWORD got = 0;
    if (!WinHttpReadData(request, buffer, sizeof buffer, &got)) return Fail(call);
    if (got == 0) break;
    call.response.body.append(buffer, got);
    if (call.response.body.size() > kMaxHttpBody) {
      call.error = ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
      return;
    }
  }
}

class WinHttpClient : public HttpClient {
 public:
  explicit WinHttpClient(WaitPump pump) : pump_(std::move(pump)) {}

  HttpResponse PostForm(const std::string& url, const std::string& body, int timeoutMs,
                        const WaitPump& goOn) override {
    auto call = std::make_shared<Call>();
    call->url = Widen(url);
    call->body = body;
    call->timeoutMs = timeoutMs;
    call->loopback = IsLoopbackUrl(url);
    std::thread worker([call] {
      Run(*call);
      CloseHandles(*call, false);
      call->done = true;
    });
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::int32_t stopped = 0;
    while (!call->done) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) {
        stopped = kNetTimedOut;
        break;
      }
      const DWORD slice = static_cast<DWORD>(std::min<long long>(left, kPumpSliceMs));
      if (pump_) {
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      } else {
        Sleep(std::min<DWORD>(slice, 10));
      }
      if (call->done) break;
      if ((pump_ && !pump_()) || (goOn && !goOn())) {
        stopped = kNetAborted;
        break;
      }
    }
    if (stopped != 0) {
      // Closing the handles ends the worker's blocked call; it finishes on its own.
      CloseHandles(*call, true);
      worker.detach();
      throw NetError(stopped);
    }
    worker.join();
    if (call->error != 0) throw Failure(call->error);
    return call->response;
  }

 private:
  WaitPump pump_;
};

}  // namespace
}  // namespace pw::win32

namespace pw {

std::unique_ptr<HttpClient> MakeHttpClient(WaitPump pump) {
  return std::make_unique<win32::WinHttpClient>(std::move(pump));
}

}  // namespace pw
