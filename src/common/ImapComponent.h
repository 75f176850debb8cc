// The IMAP client component Imap1 as the main window uses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ErrorCatalog.h"
#include "common/MailNews.h"

namespace pw {

class ImapMailbox {
 public:
  virtual ~ImapMailbox() = default;
  // Fills output with the numbers of the matching messages separated by commas; empty when none.
  virtual void Search(const std::string& key, std::string& output, int flags) = 0;
  virtual std::int32_t MessageCount() = 0;

  // Names the searches the caller is about to make of this mailbox (Search keys, and the
  // criteria of one UidSearch or ""), so that the component may send them in one burst with
  // the mailbox's selection. Sends nothing by itself; each result is still asked for.
  virtual void Announce(const std::vector<std::string>& keys, const std::string& uidCriteria) = 0;
  // Like Search, with UID SEARCH: output lists UIDs.
  virtual void UidSearch(const std::string& criteria, std::string& output) = 0;
  // UIDVALIDITY and UIDNEXT as the mailbox's selection reported them; 0 when the server
  // named none.
  virtual std::uint32_t UidValidity() = 0;
  virtual std::uint32_t UidNext() = 0;

  // Names, with the searches, the messages whose envelopes the caller will ask for by UID: count
  // of them from uidFrom on (none for 0), so that they come in the same burst.
  virtual void AnnounceEnvelopes(std::uint32_t /*uidFrom*/, std::uint32_t /*count*/) {}
  // The envelopes of the messages in set (UIDs, or sequence numbers when !byUid) that the server
  // named with a well-formed envelope; nothing is marked \Seen. The server's refusal is none.
  virtual std::vector<MailEnvelope> Envelopes(const std::string& /*set*/, bool /*byUid*/) {
    return {};
  }
};

// Every operation returns when it is done; failures raise AppError with a number and a
// German description. While an operation waits on the network, the program's events may be
// handled; SignOut from such an event ends the waiting operation with kNetAborted. The numbers
// are those of common/ErrorCatalog.h.
class ImapComponent {
 public:
  virtual ~ImapComponent() = default;
  virtual void SetTimeout(std::int32_t milliseconds) = 0;
  // The server's port (143 unless configured otherwise).
  virtual void SetPort(int port) = 0;
  // How the connection is secured: the texts of the settings "Sicherheit" ("Keine",
  // "STARTTLS", "SSL/TLS") and "Zertifikat-SHA256" (empty, or the fingerprint of the one
  // certificate to accept).
  virtual void SetSecurity(const std::string& sicherheit, const std::string& zertifikat) = 0;
  virtual void SignIn(const std::string& host, const std::string& user,
                      const std::string& password) = 0;
  // Signs in with an OAuth2 access token instead of a password. A refusal of the token for
  // this user name raises kOAuthTokenRefused; a server without OAuth2 kOAuthNoMechanism.
  virtual void SignInWithToken(const std::string& host, const std::string& user,
                               const std::string& accessToken) = 0;
  virtual void PostSignIn() = 0;
  // The mailbox object of the signed-in account; valid until the next Mailbox or SignOut.
  virtual ImapMailbox& Mailbox(const std::string& name) = 0;
  // Signs out and closes the connection; harmless when nobody is signed in.
  virtual void SignOut() = 0;
  // The server's name is looked up once and its addresses kept for the sign-ins that follow;
  // this lets them go, so the next sign-in looks the name up again (once per check run).
  virtual void ForgetServerAddresses() {}
};

}  // namespace pw
