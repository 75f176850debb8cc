// MailProgrammAufruf: Outlook found by its main window, a Terminal Server client by its title.
#include "notify/MailProgrammAufruf.h"

#include "core/AppError.h"

namespace pw {
namespace {

constexpr char kOutlookProgram[] = "c:\\programme\\microsoft office\\office\\outlook.exe";
constexpr char kOutlookClass[] = "rctrl_renwnd32";
constexpr char kOutlookTitleEnd[] = " Microsoft Outlook";
constexpr char kTerminalClientProgram[] = "c:\\programme\\Terminal Server Client\\mstsc.exe ";
constexpr char kDefaultTerminalServer[] = "Terminalserver";
constexpr int kMaximizedActivated = 3;
constexpr int kTextBuffer = 255;

}  // namespace

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
      windows_.StartProgram(kOutlookProgram, kMaximizedActivated);
    }
  } else {
    // A quote in the name would end the quoted argument and pass the rest to the client as
    // further arguments; connection names cannot hold one anyway.
    if (connectionName.find('"') != std::string::npos) {
      throw AppError(5, "StartMailClient",
                     "Ungültiger Verbindungsname: \"" + connectionName + "\"");
    }
    std::string host = settings_.GetSetting("Mail Postwacht", "Server", "TerminalServer",
                                            kDefaultTerminalServer);
    handle = windows_.FindWindowA(host + " - Terminal Server-Client (" + connectionName + ")");
    if (handle != 0) {
      windows_.BringWindowToTop(handle);
    } else {
      windows_.StartProgram(std::string(kTerminalClientProgram) + "\"" + connectionName + "\"",
                            kMaximizedActivated);
    }
  }
  lastWindow_ = handle;
}

}  // namespace pw
