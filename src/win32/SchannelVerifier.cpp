#include "win32/SchannelVerifier.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "win32/Strconv.h"

namespace pw::win32 {
namespace {

// wininet.h's SECURITY_FLAG_IGNORE_CERT_CN_INVALID, the one flag needed from there: the host
// name is matched by imap/CertificateNames, not by the chain policy.
constexpr DWORD kIgnoreCertNameInvalid = 0x00001000;

struct ChainFree {
  void operator()(const CERT_CHAIN_CONTEXT* p) const { CertFreeCertificateChain(p); }
};
using UniqueChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

class ChainEngine {
 public:
  // An engine of our own for each check rather than the process's default one: Wine (8) keeps
  // the stores that the default engine opened first, so a root added later would not count.
  // The size ends before Windows 7's exclusive-root fields, which Wine refuses; every Windows
  // takes the shorter form.
  ChainEngine() {
    CERT_CHAIN_ENGINE_CONFIG config{};
    config.cbSize = static_cast<DWORD>(offsetof(CERT_CHAIN_ENGINE_CONFIG, CycleDetectionModulus) +
                                       sizeof config.CycleDetectionModulus);
    if (!CertCreateCertificateChainEngine(&config, &engine_)) engine_ = nullptr;
  }
  ~ChainEngine() {
    if (engine_ != nullptr) CertFreeCertificateChainEngine(engine_);
  }
  ChainEngine(const ChainEngine&) = delete;
  ChainEngine& operator=(const ChainEngine&) = delete;
  // nullptr (the default engine) when no own one could be made.
  HCERTCHAINENGINE Get() const { return engine_; }

 private:
  HCERTCHAINENGINE engine_ = nullptr;
};

struct LocalMemoryFree {
  void operator()(void* p) const { LocalFree(p); }
};
template <typename T>
using LocalMemory = std::unique_ptr<T, LocalMemoryFree>;

// A decoded structure from CryptDecodeObjectEx, or nullptr when the encoding is unusable.
template <typename T>
LocalMemory<T> Decode(const char* type, const CRYPT_DATA_BLOB& blob) {
  void* decoded = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, type, blob.pbData, blob.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &size)) {
    return nullptr;
  }
  return LocalMemory<T>(static_cast<T*>(decoded));
}

ChainCondition ChainConditionOf(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
      return ChainCondition::UntrustedRoot;
    case static_cast<DWORD>(CERT_E_CHAINING):
      return ChainCondition::Incomplete;
    case static_cast<DWORD>(CERT_E_EXPIRED):
      return ChainCondition::Expired;
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
      return ChainCondition::WrongUsage;
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
      return ChainCondition::BadSignature;
    case static_cast<DWORD>(TRUST_E_BASIC_CONSTRAINTS):
      return ChainCondition::NotACa;
    default:
      return ChainCondition::NotTrusted;
  }
}

std::string ChainReason(DWORD error) {
  return ChainProblemText(ChainConditionOf(error), HexCode(error));
}

// The policy's error for a chain status that the policy let through. Wine 8's SSL and base
// policies pass a partial chain (issuer unknown, CERT_TRUST_IS_PARTIAL_CHAIN) as trusted, where
// Windows answers CERT_E_CHAINING; revocation bits stay out, as nothing checks revocation.
DWORD ErrorPolicyMissed(DWORD trustErrors) {
  if (trustErrors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) {
    return static_cast<DWORD>(TRUST_E_CERT_SIGNATURE);
  }
  if (trustErrors & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  if (trustErrors & (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC)) {
    return static_cast<DWORD>(CERT_E_CHAINING);
  }
  if (trustErrors & CERT_TRUST_IS_NOT_TIME_VALID) return static_cast<DWORD>(CERT_E_EXPIRED);
  if (trustErrors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) {
    return static_cast<DWORD>(CERT_E_WRONG_USAGE);
  }
  if (trustErrors & CERT_TRUST_INVALID_BASIC_CONSTRAINTS) {
    return static_cast<DWORD>(TRUST_E_BASIC_CONSTRAINTS);
  }
  return 0;
}

}  // namespace

std::string HexCode(unsigned long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", code);
  return text;
}

SchannelVerifier::SchannelVerifier(UniqueCert leaf) : leaf_(std::move(leaf)) {}

std::string SchannelVerifier::ChainProblem() const {
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  char* usages[] = {serverAuth};
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  const CERT_CHAIN_CONTEXT* chain = nullptr;
  ChainEngine engine;
  // The server's own intermediates come in the certificate's store; no revocation check (a
  // mail check every few minutes should not wait on CRL servers).
  if (!CertGetCertificateChain(engine.Get(), leaf_.get(), nullptr, leaf_->hCertStore, &para, 0,
                               nullptr, &chain)) {
    return ChainProblemText(ChainCondition::NotBuilt, HexCode(GetLastError()));
  }
  UniqueChain owned(chain);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = kIgnoreCertNameInvalid;
  ssl.pwszServerName = nullptr;
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
    return ChainProblemText(ChainCondition::NotChecked, HexCode(GetLastError()));
  }
  if (status.dwError != 0) return ChainReason(status.dwError);
  DWORD missed = ErrorPolicyMissed(chain->TrustStatus.dwErrorStatus);
  return missed == 0 ? std::string() : ChainReason(missed);
}

CertificateNames SchannelVerifier::Names() const {
  CertificateNames names;
  const CERT_INFO& info = *leaf_->pCertInfo;
  if (const CERT_EXTENSION* ext =
          CertFindExtension(szOID_SUBJECT_ALT_NAME2, info.cExtension, info.rgExtension)) {
    if (LocalMemory<CERT_ALT_NAME_INFO> san =
            Decode<CERT_ALT_NAME_INFO>(X509_ALTERNATE_NAME, ext->Value)) {
      for (DWORD i = 0; i < san->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& e = san->rgAltEntry[i];
        if (e.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME && e.pwszDNSName != nullptr) {
          names.dnsNames.push_back(Narrow(e.pwszDNSName));
        } else if (e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS) {
          names.addresses.emplace_back(reinterpret_cast<const char*>(e.IPAddress.pbData),
                                       e.IPAddress.cbData);
        }
      }
    }
  }
  LocalMemory<CERT_NAME_INFO> subject = Decode<CERT_NAME_INFO>(X509_UNICODE_NAME, info.Subject);
  if (!subject) return names;
  for (DWORD r = 0; r < subject->cRDN; ++r) {
    const CERT_RDN& rdn = subject->rgRDN[r];
    for (DWORD a = 0; a < rdn.cRDNAttr; ++a) {
      const CERT_RDN_ATTR& attr = rdn.rgRDNAttr[a];
      if (attr.pszObjId == nullptr || std::strcmp(attr.pszObjId, szOID_COMMON_NAME) != 0) continue;
      const auto* value = reinterpret_cast<const wchar_t*>(attr.Value.pbData);
      names.commonNames.push_back(value != nullptr ? Narrow(value) : std::string());
    }
  }
  return names;
}

}  // namespace pw::win32
