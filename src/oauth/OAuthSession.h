// The OAuth2 tokens of the desk: the access token in memory, renewed before it runs out; the
// refresh token stored protected for the current user; the sign-in in the browser.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "oauth/OAuthConfig.h"
#include "oauth/SignInView.h"
#include "oauth/TokenEndpoint.h"
#include "platform/Browser.h"
#include "platform/Crypto.h"
#include "platform/Http.h"
#include "platform/Loopback.h"
#include "registry/SettingsStore.h"

namespace pw {

// The value of the "Server" key that holds the protected refresh token.
inline constexpr char kStoredTokenValue[] = "OAuth2-Anmeldedaten";

struct OAuthServices {
  SettingsStore& settings;
  HttpClient& http;
  Crypto& crypto;
  Browser& browser;
  std::function<std::unique_ptr<LoopbackListener>()> listeners;
  SignInViewFactory& views;
  // Served while the browser sign-in waits; false once the program is ending.
  WaitPump pump;
  // Seconds of a steady clock, for the tokens' lifetimes.
  std::function<std::int64_t()> nowSeconds;
};

class OAuthSession {
 public:
  OAuthSession(OAuthServices services, std::string appName);

  // The settings as they stand now. Tokens of other settings are dropped, in memory and in the
  // registry; with "Kennwort" a stored token is deleted.
  void Configure(const OAuthConfig& config);
  const OAuthConfig& Config() const { return config_; }

  // A usable access token: the one in memory, or a new one from the refresh token when it runs
  // out within the margin. Raises kOAuthSignInRequired when there is no refresh token or the
  // provider refused it (the stored one is then deleted), the network errors when the provider
  // is out of reach, kOAuthProviderError otherwise.
  std::string AccessToken();
  // A new access token even if the one in memory has time left (the server refused it).
  std::string RenewAccessToken();

  // The sign-in in the browser, waiting at most timeoutMs. Raises kOAuthCancelled when the
  // person cancels or the time runs out, kOAuthBadRedirect when the browser comes back with an
  // error or a foreign state, and what the token request raises.
  void SignIn(int timeoutMs = 5 * 60 * 1000);

  // Who signed in last, where the provider told.
  const std::string& Account() const { return account_; }

 private:
  TokenGrant Request(const std::string& body);
  void Accept(const TokenGrant& grant);
  void Load();
  void Store();
  void DropStored();
  std::string ReadStored();

  OAuthServices s_;
  std::string appName_;
  OAuthConfig config_;
  bool loaded_ = false;
  std::string refresh_;
  std::string access_;
  std::int64_t renewAt_ = 0;
  std::string account_;
};

}  // namespace pw
