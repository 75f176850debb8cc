// Entry point of postwacht.exe.
#include "platform/win32/Win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
