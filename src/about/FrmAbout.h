// The About box frmAbout: title, version, fixed facts, and the start of the system-information
// program.
#pragma once

#include <string>

#include "about/AboutView.h"
#include "common/Texts.h"
#include "platform/Dialogs.h"
#include "platform/RegistryApi.h"
#include "platform/Timer.h"
#include "platform/VersionInfo.h"
#include "platform/WindowSystem.h"

namespace pw {

// Where the system-information program is registered, below HKEY_LOCAL_MACHINE.
inline constexpr char kSysInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kSysInfoPathValue[] = "PATH";
inline constexpr char kSysInfoFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char kSysInfoFolderValue[] = "MSINFO";
inline constexpr char kSysInfoProgram[] = "\\MSINFO32.EXE";

struct AboutServices {
  RegistryApi& registry;
  WindowSystem& windows;
  Dialogs& dialogs;
  VersionInfo& version;
};

class FrmAbout : public AboutEvents {
 public:
  // mainTimer2 is fmStart's Timer2, which OK switches on again.
  FrmAbout(AboutViewFactory& views, AboutServices services, Timer& mainTimer2);
  ~FrmAbout() override;

  bool Loaded() const { return view_.Loaded(); }
  // Loads the box when needed and shows it; a loaded box only comes to the front.
  void Show();
  void Unload();

  void Form_Load();
  void cmdOK_Click() override;
  void cmdSysInfo_Click() override;
  // Unloads without switching Timer2 on.
  void Form_CloseBox() override;

  void StartSysInfo();
  // Reads one string value below root; false, with keyVal empty, when it cannot be read.
  // keyName and subKeyRef are UTF-8; keyVal comes back as UTF-8.
  static bool GetKeyValue(RegistryApi& registry, HKey root, const std::string& keyName,
                          const std::string& subKeyRef, std::string& keyVal);

 private:
  void Load();

  AboutServices s_;
  Timer& mainTimer2_;
  FormView<AboutView, AboutEvents> view_;
};

}  // namespace pw
