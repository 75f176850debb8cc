// New mail announced by the sound of the user's scheme.
#include "win32/Win32SystemSound.h"

#include "platform/Trace.h"
#include "win32/Win32.h"

namespace pw::win32 {
namespace {

// playsoundapi.h of the Windows SDK (Windows Vista and later); MinGW-w64's mmsystem.h lacks it.
constexpr DWORD kSndSystem = 0x00200000;

}  // namespace

void Win32SystemSound::PlayNewMail() {
  // SND_ALIAS names the event of the user's scheme; SND_SYSTEM plays it at the system sounds'
  // volume, as Windows' own notifications are; SND_NODEFAULT keeps the default beep away when
  // the scheme has no sound for the event; SND_ASYNC returns at once (PlaySound,
  // playsoundapi.h).
  if (!PlaySoundW(L"MailBeep", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT | kSndSystem)) {
    Trace("Win32SystemSound: no sound for MailBeep");
  }
}

}  // namespace pw::win32
