// libFuzzer target for the browser's request to the loopback listener: no crash, and a code is
// taken only with our state, once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "oauth/Authorization.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view head(reinterpret_cast<const char*>(data), size);
  const pw::Redirect r = pw::ParseRedirect(head, "S1");
  if (r.kind == pw::Redirect::Kind::Code) {
    if (r.code.empty() || head.find("state=S1") == std::string_view::npos) std::abort();
  }
  if (r.kind == pw::Redirect::Kind::Error && r.error.size() > 300) std::abort();
  // Without a state to compare, nothing is ever ours.
  const pw::Redirect none = pw::ParseRedirect(head, "");
  if (none.kind == pw::Redirect::Kind::Code || none.kind == pw::Redirect::Kind::Error) std::abort();
  return 0;
}
