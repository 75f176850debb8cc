// The system resolver of both platforms: the edge's blocking lookup on a thread of its own,
// awaited within the call's deadline while the pump is served.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/NetWait.h"
#include "platform/Resolver.h"

namespace pw {

// The lookup thread's signal to the caller awaiting it; both hold it, either may let go first.
class LookupSignal {
 public:
  virtual ~LookupSignal() = default;
  // On the lookup thread, once its answer is stored.
  virtual void Set() = 0;
  // Waits up to ms for Set; while pumping, also returns when window messages arrive.
  virtual Woke Wait(int ms) = 0;
};

// A signal over a condition variable, for a platform whose waits see no window messages.
std::shared_ptr<LookupSignal> MakeThreadSignal(bool pumping);

class ThreadedResolver : public Resolver {
 public:
  // The edge's lookup on the calling thread (raising LookupError's numbers), and its signal.
  using LookUpFunction = std::vector<std::string> (*)(const std::string& host);
  using SignalFactory = std::shared_ptr<LookupSignal> (*)(bool pumping);

  // Each system wait lasts at most sliceMs while the pump is to be served.
  ThreadedResolver(WaitPump pump, LookUpFunction lookUp, SignalFactory signal, int sliceMs)
      : pump_(std::move(pump)), lookUp_(lookUp), signal_(signal), sliceMs_(sliceMs) {}
  std::vector<std::string> Resolve(const std::string& host, int timeoutMs) override;

 private:
  WaitPump pump_;
  LookUpFunction lookUp_;
  SignalFactory signal_;
  int sliceMs_;
};

}  // namespace pw
