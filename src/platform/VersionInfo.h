// The program's own version numbers, as its version resource holds them.
#pragma once

namespace pw {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;
  // Major, minor and revision of the running program; all 0 when it carries no version.
  virtual ProgramVersion Version() = 0;
};

}  // namespace pw
