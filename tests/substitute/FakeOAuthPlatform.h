// Stand-ins for what the OAuth2 sign-in reaches on the platform: a scripted token endpoint, a
// browser that records the address, a redirect listener fed by the test, DPAPI-like
// protection, and the sign-in window.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "oauth/SignInView.h"
#include "platform/Browser.h"
#include "platform/Crypto.h"
#include "platform/Http.h"
#include "platform/Loopback.h"

namespace pw {

// Answers from a script, or from a handler that sees the request body.
class FakeHttpClient : public HttpClient {
 public:
  HttpResponse PostForm(const std::string& url, const std::string& body, int,
                        const WaitPump& goOn) override {
    requests.push_back(body);
    urls.push_back(url);
    if (beforeAnswer) beforeAnswer();
    if (goOn && !goOn()) throw NetError(kNetAborted);
    if (handler) return handler(body);
    if (answers.empty()) throw NetError(kNetUnreachable);
    HttpResponse r = answers.front();
    answers.pop_front();
    return r;
  }
  std::function<HttpResponse(const std::string& body)> handler;
  // Runs while the request waits (the person pressing "Abbrechen", say).
  std::function<void()> beforeAnswer;
  std::deque<HttpResponse> answers;
  std::vector<std::string> requests;
  std::vector<std::string> urls;
};

class FakeBrowser : public Browser {
 public:
  void Open(const std::string& url) override {
    opened.push_back(url);
    if (onOpen) onOpen(url);
  }
  std::vector<std::string> opened;
  std::function<void(const std::string& url)> onOpen;
};

// Not real protection: a marker and the bytes reversed and flipped, enough to show that the
// clear text never reaches the registry and that foreign blobs are refused.
class FakeCrypto : public Crypto {
 public:
  std::string RandomBytes(std::size_t count) override {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
      out += static_cast<char>((seed_ = seed_ * 1103515245u + 12345u) >> 16);
    return out;
  }
  // Not SHA-256: a stand-in digest of the right length for the core's tests.
  std::string Sha256(const std::string& data) override {
    std::string out(32, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
      out[i % 32] = static_cast<char>(out[i % 32] ^ data[i] ^ static_cast<char>(i));
    return out;
  }
  std::string Protect(const std::string& data) override {
    if (failProtect)
      throw AppError(kOAuthProtectFailed, "Crypto", ErrorDescription(kOAuthProtectFailed, "5"));
    std::string out = "DPAPI:";
    for (auto it = data.rbegin(); it != data.rend(); ++it) out += static_cast<char>(*it ^ 0x5A);
    return out;
  }
  std::string Unprotect(const std::string& blob) override {
    if (blob.rfind("DPAPI:", 0) != 0) throw AppError(kOAuthProtectFailed, "Crypto");
    std::string out;
    for (auto it = blob.rbegin(); it != blob.rend() - 6; ++it) out += static_cast<char>(*it ^ 0x5A);
    return out;
  }
  bool failProtect = false;

 private:
  unsigned seed_ = 7;
};

// One browser request, and what the listener sent back. kSilent stands for a connection that
// sends nothing at all.
inline constexpr char kSilent[] = "<silent>";
class FakeConnection : public Transport {
 public:
  explicit FakeConnection(std::string request, std::string* reply)
      : request_(std::move(request)), reply_(reply) {}
  void Connect(const std::string&, int, int) override {}
  void Send(std::string_view data, int) override { reply_->append(data); }
  std::size_t Receive(char* buffer, std::size_t capacity, int) override {
    if (request_ == kSilent) throw NetError(kNetTimedOut);
    const std::size_t n = std::min(capacity, request_.size());
    request_.copy(buffer, n);
    request_.erase(0, n);
    return n;
  }
  void Close() override {}

 private:
  std::string request_;
  std::string* reply_;
};

// Hands out the requests queued by the test (usually from FakeBrowser::onOpen); with none
// queued, a wait serves the pump once and then times out.
class FakeLoopbackListener : public LoopbackListener {
 public:
  struct Shared {
    std::deque<std::string> requests;
    std::vector<std::string> replies;
    int listens = 0;
  };
  explicit FakeLoopbackListener(Shared& shared) : shared_(shared) {}
  int Listen() override {
    ++shared_.listens;
    return 50123;
  }
  std::unique_ptr<Transport> Accept(int, const WaitPump& pump) override {
    if (pump && !pump()) throw NetError(kNetAborted);
    if (shared_.requests.empty()) return nullptr;
    std::string request = shared_.requests.front();
    shared_.requests.pop_front();
    shared_.replies.emplace_back();
    return std::make_unique<FakeConnection>(std::move(request), &shared_.replies.back());
  }
  void Close() override {}

 private:
  Shared& shared_;
};

class FakeSignInView : public SignInView {
 public:
  struct Record {
    std::vector<std::string> texts;
    int shown = 0;
    int closed = 0;
    bool cancel = false;  // the next window is cancelled at once
  };
  explicit FakeSignInView(Record& record) : r_(record) {}
  void Show(const std::string& text) override {
    ++r_.shown;
    r_.texts.push_back(text);
  }
  void SetAccount(const std::string& text) override { r_.texts.push_back(text); }
  bool Cancelled() const override { return r_.cancel; }
  void Close() override { ++r_.closed; }

 private:
  Record& r_;
};

class FakeSignInViewFactory : public SignInViewFactory {
 public:
  std::unique_ptr<SignInView> Create() override { return std::make_unique<FakeSignInView>(record); }
  FakeSignInView::Record record;
};

}  // namespace pw
