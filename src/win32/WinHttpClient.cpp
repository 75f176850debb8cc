// The token endpoint's HTTPS with WinHTTP: the user's proxy settings, the system's trust store.
// WinHTTP's calls block, so the request runs on a worker thread while this thread serves the
// program's messages, as every network wait does.
#include <atomic>
#include <memory>
#include <thread>

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
constexpr std::size_t kMaxBody = 1 << 20;

struct Internet {
  HINTERNET h = nullptr;
  ~Internet() {
    if (h) WinHttpCloseHandle(h);
  }
};

// What the worker hands back; shared, so that a wait given up on leaves it nothing dangling.
struct Call {
  std::wstring url;
  std::string body;
  int timeoutMs = 0;
  bool loopback = false;
  std::atomic<bool> done{false};
  DWORD error = 0;
  HttpResponse response;
};

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
  if (!WinHttpCrackUrl(call.url.c_str(), 0, 0, &parts)) {
    call.error = GetLastError();
    return;
  }
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  // The user's proxy (Windows 8.1 and later); the tests' provider on loopback goes direct.
  Internet session;
  session.h = WinHttpOpen(
      L"Postwacht",
      call.loopback ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session.h && !call.loopback) {
    // Older systems: the proxy configured for the user in the Internet settings.
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    const bool haveIe = WinHttpGetIEProxyConfigForCurrentUser(&ie) && ie.lpszProxy;
    session.h = WinHttpOpen(
        L"Postwacht", haveIe ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
        haveIe ? ie.lpszProxy : WINHTTP_NO_PROXY_NAME,
        haveIe && ie.lpszProxyBypass ? ie.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
    if (ie.lpszProxy) GlobalFree(ie.lpszProxy);
    if (ie.lpszProxyBypass) GlobalFree(ie.lpszProxyBypass);
    if (ie.lpszAutoConfigUrl) GlobalFree(ie.lpszAutoConfigUrl);
  }
  if (!session.h) {
    call.error = GetLastError();
    return;
  }
  WinHttpSetTimeouts(session.h, call.timeoutMs, call.timeoutMs, call.timeoutMs, call.timeoutMs);
  Internet connection;
  connection.h = WinHttpConnect(session.h, host, parts.nPort, 0);
  Internet request;
  if (connection.h) {
    const std::wstring target = std::wstring(path) + extra;
    request.h =
        WinHttpOpenRequest(connection.h, L"POST", target.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0);
  }
  if (!request.h) {
    call.error = GetLastError();
    return;
  }
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(request.h, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
  const wchar_t* headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  const DWORD size = static_cast<DWORD>(call.body.size());
  if (!WinHttpSendRequest(request.h, headers, static_cast<DWORD>(-1L),
                          const_cast<char*>(call.body.data()), size, size, 0) ||
      !WinHttpReceiveResponse(request.h, nullptr)) {
    call.error = GetLastError();
    return;
  }
  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                           WINHTTP_NO_HEADER_INDEX)) {
    call.error = GetLastError();
    return;
  }
  call.response.status = static_cast<int>(status);
  for (;;) {
    char buffer[8192];
    DWORD got = 0;
    if (!WinHttpReadData(request.h, buffer, sizeof buffer, &got)) {
      call.error = GetLastError();
      return;
    }
    if (got == 0) break;
    call.response.body.append(buffer, got);
    if (call.response.body.size() > kMaxBody) {
      call.error = ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
      return;
    }
  }
}

bool IsLoopbackUrl(const std::string& url) {
  return url.rfind("http://127.", 0) == 0 || url.rfind("http://[::1]", 0) == 0 ||
         url.rfind("http://localhost", 0) == 0;
}

class WinHttpClient : public HttpClient {
 public:
  explicit WinHttpClient(WaitPump pump) : pump_(std::move(pump)) {}

  HttpResponse PostForm(const std::string& url, const std::string& body, int timeoutMs) override {
    auto call = std::make_shared<Call>();
    call->url = Widen(url);
    call->body = body;
    call->timeoutMs = timeoutMs;
    call->loopback = IsLoopbackUrl(url);
    std::thread worker([call] {
      Run(*call);
      call->done = true;
    });
    if (!pump_) {
      worker.join();
    } else {
      while (!call->done) {
        MsgWaitForMultipleObjectsEx(0, nullptr, kPumpSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!call->done && !pump_()) {
          // The program is ending: the worker finishes within its time-outs on its own.
          worker.detach();
          throw NetError(kNetAborted);
        }
      }
      worker.join();
    }
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
