// Access and refresh tokens, their protected storage, and the sign-in in the browser.
#include "oauth/OAuthSession.h"

#include <algorithm>
#include <chrono>

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
constexpr int kRequestHeadMs = 5000;
constexpr std::size_t kRequestHeadMax = 16 * 1024;

AppError SignInRequired(const std::string& why) {
  return AppError(kOAuthSignInRequired, "OAuth2", ErrorDescription(kOAuthSignInRequired, why));
}

// Reads the browser's request up to the end of its head.
std::string ReadHead(Transport& connection) {
  std::string head;
  char buffer[2048];
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestHeadMs);
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kRequestHeadMax) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    const std::size_t got =
        connection.Receive(buffer, sizeof buffer, static_cast<int>(left.count()));
    if (got == 0) break;
    head.append(buffer, got);
  }
  return head;
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
  const std::int64_t lifetime = grant.expiresIn > 0 ? grant.expiresIn : 3600;
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
  view->Show(std::string(kSignInWaitingBefore) + config_.provider + kSignInWaitingAfter);

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
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw cancelled;
    std::unique_ptr<Transport> connection;
    try {
      connection = listener->Accept(static_cast<int>(left.count()), pump);
    } catch (const AppError& e) {
      if (e.Number() == kNetAborted && view->Cancelled()) throw cancelled;
      throw;
    }
    if (!connection) throw cancelled;
    std::string head;
    try {
      head = ReadHead(*connection);
    } catch (const AppError&) {
      TraceIgnored("OAuthSession.SignIn");  // a connection that said nothing useful
      continue;
    }
    const Redirect redirect = ParseRedirect(head, pkce.state);
    switch (redirect.kind) {
      case Redirect::Kind::Unrelated:
        Answer(*connection, NotFoundResponse());
        continue;
      case Redirect::Kind::Foreign:
        Answer(*connection, RedirectPage(false));
        throw AppError(kOAuthBadRedirect, "OAuth2",
                       ErrorDescription(kOAuthBadRedirect, kDescStateMismatch));
      case Redirect::Kind::Error:
        Answer(*connection, RedirectPage(false));
        // The person declined in the browser: as good as "Abbrechen", nothing to report.
        if (redirect.errorCode == "access_denied") throw cancelled;
        throw AppError(kOAuthBadRedirect, "OAuth2",
                       ErrorDescription(kOAuthBadRedirect, redirect.error));
      case Redirect::Kind::Code:
        break;
    }
    listener->Close();
    // The browser tab waits for the outcome of the token request.
    try {
      TokenGrant grant =
          Request(CodeRequestBody(config_, redirect.code, redirectUri, pkce.verifier));
      // Without a new refresh token the stored one, perhaps another person's, must not come
      // back at the next start.
      if (grant.refreshToken.empty()) DropStored();
      loaded_ = true;
      Accept(grant);
    } catch (...) {
      Answer(*connection, RedirectPage(false));
      throw;
    }
    Answer(*connection, RedirectPage(true));
    if (!account_.empty()) view->SetAccount(kSignInAccountBefore + account_);
    return;
  }
}

}  // namespace pw
