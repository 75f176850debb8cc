// MailProgrammAufruf: Outlook found by its main window, a Terminal Server client by its title.
#include "notify/MailProgrammAufruf.h"

#include <cstdint>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"
#include "common/SettingsNames.h"
#include "common/Text.h"
#include "platform/RegistryValue.h"
#include "registry/ScopedKey.h"

namespace pw {
namespace {

constexpr char kOutlookProgram[] = "c:\\programme\\microsoft office\\office\\outlook.exe";
constexpr char kOutlookClass[] = "rctrl_renwnd32";
constexpr char kOutlookTitleEnd[] = " Microsoft Outlook";
constexpr char kTerminalClientProgram[] = "c:\\programme\\Terminal Server Client\\mstsc.exe ";
constexpr char kTerminalClientFile[] = "c:\\programme\\Terminal Server Client\\mstsc.exe";
constexpr char kDefaultTerminalServer[] = "Terminalserver";
constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kOutlookAppPath[] = "OUTLOOK.EXE";
constexpr char kTerminalClientName[] = "mstsc.exe";
constexpr int kMaximizedActivated = 3;
constexpr int kTextBuffer = 255;

std::string Quoted(const std::string& path) { return '"' + path + '"'; }

// The default value of a program's App Paths key below root: its full path, without the quotes
// some installers put around it; empty when there is none.
std::string AppPathBelow(RegistryApi& registry, HKey root, const std::string& program) {
  ScopedKey key(registry);
  if (registry.RegOpenKeyExA(root, kAppPathsKey + program, 0, kKeyQueryValue, key.out()) !=
      kErrorSuccess) {
    return {};
  }
  const auto value = QueryValue(registry, key.get(), "");
  if (!value || !IsStringType(value->type)) return {};
  return std::string(Trim(TextUpToNul(value->data), " \""));
}

}  // namespace

std::string MailProgrammAufruf::OutlookProgram() {
  if (windows_.FileExists(kOutlookProgram)) return kOutlookProgram;
  // Office installs of today live elsewhere and register their path instead.
  RegistryApi& registry = settings_.Api();
  std::string registered = AppPathBelow(registry, kHkeyLocalMachine, kOutlookAppPath);
  if (registered.empty()) registered = AppPathBelow(registry, kHkeyCurrentUser, kOutlookAppPath);
  return registered.empty() ? kOutlookProgram : Quoted(registered);
}

std::string MailProgrammAufruf::TerminalClientProgram() {
  if (windows_.FileExists(kTerminalClientFile)) return kTerminalClientProgram;
  const std::string system = windows_.SystemDirectory();
  if (system.empty()) return kTerminalClientProgram;
  return Quoted(system + "\\" + kTerminalClientName) + " ";
}

std::string MailProgrammAufruf::TitleAfterLastDash(const std::string& title) {
  auto dash = title.rfind('-');
  if (dash == std::string::npos) return {};
  return title.substr(dash + 1);
}

std::string MailProgrammAufruf::FindOutlookTitle() {
  for (WindowHandle h = windows_.GetTopWindow(); h != 0; h = windows_.GetNextWindow(h)) {
    std::string title = windows_.GetWindowTextA(h, kTextBuffer);
    if (title.empty()) continue;
    if (windows_.GetClassNameA(h, kTextBuffer) == kOutlookClass &&
        TitleAfterLastDash(title) == kOutlookTitleEnd) {
      return title;
    }
  }
  return {};
}

void MailProgrammAufruf::StartMailClient(const std::string& connectionName) {
  WindowHandle handle = 0;
  if (globals_.UseOutlook) {
    std::string title = FindOutlookTitle();
    handle = windows_.FindWindowA(title);
    if (title.empty()) handle = 0;
    if (handle != 0) {
      windows_.BringWindowToTop(handle);
    } else {
      windows_.StartProgram(OutlookProgram(), kMaximizedActivated);
    }
  } else {
    // A quote in the name would end the quoted argument and pass the rest to the client as
    // further arguments; connection names cannot hold one anyway.
    if (connectionName.find('"') != std::string::npos) {
      throw AppError(kErrInvalidCall, "StartMailClient",
                     FillIn(kDescBadConnectionName, {connectionName}));
    }
    std::string host = settings_.GetSetting(kSettingsApp, kSectionServer, kValueTerminalServer,
                                            kDefaultTerminalServer);
    handle = windows_.FindWindowA(host + " - Terminal Server-Client (" + connectionName + ")");
    if (handle != 0) {
      windows_.BringWindowToTop(handle);
    } else {
      windows_.StartProgram(TerminalClientProgram() + "\"" + connectionName + "\"",
                            kMaximizedActivated);
    }
  }
  lastWindow_ = handle;
}

}  // namespace pw
