// A stand-in for the default browser in the test prefix: registered for http and https, it
// opens the URL it is started with as a consenting user would, follows every redirect (the last
// one to the program's loopback address) and appends what it saw to a log file.
//
// Usage (from the registry): standin_browser.exe --log <file> [--mode follow|ignore] <url>
// "ignore" records the start and fetches nothing: a user who never finishes the sign-in.
#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

namespace {

constexpr int kMaxHops = 10;
constexpr DWORD kMaxBody = 64 * 1024;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// One line of the log: line breaks in what a server sent must not split a record.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

struct Handle {
  HINTERNET h = nullptr;
  explicit Handle(HINTERNET handle) : h(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h) WinHttpCloseHandle(h);
  }
};

struct Answer {
  DWORD status = 0;
  std::wstring location;
  std::string body;
  DWORD error = 0;
};

Answer Fetch(HINTERNET session, const std::wstring& url) {
  Answer answer;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256] = {};
  std::vector<wchar_t> path(url.size() + 1);
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  std::vector<wchar_t> extra(url.size() + 1);
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
    answer.error = GetLastError();
    return answer;
  }
  Handle connection(WinHttpConnect(session, host, parts.nPort, 0));
  const std::wstring object = std::wstring(path.data()) + extra.data();
  Handle request(
      connection.h
          ? WinHttpOpenRequest(connection.h, L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                               WINHTTP_DEFAULT_ACCEPT_TYPES,
                               parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)
          : nullptr);
  // Redirects are followed by hand, so that every hop is recorded.
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  if (!request.h ||
      !WinHttpSetOption(request.h, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                        sizeof noRedirects) ||
      !WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                          0, 0) ||
      !WinHttpReceiveResponse(request.h, nullptr)) {
    answer.error = GetLastError();
    return answer;
  }
  DWORD size = sizeof answer.status;
  WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &answer.status, &size, WINHTTP_NO_HEADER_INDEX);
  size = 0;
  WinHttpQueryHeaders(request.h, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                      &size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0) {
    std::vector<wchar_t> location(size / sizeof(wchar_t) + 1);
    if (WinHttpQueryHeaders(request.h, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                            location.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
      answer.location = location.data();
    }
  }
  char buffer[4096];
  DWORD read = 0;
  while (answer.body.size() < kMaxBody &&
         WinHttpReadData(request.h, buffer, sizeof buffer, &read) && read > 0) {
    answer.body.append(buffer, read);
  }
  return answer;
}

// A Location relative to the server ("/path") gets the scheme and authority of the request.
std::wstring Resolve(const std::wstring& base, const std::wstring& location) {
  if (location.empty() || location[0] != L'/') return location;
  const auto scheme = base.find(L"://");
  const auto slash = scheme == std::wstring::npos ? scheme : base.find(L'/', scheme + 3);
  return base.substr(0, slash) + location;
}

void Append(const std::wstring& log, const std::string& record) {
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  // One write for the whole record, so that a reader never sees half of one.
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring log;
  std::wstring mode = L"follow";
  std::wstring url;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--log" && i + 1 < argc) {
      log = argv[++i];
    } else if (arg == L"--mode" && i + 1 < argc) {
      mode = argv[++i];
    } else {
      url = arg;
    }
  }
  if (log.empty()) return 2;
  std::string record = "start " + OneLine(Utf8(GetCommandLineW())) + "\n";
  if (mode != L"follow") {
    Append(log, record + "ignored " + Utf8(url) + "\nend\n");
    return 0;
  }
  // No proxy: the provider and the program's redirect both listen on loopback.
  Handle session(WinHttpOpen(L"PostwachtStandinBrowser/1", WINHTTP_ACCESS_TYPE_NO_PROXY,
                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  int exitCode = 1;
  for (int hop = 0; session.h && hop < kMaxHops && !url.empty(); ++hop) {
    const Answer answer = Fetch(session.h, url);
    record += "GET " + Utf8(url);
    if (answer.error) {
      record += " -> error " + std::to_string(answer.error) + "\n";
      break;
    }
    record += " -> " + std::to_string(answer.status);
    if (answer.status >= 300 && answer.status < 400 && !answer.location.empty()) {
      record += " " + Utf8(answer.location) + "\n";
      url = Resolve(url, answer.location);
      continue;
    }
    record += "\nbody " + OneLine(answer.body) + "\n";
    exitCode = answer.status == 200 ? 0 : 1;
    break;
  }
  Append(log, record + "end\n");
  return exitCode;
}
