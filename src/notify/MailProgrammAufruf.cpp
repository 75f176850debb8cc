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

// The default value of a program's App Paths key below root (in the key view of access):
// its full path, without the quotes some installers put around it; empty when there is none.
std::string AppPathBelow(RegistryApi& registry, HKey root, std::uint32_t access,
                         const std::string& program) {
  ScopedKey key(registry);
  if (registry.RegOpenKeyExA(root, kAppPathsKey + program, 0, access, key.out()) != kErrorSuccess) {
    return {};
  }
  const auto value = QueryValue(registry, key.get(), "");
  if (!value || !IsStringType(value->type)) return {};
  return std::string(Trim(TextUpToNul(value->data), " \""));
}

}  // namespace

// Every start names its program file, so that CreateProcess never cuts an unquoted path at a
// blank and tries "c:\programme\microsoft.exe" first; the command line stays the one the
// client always saw.
MailProgrammAufruf::ProgramStart MailProgrammAufruf::OutlookStart() {
  if (windows_.FileExists(kOutlookProgram)) return {kOutlookProgram, kOutlookProgram};
  // Office installs of today live elsewhere and register their path instead; a 32-bit Office
  // on 64-bit Windows registers it in the 32-bit view of the machine's keys.
  RegistryApi& registry = settings_.Api();
  std::string registered =
      AppPathBelow(registry, kHkeyLocalMachine, kKeyQueryValue, kOutlookAppPath);
  if (registered.empty()) {
    registered = AppPathBelow(registry, kHkeyLocalMachine, kKeyQueryValue | kKeyWow64_32Key,
                              kOutlookAppPath);
  }
  if (registered.empty()) {
    registered = AppPathBelow(registry, kHkeyCurrentUser, kKeyQueryValue, kOutlookAppPath);
  }
  if (registered.empty()) return {kOutlookProgram, kOutlookProgram};
  return {registered, Quoted(registered)};
}

MailProgrammAufruf::ProgramStart MailProgrammAufruf::TerminalClientStart(
    const std::string& connectionName) {
  const std::string argument = Quoted(connectionName);
  if (windows_.FileExists(kTerminalClientFile)) {
    return {kTerminalClientFile, kTerminalClientProgram + argument};
  }
  const std::string system = windows_.SystemDirectory();
  if (system.empty()) return {kTerminalClientFile, kTerminalClientProgram + argument};
  const std::string program = system + "\\" + kTerminalClientName;
  return {program, Quoted(program) + " " + argument};
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
      const ProgramStart start = OutlookStart();
      windows_.StartProgram(start.program, start.commandLine, kMaximizedActivated);
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
      const ProgramStart start = TerminalClientStart(connectionName);
      windows_.StartProgram(start.program, start.commandLine, kMaximizedActivated);
    }
  }
  lastWindow_ = handle;
}

}  // namespace pw
