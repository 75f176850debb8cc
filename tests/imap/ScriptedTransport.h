// A transport that plays a scripted server and checks the exact bytes the client sends.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/Transport.h"

namespace pw::test {

// Steps run in order: the client must have sent every Client step before it waits for the
// next Server step. Lines are given without their CRLF.
class ScriptedTransport : public Transport {
 public:
  ScriptedTransport& Client(const std::string& line);      // a line the client must send
  ScriptedTransport& ClientRaw(const std::string& bytes);  // bytes the client must send
  ScriptedTransport& Server(const std::string& line);
  ScriptedTransport& ServerRaw(const std::string& bytes);
  ScriptedTransport& ServerCloses();
  ScriptedTransport& ServerSilent();  // the next read times out
  ScriptedTransport& ConnectFails(std::int32_t number);

  // Server bytes are handed out at most this many at a time (partial reads).
  void SetChunk(std::size_t bytes) { chunk_ = bytes; }

  // Empty when the client sent exactly the script's bytes and the script ran to its end.
  std::string Problems() const;
  const std::string& Sent() const { return sent_; }
  int Connects() const { return connects_; }
  std::string host;
  int port = 0;
  int lastTimeoutMs = 0;

  void Connect(const std::string& host, int port, int timeoutMs) override;
  void Send(std::string_view data, int timeoutMs) override;
  std::size_t Receive(char* buffer, std::size_t capacity, int timeoutMs) override;
  void Close() override { closed_ = true; }
  bool Closed() const { return closed_; }

  // A factory for ImapClient that hands out this one transport.
  std::unique_ptr<Transport> Handle();

 private:
  enum class Kind { Client, Server, Closes, Silent, ConnectFails };
  struct Step {
    Kind kind;
    std::string bytes;
    std::int32_t number = 0;
  };
  bool MatchClientSteps();

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::size_t served_ = 0;  // bytes of the current Server step handed out
  std::string sent_;
  std::size_t matched_ = 0;  // bytes of sent_ matched against Client steps
  std::size_t chunk_ = 1 << 20;
  std::vector<std::string> problems_;
  int connects_ = 0;
  bool closed_ = false;
};

}  // namespace pw::test
