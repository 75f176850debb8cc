#include <gtest/gtest.h>

#include "accounts/AccountDialogs.h"
#include "accounts/AccountStore.h"
#include "accounts/Passwort.h"
#include "common/Texts.h"
#include "common/Windows1252.h"
#include "registry/SettingsStore.h"
#include "substitute/FakeAccountDialogViews.h"
#include "substitute/FakeRegistry.h"
#include "substitute/FakeTimers.h"
#include "substitute/TraceRecorder.h"

namespace pw {
namespace {

constexpr char kBenutzer[] = "Software\\VB and VBA Program Settings\\Mail Postwacht\\Benutzer";

// Refuses the write of one value name, as the registry refuses a write.
class RefusingRegistry : public FakeRegistry {
 public:
  long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override {
    written.push_back(valueName);
    if (valueName == refused) return kErrorAccessDenied;
    return FakeRegistry::RegSetValueExA(key, valueName, type, data, size);
  }
  long RegSetValueBytesA(HKey key, const std::string& valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t size) override {
    written.push_back(valueName);
    if (valueName == refused) return kErrorAccessDenied;
    return FakeRegistry::RegSetValueBytesA(key, valueName, type, data, size);
  }
  std::string refused;
  std::vector<std::string> written;
};

class AccountDialogsTest : public ::testing::Test {
 protected:
  AccountDialogsTest() { timer2->SetInterval(60000); }

  std::string Value(const std::string& name, const std::string& valueName) {
    return store.Read(name, valueName, "<absent>");
  }
  void Seed(const std::string& name, const std::string& valueName, const std::string& text) {
    registry.SeedValue(kHkeyCurrentUser, std::string(kBenutzer) + "\\" + To1252(name),
                       To1252(valueName), kRegSz, To1252(text) + '\0');
  }
  void SeedAccount(const std::string& name, const std::string& user, const std::string& pw,
                   const std::string& ol, const std::string& te, const std::string& link) {
    store.Write(name, "NT-USER", user);
    store.Write(name, "PW", pw);
    store.Write(name, "Mail-Client-OL", ol);
    store.Write(name, "Mail-Client-TE", te);
    store.Write(name, "Mail-Client-TE-Name", link);
  }
  std::string Hive() { return registry.Dump(kHkeyCurrentUser); }

  RefusingRegistry registry;
  SettingsStore settings{registry};
  AccountStore store{settings};
  FakeTimerFactory timers;
  std::unique_ptr<Timer> timer2 = timers.CreateTimer([] {});
  FakeAccountDialogViewFactory views;
  AccountDialogs dialogs{views, settings, *timer2};
};

// --- fmNew ---------------------------------------------------------------------------------

TEST_F(AccountDialogsTest, AddWritesTheFiveValuesScrambledAndCloses) {
  dialogs.ShowNew();
  FakeNewView* v = views.newView;
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->visible);
  EXPECT_FALSE(v->okEnabled) << "empty name";
  v->anzeigeName = "Zentrale";
  dialogs.fmNew().txtAnzeigeName_Change();
  EXPECT_TRUE(v->okEnabled);
  v->userName = "zentrale";
  v->password = "Mail";
  v->SetOptionTE(true);
  v->linkName = "Büro TE";
  dialogs.fmNew().cmdOK_Click();

  EXPECT_EQ(views.newView, nullptr) << "unloaded";
  EXPECT_FALSE(dialogs.fmNew().Loaded());
  EXPECT_TRUE(timer2->Enabled());
  EXPECT_EQ(Value("Zentrale", "NT-USER"), "zentrale");
  EXPECT_EQ(registry.ValueData(kHkeyCurrentUser, std::string(kBenutzer) + "\\Zentrale", "PW"),
            std::string("Nbjo") + '\0');
  EXPECT_EQ(Value("Zentrale", "Mail-Client-OL"), "Falsch");
  EXPECT_EQ(Value("Zentrale", "Mail-Client-TE"), "Wahr");
  EXPECT_EQ(Value("Zentrale", "Mail-Client-TE-Name"), "Büro TE");
  EXPECT_EQ(Value("Zentrale", "Angezeigt"), "<absent>");
  // In this order: a refused write keeps those before it.
  EXPECT_EQ(registry.written, (std::vector<std::string>{"NT-USER", "PW", "Mail-Client-OL",
                                                        "Mail-Client-TE", "Mail-Client-TE-Name"}));
  // The display name is the key's name exactly as typed: blanks, case and umlauts.
  dialogs.ShowNew();
  views.newView->anzeigeName = " Büro  süd ";
  dialogs.fmNew().cmdOK_Click();
  EXPECT_EQ(store.List(), (std::vector<std::string>{" Büro  süd ", "Zentrale"}));
}

TEST_F(AccountDialogsTest, AddOverAnExistingNameReplacesTheFiveValuesAndKeepsAngezeigt) {
  SeedAccount("Lager", "alt", "alt", "Wahr", "Falsch", "alt");
  Seed("Lager", "Angezeigt", "0");
  dialogs.ShowNew();
  FakeNewView* v = views.newView;
  v->anzeigeName = "LAGER";  // key names ignore case
  v->userName = "neu";
  dialogs.fmNew().cmdOK_Click();

  EXPECT_EQ(store.List(), std::vector<std::string>{"Lager"});
  EXPECT_EQ(Value("Lager", "NT-USER"), "neu");
  EXPECT_EQ(Value("Lager", "PW"), "");
  EXPECT_EQ(Value("Lager", "Mail-Client-OL"), "Falsch");
  EXPECT_EQ(Value("Lager", "Mail-Client-TE"), "Falsch") << "neither option gives two Falsch";
  EXPECT_EQ(Value("Lager", "Mail-Client-TE-Name"), "");
  EXPECT_EQ(Value("Lager", "Angezeigt"), "0");
}

TEST_F(AccountDialogsTest, ARefusedWriteEndsTheWritesThereAndStillCloses) {
  TraceRecorder trace;
  registry.refused = "Mail-Client-OL";
  dialogs.ShowNew();
  FakeNewView* v = views.newView;
  v->anzeigeName = "Kasse";
  v->userName = "kasse";
  v->SetOptionOL(true);
  v->linkName = "TE";
  dialogs.fmNew().cmdOK_Click();

  EXPECT_FALSE(dialogs.fmNew().Loaded());
  EXPECT_TRUE(timer2->Enabled());
  EXPECT_EQ(Value("Kasse", "NT-USER"), "kasse");
  EXPECT_EQ(Value("Kasse", "PW"), "");
  EXPECT_EQ(Value("Kasse", "Mail-Client-OL"), "<absent>");
  EXPECT_EQ(Value("Kasse", "Mail-Client-TE-Name"), "<absent>");
  // Nothing is said to the user; the developer's trace names the place and the failure.
  ASSERT_EQ(trace.Lines().size(), 1u);
  EXPECT_EQ(trace.Lines()[0].rfind("Postwacht: ignored in AccountFields: Write: ", 0), 0u)
      << trace.Lines()[0];
}

TEST_F(AccountDialogsTest, UnusableNamesAndPasswordsDisableOkAndAreNeverStored) {
  store.Write("Anna", "NT-USER", "anna");
  const std::string before = Hive();
  dialogs.ShowNew();
  FakeNewView* v = views.newView;
  FmNew& form = dialogs.fmNew();

  for (const char* name : {"", "Anna\\Sub", "\\", "Post\\"}) {
    v->anzeigeName = name;
    form.txtAnzeigeName_Change();
    EXPECT_FALSE(v->okEnabled) << name;
    // Why, under the fields; an empty name needs no words.
    EXPECT_EQ(v->okHint, *name ? kHintNameUnusable : "") << name;
    form.cmdOK_Click();
    EXPECT_TRUE(form.Loaded()) << "refused without closing: " << name;
  }
  v->anzeigeName = "Bert";
  form.txtAnzeigeName_Change();
  EXPECT_TRUE(v->okEnabled);
  v->password = std::string("ab\x03") + "c";
  form.txtPassword_Change();
  EXPECT_FALSE(v->okEnabled) << "code 3 scrambles to NUL";
  EXPECT_EQ(v->okHint, kHintPasswordUnusable);
  for (const char* outside : {"hał", "Ω"}) {
    v->password = outside;
    form.txtPassword_Change();
    EXPECT_FALSE(v->okEnabled) << outside;
    EXPECT_EQ(v->okHint, kHintPasswordUnusable) << outside;
  }
  v->password = std::string("ab\x03") + "c";
  form.cmdOK_Click();
  EXPECT_TRUE(form.Loaded());
  EXPECT_EQ(Hive(), before);
  EXPECT_FALSE(timer2->Enabled());

  v->password = "abc";
  form.txtPassword_Change();
  EXPECT_TRUE(v->okEnabled);
  EXPECT_EQ(v->okHint, "");
  form.cmdOK_Click();
  EXPECT_EQ(Value("Bert", "PW"), Passwort::Umwandeln("abc"));
}

TEST_F(AccountDialogsTest, CancelAndTheCloseBoxWriteNothingAndSwitchTimer2On) {
  SeedAccount("Anna", "anna", "x", "Wahr", "Falsch", "");
  const std::string before = Hive();

  dialogs.ShowNew();
  views.newView->anzeigeName = "Neu";
  views.newView->userName = "neu";
  dialogs.fmNew().cmdCancel_Click();
  EXPECT_FALSE(dialogs.fmNew().Loaded());
  EXPECT_TRUE(timer2->Enabled());

  timer2->SetEnabled(false);
  dialogs.ShowEdit();
  views.editView->anzeigeName = "Anna";
  dialogs.fmEdit().cmbAnzeigeName_Change();
  views.editView->userName = "geändert";
  dialogs.fmEdit().cmdCancel_Click();
  EXPECT_FALSE(dialogs.fmEdit().Loaded());
  EXPECT_TRUE(timer2->Enabled());

  timer2->SetEnabled(false);
  dialogs.ShowDelete();
  views.deleteView->anzeigeName = "Anna";
  dialogs.fmDelete().cmdCancel_Click();
  EXPECT_FALSE(dialogs.fmDelete().Loaded());
  EXPECT_TRUE(timer2->Enabled());

  for (int which = 0; which < 3; ++which) {
    timer2->SetEnabled(false);
    if (which == 0) {
      dialogs.ShowNew();
      dialogs.fmNew().Form_CloseBox();
    } else if (which == 1) {
      dialogs.ShowEdit();
      dialogs.fmEdit().Form_CloseBox();
    } else {
      dialogs.ShowDelete();
      dialogs.fmDelete().Form_CloseBox();
    }
    EXPECT_TRUE(timer2->Enabled()) << which;
  }
  EXPECT_EQ(views.newView, nullptr);
  EXPECT_EQ(views.editView, nullptr);
  EXPECT_EQ(views.deleteView, nullptr);
  EXPECT_EQ(Hive(), before);
}

TEST_F(AccountDialogsTest, EachDialogIsOneInstanceThatKeepsItsFieldsWhileOpen) {
  dialogs.ShowNew();
  views.newView->anzeigeName = "halb getippt";
  dialogs.ShowNew();
  EXPECT_EQ(views.created, 1);
  EXPECT_EQ(views.newView->shows, 2);
  EXPECT_EQ(views.newView->anzeigeName, "halb getippt");

  dialogs.fmNew().cmdCancel_Click();
  dialogs.ShowNew();
  EXPECT_EQ(views.created, 2);
  EXPECT_EQ(views.newView->anzeigeName, "") << "a new load starts empty";
}

// --- fmEdit --------------------------------------------------------------------------------

TEST_F(AccountDialogsTest, EditListsTheAccountsAndLoadsOnEveryChangeOfTheName) {
  SeedAccount("Anna", "anna", Passwort::Umwandeln("geheim"), "Wahr", "Falsch", "");
  SeedAccount("Bert", "bert", "", "Falsch", "Wahr", "Bert-TE");
  dialogs.ShowEdit();
  FakeEditView* v = views.editView;
  FmEdit& form = dialogs.fmEdit();
  EXPECT_EQ(v->names, (std::vector<std::string>{"Anna", "Bert"}));
  EXPECT_EQ(v->anzeigeName, "");
  EXPECT_FALSE(v->okEnabled);

  // Chosen from the list: the field holds the name when Click comes.
  v->anzeigeName = "Bert";
  form.cmbAnzeigeName_Click();
  EXPECT_EQ(v->userName, "bert");
  EXPECT_EQ(v->password, "");
  EXPECT_FALSE(v->optionOL);
  EXPECT_TRUE(v->optionTE);
  EXPECT_EQ(v->linkName, "Bert-TE");
  EXPECT_TRUE(v->okEnabled);

  v->anzeigeName = "Anna";
  form.cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "anna");
  EXPECT_EQ(v->password, "geheim");
  EXPECT_TRUE(v->optionOL);
  EXPECT_FALSE(v->optionTE);

  v->anzeigeName = "Annax";
  form.cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "");
  EXPECT_EQ(v->password, "");
  EXPECT_FALSE(v->optionOL);
  EXPECT_FALSE(v->optionTE);
  EXPECT_EQ(v->linkName, "");

  v->anzeigeName = "Anna";
  form.cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "anna");
  EXPECT_EQ(v->password, "geheim");
  EXPECT_TRUE(v->optionOL);
}

TEST_F(AccountDialogsTest, EditWithAbsentFlagsShowsNeitherOptionAndABadFlagStopsTheLoad) {
  store.Write("Ohne", "NT-USER", "ohne");
  SeedAccount("Kaputt", "kaputt", Passwort::Umwandeln("pw"), "vielleicht", "Wahr", "k-te");
  dialogs.ShowEdit();
  FakeEditView* v = views.editView;
  v->optionOL = true;
  v->anzeigeName = "Ohne";
  dialogs.fmEdit().cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "ohne");
  EXPECT_FALSE(v->optionOL);
  EXPECT_FALSE(v->optionTE);

  v->SetOptionTE(true);
  v->linkName = "vorher";
  v->anzeigeName = "Kaputt";
  dialogs.fmEdit().cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "kaputt");
  EXPECT_EQ(v->password, "pw");
  EXPECT_TRUE(v->optionTE) << "fields after the bad flag keep their contents";
  EXPECT_EQ(v->linkName, "vorher");
}

TEST_F(AccountDialogsTest, EditSavingUnderAnotherNameMakesAFurtherAccount) {
  SeedAccount("Anna", "anna", Passwort::Umwandeln("pw"), "Wahr", "Falsch", "");
  dialogs.ShowEdit();
  FakeEditView* v = views.editView;
  v->anzeigeName = "Anna";
  dialogs.fmEdit().cmbAnzeigeName_Change();
  v->anzeigeName = "Anna 2";  // typed after loading; the fields are emptied, then filled anew
  dialogs.fmEdit().cmbAnzeigeName_Change();
  v->userName = "anna2";
  v->password = "Ω";
  dialogs.fmEdit().txtPassword_Change();
  EXPECT_EQ(v->okHint, kHintPasswordUnusable);
  v->password = "pw2";
  dialogs.fmEdit().txtPassword_Change();
  EXPECT_EQ(v->okHint, "");
  v->SetOptionTE(true);
  v->linkName = "TE 2";
  dialogs.fmEdit().cmdOK_Click();

  EXPECT_FALSE(dialogs.fmEdit().Loaded());
  EXPECT_TRUE(timer2->Enabled());
  EXPECT_EQ(Value("Anna", "NT-USER"), "anna");
  EXPECT_EQ(Value("Anna", "Mail-Client-OL"), "Wahr");
  EXPECT_EQ(Value("Anna 2", "NT-USER"), "anna2");
  EXPECT_EQ(Passwort::Umwandeln(Value("Anna 2", "PW")), "pw2");
  EXPECT_EQ(Value("Anna 2", "Mail-Client-OL"), "Falsch");
  EXPECT_EQ(Value("Anna 2", "Mail-Client-TE"), "Wahr");
  EXPECT_EQ(Value("Anna 2", "Mail-Client-TE-Name"), "TE 2");
}

TEST_F(AccountDialogsTest, EditWithoutAnyAccountShowsAnEmptyList) {
  dialogs.ShowEdit();
  ASSERT_NE(views.editView, nullptr);
  EXPECT_TRUE(views.editView->names.empty());
  EXPECT_TRUE(views.editView->visible);
}

TEST_F(AccountDialogsTest, EditNameWithBackslashLoadsNothingFromANestedKey) {
  store.Write("Anna", "NT-USER", "anna");
  Seed("Anna\\Unter", "NT-USER", "versteckt");
  dialogs.ShowEdit();
  FakeEditView* v = views.editView;
  v->anzeigeName = "Anna\\Unter";
  dialogs.fmEdit().cmbAnzeigeName_Change();
  EXPECT_EQ(v->userName, "");
  EXPECT_FALSE(v->okEnabled);
}

TEST_F(AccountDialogsTest, TheSignInOpensTheEditDialogOnTheAccount) {
  SeedAccount("Anna", "anna", Passwort::Umwandeln("alt"), "Falsch", "Wahr", "A-TE");
  dialogs.ShowEdit();
  dialogs.SetEditAnzeigeName("Anna");
  FakeEditView* v = views.editView;
  EXPECT_TRUE(v->visible);
  EXPECT_EQ(v->anzeigeName, "Anna");
  EXPECT_EQ(v->userName, "anna");
  EXPECT_EQ(v->password, "alt");
  EXPECT_TRUE(v->optionTE);
  EXPECT_EQ(v->linkName, "A-TE");
  EXPECT_FALSE(timer2->Enabled()) << "the sign-in leaves Timer2 alone";

  // Setting the name of an unloaded dialog loads it hidden.
  dialogs.fmEdit().cmdCancel_Click();
  dialogs.SetEditAnzeigeName("Anna");
  ASSERT_NE(views.editView, nullptr);
  EXPECT_FALSE(views.editView->visible);
  EXPECT_EQ(views.editView->userName, "anna");
}

// --- fmDelete ------------------------------------------------------------------------------

TEST_F(AccountDialogsTest, RemoveListsEachNameOnceOnEveryActivation) {
  store.Write("Anna", "NT-USER", "a");
  store.Write("Bert", "NT-USER", "b");
  dialogs.ShowDelete();
  FakeDeleteView* v = views.deleteView;
  EXPECT_EQ(v->names, (std::vector<std::string>{"Anna", "Bert"}));
  EXPECT_FALSE(v->okEnabled);

  v->Deactivate();  // to the main window and back
  store.Write("Carl", "NT-USER", "c");
  v->Activate();
  EXPECT_EQ(v->names, (std::vector<std::string>{"Anna", "Bert", "Carl"}));
  dialogs.ShowDelete();  // shown again while active: no activation
  EXPECT_EQ(v->names.size(), 3u);
}

TEST_F(AccountDialogsTest, RemoveDeletesTheAccountWithAllItsValues) {
  SeedAccount("Anna", "anna", "x", "Wahr", "Falsch", "");
  Seed("Anna", "Angezeigt", "1");
  store.Write("Bert", "NT-USER", "b");
  dialogs.ShowDelete();
  FakeDeleteView* v = views.deleteView;
  v->anzeigeName = "Anna";
  dialogs.fmDelete().cmbAnzeigeName_Click();
  EXPECT_TRUE(v->okEnabled);
  dialogs.fmDelete().cmdOK_Click();

  EXPECT_FALSE(dialogs.fmDelete().Loaded());
  EXPECT_TRUE(timer2->Enabled());
  EXPECT_EQ(store.List(), std::vector<std::string>{"Bert"});
  EXPECT_FALSE(registry.HasKey(kHkeyCurrentUser, std::string(kBenutzer) + "\\Anna"));
}

TEST_F(AccountDialogsTest, RemoveWithAnUnknownNameChangesNothingAndCloses) {
  store.Write("Anna", "NT-USER", "a");
  const std::string before = Hive();
  dialogs.ShowDelete();
  views.deleteView->anzeigeName = "Niemand";
  dialogs.fmDelete().cmbAnzeigeName_Change();
  dialogs.fmDelete().cmdOK_Click();
  EXPECT_FALSE(dialogs.fmDelete().Loaded());
  EXPECT_TRUE(timer2->Enabled());
  EXPECT_EQ(Hive(), before);
}

TEST_F(AccountDialogsTest, RemoveRefusesNamesThatWouldReachBeyondOneAccount) {
  store.Write("Anna", "NT-USER", "a");
  Seed("Anna\\Unter", "NT-USER", "u");
  const std::string before = Hive();
  dialogs.ShowDelete();
  FakeDeleteView* v = views.deleteView;
  for (const char* name : {"", "Anna\\Unter", "\\"}) {
    v->anzeigeName = name;
    dialogs.fmDelete().cmbAnzeigeName_Change();
    EXPECT_FALSE(v->okEnabled) << name;
    dialogs.fmDelete().cmdOK_Click();
    EXPECT_TRUE(dialogs.fmDelete().Loaded()) << name;
  }
  EXPECT_EQ(Hive(), before);
}

}  // namespace
}  // namespace pw
