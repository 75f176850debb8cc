// Access and refresh tokens, their protected storage, and the sign-in in the browser.
#include "oauth/OAuthSession.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "common/AppError.h"
#include "common/Base64.h"
#include "common/ErrorCatalog.h"
#include "common/Texts.h"
#include "oauth/Authorization.h"
#include "platform/Trace.h"

namespace pw {
namespace {

constexpr char kServerSection[] = "Server";
constexpr char kStoredPrefix[] = "PW1\n";
constexpr int kTokenRequestMs = 30000;
// Each browser connection has this long for its request head; the listener serves at most
// kMaxPending at once, the oldest giving way, so that idle ones cannot hold the real redirect.
constexpr int kRequestHeadMs = 2000;
constexpr std::size_t kMaxPending = 16;
constexpr int kPendingSliceMs = 20;
constexpr std::size_t kRequestHeadMax = 16 * 1024;

AppError SignInRequired(const std::string& why) {
  return AppError(kOAuthSignInRequired, "OAuth2", ErrorDescription(kOAuthSignInRequired, why));
}

// One browser connection whose request head is still coming in.
struct Pending {
  std::unique_ptr<Transport> connection;
  std::string head;
  std::chrono::steady_clock::time_point until;
};

enum class HeadState { Incomplete, Complete, Gone };

// Takes what has arrived on the connection without waiting for more.
HeadState ReadAvailable(Pending& p) {
  char buffer[2048];
  while (p.head.find("\r\n\r\n") == std::string::npos && p.head.size() < kRequestHeadMax) {
    std::size_t got = 0;
    try {
      got = p.connection->Receive(buffer, sizeof buffer, 0);
    } catch (const AppError& e) {
      if (e.Number() == kNetAborted) throw;
      if (e.Number() == kNetTimedOut) return HeadState::Incomplete;
      return HeadState::Gone;
    }
    if (got == 0) return HeadState::Gone;
    p.head.append(buffer, got);
  }
  return HeadState::Complete;
}

void Answer(Transport& connection, const std::string& response) {
  try {
    connection.Send(response, kRequestHeadMs);
  } catch (const AppError&) {
    TraceIgnored("OAuthSession.Answer");  // the browser left; the sign-in goes on regardless
  }
  connection.Close();
}

}  // namespace

OAuthSession::OAuthSession(OAuthServices services, std::string appName)
    : s_(std::move(services)), appName_(std::move(appName)) {
  if (!s_.nowSeconds) {
    s_.nowSeconds = [] {
      return std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
  }
}

void OAuthSession::Configure(const OAuthConfig& config) {
  if (config.Fingerprint() == config_.Fingerprint() && loaded_) return;
  const bool changed = config.Fingerprint() != config_.Fingerprint();
  config_ = config;
  if (changed) {
    access_.clear();
    refresh_.clear();
    renewAt_ = 0;
    loaded_ = false;
  }
  if (!config_.enabled) {
    if (!ReadStored().empty()) DropStored();
    loaded_ = true;
  }
}

std::string OAuthSession::ReadStored() {
  return s_.settings.GetSettingBytes(appName_, kServerSection, kStoredTokenValue, "");
}

void OAuthSession::Load() {
  if (loaded_) return;
  loaded_ = true;
  refresh_.clear();
  const std::string stored = ReadStored();
  if (stored.empty()) return;
  std::string plain;
  try {
    auto blob = Base64Decode(stored);
    if (!blob) throw AppError(kOAuthProtectFailed, "OAuth2");
    plain = s_.crypto.Unprotect(*blob);
  } catch (const AppError&) {
    // Another user's or another machine's data, or damaged: of no use, and signed in anew.
    TraceIgnored("OAuthSession.Load");
    DropStored();
    return;
  }
  const std::string prefix = kStoredPrefix;
  const std::size_t end = plain.find('\n', prefix.size());
  if (plain.rfind(prefix, 0) != 0 || end == std::string::npos ||
      Base64Decode(plain.substr(prefix.size(), end - prefix.size())) != config_.Fingerprint()) {
    // The token of other settings ("Anmeldung" or the provider changed meanwhile).
    DropStored();
    return;
  }
  refresh_ = plain.substr(end + 1);
}

void OAuthSession::Store() {
  const std::string plain = kStoredPrefix + Base64Encode(config_.Fingerprint()) + "\n" + refresh_;
  s_.settings.SaveSettingBytes(appName_, kServerSection, kStoredTokenValue,
                               Base64Encode(s_.crypto.Protect(plain)));
}

void OAuthSession::DropStored() {
  refresh_.clear();
  try {
    s_.settings.DeleteSetting(appName_, kServerSection, kStoredTokenValue);
  } catch (const AppError&) {
    TraceIgnored("OAuthSession.DropStored");  // nothing stored
  }
}

TokenGrant OAuthSession::Request(const std::string& body) {
  return ParseTokenResponse(s_.http.PostForm(config_.tokenUrl, body, kTokenRequestMs));
}

void OAuthSession::Accept(const TokenGrant& grant) {
  access_ = grant.accessToken;
  // Renewed a little before the end: five minutes, or a quarter of a short lifetime.
  const std::int64_t lifetime =
      grant.expiresIn > 0 ? std::min(grant.expiresIn, kMaxExpiresIn) : 3600;
  renewAt_ = s_.nowSeconds() + lifetime - std::min<std::int64_t>(300, lifetime / 4);
  if (!grant.account.empty()) account_ = grant.account;
  if (!grant.refreshToken.empty() && grant.refreshToken != refresh_) {
    refresh_ = grant.refreshToken;
    Store();
  }
}

std::string OAuthSession::AccessToken() {
  if (!config_.enabled) throw AppError(kOAuthBadSetting, "OAuth2");
  if (!access_.empty() && s_.nowSeconds() < renewAt_) return access_;
  return RenewAccessToken();
}

std::string OAuthSession::RenewAccessToken() {
  if (!config_.enabled) throw AppError(kOAuthBadSetting, "OAuth2");
  access_.clear();
  Load();
  if (refresh_.empty()) throw SignInRequired(kSignInNoToken);
  try {
    Accept(Request(RefreshRequestBody(config_, refresh_)));
  } catch (const AppError& e) {
    if (e.Number() == kOAuthSignInRequired) DropStored();
    throw;
  }
  return access_;
}

void OAuthSession::SignIn(int timeoutMs) {
  if (!config_.enabled) throw AppError(kOAuthBadSetting, "OAuth2");
  std::unique_ptr<SignInView> view = s_.views.Create();
  struct Closer {
    SignInView& v;
    ~Closer() { v.Close(); }
  } closer{*view};
  // Microsoft 365 by its name; an own provider by the host the browser is sent to.
  const std::string where =
      config_.provider == kProviderEigener ? EndpointHost(config_.authorizeUrl) : config_.provider;
  view->Show(std::string(kSignInWaitingBefore) + where + kSignInWaitingAfter);

  std::unique_ptr<LoopbackListener> listener = s_.listeners();
  const std::string redirectUri = "http://127.0.0.1:" + std::to_string(listener->Listen()) + "/";
  const PkcePair pkce = MakePkce(s_.crypto);
  s_.browser.Open(AuthorizationUrl(config_, redirectUri, pkce));

  const WaitPump pump = [&] {
    const bool alive = !s_.pump || s_.pump();
    return alive && !view->Cancelled();
  };
  const AppError cancelled(kOAuthCancelled, "OAuth2");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<Pending> pending;
  std::unique_ptr<Transport> connection;
  Redirect redirect;
  try {
    // Anyone on the machine can reach the port: whatever is not our redirect is answered and
    // the wait goes on, until the redirect, the deadline or "Abbrechen".
    while (!connection) {
      const auto now = std::chrono::steady_clock::now();
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
      if (left.count() <= 0) throw cancelled;
      const long long wait =
          pending.empty() ? left.count() : std::min<long long>(left.count(), kPendingSliceMs);
      if (std::unique_ptr<Transport> arrived = listener->Accept(static_cast<int>(wait), pump)) {
        if (pending.size() == kMaxPending) {
          pending.front().connection->Close();
          pending.erase(pending.begin());
        }
        pending.push_back(
            {std::move(arrived), {}, now + std::chrono::milliseconds(kRequestHeadMs)});
      } else if (pending.empty()) {
        throw cancelled;
      }
      for (std::size_t i = 0; i < pending.size() && !connection;) {
        const HeadState state = ReadAvailable(pending[i]);
        if (state == HeadState::Incomplete && std::chrono::steady_clock::now() < pending[i].until) {
          ++i;
          continue;
        }
        std::unique_ptr<Transport> done = std::move(pending[i].connection);
        const std::string head = std::move(pending[i].head);
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        if (state != HeadState::Complete) {
          done->Close();
          continue;
        }
        redirect = ParseRedirect(head, pkce.state);
        switch (redirect.kind) {
          case Redirect::Kind::Unrelated:
            Answer(*done, NotFoundResponse());
            break;
          case Redirect::Kind::Foreign:
            TraceIgnored("OAuthSession.SignIn: foreign redirect");
            Answer(*done, RedirectPage(false));
            break;
          case Redirect::Kind::Error:
            Answer(*done, RedirectPage(false));
            // The person declined in the browser: as good as "Abbrechen", nothing to report.
            if (redirect.errorCode == "access_denied") throw cancelled;
            throw AppError(kOAuthBadRedirect, "OAuth2",
                           ErrorDescription(kOAuthBadRedirect, redirect.error));
          case Redirect::Kind::Code:
            connection = std::move(done);
            break;
        }
      }
    }
  } catch (const AppError& e) {
    if (e.Number() == kNetAborted && view->Cancelled()) throw cancelled;
    throw;
  }
  for (Pending& p : pending) p.connection->Close();
  listener->Close();
  // The browser tab waits for the outcome of the token request.
  try {
    TokenGrant grant = ParseTokenResponse(s_.http.PostForm(
        config_.tokenUrl, CodeRequestBody(config_, redirect.code, redirectUri, pkce.verifier),
        kTokenRequestMs, pump));
    // Without a new refresh token the stored one, perhaps another person's, must not come
    // back at the next start.
    if (grant.refreshToken.empty()) DropStored();
    loaded_ = true;
    Accept(grant);
  } catch (const AppError& e) {
    Answer(*connection, RedirectPage(false));
    if (e.Number() == kNetAborted && view->Cancelled()) throw cancelled;
    throw;
  } catch (...) {
    Answer(*connection, RedirectPage(false));
    throw;
  }
  Answer(*connection, RedirectPage(true));
  if (!account_.empty()) view->SetAccount(kSignInAccountBefore + account_);
}

}  // namespace pw
