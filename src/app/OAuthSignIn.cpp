// fmStart's side of the OAuth2 sign-in: the token for a run, the browser sign-in offered once,
// the tray state "Anmeldung erforderlich", and the menu item "Anmelden ...".
#include "app/FmStart.h"
#include "common/AppError.h"
#include "common/Texts.h"
#include "platform/Trace.h"

namespace pw {
namespace {

// Failures on the way to the identity provider that mean: out of reach.
bool NetworkFailure(int n) {
  return n == kNetTimedOut || n == kNetRefused || n == kNetUnreachable || n == kNetClosed ||
         n == kNetHostNotFound || n == kNetFailure;
}

}  // namespace

bool FmStart::ConfigureOAuth() {
  const ServerSettingReader read = [this](const std::string& name, const std::string& fallback) {
    return ServerSetting(name, fallback);
  };
  const OAuthConfig config = ReadOAuthConfig(read);
  if (oauth_) oauth_->Configure(config);
  if (config.enabled && !oauth_) throw AppError(kOAuthBadSetting, "fmStart");
  return config.enabled;
}

void FmStart::ShowSignInRequired() {
  if (globals_.SignInRequiredShown) return;
  tray_.ShowSignInRequired();
  globals_.SignInRequiredShown = true;
  globals_.ServerUnreachableShown = false;
  globals_.SecureConnectionShown = false;
}

// Settings and provider problems: the message once until it changes, then the tray state.
void FmStart::ReportOnce(const AppError& error) {
  const std::string text =
      kErrorNumberPrefix + std::to_string(error.Number()) + ": " + error.Description();
  ShowSignInRequired();
  if (text == lastReported_) return;
  lastReported_ = text;
  s_.dialogs.MsgBox(text, kUnexpectedErrorTitle);
}

void FmStart::SignInWithToken(const std::string& user) {
  try {
    s_.Imap1.SignInWithToken(globals_.ImapServerName, user, accessToken_);
  } catch (const AppError& e) {
    // The first refusal of a run, before any mailbox took the token: it may have been revoked
    // early, so it is renewed once and tried again before the mailbox is blamed.
    if (e.Number() != kOAuthTokenRefused || tokenWorked_ || tokenRenewed_) throw;
    RenewToken();
    s_.Imap1.SignInWithToken(globals_.ImapServerName, user, accessToken_);
  }
  tokenWorked_ = true;
  lastReported_.clear();
}

void FmStart::RenewToken() {
  tokenRenewed_ = true;
  try {
    accessToken_ = oauth_->RenewAccessToken();
  } catch (const AppError& renewal) {
    // The refresh token was refused too (revoked, consent withdrawn): the browser sign-in
    // comes up once, in this run; cancelled, the refusal ends the run as "Anmeldung
    // erforderlich".
    if (renewal.Number() != kOAuthSignInRequired || signInOffered_) throw;
    signInOffered_ = true;
    if (!RunSignIn() || unloaded_) throw;
    accessToken_ = oauth_->AccessToken();
  }
}

bool FmStart::ObtainToken() {
  try {
    accessToken_ = oauth_->AccessToken();
    return true;
  } catch (const AppError& e) {
    if (e.Number() == kNetAborted) throw;
    if (e.Number() != kOAuthSignInRequired) {
      serverDown_ = true;
      if (NetworkFailure(e.Number())) {
        ReportSignInError(globals_.CurrentAccount, AppError(kNetUnreachable, "OAuth2"));
      } else if (e.Number() >= kTlsFailed && e.Number() <= kTlsBadSetting) {
        ReportSignInError(globals_.CurrentAccount, e);
      } else {
        ReportOnce(e);
      }
      return false;
    }
  }
  // Nobody signed in, or the provider refused the refresh token: the browser comes up once;
  // after that the tray says so until "Anmelden ..." or a later success.
  if (!signInOffered_) {
    signInOffered_ = true;
    if (RunSignIn() && !unloaded_) {
      try {
        accessToken_ = oauth_->AccessToken();
        return true;
      } catch (const AppError&) {
        TraceIgnored("FmStart.ObtainToken");  // reported as sign-in required below
      }
    }
  }
  serverDown_ = true;
  ShowSignInRequired();
  return false;
}

bool FmStart::RunSignIn() {
  signInActive_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{signInActive_};
  try {
    oauth_->SignIn();
    signInOffered_ = false;
    lastReported_.clear();
    return true;
  } catch (const AppError& e) {
    const int n = e.Number();
    if (n == kNetAborted && unloaded_) return false;
    if (n == kOAuthCancelled) return false;
    if (NetworkFailure(n)) {
      ReportSignInError(globals_.CurrentAccount, AppError(kNetUnreachable, "OAuth2"));
    } else {
      s_.dialogs.MsgBox(kErrorNumberPrefix + std::to_string(n) + ": " + e.Description(),
                        kUnexpectedErrorTitle);
    }
    return false;
  }
}

void FmStart::mAnmelden_Click() {
  if (runInProgress_ || signInActive_ || unloaded_) return;
  try {
    if (!ConfigureOAuth()) {
      s_.dialogs.MsgBox(kSignInPasswordMode, kSignInCaption);
      return;
    }
  } catch (const AppError& e) {
    s_.dialogs.MsgBox(kErrorNumberPrefix + std::to_string(e.Number()) + ": " + e.Description(),
                      kUnexpectedErrorTitle);
    return;
  }
  if (RunSignIn() && !unloaded_) mRefresh_Click();
}

}  // namespace pw
