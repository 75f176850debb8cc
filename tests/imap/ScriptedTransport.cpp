#include "imap/ScriptedTransport.h"

#include <algorithm>
#include <cstring>

namespace pw::test {
namespace {

// Shows CR and LF so that a mismatch in the line ends is visible in a test's output.
std::string Visible(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

class Forwarder : public Transport {
 public:
  explicit Forwarder(ScriptedTransport& target) : target_(target) {}
  void Connect(const std::string& host, int port, int timeoutMs) override {
    target_.Connect(host, port, timeoutMs);
  }
  void Send(std::string_view data, int timeoutMs) override { target_.Send(data, timeoutMs); }
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override {
    return target_.Receive(buffer, capacity, timeoutMs);
  }
  void Close() override { target_.Close(); }

 private:
  ScriptedTransport& target_;
};

}  // namespace

ScriptedTransport& ScriptedTransport::Client(const std::string& line) {
  return ClientRaw(line + "\r\n");
}
ScriptedTransport& ScriptedTransport::ClientRaw(const std::string& bytes) {
  steps_.push_back({Kind::Client, bytes});
  return *this;
}
ScriptedTransport& ScriptedTransport::Server(const std::string& line) {
  return ServerRaw(line + "\r\n");
}
ScriptedTransport& ScriptedTransport::ServerRaw(const std::string& bytes) {
  steps_.push_back({Kind::Server, bytes});
  return *this;
}
ScriptedTransport& ScriptedTransport::ServerCloses() {
  steps_.push_back({Kind::Closes, {}});
  return *this;
}
ScriptedTransport& ScriptedTransport::ServerSilent() {
  steps_.push_back({Kind::Silent, {}});
  return *this;
}
ScriptedTransport& ScriptedTransport::ConnectFails(std::int32_t number) {
  steps_.push_back({Kind::ConnectFails, {}, number});
  return *this;
}

std::unique_ptr<Transport> ScriptedTransport::Handle() {
  return std::make_unique<Forwarder>(*this);
}

void ScriptedTransport::Connect(const std::string& h, int p, int timeoutMs) {
  ++connects_;
  host = h;
  port = p;
  lastTimeoutMs = timeoutMs;
  closed_ = false;
  if (next_ < steps_.size() && steps_[next_].kind == Kind::ConnectFails) {
    throw NetError(steps_[next_++].number, h);
  }
}

void ScriptedTransport::Send(std::string_view data, int timeoutMs) {
  lastTimeoutMs = timeoutMs;
  if (closed_) problems_.push_back("send after close: " + Visible(data));
  sent_ += data;
}

// Consumes the Client steps that the bytes sent so far satisfy; false on a mismatch or when
// the client stopped short of a step before waiting.
bool ScriptedTransport::MatchClientSteps() {
  while (next_ < steps_.size() && steps_[next_].kind == Kind::Client) {
    const std::string& want = steps_[next_].bytes;
    std::string_view have = std::string_view(sent_).substr(matched_);
    if (have.size() < want.size() || have.substr(0, want.size()) != want) {
      problems_.push_back("expected the client to send \"" + Visible(want) + "\", it sent \"" +
                          Visible(have) + "\"");
      return false;
    }
    matched_ += want.size();
    ++next_;
  }
  return true;
}

std::size_t ScriptedTransport::Receive(char* buffer, std::size_t capacity, int timeoutMs) {
  lastTimeoutMs = timeoutMs;
  if (!MatchClientSteps()) throw NetError(kNetTimedOut);
  if (next_ == steps_.size()) {
    problems_.push_back("the client waits for more after the end of the script");
    throw NetError(kNetTimedOut);
  }
  Step& step = steps_[next_];
  switch (step.kind) {
    case Kind::Closes:
      ++next_;
      return 0;
    case Kind::Silent:
      ++next_;
      throw NetError(kNetTimedOut);
    case Kind::Server: {
      std::size_t n = std::min({capacity, chunk_, step.bytes.size() - served_});
      std::memcpy(buffer, step.bytes.data() + served_, n);
      served_ += n;
      if (served_ == step.bytes.size()) {
        served_ = 0;
        ++next_;
      }
      return n;
    }
    default:
      problems_.push_back("unexpected receive");
      throw NetError(kNetTimedOut);
  }
}

std::string ScriptedTransport::Problems() const {
  std::vector<std::string> all = problems_;
  // Client steps at the very end (LOGOUT) are checked here, as nothing waits after them.
  std::size_t step = next_;
  std::size_t matched = matched_;
  while (step < steps_.size() && steps_[step].kind == Kind::Client) {
    const std::string& want = steps_[step].bytes;
    if (sent_.compare(matched, want.size(), want) != 0) break;
    matched += want.size();
    ++step;
  }
  if (step < steps_.size()) {
    all.push_back("script not finished at step " + std::to_string(step) + " (\"" +
                  Visible(steps_[step].bytes) + "\")");
  }
  if (matched < sent_.size()) {
    all.push_back("the client sent more: \"" + Visible(sent_.substr(matched)) + "\"");
  }
  std::string out;
  for (const auto& p : all) out += p + "\n";
  return out;
}

}  // namespace pw::test
