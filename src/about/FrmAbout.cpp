// frmAbout: fills title and version at load; starts MSINFO32 or says it is not available.
#include "about/FrmAbout.h"

#include <array>
#include <cstdint>
#include <exception>
#include <string>

#include "common/Text.h"

namespace pw {

FrmAbout::FrmAbout(AboutViewFactory& views, AboutServices services, Timer& mainTimer2)
    : s_(services), mainTimer2_(mainTimer2), view_(views, *this) {}

FrmAbout::~FrmAbout() = default;

void FrmAbout::Load() {
  if (view_.Load()) Form_Load();
}

void FrmAbout::Show() {
  Load();
  view_->Show();
}

void FrmAbout::Unload() { view_.Unload(); }

void FrmAbout::Form_Load() {
  if (!view_) return;
  view_->SetCaption(std::string(kAboutCaptionPrefix) + kAppTitle);
  const ProgramVersion v = s_.version.Version();
  view_->SetVersion(std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                    std::to_string(v.revision));
  view_->SetTitle(kAppTitle);
}

void FrmAbout::cmdOK_Click() {
  mainTimer2_.SetEnabled(true);
  Unload();
}

void FrmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void FrmAbout::Form_CloseBox() { Unload(); }

void FrmAbout::StartSysInfo() {
  try {
    std::string sysInfoPath;
    if (!GetKeyValue(s_.registry, kHkeyLocalMachine, kSysInfoPathKey, kSysInfoPathValue,
                     sysInfoPath)) {
      std::string folder;
      if (!GetKeyValue(s_.registry, kHkeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue,
                       folder) ||
          !s_.windows.FileExists(folder + kSysInfoProgram)) {
        s_.dialogs.MsgBox(kSysInfoUnavailable, kAppTitle);
        return;
      }
      sysInfoPath = folder + kSysInfoProgram;
    }
    // Named and quoted, so that a path with blanks ("C:\Program Files\...") cannot start a
    // program named by its first part.
    const std::string program(Trim(sysInfoPath, "\""));
    s_.windows.StartProgram(program, '"' + program + '"', 1);
  } catch (const std::exception&) {
    s_.dialogs.MsgBox(kSysInfoUnavailable, kAppTitle);
  }
}

bool FrmAbout::GetKeyValue(RegistryApi& registry, HKey root, const std::string& keyName,
                           const std::string& subKeyRef, std::string& keyVal) {
  keyVal.clear();
  HKey key = 0;
  // Read access only: an ordinary user may not open HKEY_LOCAL_MACHINE keys for writing.
  if (registry.RegOpenKeyExA(root, keyName, 0, kKeyRead, &key) != kErrorSuccess) {
    return false;
  }
  std::array<std::uint8_t, 1024> buffer{};
  std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t type = kRegNone;
  const long status = registry.RegQueryValueExA(key, subKeyRef, &type, buffer.data(), &size);
  registry.RegCloseKey(key);
  // Empty data and anything but a string value fail the lookup: neither names a program.
  if (status != kErrorSuccess || size == 0 || size > buffer.size() || type != kRegSz) return false;
  if (buffer[size - 1] == 0) --size;
  keyVal.assign(reinterpret_cast<const char*>(buffer.data()), size);
  return true;
}

}  // namespace pw
