// The token endpoint's HTTPS natively, with libcurl's multi interface so the wait can serve the
// pump between short polls. Certificates are checked against the system's CA store.
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/Http.h"
#include "platform/Tls.h"

namespace pw {
namespace {

constexpr int kPumpSliceMs = 20;

void StartCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// libcurl's own limit (CURLOPT_MAXFILESIZE) does not hold a chunked body: counted here.
std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  if (body->size() + size * count > kMaxHttpBody) return 0;  // ends the transfer
  body->append(data, size * count);
  return size * count;
}

AppError CurlFailure(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return NetError(kNetHostNotFound, "");
    case CURLE_COULDNT_CONNECT:
      return NetError(kNetRefused);
    case CURLE_OPERATION_TIMEDOUT:
      return NetError(kNetTimedOut);
    case CURLE_PEER_FAILED_VERIFICATION:
      return TlsError(kTlsUntrusted,
                      ErrorDescription(kTlsUntrusted, {curl_easy_strerror(code), "-"}));
    case CURLE_SSL_CONNECT_ERROR:
      return TlsError(kTlsFailed, ErrorDescription(kTlsFailed, curl_easy_strerror(code)));
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return NetError(kNetClosed);
    default:
      return NetError(kNetFailure, "curl " + std::to_string(static_cast<int>(code)));
  }
}

class CurlHttpClient : public HttpClient {
 public:
  explicit CurlHttpClient(WaitPump pump) : pump_(std::move(pump)) { StartCurl(); }

  HttpResponse PostForm(const std::string& url, const std::string& body, int timeoutMs,
                        const WaitPump& goOn) override {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                curl_multi_cleanup);
    if (!easy || !multi) throw NetError(kNetFailure, "curl");
    HttpResponse response;
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE, static_cast<long>(kMaxHttpBody));
    curl_multi_add_handle(multi.get(), e);
    int running = 1;
    while (running > 0) {
      if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
        throw NetError(kNetFailure, "curl");
      if (running == 0) break;
      curl_multi_poll(multi.get(), nullptr, 0, pump_ || goOn ? kPumpSliceMs : 1000, nullptr);
      if ((pump_ && !pump_()) || (goOn && !goOn())) {
        curl_multi_remove_handle(multi.get(), e);
        throw NetError(kNetAborted);
      }
    }
    int left = 0;
    CURLcode result = CURLE_OK;
    while (CURLMsg* m = curl_multi_info_read(multi.get(), &left)) {
      if (m->msg == CURLMSG_DONE) result = m->data.result;
    }
    curl_multi_remove_handle(multi.get(), e);
    if (result != CURLE_OK) throw CurlFailure(result);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    return response;
  }

 private:
  WaitPump pump_;
};

}  // namespace

std::unique_ptr<HttpClient> MakeHttpClient(WaitPump pump) {
  return std::make_unique<CurlHttpClient>(std::move(pump));
}

}  // namespace pw
