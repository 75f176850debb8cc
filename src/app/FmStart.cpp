// fmStart: construction, start-up, activation, paint and unload of the main window.
#include "app/FmStart.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/AppError.h"
#include "common/Text.h"
#include "imap/ServerSecurity.h"
#include "platform/Trace.h"

namespace pw {
namespace {

std::unique_ptr<Timer> MakeTimer(TimerFactory& factory, std::function<void()> onTick,
                                 std::uint32_t interval, bool enabled) {
  auto timer = factory.CreateTimer(std::move(onTick));
  timer->SetInterval(interval);
  timer->SetEnabled(enabled);
  return timer;
}

// A whole number in [low, high], or the fallback.
long ParseWhole(const std::string& text, long low, long high, long fallback) {
  const std::string_view t = Trim(text);
  long value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || value < low || value > high) {
    return fallback;
  }
  return value;
}

// A position as written by Form_Paint; a decimal comma (German locale) or point is accepted.
float ParseTwips(const std::string& text) {
  std::string t(Trim(text));
  for (char& c : t) {
    if (c == ',') c = '.';
  }
  float value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
    return 0;
  return value;
}

std::string FormatTwips(float value) {
  if (value == std::floor(value) && std::fabs(value) < 1e9f) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  std::string text = buffer;
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

}  // namespace

FmStart::FmStart(MainWindowServices services, Globals& globals)
    : s_(services),
      globals_(globals),
      // The check timer starts at the end of the start-up, after the first check (Form_Load).
      timer1_(MakeTimer(
          s_.timers, [this] { Timer1_Timer(); }, 10000, false)),
      timer2_(MakeTimer(
          s_.timers, [this] { Timer2_Timer(); }, 60000, false)),
      timer3_(MakeTimer(
          s_.timers, [this] { Timer3_Timer(); }, 60000, false)),
      timerVis_(MakeTimer(
          s_.timers, [this] { TimerVis_Timer(); }, 500, false)),
      timerIvis_(MakeTimer(
          s_.timers, [this] { TimerIvis_Timer(); }, 500, false)),
      timerResume_(MakeTimer(
          s_.timers, [this] { TimerResume_Timer(); }, 1000, false)),
      timerBackoff_(MakeTimer(
          s_.timers, [this] { TimerBackoff_Timer(); }, 1000, false)),
      tray_(s_.tray, s_.window, s_.loop, *timerVis_, *timerIvis_),
      anwesend_(std::make_unique<FmAnwesend>(s_.attendanceViews, s_.settings, globals_, s_.loop,
                                             *timer2_)),
      accounts_(s_.settings),
      launcher_(s_.windows, s_.settings, globals_),
      states_(s_.window, s_.tray, s_.dialogs, s_.Imap1, *anwesend_, *timer1_, *timer2_),
      tree_(s_.Anzeige, globals_, accounts_, launcher_, tray_, *timer2_, *timer3_),
      inlineWorkers_(s_.Imap1) {}

FmStart::~FmStart() = default;

bool FmStart::RequestUnload(int unloadMode) {
  if (unloaded_) return true;
  bool cancel = false;
  Form_QueryUnload(cancel, unloadMode);
  if (cancel) return false;
  Form_Unload();
  s_.window.Close();
  return true;
}

std::string FmStart::ServerSetting(const std::string& name, const std::string& defaultValue) {
  return s_.settings.GetSetting(kSettingsApp, kSectionServer, name, defaultValue);
}

void FmStart::Form_Load() {
  // 1. The one IMAP server for all accounts; with OAuth2 at Microsoft 365, Exchange Online's.
  const ServerSettingReader read = [this](const std::string& name, const std::string& fallback) {
    return ServerSetting(name, fallback);
  };
  globals_.ImapServerName = ServerSetting(kValueHost, DefaultHost(read, "localhost"));
  const std::string security = ServerSetting(kValueSecurity, DefaultSicherheit(read, "Keine"));
  const int defaultPort = imap::DefaultPort(security);
  port_ = static_cast<int>(
      ParseWhole(ServerSetting(kValuePort, std::to_string(defaultPort)), 1, 65535, defaultPort));
  security_ = security;
  certificate_ = ServerSetting(kValueCertificate, "");
  s_.Imap1.SetPort(port_);
  s_.Imap1.SetSecurity(security_, certificate_);
  // 2. An unload during a yield (Windows shutdown, say) ends the start-up there.
  s_.loop.DoEvents();
  if (unloaded_) return;
  // 3. The timer takes 0 to 65535 ms; anything else falls back to the default.
  timer1_->SetInterval(static_cast<std::uint32_t>(
      ParseWhole(s_.settings.GetSetting(kSettingsApp, kSectionTimer, kValueTimer1, "60000"), 0,
                 65535, 60000)));
  // 4.
  s_.window.SetLeftTwips(
      ParseTwips(s_.settings.GetSetting(kSettingsApp, kSectionPos, kValueLeft, "0")));
  s_.window.SetTopTwips(
      ParseTwips(s_.settings.GetSetting(kSettingsApp, kSectionPos, kValueTop, "0")));
  // 5.
  globals_.TrayAlertsEnabled = s_.environment.GetVariable("TS_JN").value_or("") != "J";
  // 6.
  globals_.WrongPasswordReported = false;
  // 7.
  s_.window.Show();
  s_.window.Refresh();
  // 8.
  tray_.AddIcon();
  // 9.
  s_.loop.DoEvents();
  if (unloaded_) return;
  // 10.
  mRefresh_Click();
  // 11.
  if (!unloaded_) timer1_->SetEnabled(true);
}

void FmStart::Form_Activate() {
  timer1_->SetEnabled(false);
  timer2_->SetEnabled(true);
}

void FmStart::Form_Paint() {
  try {
    s_.settings.SaveSetting(kSettingsApp, kSectionPos, kValueLeft,
                            FormatTwips(s_.window.LeftTwips()));
    s_.settings.SaveSetting(kSettingsApp, kSectionPos, kValueTop,
                            FormatTwips(s_.window.TopTwips()));
  } catch (const AppError&) {
    // A registry that refuses the position only costs the position at the next start.
    TraceIgnored("FmStart.Form_Paint");
  }
}

void FmStart::Form_Unload() {
  if (anwesend_->Loaded()) anwesend_->Unload();
  tray_.RemoveIcon();
  unloaded_ = true;
}

void FmStart::Timer1_Timer() {
  // After a resume the run waits for the network: a tick now would only find it down.
  if (resumePending_) return;
  mRefresh_Click();
}

void FmStart::Timer2_Timer() {
  s_.window.SetState(WindowState::Minimized);
  timer2_->SetEnabled(false);
}

void FmStart::Timer3_Timer() {
  timer2_->SetEnabled(true);
  timer3_->SetEnabled(false);
}

}  // namespace pw
