// Whether Windows says the user must not be disturbed now: a presentation, a full-screen program,
// quiet hours or Focus Assist (SHQueryUserNotificationState).
#pragma once

namespace pw {

enum class UserState {
  kAvailable,     // notifications welcome, or Windows cannot tell
  kNotPresent,    // screen saver, locked, fast user switching: nobody to disturb
  kBusy,          // a full-screen program other than Direct3D
  kFullScreen,    // a Direct3D full-screen program (a game, a video)
  kPresentation,  // presentation settings, or a slide show on the projector
  kQuietTime,     // the first hour after a new user's first sign-in
  kFocusAssist,   // a full-screen app of the store; Focus Assist where Windows reports it so
};

class UserAttention {
 public:
  virtual ~UserAttention() = default;
  virtual UserState Query() = 0;
};

// The states in which new mail is announced without sound, balloon or a window in front.
inline bool MustNotDisturb(UserState state) {
  return state == UserState::kBusy || state == UserState::kFullScreen ||
         state == UserState::kPresentation || state == UserState::kQuietTime ||
         state == UserState::kFocusAssist;
}

}  // namespace pw
