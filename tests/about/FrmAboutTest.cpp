#include <gtest/gtest.h>

#include "about/FrmAbout.h"
#include "substitute/FakeAboutView.h"
#include "substitute/FakeDialogs.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeTimers.h"
#include "substitute/FakeWindowSystem.h"

namespace pw {
namespace {

// Remembers the access every key was opened with.
class RecordingRegistry : public FakeRegistry {
 public:
  long RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, HKey* result) override {
    opened.push_back({root, subKey, access});
    return FakeRegistry::RegOpenKeyExA(root, subKey, options, access, result);
  }
  struct Open {
    HKey root;
    std::string subKey;
    std::uint32_t access;
  };
  std::vector<Open> opened;
};

class FrmAboutTest : public ::testing::Test {
 protected:
  void SetPath(const std::string& data, std::uint32_t type = kRegSz) {
    registry.SeedValue(kHkeyLocalMachine, kSysInfoPathKey, "PATH", type, data);
  }
  void SetFolder(const std::string& data) {
    registry.SeedValue(kHkeyLocalMachine, kSysInfoFolderKey, "MSINFO", kRegSz, data);
  }
  void ExpectUnavailable() {
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Systeminformationen sind momentan nicht verfügbar");
    EXPECT_EQ(dialogs.boxes[0].title, "Postwacht");
    EXPECT_TRUE(windows.started.empty());
  }
  void ExpectStarted(const std::string& commandLine) {
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_EQ(windows.started.size(), 1u);
    EXPECT_EQ(windows.started[0].commandLine, commandLine);
    EXPECT_EQ('"' + windows.started[0].program + '"', commandLine) << "the program is named";
    EXPECT_EQ(windows.started[0].style, 1) << "normal window with the focus";
  }

  RecordingRegistry registry;
  FakeWindowSystem windows;
  FakeDialogs dialogs;
  FakeVersionInfo version;
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timer2 = timers.CreateTimer([] {});
  FakeAboutViewFactory views;
  FrmAbout about{views, AboutServices{registry, windows, dialogs, version}, *timer2};
};

TEST_F(FrmAboutTest, LoadSetsCaptionTitleAndVersionOnce) {
  about.Show();
  FakeAboutView* v = views.current;
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->visible);
  EXPECT_EQ(v->caption, "Info zu Postwacht");
  EXPECT_EQ(v->title, "Postwacht");
  EXPECT_EQ(v->version, "1.0.46");

  // Shown again while loaded: the same window comes forward, Form_Load does not run again.
  version.version = {2, 10, 7};
  about.Show();
  EXPECT_EQ(views.created, 1);
  EXPECT_EQ(v->shows, 2);
  EXPECT_EQ(v->version, "1.0.46");

  about.cmdOK_Click();
  about.Show();
  EXPECT_EQ(views.current->version, "2.10.7");
}

TEST_F(FrmAboutTest, OkSwitchesTimer2OnAndTheCloseBoxDoesNot) {
  about.Show();
  about.cmdOK_Click();
  EXPECT_FALSE(about.Loaded());
  EXPECT_EQ(views.current, nullptr);
  EXPECT_TRUE(timer2->Enabled());

  timer2->SetEnabled(false);
  about.Show();
  about.Form_CloseBox();
  EXPECT_FALSE(about.Loaded());
  EXPECT_FALSE(timer2->Enabled());
}

TEST_F(FrmAboutTest, ThePathValueIsStartedWithoutTestingItAndTheBoxStaysOpen) {
  SetPath(std::string("C:\\Programme\\MSInfo\\msinfo32.exe") + '\0');
  SetFolder(std::string("C:\\Anderswo") + '\0');
  windows.files = {"C:\\Anderswo\\MSINFO32.EXE"};
  about.Show();
  about.cmdSysInfo_Click();
  ExpectStarted("\"C:\\Programme\\MSInfo\\msinfo32.exe\"");
  EXPECT_TRUE(about.Loaded());
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(FrmAboutTest, WithoutThePathTheFolderValueIsUsedWhenItHoldsTheProgram) {
  SetFolder(std::string("C:\\Gemeinsame Dateien\\MSInfo") + '\0');
  windows.files = {"C:\\Gemeinsame Dateien\\MSInfo\\MSINFO32.EXE"};
  about.StartSysInfo();
  ExpectStarted("\"C:\\Gemeinsame Dateien\\MSInfo\\MSINFO32.EXE\"");
}

TEST_F(FrmAboutTest, NeitherValueShowsTheMessage) {
  about.StartSysInfo();
  ExpectUnavailable();
}

TEST_F(FrmAboutTest, AFolderWithoutMsinfo32ShowsTheMessage) {
  SetFolder(std::string("C:\\Leer") + '\0');
  about.StartSysInfo();
  ExpectUnavailable();
}

TEST_F(FrmAboutTest, APathThatCannotBeStartedShowsTheMessage) {
  SetPath(std::string("C:\\fehlt\\msinfo32.exe") + '\0');
  windows.failStarts = true;
  about.StartSysInfo();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, kSysInfoUnavailable);
  EXPECT_EQ(dialogs.boxes[0].title, "Postwacht");
}

TEST_F(FrmAboutTest, EmptyDataFailsTheLookup) {
  SetPath("");
  SetFolder("");
  windows.files = {"\\MSINFO32.EXE"};
  about.StartSysInfo();
  ExpectUnavailable();

  // An empty PATH does not stop the folder from being tried.
  dialogs.boxes.clear();
  SetFolder(std::string("C:\\MSInfo") + '\0');
  windows.files = {"C:\\MSInfo\\MSINFO32.EXE"};
  about.StartSysInfo();
  ExpectStarted("\"C:\\MSInfo\\MSINFO32.EXE\"");
}

TEST_F(FrmAboutTest, TheMachineKeysAreOpenedForReadingOnly) {
  // HKEY_LOCAL_MACHINE refuses write access, as it does for an ordinary user.
  SetPath(std::string("C:\\MSInfo\\msinfo32.exe") + '\0');
  about.StartSysInfo();
  ExpectStarted("\"C:\\MSInfo\\msinfo32.exe\"");
  ASSERT_FALSE(registry.opened.empty());
  for (const auto& open : registry.opened) {
    EXPECT_EQ(open.root, kHkeyLocalMachine);
    EXPECT_EQ(open.access & (kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete), 0u)
        << open.subKey;
  }
}

TEST_F(FrmAboutTest, GetKeyValueTakesAStringWithOrWithoutItsNul) {
  std::string value = "x";
  registry.SeedValue(kHkeyLocalMachine, "Software\\T", "mit", kRegSz,
                     "Gr\xFC\xDF" + std::string(1, '\0'));
  registry.SeedValue(kHkeyLocalMachine, "Software\\T", "ohne", kRegSz, "abc");
  EXPECT_TRUE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "mit", value));
  EXPECT_EQ(value, "Grüß");
  EXPECT_TRUE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "ohne", value));
  EXPECT_EQ(value, "abc");

  EXPECT_FALSE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "fehlt", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\Fehlt", "x", value));
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(FrmAboutTest, GetKeyValueRefusesLongDataAndValuesThatAreNoString) {
  std::string value = "x";
  registry.SeedValue(kHkeyLocalMachine, "Software\\T", "lang", kRegSz, std::string(1025, 'a'));
  registry.SeedValue(kHkeyLocalMachine, "Software\\T", "genau", kRegSz,
                     std::string(1023, 'a') + '\0');
  registry.SeedValue(kHkeyLocalMachine, "Software\\T", "zahl", kRegDword, std::string(4, '\x01'));
  EXPECT_FALSE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "lang", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "genau", value));
  EXPECT_EQ(value.size(), 1023u);
  EXPECT_FALSE(FrmAbout::GetKeyValue(registry, kHkeyLocalMachine, "Software\\T", "zahl", value));

  SetPath(std::string(4, '\x01'), kRegDword);
  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace pw
