// The texts of the TLS engines' conditions, from the catalogue.
#include "common/ErrorCatalog.h"
#include "platform/Tls.h"

namespace pw {
namespace {

std::string_view TlsText(TlsCondition condition) {
  switch (condition) {
    case TlsCondition::NoCommonAlgorithm:
      return kDescTlsNoCommonAlgorithm;
    case TlsCondition::BadData:
      return kDescTlsBadData;
    case TlsCondition::CertificateRefused:
      return kDescTlsCertificateRefused;
    case TlsCondition::ClientCertificate:
      return kDescTlsClientCertificate;
    case TlsCondition::VersionUnsupported:
      return kDescTlsVersionUnsupported;
    case TlsCondition::CallFailed:
      return kDescTlsCallFailed;
    case TlsCondition::NotTls:
      return kDescTlsNotTls;
    case TlsCondition::NotEncrypted:
      return kDescTlsNotEncrypted;
    case TlsCondition::OldVersion:
      return kDescTlsOldVersion;
    case TlsCondition::NoFingerprint:
      return kDescTlsNoFingerprint;
    case TlsCondition::NoEnvironment:
      return kDescTlsNoEnvironment;
    case TlsCondition::NoSession:
      return kDescTlsNoSession;
    case TlsCondition::NoMemory:
      return kDescTlsNoMemory;
    case TlsCondition::Handshake:
      return kDescTlsHandshake;
    case TlsCondition::NoServerCertificate:
      return kDescTlsNoServerCertificate;
    case TlsCondition::Send:
      return kDescTlsSend;
    case TlsCondition::Receive:
      return kDescTlsReceive;
  }
  return kDescTlsCallFailed;
}

std::string_view ChainText(ChainCondition condition) {
  switch (condition) {
    case ChainCondition::NoCertificate:
      return kDescChainNoCertificate;
    case ChainCondition::UntrustedRoot:
      return kDescChainUntrustedRoot;
    case ChainCondition::Incomplete:
      return kDescChainIncomplete;
    case ChainCondition::Expired:
      return kDescChainExpired;
    case ChainCondition::WrongUsage:
      return kDescChainWrongUsage;
    case ChainCondition::BadSignature:
      return kDescChainBadSignature;
    case ChainCondition::NotACa:
      return kDescChainNotACa;
    case ChainCondition::NotTrusted:
      return kDescChainNotTrusted;
    case ChainCondition::NotBuilt:
      return kDescChainNotBuilt;
    case ChainCondition::NotChecked:
      return kDescChainNotChecked;
  }
  return kDescChainNotTrusted;
}

// The text with detail in its "{}", or after it in parentheses where it has none.
std::string WithDetail(std::string_view text, std::string_view detail) {
  if (text.find("{}") != std::string_view::npos) return FillIn(text, {detail});
  std::string result(text);
  if (!detail.empty()) result.append(" (").append(detail).append(")");
  return result;
}

}  // namespace

AppError TlsFailure(TlsCondition condition, std::string_view detail) {
  return TlsError(kTlsFailed, ErrorDescription(kTlsFailed, WithDetail(TlsText(condition), detail)));
}

std::string ChainProblemText(ChainCondition condition, std::string_view detail) {
  return WithDetail(ChainText(condition), detail);
}

}  // namespace pw
