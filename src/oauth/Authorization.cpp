// PKCE, the authorization URL, and the reading of the browser's redirect.
#include "oauth/Authorization.h"

#include "common/Base64.h"
#include "common/Text.h"
#include "common/Texts.h"

namespace pw {
namespace {

bool Unreserved(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// "+" and %XX back to bytes; a broken escape leaves its characters as they are.
std::string FormDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
               HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

// The bytes printable for a message: control characters become blanks, at most 300 bytes.
std::string Printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  if (text.size() > 300) text.resize(300);
  return text;
}

// Compares without telling by its time how much of the state matched.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    diff = static_cast<unsigned char>(diff | (a[i] ^ b[i]));
  }
  return diff == 0;
}

std::string HttpResponseText(const char* status, const std::string& body) {
  return std::string("HTTP/1.1 ") + status +
         "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
         "Connection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

std::string S256Challenge(Crypto& crypto, const std::string& verifier) {
  return Base64UrlEncode(crypto.Sha256(verifier));
}

PkcePair MakePkce(Crypto& crypto) {
  PkcePair p;
  p.verifier = Base64UrlEncode(crypto.RandomBytes(32));
  p.challenge = S256Challenge(crypto, p.verifier);
  p.state = Base64UrlEncode(crypto.RandomBytes(32));
  return p;
}

std::string FormEncode(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (Unreserved(c)) {
      out += c;
    } else {
      out += '%';
      AppendHexByte(out, static_cast<unsigned char>(c));
    }
  }
  return out;
}

std::string AuthorizationUrl(const OAuthConfig& config, const std::string& redirectUri,
                             const PkcePair& pkce) {
  std::string url = config.authorizeUrl;
  url += config.authorizeUrl.find('?') == std::string::npos ? '?' : '&';
  url += "response_type=code&client_id=" + FormEncode(config.clientId) +
         "&redirect_uri=" + FormEncode(redirectUri);
  if (!config.scope.empty()) url += "&scope=" + FormEncode(config.scope);
  url += "&state=" + FormEncode(pkce.state) + "&code_challenge=" + FormEncode(pkce.challenge) +
         "&code_challenge_method=S256";
  // Microsoft: let the person pick the account, so "Anmelden ..." can switch to another one.
  if (config.provider == kProviderMicrosoft) url += "&prompt=select_account";
  return url;
}

Redirect ParseRedirect(std::string_view requestHead, const std::string& expectedState) {
  Redirect r;
  const std::string_view line = requestHead.substr(0, requestHead.find("\r\n"));
  if (line.rfind("GET ", 0) != 0) return r;
  std::string_view target = line.substr(4);
  target = target.substr(0, target.find(' '));
  const std::size_t q = target.find('?');
  const std::string_view path = target.substr(0, q);
  if (path != "/" || q == std::string_view::npos) return r;
  std::string code, state, error, description;
  bool hasState = false;
  // RFC 6749 3.1: no parameter more than once; a repeat may be someone's bid to be the last.
  bool repeated = false;
  int seenCode = 0, seenState = 0, seenError = 0, seenDescription = 0;
  std::string_view query = target.substr(q + 1);
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const std::size_t eq = pair.find('=');
    const std::string name = FormDecode(pair.substr(0, eq));
    const std::string value =
        eq == std::string_view::npos ? std::string() : FormDecode(pair.substr(eq + 1));
    if (name == "code") {
      code = value;
      repeated |= ++seenCode > 1;
    }
    if (name == "state") {
      state = value;
      hasState = true;
      repeated |= ++seenState > 1;
    }
    if (name == "error") {
      error = value;
      repeated |= ++seenError > 1;
    }
    if (name == "error_description") {
      description = value;
      repeated |= ++seenDescription > 1;
    }
  }
  if (code.empty() && error.empty() && !repeated) return r;
  if (repeated || !hasState || expectedState.empty() || !SameSecret(state, expectedState)) {
    r.kind = Redirect::Kind::Foreign;
    return r;
  }
  if (!error.empty()) {
    r.kind = Redirect::Kind::Error;
    r.errorCode = Printable(error);
    r.error = Printable(description.empty() ? error : error + ": " + description);
    return r;
  }
  r.kind = Redirect::Kind::Code;
  r.code = code;
  return r;
}

std::string RedirectPage(bool success) {
  const std::string body =
      std::string("<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\"><title>") +
      kSignInPageTitle + "</title></head><body><p>" +
      (success ? kSignInPageDone : kSignInPageFailed) + "</p></body></html>";
  return HttpResponseText(success ? "200 OK" : "400 Bad Request", body);
}

std::string NotFoundResponse() { return HttpResponseText("404 Not Found", ""); }

}  // namespace pw
