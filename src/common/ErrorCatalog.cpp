// The table of error numbers and their German texts.
#include "common/ErrorCatalog.h"

#include <iterator>
#include <string>

namespace pw {
namespace {

// Each entry names its constant once, so the table cannot pair a number with a wrong name.
#define PW_ERROR(name, text) \
  { name, #name, text }

constexpr ErrorEntry kEntries[] = {
    PW_ERROR(kErrInvalidCall, "Ungültiger Prozeduraufruf oder ungültiges Argument"),
    PW_ERROR(kErrOverflow, "Überlauf"),
    PW_ERROR(kErrSubscriptOutOfRange, "Index außerhalb des gültigen Bereichs"),
    PW_ERROR(kErrTypeMismatch, "Typen unverträglich"),

    PW_ERROR(kRegInvalidKey, "Ungültiger Schlüssel"),
    PW_ERROR(kRegUnknownRoot, "Unbekannter Hauptschlüssel: {}"),
    PW_ERROR(kRegCannotOpen, "Kann Schlüssel nicht öffnen {}, Error # {}"),
    PW_ERROR(kRegNotCreated, "Schlüssel wird nicht angelegt"),
    // The property is read-only; the class raises it without a description.
    PW_ERROR(kRegKeyExistsReadOnly, ""),
    PW_ERROR(kRegCannotRead, "Kann Schlüssel nicht lesen {}"),
    PW_ERROR(kRegBadBinary, "Ungültige Binärzahl (größer als 255): {}"),
    PW_ERROR(kRegCannotCreate, "Fehler beim Erstellen/Zugriff auf Schlüssel {} Error #: {}"),

    PW_ERROR(kNetTimedOut, "Zeitüberschreitung: Der Server antwortet nicht."),
    PW_ERROR(kNetRefused, "Der Server hat die Verbindung abgelehnt."),
    PW_ERROR(kNetHostNotFound, "Der Server {} wurde nicht gefunden."),
    PW_ERROR(kNetUnreachable, "Das Netzwerk oder der Server ist nicht erreichbar."),
    PW_ERROR(kNetClosed, "Die Verbindung wurde vom Server getrennt."),
    PW_ERROR(kNetFailure, "Netzwerkfehler (Systemcode {})."),
    PW_ERROR(kNetAborted, "Die Verbindung wurde während des Wartens vom Programm geschlossen."),
    PW_ERROR(kNetNameUnavailable, "Der Name des Servers {} konnte nicht aufgelöst werden."),

    PW_ERROR(kImapErrorLoginRefused, "Der Server hat Benutzername oder Passwort abgelehnt: {}"),
    PW_ERROR(kImapErrorSilent, "Der Server hat die Sitzung abgelehnt: {}"),
    PW_ERROR(kImapServerBusy, "Der Server bittet, später wiederzukommen: {}"),
    PW_ERROR(kImapMalformedReply, "Der Server hat eine ungültige Antwort gesendet."),
    PW_ERROR(kImapCommandFailed, "Der Server hat den Befehl {} abgelehnt: {}"),
    PW_ERROR(kImapCommandRejected, "Der Server hat den Befehl {} zurückgewiesen: {}"),
    PW_ERROR(kImapUnsafeText,
             "Benutzername oder Passwort enthält einen Zeilenumbruch oder ein NUL-Zeichen."),
    PW_ERROR(kImapNotSignedIn, "Es ist kein Konto angemeldet."),
    PW_ERROR(kImapLoginDisabled,
             "Der Server lässt keine Anmeldung mit Passwort zu (LOGINDISABLED)."),
    PW_ERROR(kImapBadArgument, "Ungültiger Suchbegriff."),
    PW_ERROR(kImapErrorInternal, "Interner Fehler bei der Anmeldung"),

    PW_ERROR(kTlsFailed, "Der verschlüsselte Verbindungsaufbau (TLS) ist fehlgeschlagen: {}"),
    PW_ERROR(kTlsUntrusted,
             "Das Zertifikat des Servers ist nicht vertrauenswürdig: {} Fingerabdruck (SHA-256): "
             "{}"),
    PW_ERROR(kTlsWrongHost, "Das Zertifikat des Servers gilt nicht für den Namen {}."),
    PW_ERROR(kTlsPinMismatch,
             "Das Zertifikat des Servers ist nicht das eingetragene (Zertifikat-SHA256). "
             "Fingerabdruck des Servers (SHA-256): {}"),
    PW_ERROR(kTlsNotOffered,
             "Der Server bietet keine Verschlüsselung mit STARTTLS an. Es wurde nichts "
             "unverschlüsselt gesendet."),
    PW_ERROR(kTlsRefused, "Der Server hat STARTTLS abgelehnt: {}"),
    PW_ERROR(kTlsBadSetting,
             "Die Einstellung Sicherheit \"{}\" ist ungültig (erlaubt: Keine, STARTTLS, "
             "SSL/TLS)."),

    PW_ERROR(kSysFileNotFound, "Das System kann die angegebene Datei nicht finden."),
    PW_ERROR(kSysPathNotFound, "Das System kann den angegebenen Pfad nicht finden."),
    PW_ERROR(kSysAccessDenied, "Zugriff verweigert."),
    PW_ERROR(kSysBadExeFormat, "Die Anwendung ist keine zulässige Win32-Anwendung."),
    PW_ERROR(kSysElevationRequired, "Der angeforderte Vorgang erfordert erhöhte Rechte."),
    PW_ERROR(kOAuthSignInRequired, "Anmeldung erforderlich: {}"),
    PW_ERROR(kOAuthTokenRefused,
             "Der Server hat die Anmeldung für das Postfach {} abgelehnt. Hat der angemeldete "
             "Benutzer Vollzugriff darauf? {}"),
    PW_ERROR(kOAuthNoMechanism,
             "Der Server bietet keine Anmeldung mit OAuth2 an (weder OAUTHBEARER noch XOAUTH2)."),
    PW_ERROR(kOAuthProviderError, "Der Anmeldedienst hat abgelehnt: {}"),
    PW_ERROR(kOAuthBadSetting, "Ungültige Einstellung für die Anmeldung: {}"),
    PW_ERROR(kOAuthCancelled, "Die Anmeldung im Browser wurde abgebrochen oder nicht beendet."),
    PW_ERROR(kOAuthBadRedirect, "Die Anmeldung im Browser ist fehlgeschlagen: {}"),
    PW_ERROR(kOAuthProtectFailed,
             "Die Anmeldedaten konnten nicht geschützt gespeichert werden (Systemcode {})."),
    PW_ERROR(kOAuthPlainConnection,
             "Die Anmeldung mit OAuth2 braucht eine verschlüsselte Verbindung zum Server {}. "
             "Bitte Sicherheit auf STARTTLS oder SSL/TLS stellen; es wurde nichts gesendet."),
};

#undef PW_ERROR

}  // namespace

const ErrorEntry* ErrorEntries(std::size_t* count) {
  *count = std::size(kEntries);
  return kEntries;
}

std::string_view ErrorText(std::int32_t number) {
  for (const ErrorEntry& entry : kEntries) {
    if (entry.number == number) return entry.text;
  }
  return {};
}

std::string ErrorDescription(std::int32_t number, std::initializer_list<std::string_view> details) {
  const std::string_view text = ErrorText(number);
  if (text.empty() && IsSystemErrorNumber(number)) {
    return FillIn(kDescSystemError, {std::to_string(static_cast<std::uint32_t>(number) & 0xFFFFu)});
  }
  return FillIn(text, details);
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> details) {
  std::string description;
  auto detail = details.begin();
  std::size_t from = 0;
  for (std::size_t at = text.find("{}"); at != std::string_view::npos; at = text.find("{}", from)) {
    description.append(text.substr(from, at - from));
    if (detail != details.end()) description.append(*detail++);
    from = at + 2;
  }
  description.append(text.substr(from));
  for (; detail != details.end(); ++detail) description.append(*detail);
  return description;
}

}  // namespace pw
