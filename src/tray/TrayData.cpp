// The tray tip and the rule by which the shell's fixed tip field holds it.
#include "tray/TrayData.h"

#include <algorithm>

namespace pw {

void SetTip(TrayData& data, const std::string& text) { data.tip = text; }

TipFieldBytes TipField(std::string_view codePageText) {
  std::string field(codePageText);
  field.push_back('\0');
  field.resize(kTipFieldSize, ' ');
  TipFieldBytes bytes{};
  std::copy(field.begin(), field.end(), bytes.begin());
  return bytes;
}

std::string ShownTipBytes(const TipFieldBytes& field) {
  auto end = std::find(field.begin(), field.end(), '\0');
  std::string shown(field.begin(), end);
  if (shown.size() > kTipFieldSize - 1) shown.resize(kTipFieldSize - 1);
  return shown;
}

}  // namespace pw
