// How a window came to be unloaded, as the platform reports it to the close protection.
#pragma once

namespace pw {

enum UnloadMode : int {
  kUnloadFormControlMenu = 0,
  kUnloadFormCode = 1,
  kUnloadAppWindows = 2,
  kUnloadAppTaskManager = 3,
};

}  // namespace pw
