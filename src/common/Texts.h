// The texts of the user interface, by window: captions, labels, buttons, menus, tray tips,
// status bar and message boxes. UTF-8; the Win32 edge converts them.
#pragma once

namespace pw {

// --- Shared by several windows ------------------------------------------------------------
inline constexpr char kAppTitle[] = "Postwacht";
inline constexpr char kButtonOk[] = "OK";
inline constexpr char kButtonCancel[] = "Abbrechen";
inline constexpr char kButtonOkAccel[] = "&OK";
inline constexpr char kButtonCancelAccel[] = "&Abbrechen";

// --- fmStart, the main window ------------------------------------------------------------
inline constexpr char kMainCaption[] = "e-mail @ Velkor?";
// The menu bar: mDatei, mMailboxes, mHilfe. The shortcut after the tab is display text only.
inline constexpr char kMenuDaten[] = "&Daten";
inline constexpr char kMenuRefresh[] = "&neu einlesen\tF5";
inline constexpr char kMenuAnwesenheit[] = "&Anwesenheit\tStrg+A";
inline constexpr char kMenuBeenden[] = "&Beenden";
// Signs in to the OAuth2 provider again, or as someone else.
inline constexpr char kMenuAnmelden[] = "An&melden ...";
inline constexpr char kMenuMailboxes[] = "&Mailboxes";
inline constexpr char kMenuEdit[] = "&Bearbeiten\tStrg+B";
inline constexpr char kMenuNew[] = "&Hinzufügen\tStrg+N";
inline constexpr char kMenuDelete[] = "&Entfernen\tEntf";
inline constexpr char kMenuHilfe[] = "&Hilfe";
inline constexpr char kMenuAbout[] = "&Hilfer über ...\tF1";
// mPopupSys, the tray icon's menu.
inline constexpr char kTrayMenuRestore[] = "Anzeigen";
inline constexpr char kTrayMenuAnwesenheit[] = "Anwesenheit";
inline constexpr char kTrayMenuExit[] = "Beenden";
inline constexpr char kTrayMenuRefresh[] = "neu einlesen!";
// The status bar; the run's text is followed by a blank and the account's name.
inline constexpr char kStatusInitial[] = "Status";
inline constexpr char kStatusRunStarted[] = "Suchlauf gestartet ...";
inline constexpr char kStatusRunEnded[] = "Suchlauf beendet ...";
// The tree Anzeige.
inline constexpr char kTreeUnread[] = "Nachrichten ungelesen";
inline constexpr char kTreeTotal[] = "Nachrichten gesamt";
inline constexpr char kTreeToolTip[] =
    "Doppelkick auf die ungelesenen Nachrichten öffnet das Mailprogramm";
// The sign-in's message boxes: "<before><account><after>", and "Error#<n>: <description>".
inline constexpr char kWrongPasswordBefore[] = "Passwort oder Benutzernahme von ";
inline constexpr char kWrongPasswordAfter[] = " falsch!";
inline constexpr char kWrongPasswordTitle[] = "Falscher Eintrag! Bitte um Änderung!!";
// Why a protected password counts as wrong: DPAPI opens it only for the user who stored it.
inline constexpr char kUnreadablePassword[] =
    "Das gespeicherte Passwort lässt sich unter diesem Windows-Benutzer auf diesem Rechner nicht "
    "entschlüsseln.";
inline constexpr char kErrorNumberPrefix[] = "Error#";
inline constexpr char kUnexpectedErrorTitle[] = "Mailpostwacht unerwarteter Fehler!";
// The prompt when the window is closed outside the tray's Beenden.
inline constexpr char kQuitPasswordPrompt[] = "Geben Sie das Beendigungspasswort ein!";
inline constexpr char kQuitPasswordTitle[] = "Beenden!";

// --- The tray icon's tips ------------------------------------------------------------------
inline constexpr char kIdleTip[] = "Postwacht bei Ankunft neuer Mails!";
inline constexpr char kUnreachableTip[] = "Kann Server nicht erreichen!";
inline constexpr char kSignInRequiredTip[] = "Anmeldung erforderlich";
inline constexpr char kSecureFailedTip[] = "Sichere Verbindung zum Server fehlgeschlagen!";
inline constexpr char kHostNotFoundTip[] = "Server nicht gefunden!";
inline constexpr char kMalformedReplyTip[] = "Fehlerhafte Antwort vom Server!";
// "<before><account><after>"
inline constexpr char kNewMailTipBefore[] = "Neue Nachricht für ";
inline constexpr char kNewMailTipAfter[] = "!";

// --- The OAuth2 sign-in window and the page the browser shows afterwards --------------------
inline constexpr char kSignInCaption[] = "Anmeldung";
// "<before><provider><after>"
inline constexpr char kSignInWaitingBefore[] = "Anmeldung bei ";
inline constexpr char kSignInWaitingAfter[] = " im Browser ...";
inline constexpr char kSignInNoToken[] = "Es ist noch niemand angemeldet.";
inline constexpr char kSignInAccountBefore[] = "Angemeldet als ";
inline constexpr char kSignInPasswordMode[] =
    "Die Anmeldung ist auf Kennwort eingestellt (Einstellung Anmeldung im Schlüssel Server).";
inline constexpr char kSignInPageTitle[] = "Postwacht";
inline constexpr char kSignInPageDone[] =
    "Die Anmeldung ist abgeschlossen. Sie können dieses Fenster jetzt schließen.";
inline constexpr char kSignInPageFailed[] =
    "Die Anmeldung ist fehlgeschlagen. Sie können dieses Fenster schließen; Postwacht meldet "
    "den Grund.";
// A mailbox the signed-in person cannot open: "<before><account><after>", once per mailbox.
inline constexpr char kMailboxRefusedTitle[] = "Postfach nicht zugänglich";

// --- fmNewMail, the new-message dialog ----------------------------------------------------
inline constexpr char kNewMailCaption[] = "Neue Nachricht!";
inline constexpr char kNewMailLabel[] = "Neue Nachricht für";
inline constexpr char kOpenCaption[] = "Ö&ffnen";
inline constexpr char kOpenToolTip[] = "Mailprogramm Öffnen";
// One line per announced message below the name, and what stands for the rest.
inline constexpr char kNewMailLineSeparator[] = " – ";
inline constexpr char kNewMailMore[] = "… und {} weitere";
inline constexpr char kNewMailNoSubject[] = "(kein Betreff)";

// --- fmNew, fmEdit, fmDelete, the account dialogs -----------------------------------------
inline constexpr char kFmNewCaption[] = "Hinzufügen einer Mailbox";
inline constexpr char kFmEditCaption[] = "Mailboxen Bearbeiten";
inline constexpr char kFmDeleteCaption[] = "Löschen einer Mailbox";
inline constexpr char kLabelAnzeigeName[] = "&Anzeigename:";
inline constexpr char kLabelUserName[] = "&Benutzername:";
inline constexpr char kLabelPassword[] = "&Kennwort:";
inline constexpr char kFrameMailClient[] = " Mail Client";
inline constexpr char kOptionOutlook[] = "Outlook";
inline constexpr char kOptionTerminal[] = "Terminalemulation";
// Under the fields, saying why OK stays greyed.
inline constexpr char kHintNameUnusable[] =
    "Dieser Anzeigename lässt sich nicht speichern: kein \"\\\", höchstens 255 Zeichen, nur "
    "Zeichen der Codepage des Systems.";
inline constexpr char kHintPasswordUnusable[] =
    "Das Kennwort enthält ein Zeichen außerhalb von Windows-1252 und lässt sich so nicht "
    "speichern.";

// --- fmAnwesend, the attendance list ------------------------------------------------------
inline constexpr char kAttendanceCaption[] = "Anwesenheitsliste";
inline constexpr char kAttendanceColumn[] = "Anwesend";

// --- frmAbout, the About box --------------------------------------------------------------
// The caption is kAboutCaptionPrefix and the program's title.
inline constexpr char kAboutCaptionPrefix[] = "Info zu ";
inline constexpr char kAboutStoredCaption[] = "Info zu meiner Anwendung";
inline constexpr char kAboutProduktname[] = "Produktname";
inline constexpr char kAboutVersion[] = "Version ";
inline constexpr char kAboutCopyright[] = "Copyright";
inline constexpr char kAboutMaker[] = "Velkor EDV, Kontakt: IT-Betreuung";
inline constexpr char kAboutBeschreibung[] = "Beschreibung";
inline constexpr char kAboutDescription[] =
    "Benachrichtigung bei neuer Post in mehreren Mailboxen für IMAP 4";
inline constexpr char kAboutErstellt[] = "Erstellt am 30.10.'00 Letzte Korrektur 30.11.'00";
inline constexpr char kAboutSysInfo[] = "&Systeminfo...";
inline constexpr char kSysInfoUnavailable[] = "Systeminformationen sind momentan nicht verfügbar";
// Drawn into the pictures: the firm's logo and the program's name below the mailbox.
inline constexpr char kAboutLogo[] = "VELKOR EDV";
inline constexpr char kAboutLogoSubtitle[] = "Post für das ganze Büro";
inline constexpr char kAboutPictureName[] = "Postwacht";

}  // namespace pw
