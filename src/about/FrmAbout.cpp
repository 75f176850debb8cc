// frmAbout: fills title and version at load; starts MSINFO32 or says it is not available.
#include "about/FrmAbout.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "common/Text.h"
#include "platform/RegistryValue.h"

namespace pw {
namespace {

// The size of the buffer the lookup of the system-information program reads into.
constexpr std::size_t kValueBufferSize = 1024;

}  // namespace

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
  const auto value = QueryValue(registry, key, subKeyRef);
  registry.RegCloseKey(key);
  // The lookup reads into 1024 bytes: longer data fails it. Empty data and anything but a
  // string value fail it too: neither names a program.
  if (!value || value->data.empty() || value->data.size() > kValueBufferSize ||
      value->type != kRegSz) {
    return false;
  }
  keyVal = value->data;
  if (keyVal.back() == '\0') keyVal.pop_back();
  return true;
}

}  // namespace pw
