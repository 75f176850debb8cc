#include "app/MailboxWork.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>

#include "common/Texts.h"
#include "imap/ImapErrors.h"

namespace pw {

bool ComponentFailure(int n) {
  return n == kNetTimedOut || n == kNetRefused || n == kImapErrorLoginRefused ||
         n == kImapErrorSilent || (n >= kNetHostNotFound && n < kNetHostNotFound + 100);
}

AppError InternalSignInError(const std::exception* e) {
  std::string text(ErrorText(kImapErrorInternal));
  if (dynamic_cast<const std::bad_alloc*>(e)) {
    text += kDescOutOfMemory;
  } else if (e) {
    text += ": " + imap::ServerText(e->what());
  } else {
    text += ".";
  }
  return AppError(kImapErrorInternal, "Imap1", text);
}

std::optional<AppError> SignInMailbox(ImapComponent& imap, const MailboxJob& job) {
  if (job.refused) return job.refused;
  try {
    if (job.token) {
      imap.SignInWithToken(job.host, job.user, job.secret);
    } else {
      imap.SignIn(job.host, job.user, job.secret);
    }
  } catch (const AppError& e) {
    return e;
  } catch (const std::exception& e) {
    return InternalSignInError(&e);
  } catch (...) {
    return InternalSignInError(nullptr);
  }
  return std::nullopt;
}

MailboxResult RunMailboxJob(ImapComponent& imap, const MailboxJob& job) {
  MailboxResult r;
  r.run = job.run;
  r.row = job.row;
  imap.SetTimeout(job.timeoutMs);
  r.signInError = SignInMailbox(imap, job);
  if (r.signInError) return r;
  try {
    imap.PostSignIn();
    job.newMail->Announce(imap.Mailbox("INBOX"));
    imap.Mailbox("INBOX").Search("RECENT", r.recent, 0);
    imap.Mailbox("INBOX").Search("SEEN", r.seen, 0);
    r.fresh = job.newMail->Evaluate(r.recent, imap.Mailbox("INBOX"));
    if (r.fresh) r.news = job.newMail->News(imap.Mailbox("INBOX"));
    r.total = imap.Mailbox("INBOX").MessageCount();
  } catch (const AppError& e) {
    r.afterError = e;
    // A component failure is reported as at the sign-in; the connection closes either way, so
    // that it no longer counts against the server's limit. A wait the close box ended has
    // closed it already.
    if (e.Number() != kNetAborted && ComponentFailure(e.Number())) {
      try {
        imap.SignOut();
      } catch (const std::exception&) {
        r.afterError = AppError(kNetAborted, "Imap1");
      }
    }
    return r;
  } catch (const std::exception&) {
    r.otherFailure = true;
    return r;
  }
  try {
    imap.SignOut();
  } catch (const AppError& e) {
    if (e.Number() == kNetAborted) r.signOutAborted = true;
  }
  return r;
}

ThreadWorkers::ThreadWorkers(ComponentFactory factory, std::function<void()> forgetAddresses,
                             WakerFactory wakers)
    : factory_(std::move(factory)),
      forget_(std::move(forgetAddresses)),
      wakers_(std::move(wakers)) {}

ThreadWorkers::~ThreadWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    abortedUpTo_ = UINT64_MAX;
  }
  jobReady_.notify_all();
  for (auto& w : workers_) {
    std::function<void()> wake;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      wake = w->wake;
    }
    if (wake) wake();
    if (w->thread.joinable()) w->thread.join();
  }
}

void ThreadWorkers::Start(MailboxJob job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
    // A worker is started only when none is free: a thread per sign-in would cost each time.
    if (idle_ < static_cast<int>(jobs_.size()) && static_cast<int>(workers_.size()) < kMaxWorkers) {
      auto worker = std::make_unique<Worker>();
      Worker& w = *worker;
      workers_.push_back(std::move(worker));
      ++idle_;
      w.thread = std::thread([this, &w] { Work(w); });
    }
  }
  jobReady_.notify_one();
}

std::optional<MailboxResult> ThreadWorkers::Finished(int waitMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  resultReady_.wait_for(lock, std::chrono::milliseconds(waitMs),
                        [this] { return !results_.empty(); });
  if (results_.empty()) return std::nullopt;
  MailboxResult r = std::move(results_.front());
  results_.pop_front();
  return r;
}

void ThreadWorkers::Abort(std::uint64_t run) {
  std::vector<std::function<void()>> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abortedUpTo_ = std::max(abortedUpTo_, run);
    for (auto& w : workers_) {
      if (w->wake && w->run != 0 && w->run <= run) wake.push_back(w->wake);
    }
  }
  for (auto& f : wake) f();
}

void ThreadWorkers::Work(Worker& worker) {
  if (wakers_) {
    std::function<void()> wake = wakers_();
    std::lock_guard<std::mutex> lock(mutex_);
    worker.wake = std::move(wake);
  }
  // The component's waits ask this pump at least every kPumpEveryMs: an aborted run ends them.
  std::unique_ptr<ImapComponent> imap = factory_([this, &worker] {
    std::lock_guard<std::mutex> lock(mutex_);
    return worker.run > abortedUpTo_;
  });
  int port = 0;
  std::string security;
  std::string certificate;
  bool configured = false;
  for (;;) {
    MailboxJob job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      jobReady_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      --idle_;
      worker.run = job.run;
    }
    if (!configured || port != job.port || security != job.security ||
        certificate != job.certificate) {
      imap->SetPort(job.port);
      imap->SetSecurity(job.security, job.certificate);
      port = job.port;
      security = job.security;
      certificate = job.certificate;
      configured = true;
    }
    // The run's one lookup lives in the shared addresses; the component's own copy would
    // outlast it.
    imap->ForgetServerAddresses();
    MailboxResult result = RunMailboxJob(*imap, job);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      results_.push_back(std::move(result));
      worker.run = 0;
      ++idle_;
    }
    resultReady_.notify_all();
  }
}

}  // namespace pw
