// HTTPS requests to the identity provider's token endpoint (WinHTTP on Windows, libcurl
// natively); the waits serve the program's window messages like the IMAP client's.
#pragma once

#include <memory>
#include <string>

#include "platform/Transport.h"

namespace pw {

struct HttpResponse {
  int status = 0;
  std::string body;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // POSTs an application/x-www-form-urlencoded body and returns the answer, whatever its
  // status. The server's certificate is checked against the system's trust store. A server
  // out of reach raises the kNet* errors of a transport, a failing TLS connection kTlsFailed
  // or kTlsUntrusted; the pump answering false ends the wait with kNetAborted.
  virtual HttpResponse PostForm(const std::string& url, const std::string& body, int timeoutMs) = 0;
};

// This platform's client; it uses the user's proxy settings where the platform has them.
std::unique_ptr<HttpClient> MakeHttpClient(WaitPump pump = {});

}  // namespace pw
