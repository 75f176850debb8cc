// Every error number the program raises, with its one name and its German text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace pw {

// The numbers of the Visual Basic run-time errors the program raises with their own texts.
inline constexpr std::int32_t kErrInvalidCall = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;

// clsRegistry's errors: vbObjectError + 512 + the class's own code, as the class raises them.
constexpr std::int32_t RegistryErrorNumber(std::int32_t code) {
  return static_cast<std::int32_t>(0x80040200u + static_cast<std::uint32_t>(code));
}
inline constexpr std::int32_t kRegInvalidKey = RegistryErrorNumber(2);
inline constexpr std::int32_t kRegUnknownRoot = RegistryErrorNumber(3);
inline constexpr std::int32_t kRegCannotOpen = RegistryErrorNumber(4);
inline constexpr std::int32_t kRegNotCreated = RegistryErrorNumber(5);
inline constexpr std::int32_t kRegKeyExistsReadOnly = RegistryErrorNumber(7);
inline constexpr std::int32_t kRegCannotRead = RegistryErrorNumber(8);
inline constexpr std::int32_t kRegBadBinary = RegistryErrorNumber(12);
inline constexpr std::int32_t kRegCannotCreate = RegistryErrorNumber(15);

// The connection. Timed-out and refused are the Windows Sockets codes that the sign-in tells
// apart; the others are the program's own.
inline constexpr std::int32_t kNetTimedOut = 10060;
inline constexpr std::int32_t kNetRefused = 10061;
inline constexpr std::int32_t kNetHostNotFound = 12100;
inline constexpr std::int32_t kNetUnreachable = 12101;
inline constexpr std::int32_t kNetClosed = 12102;
inline constexpr std::int32_t kNetFailure = 12103;
// The connection was closed by the program itself while a call waited on it (SignOut from the
// close box during a run).
inline constexpr std::int32_t kNetAborted = 12104;
// The server's name got no answer in time, or the name service cannot be asked just now: the
// server is out of reach, not wrongly named.
inline constexpr std::int32_t kNetNameUnavailable = 12105;

// The IMAP component's numbers that the sign-in tells apart.
inline constexpr std::int32_t kImapErrorLoginRefused = 11101;
inline constexpr std::int32_t kImapErrorSilent = 12011;
// The IMAP client's own.
inline constexpr std::int32_t kImapMalformedReply = 12110;
inline constexpr std::int32_t kImapCommandFailed = 12111;    // NO to a command after the login
inline constexpr std::int32_t kImapCommandRejected = 12112;  // BAD to any command
inline constexpr std::int32_t kImapUnsafeText = 12113;  // CR, LF or NUL in user name or password
inline constexpr std::int32_t kImapNotSignedIn = 12114;
inline constexpr std::int32_t kImapLoginDisabled = 12115;  // the server allows no plain login
inline constexpr std::int32_t kImapBadArgument = 12116;    // unusable port, mailbox name or key
// The server asks for patience (RFC 5530 UNAVAILABLE, LIMIT, INUSE, a BYE at the greeting, a
// throttled request): no new sign-in for a while, reported as the server out of reach.
inline constexpr std::int32_t kImapServerBusy = 12117;
// A failure inside the component that is none of its numbered errors.
inline constexpr std::int32_t kImapErrorInternal = 12190;

// The secured connection; outside the sign-in's table, so they reach the user as "Error#…".
inline constexpr std::int32_t kTlsFailed = 12120;       // handshake or record layer failed
inline constexpr std::int32_t kTlsUntrusted = 12121;    // no chain to a root the system trusts
inline constexpr std::int32_t kTlsWrongHost = 12122;    // certificate not issued for the host
inline constexpr std::int32_t kTlsPinMismatch = 12123;  // not the certificate the settings name
inline constexpr std::int32_t kTlsNotOffered = 12124;   // STARTTLS asked for but not offered
inline constexpr std::int32_t kTlsRefused = 12125;      // the server answered STARTTLS with NO/BAD
inline constexpr std::int32_t kTlsBadSetting = 12126;   // "Sicherheit" or "Zertifikat" unusable

// Windows system codes (GetLastError) that a failed program start passes on, in a range of their
// own: the code as an HRESULT (HRESULT_FROM_WIN32 of winerror.h). ERROR_ACCESS_DENIED is 5 as
// the run-time "invalid call" is, and the two must not be taken for each other.
constexpr std::int32_t SystemErrorNumber(std::uint32_t code) {
  return static_cast<std::int32_t>(0x80070000u | (code & 0xFFFFu));
}
constexpr bool IsSystemErrorNumber(std::int32_t number) {
  return (static_cast<std::uint32_t>(number) & 0xFFFF0000u) == 0x80070000u;
}
inline constexpr std::int32_t kSysFileNotFound = SystemErrorNumber(2);
inline constexpr std::int32_t kSysPathNotFound = SystemErrorNumber(3);
inline constexpr std::int32_t kSysAccessDenied = SystemErrorNumber(5);
inline constexpr std::int32_t kSysBadExeFormat = SystemErrorNumber(193);
inline constexpr std::int32_t kSysElevationRequired = SystemErrorNumber(740);
// The text of a system code the catalogue has no entry of its own for; "{}" is the code.
inline constexpr char kDescSystemError[] =
    "Das Programm konnte nicht gestartet werden (Systemfehler {}).";
// Sign-in with OAuth2 (setting "Anmeldung" = "OAuth2").
inline constexpr std::int32_t kOAuthSignInRequired = 12300;   // no token, or the refresh refused
inline constexpr std::int32_t kOAuthTokenRefused = 12301;     // the mail server refused the token
inline constexpr std::int32_t kOAuthNoMechanism = 12302;      // neither OAUTHBEARER nor XOAUTH2
inline constexpr std::int32_t kOAuthProviderError = 12303;    // the token endpoint said no
inline constexpr std::int32_t kOAuthBadSetting = 12304;       // the OAuth2 settings are unusable
inline constexpr std::int32_t kOAuthCancelled = 12305;        // cancelled or not finished in time
inline constexpr std::int32_t kOAuthBadRedirect = 12306;      // the browser came back wrong
inline constexpr std::int32_t kOAuthProtectFailed = 12307;    // the token could not be protected
inline constexpr std::int32_t kOAuthPlainConnection = 12308;  // a token over an unencrypted line

// Descriptions for one particular case of a number, which the raising code gives instead of the
// number's own text; "{}" as there.
inline constexpr char kDescLoginDeferred[] =  // kImapServerBusy, NO [UNAVAILABLE] to LOGIN
    "Der Server hat die Anmeldung vorübergehend abgelehnt: {}";
inline constexpr char kDescPrivacyRequired[] =  // kImapLoginDisabled, NO [PRIVACYREQUIRED]
    "Der Server verlangt eine verschlüsselte Verbindung: {}";
inline constexpr char kDescLoginDisabledPlain[] =  // kImapLoginDisabled without TLS
    "Der Server lässt keine Anmeldung mit unverschlüsseltem Passwort zu (LOGINDISABLED). Die "
    "Einstellung Sicherheit muss STARTTLS oder SSL/TLS sein; das Passwort wurde nicht gesendet.";
inline constexpr char kDescNoTlsEngine[] =  // kTlsFailed
    "Dieses Programm kann keine verschlüsselte Verbindung aufbauen.";
inline constexpr char kDescStartTlsAfterPreauth[] =  // kTlsNotOffered
    "Der Server hat die Sitzung unverschlüsselt und ohne Anmeldung begonnen; STARTTLS ist so "
    "nicht möglich.";
inline constexpr char kDescBadPort[] = "Ungültige Portnummer {}.";  // kImapBadArgument
inline constexpr char kDescBadMailboxName[] = "Ungültiger Name eines Postfachs.";  // the same
inline constexpr char kDescMailboxNameChar[] =  // kImapBadArgument
    "Der Name des Postfachs enthält ein unzulässiges Zeichen.";
inline constexpr char kDescNotConnected[] =  // kNetClosed
    "Die Verbindung zum Server ist nicht offen.";
inline constexpr char kDescServerBye[] = "Der Server hat die Verbindung beendet: {}";  // the same
inline constexpr char kDescBadPin[] =  // kTlsBadSetting
    "Die Einstellung Zertifikat-SHA256 ist kein SHA-256-Fingerabdruck (64 Hexadezimalziffern).";
inline constexpr char kDescPinWithoutTls[] =  // kTlsBadSetting
    "Ein Zertifikat ist eingetragen, aber die Einstellung Sicherheit ist \"Keine\": Die "
    "Anmeldung würde unverschlüsselt erfolgen.";
inline constexpr char kDescBadConnectionName[] =  // kErrInvalidCall, from the client launch
    "Ungültiger Verbindungsname: \"{}\"";
// kTlsFailed: what the TLS engines report, one text per condition (platform/Tls.h). A text
// without "{}" is followed by the engine's detail in parentheses, when there is one.
inline constexpr char kDescTlsNoCommonAlgorithm[] =
    "Programm und Server beherrschen kein gemeinsames Verfahren (TLS-Version oder "
    "Verschlüsselung). ({})";
inline constexpr char kDescTlsBadData[] =
    "Der Server hat ungültige oder verfälschte TLS-Daten geschickt. ({})";
inline constexpr char kDescTlsCertificateRefused[] =
    "Das Zertifikat des Servers wurde zurückgewiesen. ({})";
inline constexpr char kDescTlsClientCertificate[] =
    "Der Server verlangt ein Client-Zertifikat. ({})";
inline constexpr char kDescTlsVersionUnsupported[] = "Die TLS-Version wird nicht unterstützt. ({})";
inline constexpr char kDescTlsCallFailed[] = "({})";
inline constexpr char kDescTlsNotTls[] = "Der Server antwortet nicht mit TLS.";
inline constexpr char kDescTlsNotEncrypted[] = "Die Verbindung ist nicht (mehr) verschlüsselt.";
inline constexpr char kDescTlsOldVersion[] =
    "Der Server beherrscht nur TLS-Versionen vor 1.2 (Protokoll {}).";
inline constexpr char kDescTlsNoFingerprint[] = "SHA-256 des Zertifikats nicht berechenbar ({}).";
inline constexpr char kDescTlsNoEnvironment[] = "keine TLS-Umgebung";
inline constexpr char kDescTlsNoSession[] = "keine TLS-Sitzung";
inline constexpr char kDescTlsNoMemory[] = "kein Speicher";
inline constexpr char kDescTlsHandshake[] = "Handshake";
inline constexpr char kDescTlsNoServerCertificate[] = "kein Zertifikat des Servers";
inline constexpr char kDescTlsSend[] = "Senden";
inline constexpr char kDescTlsReceive[] = "Empfangen";
// kTlsUntrusted: why the chain is not trusted, as the engines report it.
inline constexpr char kDescChainNoCertificate[] = "Der Server hat kein Zertifikat geschickt.";
inline constexpr char kDescChainUntrustedRoot[] =
    "Die ausstellende Zertifizierungsstelle ist nicht vertrauenswürdig ({}).";
inline constexpr char kDescChainIncomplete[] =
    "Die Zertifikatskette reicht nicht bis zu einer vertrauenswürdigen "
    "Stammzertifizierungsstelle ({}).";
inline constexpr char kDescChainExpired[] =
    "Das Zertifikat ist abgelaufen oder noch nicht gültig ({}).";
inline constexpr char kDescChainWrongUsage[] = "Das Zertifikat ist nicht für Server bestimmt ({}).";
inline constexpr char kDescChainBadSignature[] = "Die Signatur des Zertifikats ist ungültig ({}).";
inline constexpr char kDescChainNotACa[] =
    "Ein Zertifikat der Kette darf keine Zertifikate ausstellen ({}).";
inline constexpr char kDescChainNotTrusted[] =
    "Das Zertifikat wurde nicht als vertrauenswürdig bestätigt ({}).";
inline constexpr char kDescChainNotBuilt[] = "Die Zertifikatskette ließ sich nicht bilden ({}).";
inline constexpr char kDescChainNotChecked[] = "Die Zertifikatskette ließ sich nicht prüfen ({}).";
inline constexpr char kDescNoClientId[] =  // kOAuthBadSetting
    "Die Einstellung OAuth2-Client-ID fehlt.";
inline constexpr char kDescPlainHttp[] =  // kOAuthBadSetting
    "Die Adresse {} ist nicht erlaubt: nur https://, http:// nur zum eigenen Rechner.";
inline constexpr char kDescBadProvider[] =  // kOAuthBadSetting
    "Die Einstellung OAuth2-Anbieter \"{}\" ist ungültig (erlaubt: Microsoft 365, Eigener).";
inline constexpr char kDescNoEndpoint[] =  // kOAuthBadSetting
    "Für den Anbieter Eigener fehlen OAuth2-Autorisierung oder OAuth2-Token.";
inline constexpr char kDescBadAnmeldung[] =  // kOAuthBadSetting
    "Die Einstellung Anmeldung \"{}\" ist ungültig (erlaubt: Kennwort, OAuth2).";
inline constexpr char kDescProviderMalformed[] =  // kOAuthProviderError
    "Der Anmeldedienst hat eine unverständliche Antwort gesendet (HTTP {}).";
// Completes kImapErrorInternal's text when memory ran out.
inline constexpr char kDescOutOfMemory[] = ": nicht genug Arbeitsspeicher.";

struct ErrorEntry {
  std::int32_t number;
  std::string_view name;
  // The German text of the number. "{}" stands for the detail the raising code supplies; where
  // a text ends short of a full sentence, the raising code completes it (a quoted key, say).
  std::string_view text;
};

// The whole catalogue, one entry per number.
const ErrorEntry* ErrorEntries(std::size_t* count);

// The number's text; empty for a number outside the catalogue (a system code passed on).
std::string_view ErrorText(std::int32_t number);

// The text with the details in place of its "{}" in turn; details beyond them follow it.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> details);

// The number's text with the details in place of its "{}" in turn; details beyond them follow
// the text. A system code outside the catalogue gets kDescSystemError with its code.
std::string ErrorDescription(std::int32_t number,
                             std::initializer_list<std::string_view> details = {});
inline std::string ErrorDescription(std::int32_t number, std::string_view detail) {
  return ErrorDescription(number, {detail});
}

}  // namespace pw
