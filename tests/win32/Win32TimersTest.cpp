// The form-timer semantics of the SetTimer timers, driven by a real message loop.
#include <gtest/gtest.h>

#include <memory>

#include "win32/Win32TestSupport.h"
#include "win32/Win32Timers.h"

namespace pw::win32 {
namespace {

using test::PumpFor;

struct Watched {
  std::unique_ptr<Timer> timer;
  int ticks = 0;
  DWORD firstTick = 0;
};

TEST(Win32Timers, CountsLikeAFormTimer) {
  Win32TimerFactory factory(GetModuleHandleW(nullptr));
  DWORD start = GetTickCount();
  auto make = [&](std::uint32_t interval, bool enabled) {
    auto w = std::make_unique<Watched>();
    Watched* raw = w.get();
    w->timer = factory.CreateTimer([raw, start] {
      if (raw->ticks++ == 0) raw->firstTick = GetTickCount() - start;
    });
    w->timer->SetInterval(interval);
    w->timer->SetEnabled(enabled);
    return w;
  };
  auto keep = make(600, true);        // enabled again while enabled: the count goes on
  auto restart = make(600, true);     // disabled and enabled: the count starts again
  auto reinterval = make(600, true);  // interval set while enabled: the count starts again
  auto stopped = make(600, true);     // disabled before it is due
  auto zero = make(0, true);          // interval 0 never fires
  auto idle = make(600, false);       // never enabled
  EXPECT_FALSE(idle->timer->Enabled());
  EXPECT_EQ(600u, idle->timer->Interval());

  PumpFor(300);
  keep->timer->SetEnabled(true);
  restart->timer->SetEnabled(false);
  restart->timer->SetEnabled(true);
  reinterval->timer->SetInterval(600);
  stopped->timer->SetEnabled(false);
  PumpFor(1150 - (GetTickCount() - start));

  EXPECT_GE(keep->ticks, 1);
  EXPECT_LT(keep->firstTick, 860u);
  EXPECT_GE(restart->ticks, 1);
  EXPECT_GE(restart->firstTick, 860u);
  EXPECT_GE(reinterval->ticks, 1);
  EXPECT_GE(reinterval->firstTick, 860u);
  EXPECT_EQ(0, stopped->ticks);
  EXPECT_EQ(0, zero->ticks);
  EXPECT_EQ(0, idle->ticks);
}

TEST(Win32Timers, TicksRepeatedlyUntilDisabledAndMayDestroyItselfInItsHandler) {
  Win32TimerFactory factory(GetModuleHandleW(nullptr));
  int repeating = 0;
  auto every = factory.CreateTimer([&] { ++repeating; });
  every->SetInterval(50);
  every->SetEnabled(true);

  int selfTicks = 0;
  std::unique_ptr<Timer> once;
  once = factory.CreateTimer([&] {
    ++selfTicks;
    once.reset();
  });
  once->SetInterval(30);
  once->SetEnabled(true);

  PumpFor(560);
  every->SetEnabled(false);
  int atStop = repeating;
  PumpFor(200);
  EXPECT_GE(atStop, 5);
  EXPECT_LE(atStop, 12);
  EXPECT_EQ(atStop, repeating);
  EXPECT_EQ(1, selfTicks);
  EXPECT_EQ(nullptr, once);
}

}  // namespace
}  // namespace pw::win32
