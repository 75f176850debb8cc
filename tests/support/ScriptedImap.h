// An IMAP component that answers from a script of accounts, for the main window's tests.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "common/ImapComponent.h"

namespace pw::test {

class ScriptedImap : public ImapComponent, private ImapMailbox {
 public:
  struct Account {
    std::string password;
    std::string recent;  // search result texts
    std::string seen;
    std::int32_t total = 0;
    std::optional<std::int32_t> signInError;  // raised by SignIn
    std::string errorDescription = "Fehler";
    std::uint32_t uidValidity = 0;  // 0: the server names none
    std::uint32_t uidNext = 0;
    std::vector<std::uint32_t> unseenUids;  // what UID SEARCH ... UNSEEN finds
    std::vector<MailEnvelope> envelopes;    // by UID, what FETCH ENVELOPE finds
  };

  void SetTimeout(std::int32_t milliseconds) override {
    timeout = milliseconds;
    log.push_back("Timeout " + std::to_string(milliseconds));
  }
  void SetPort(int value) override { port = value; }
  void SetSecurity(const std::string& mode, const std::string& pin) override {
    security = mode;
    fingerprint = pin;
  }
  void SignIn(const std::string& host, const std::string& user,
              const std::string& password) override {
    log.push_back("SignIn " + host + " " + user + " " + password);
    Wait("SignIn " + user);
    if (signInThrows) signInThrows();
    auto it = accounts.find(user);
    if (it != accounts.end() && it->second.signInError) {
      throw AppError(*it->second.signInError, "SignIn", it->second.errorDescription);
    }
    if (it == accounts.end() || it->second.password != password) {
      throw AppError(kImapErrorLoginRefused, "SignIn", "Anmeldung abgelehnt");
    }
    signedIn = user;
    if (user == failUser) steps_ = 0;  // failAtStep counts from each sign-in
  }
  // A token opens the mailboxes of `tokenUsers` for it; any other is refused.
  void SignInWithToken(const std::string& host, const std::string& user,
                       const std::string& token) override {
    log.push_back("SignInWithToken " + host + " " + user + " " + token);
    auto it = accounts.find(user);
    if (it != accounts.end() && it->second.signInError) {
      throw AppError(*it->second.signInError, "SignIn", it->second.errorDescription);
    }
    auto users = tokenUsers.find(token);
    if (it == accounts.end() || users == tokenUsers.end() || !users->second.count(user)) {
      throw AppError(kOAuthTokenRefused, "SignIn", "Token abgelehnt");
    }
    signedIn = user;
  }
  void PostSignIn() override { Step("PostSignIn"); }
  ImapMailbox& Mailbox(const std::string& name) override {
    Step("Mailbox " + name);
    return *this;
  }
  void SignOut() override {
    if (waiting_) {
      log.push_back("SignOut during " + *waiting_);
      aborted_ = true;
      signedIn.reset();
      return;
    }
    log.push_back("SignOut");
    Wait("SignOut");
    signedIn.reset();
  }

  std::map<std::string, Account> accounts;                  // by user name
  std::map<std::string, std::set<std::string>> tokenUsers;  // by access token
  std::vector<std::string> log;
  std::optional<std::string> signedIn;
  std::int32_t timeout = 0;
  int port = 0;
  std::string security;
  std::string fingerprint;
  // Raise the component error failNumber at the n-th step of this user after each of its
  // sign-ins (counting from 1).
  std::string failUser;
  int failAtStep = 0;
  std::int32_t failNumber = 12120;
  // Called while a call waits on the network, as the real component serves the message loop
  // there; the argument names the call ("SignIn anna", "Search RECENT 0", "SignOut").
  std::function<void(const std::string& call)> onWait;
  // An exception of another kind than AppError, thrown by SignIn.
  std::function<void()> signInThrows;

 private:
  void Search(const std::string& key, std::string& output, int flags) override {
    Step("Search " + key + " " + std::to_string(flags));
    Wait("Search " + key + " " + std::to_string(flags));
    const Account& a = accounts.at(*signedIn);
    output = key == "RECENT" ? a.recent : a.seen;
  }
  std::int32_t MessageCount() override {
    Step("MessageCount");
    return accounts.at(*signedIn).total;
  }
  void Announce(const std::vector<std::string>& keys, const std::string& uidCriteria) override {
    std::string text = "Announce";
    for (const std::string& key : keys) text += " " + key;
    log.push_back(text + (uidCriteria.empty() ? "" : " / " + uidCriteria));
  }
  // "UID n:* UNSEEN": the unseen UIDs from n on, or, as servers do for "n:*" past the highest
  // UID, the highest one when it is unseen.
  void UidSearch(const std::string& criteria, std::string& output) override {
    Step("UidSearch " + criteria);
    const Account& a = accounts.at(*signedIn);
    std::uint32_t from = static_cast<std::uint32_t>(std::stoul(criteria.substr(4)));
    output.clear();
    for (std::uint32_t uid : a.unseenUids) {
      if (uid >= from || (uid + 1 == a.uidNext && uid < from)) {
        output += (output.empty() ? "" : ",") + std::to_string(uid);
      }
    }
  }
  void AnnounceEnvelopes(std::uint32_t uidFrom, std::uint32_t count) override {
    log.push_back("AnnounceEnvelopes " + std::to_string(uidFrom) + " " + std::to_string(count));
  }
  std::vector<MailEnvelope> Envelopes(const std::string& set, bool byUid) override {
    Step(std::string(byUid ? "UidEnvelopes " : "Envelopes ") + set);
    std::vector<MailEnvelope> found;
    for (const MailEnvelope& e : accounts.at(*signedIn).envelopes) {
      if (("," + set + ",").find("," + std::to_string(e.uid) + ",") != std::string::npos) {
        found.push_back(e);
      }
    }
    return found;
  }
  std::uint32_t UidValidity() override { return accounts.at(*signedIn).uidValidity; }
  std::uint32_t UidNext() override { return accounts.at(*signedIn).uidNext; }
  void Step(const std::string& what) {
    log.push_back(what);
    if (!signedIn) throw AppError(12110, "Imap", "Nicht angemeldet");
    if (*signedIn == failUser && ++steps_ == failAtStep) {
      throw AppError(failNumber, "Imap", "Verbindung vom Server getrennt");
    }
  }
  // A SignOut from onWait ends the waiting call as the real component does.
  void Wait(const std::string& call) {
    if (!onWait || waiting_) return;
    waiting_ = call;
    aborted_ = false;
    onWait(call);
    waiting_.reset();
    if (aborted_) throw AppError(kNetAborted, "Imap1", "Abgebrochen");
  }
  int steps_ = 0;
  std::optional<std::string> waiting_;
  bool aborted_ = false;
};

}  // namespace pw::test
