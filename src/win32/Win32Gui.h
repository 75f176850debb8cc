// The user-interface headers beside <windows.h>: common controls and the shell.
#pragma once

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "win32/Win32.h"
