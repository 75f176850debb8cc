// The one place that includes <windows.h>; every Win32 source includes this header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
// winsock2.h must come before windows.h, or the old winsock.h declarations clash with it.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on
// PlaySound; WIN32_LEAN_AND_MEAN leaves it out of windows.h.
#include <mmsystem.h>

// winuser.h's function-like macro would swallow pw::WindowSystem::GetNextWindow.
#undef GetNextWindow
