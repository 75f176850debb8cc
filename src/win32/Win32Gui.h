// The user-interface headers beside <windows.h>: common controls and the shell.
#pragma once

// These need the types of windows.h, which Win32.h brings with its settings.
// clang-format off
#include "win32/Win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>
// clang-format on
