// The version numbers of the running program, from its version resource.
#pragma once

#include <string>

#include "platform/VersionInfo.h"

namespace pw::win32 {

class Win32VersionInfo : public VersionInfo {
 public:
  // The running program's file.
  Win32VersionInfo() = default;
  // Another file, for tests.
  explicit Win32VersionInfo(std::wstring path) : path_(std::move(path)) {}

  // FILEVERSION major,minor,0,revision: the third number is not part of the program's version.
  ProgramVersion Version() override;

 private:
  std::wstring path_;
};

}  // namespace pw::win32
