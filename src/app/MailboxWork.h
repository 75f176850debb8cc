// One mailbox's part of a check run that needs the network, and the workers that do it: the
// sign-in, the counts and the sign-out, handed over as a job and answered with a result.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/NewMailSignal.h"
#include "common/AppError.h"
#include "common/ImapComponent.h"
#include "common/MailNews.h"
#include "platform/Transport.h"

namespace pw {

// What the window's thread read for one mailbox right before its sign-in; the worker reads
// nothing of the registry, the windows or the settings.
struct MailboxJob {
  std::uint64_t run = 0;  // the check run the job belongs to
  std::int32_t row = 0;   // the mailbox's row in the attendance list
  std::string account;
  std::string host;
  std::string user;
  std::string secret;  // the password, or with OAuth2 the access token
  bool token = false;
  int port = 143;
  std::string security;
  std::string certificate;
  std::int32_t timeoutMs = 10000;
  // The sign-in's failure known before the server is asked (a password that cannot be read).
  std::optional<AppError> refused;
  std::shared_ptr<NewMailSignal> newMail;  // its remembered mark; only Announce and Evaluate
};

struct MailboxResult {
  std::uint64_t run = 0;
  std::int32_t row = 0;
  // The sign-in failed (the component's error, or kImapErrorInternal for any other exception).
  std::optional<AppError> signInError;
  // A call after the sign-in failed; `otherFailure` when it was no AppError at all.
  std::optional<AppError> afterError;
  bool otherFailure = false;
  // The sign-out was cut off from the close box: the mailbox is shown, then the run ends.
  bool signOutAborted = false;
  std::string recent;
  std::string seen;
  bool fresh = false;
  MailNews news;  // the newest messages' senders and subjects, when fresh
  std::int32_t total = 0;
};

// The job's network part, on whichever thread holds the component.
MailboxResult RunMailboxJob(ImapComponent& imap, const MailboxJob& job);
// Its sign-in alone: the error it raised, any exception numbered as kImapErrorInternal.
std::optional<AppError> SignInMailbox(ImapComponent& imap, const MailboxJob& job);
AppError InternalSignInError(const std::exception* e);
// A failure of the IMAP component (its numbers, the connection's and the secured connection's),
// as opposed to one of the tree, the dialogs or the settings.
bool ComponentFailure(int n);

class MailboxWorkers {
 public:
  virtual ~MailboxWorkers() = default;
  // The most jobs that can be in progress at once.
  virtual int Capacity() const = 0;
  // Starts job; the caller keeps no more than Capacity() in progress.
  virtual void Start(MailboxJob job) = 0;
  // A finished job's result, waiting at most waitMs for one; nothing when none came.
  virtual std::optional<MailboxResult> Finished(int waitMs) = 0;
  // Ends the network waits of the jobs of runs up to `run` with kNetAborted.
  virtual void Abort(std::uint64_t run) = 0;
  // The next run looks the server's name up again, once for all its connections.
  virtual void ForgetServerAddresses() = 0;
};

// The jobs done one after another on the calling thread, on the one component: the check
// without workers (and the tests' scripted component).
class InlineWorkers : public MailboxWorkers {
 public:
  explicit InlineWorkers(ImapComponent& imap) : imap_(imap) {}
  int Capacity() const override { return 1; }
  void Start(MailboxJob job) override { done_.push_back(RunMailboxJob(imap_, job)); }
  std::optional<MailboxResult> Finished(int) override {
    if (done_.empty()) return std::nullopt;
    MailboxResult r = std::move(done_.front());
    done_.pop_front();
    return r;
  }
  void Abort(std::uint64_t) override {}
  void ForgetServerAddresses() override { imap_.ForgetServerAddresses(); }

 private:
  ImapComponent& imap_;
  std::deque<MailboxResult> done_;
};

// Threads that each own a component of their own and hand their results to the window's
// thread. Started on first need and kept, up to kMaxWorkers.
class ThreadWorkers : public MailboxWorkers {
 public:
  static constexpr int kMaxWorkers = 16;
  using ComponentFactory = std::function<std::unique_ptr<ImapComponent>(WaitPump pump)>;
  // Called on each worker's thread as it starts; answers how to wake that thread from another
  // one, for waits that ask their pump only when woken (the Windows edge's).
  using WakerFactory = std::function<std::function<void()>()>;

  ThreadWorkers(ComponentFactory factory, std::function<void()> forgetAddresses,
                WakerFactory wakers = {});
  ~ThreadWorkers() override;
  ThreadWorkers(const ThreadWorkers&) = delete;
  ThreadWorkers& operator=(const ThreadWorkers&) = delete;

  int Capacity() const override { return kMaxWorkers; }
  void Start(MailboxJob job) override;
  std::optional<MailboxResult> Finished(int waitMs) override;
  void Abort(std::uint64_t run) override;
  void ForgetServerAddresses() override {
    if (forget_) forget_();
  }

 private:
  struct Worker {
    std::thread thread;
    std::uint64_t run = 0;  // the run of the job in hand, under mutex_
    std::function<void()> wake;
  };
  void Work(Worker& worker);

  ComponentFactory factory_;
  std::function<void()> forget_;
  WakerFactory wakers_;
  std::mutex mutex_;
  std::condition_variable jobReady_;
  std::condition_variable resultReady_;
  std::deque<MailboxJob> jobs_;
  std::deque<MailboxResult> results_;
  std::vector<std::unique_ptr<Worker>> workers_;
  int idle_ = 0;
  std::uint64_t abortedUpTo_ = 0;
  bool stopping_ = false;
};

}  // namespace pw
