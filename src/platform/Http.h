// HTTPS requests to the identity provider's token endpoint (WinHTTP on Windows, libcurl
// natively); the waits serve the program's window messages like the IMAP client's.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/Transport.h"

namespace pw {

// The most of an answer's body a client takes.
inline constexpr std::size_t kMaxHttpBody = 1 << 20;

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
  // or kTlsUntrusted; the pump or goOn answering false ends the request at once with
  // kNetAborted. timeoutMs bounds the whole request, however slowly the server answers
  // (kNetTimedOut); the body is at most 1 MB (kNetFailure beyond).
  virtual HttpResponse PostForm(const std::string& url, const std::string& body, int timeoutMs,
                                const WaitPump& goOn = {}) = 0;
};

// This platform's client; it uses the user's proxy settings where the platform has them.
std::unique_ptr<HttpClient> MakeHttpClient(WaitPump pump = {});

}  // namespace pw
