// libFuzzer target for the token endpoint's answer: no crash, only the documented errors, and a
// lifetime within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "oauth/TokenEndpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr int kStatus[] = {200, 400, 401, 503};
  pw::HttpResponse response;
  response.status = kStatus[data[0] % 4];
  response.body.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    const pw::TokenGrant g = pw::ParseTokenResponse(response);
    if (response.status != 200 || g.accessToken.empty()) std::abort();
    if (g.expiresIn < 0 || g.expiresIn > pw::kMaxExpiresIn) std::abort();
  } catch (const pw::AppError& e) {
    const std::int32_t n = e.Number();
    if (n != pw::kOAuthSignInRequired && n != pw::kOAuthProviderError && n != pw::kNetUnreachable) {
      std::abort();
    }
  }
  return 0;
}
