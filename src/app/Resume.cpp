// fmStart after the PC woke or its network came back: wait for the network, then check at once.
#include "app/FmStart.h"
#include "common/Url.h"

namespace pw {
namespace {

// The seconds a resumed PC is given to bring its network up before the run goes ahead anyway.
constexpr int kLongestNetworkWait = 30;

}  // namespace

bool FmStart::NetworkUp() {
  // A server on this PC needs no network.
  if (!network_ || IsLoopbackHost(globals_.ImapServerName)) return true;
  return network_->Up();
}

void FmStart::StartResumeWait() {
  // Timer1's own rule: only while the window is in the tray; shown, the next run comes as ever.
  if (unloaded_ || !timer1_->Enabled()) return;
  resumePending_ = true;
  resumeTicks_ = 0;
  timerResume_->SetEnabled(false);
  timerResume_->SetEnabled(true);
}

void FmStart::SystemResumed() { StartResumeWait(); }

void FmStart::NetworkChanged() {
  const bool up = NetworkUp();
  // Back after it was gone, or while the server is reported out of reach: check now.
  if (up && (!networkWasUp_ || globals_.ServerUnreachableShown)) StartResumeWait();
  networkWasUp_ = up;
}

void FmStart::TimerResume_Timer() {
  ++resumeTicks_;
  if (!NetworkUp() && resumeTicks_ < kLongestNetworkWait) return;
  timerResume_->SetEnabled(false);
  resumePending_ = false;
  networkWasUp_ = true;
  if (!timer1_->Enabled()) return;
  mRefresh_Click();
  // The next run a whole interval after this one.
  if (!unloaded_ && timer1_->Enabled()) {
    timer1_->SetEnabled(false);
    timer1_->SetEnabled(true);
  }
}

}  // namespace pw
