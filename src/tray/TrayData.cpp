#include "tray/TrayData.h"

#include <algorithm>

#include "common/Ansi.h"

namespace pw {

void SetTip(TrayData& data, const std::string& text) {
  std::string field = ToAnsi(text);
  field.push_back('\0');
  field.resize(kTipFieldSize, ' ');
  std::copy(field.begin(), field.end(), data.szTip.begin());
}

std::string ShownTip(const TrayData& data) {
  auto end = std::find(data.szTip.begin(), data.szTip.end(), '\0');
  std::string ansi(data.szTip.begin(), end);
  if (ansi.size() > kTipFieldSize - 1) ansi.resize(kTipFieldSize - 1);
  return FromAnsi(ansi);
}

}  // namespace pw
