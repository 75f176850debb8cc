// The names the program's settings are stored under in the user's registry: the application
// names, their sections and the values. Stored data and other installations rely on them, so
// they stay exactly as they are.
#pragma once

namespace pw {

// The application names of the settings store.
inline constexpr char kSettingsApp[] = "Mail Postwacht";
// One section per account, named after its display name.
inline constexpr char kAccountsApp[] = "Mail Postwacht\\Benutzer";

// Sections of kSettingsApp and their values.
inline constexpr char kSectionTimer[] = "Timer";
inline constexpr char kValueTimer1[] = "Timer1";
inline constexpr char kSectionPos[] = "Pos";
inline constexpr char kValueLeft[] = "Left";
inline constexpr char kValueTop[] = "Top";
inline constexpr char kSectionServer[] = "Server";
inline constexpr char kValueHost[] = "Host";
inline constexpr char kValuePort[] = "Port";
inline constexpr char kValueSecurity[] = "Sicherheit";
inline constexpr char kValueCertificate[] = "Zertifikat-SHA256";
inline constexpr char kValueTerminalServer[] = "TerminalServer";
// How many mailboxes a check run works on at once ("1": one after another).
inline constexpr char kValueConcurrent[] = "Gleichzeitig";
// "Nein": the desk sees neither senders nor subjects of new mail, and none are fetched.
inline constexpr char kValueShowSender[] = "Absender anzeigen";
// The two values of such switches ("Absender anzeigen" defaults to "Ja").
inline constexpr char kSwitchYes[] = "Ja";
inline constexpr char kSwitchNo[] = "Nein";
// Below HKEY_LOCAL_MACHINE: the machine-wide defaults of the "Server" section, written by a
// per-machine install and read where the user's own value is missing.
inline constexpr char kMachineDefaultsPath[] = "SOFTWARE\\Postwacht";
// Below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER: the policies an administrator sets, with the
// same key and value names below it as the user's settings ("Server", "Timer"); they win over
// everything else and the program never writes them.
inline constexpr char kPoliciesPath[] = "SOFTWARE\\Policies\\Postwacht";
// What the inbox looked like at the last run, one value per account.
inline constexpr char kSectionInbox[] = "Eingang";

// The values of an account's section.
inline constexpr char kValueUser[] = "NT-USER";
inline constexpr char kValuePassword[] = "PW";
// The password protected for the Windows user (DPAPI), Base64; written instead of "PW".
inline constexpr char kValueProtectedPassword[] = "PW-DPAPI";
inline constexpr char kValueOutlook[] = "Mail-Client-OL";
inline constexpr char kValueTerminal[] = "Mail-Client-TE";
inline constexpr char kValueTerminalName[] = "Mail-Client-TE-Name";
inline constexpr char kValueShown[] = "Angezeigt";

}  // namespace pw
