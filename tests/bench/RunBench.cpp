// Benchmark (prints figures, asserts nothing): whole check runs of fmStart, its windows the
// substitute's and its IMAP component the real client over the platform's sockets, for several
// numbers of mailboxes and values of "Gleichzeitig"; natively and, cross-built, under Wine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "app/FmStart.h"
#include "app/MailboxWork.h"
#include "common/Globals.h"
#include "common/SettingsNames.h"
#include "imap/ImapClientFactory.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeAttendanceView.h"
#include "substitute/FakeClock.h"
#include "substitute/FakeControls.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeEnvironment.h"
#include "substitute/FakeEventLoop.h"
#include "substitute/FakeMainWindow.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeSystemSound.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeTrayShell.h"
#include "substitute/FakeWindowSystem.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

// The program's composition of its IMAP component, as src/main.cpp makes it: the one place to
// adapt when that changes.
std::unique_ptr<ImapComponent> MakeRunImap(const WaitPump& pump) { return MakeImapClient(pump); }

// The run's workers as the program makes them: a connection each, the run's one lookup shared.
// Their waits need no window; nothing here aborts them.
std::unique_ptr<ThreadWorkers> MakeRunWorkers() {
  auto addresses = std::make_shared<SharedAddresses>();
  return std::make_unique<ThreadWorkers>(
      [addresses](WaitPump abortCheck) { return MakeImapClient(std::move(abortCheck), addresses); },
      [addresses] { addresses->Forget(); });
}

struct Options {
  std::string host = "127.0.0.1";
  int port = 0;
  std::vector<int> mailboxes{10};
  std::vector<int> concurrent{1, 6};
  int rounds = 3;
  std::string label;
};

// One program with N accounts konto01/geheim01 ... (as run-bench.sh makes them) on one server.
struct Program {
  FakeRegistry registry;
  SettingsStore settings{registry};
  AccountStore accounts{settings};
  FakeEnvironment environment;
  FakeClock clock;  // 10:00, outside the attendance and report windows
  FakeTimerFactory timers;
  FakeEventLoop loop;
  FakeDialogs dialogs;
  FakeTrayShell tray;
  FakeWindowSystem windows;
  FakeMainWindow window;
  FakeTree tree;
  FakeStatusBar status;
  FakeAttendanceViewFactory attendanceViews;
  FakeSystemSound sound;
  Globals globals;
  std::unique_ptr<ImapComponent> imap;
  std::unique_ptr<ThreadWorkers> workers = MakeRunWorkers();
  std::unique_ptr<FmStart> fm;

  Program(const Options& o, int mailboxes, int k) {
    const auto server = [this](const char* name, const std::string& value) {
      settings.SaveSetting(kSettingsApp, kSectionServer, name, value);
    };
    server(kValueHost, o.host);
    server(kValuePort, std::to_string(o.port));
    server(kValueSecurity, "Keine");
    server(kValueConcurrent, std::to_string(k));
    for (int i = 1; i <= mailboxes; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "konto%02d", i);
      char password[32];
      std::snprintf(password, sizeof password, "geheim%02d", i);
      accounts.Write(name, kValueUser, name);
      accounts.Write(name, kValuePassword, Passwort::Umwandeln(password));
    }
    globals.AttendanceAsked = true;
    const WaitPump pump = [this] {
      loop.DoEvents();
      return true;
    };
    imap = MakeRunImap(pump);
    fm = std::make_unique<FmStart>(
        MainWindowServices{settings, environment, clock, timers, loop, dialogs, tray, windows,
                           window, tree, status, *imap, attendanceViews, sound},
        globals);
    fm->AttachWorkers(*workers);
    window.Attach(fm.get());
  }
  ~Program() { window.Attach(nullptr); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Mailboxes the last run showed in the tree: three nodes each.
  int Shown() const { return static_cast<int>(tree.nodes.size()) / 3; }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<int> List(const std::string& text) {
  std::vector<int> values;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    values.push_back(std::atoi(text.substr(at, comma - at).c_str()));
    at = comma + 1;
  }
  return values;
}

// The median length of a run in ms, after a first run (Form_Load's) that warms up; -1 when a
// run did not show every mailbox.
double RunLength(const Options& o, int mailboxes, int k) {
  Program p(o, mailboxes, k);
  p.fm->Form_Load();
  if (p.Shown() != mailboxes) return -1;
  std::vector<double> lengths;
  for (int round = 0; round < o.rounds; ++round) {
    const Clock::time_point t0 = Clock::now();
    p.fm->mRefresh_Click();
    lengths.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (p.Shown() != mailboxes) return -1;
  }
  return Median(lengths);
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: postwacht_run_bench --port P [--host H] [--mailboxes 10,40,100]\n"
               "                           [--concurrent 1,6] [--rounds R] [--label TEXT]\n"
               "Accounts are konto01/geheim01 ... as run-bench.sh makes them, plain IMAP.\n");
  std::exit(2);
}

}  // namespace
}  // namespace pw

int main(int argc, char** argv) {
  pw::Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) pw::Usage();
    const std::string value = argv[++i];
    if (arg == "--host") {
      o.host = value;
    } else if (arg == "--port") {
      o.port = std::atoi(value.c_str());
    } else if (arg == "--mailboxes") {
      o.mailboxes = pw::List(value);
    } else if (arg == "--concurrent") {
      o.concurrent = pw::List(value);
    } else if (arg == "--rounds") {
      o.rounds = std::atoi(value.c_str());
    } else if (arg == "--label") {
      o.label = value;
    } else {
      pw::Usage();
    }
  }
  if (o.port <= 0 || o.rounds <= 0 || o.concurrent.empty()) pw::Usage();
  for (int n : o.mailboxes) {
    if (n <= 0) pw::Usage();
  }
  std::printf("%s check runs, median of %d rounds (s; ms per mailbox)\n", o.label.c_str(),
              o.rounds);
  std::printf("%-10s", "mailboxes");
  for (int k : o.concurrent) std::printf(" | K = %-2d %8s", k, "");
  if (o.concurrent.size() > 1)
    std::printf(" | K=%d / K=%d", o.concurrent.front(), o.concurrent.back());
  std::printf("\n");
  for (int n : o.mailboxes) {
    std::printf("%-10d", n);
    std::vector<double> lengths;
    for (int k : o.concurrent) {
      const double ms = pw::RunLength(o, n, k);
      lengths.push_back(ms);
      if (ms < 0) {
        std::printf(" | %-15s", "failed");
      } else {
        std::printf(" | %6.2f s %5.1f", ms / 1000, ms / n);
      }
      std::fflush(stdout);
    }
    if (lengths.size() > 1 && lengths.front() > 0 && lengths.back() > 0) {
      std::printf(" | %8.2fx", lengths.front() / lengths.back());
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}
