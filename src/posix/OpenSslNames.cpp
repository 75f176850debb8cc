#include "posix/OpenSslNames.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <cstddef>

namespace pw {
namespace {

std::string Bytes(const ASN1_STRING* s) {
  return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                     static_cast<std::size_t>(ASN1_STRING_length(s)));
}

}  // namespace

CertificateNames CertificateNamesOf(X509* cert) {
  CertificateNames names;
  auto* san =
      static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
  if (san) {
    for (int i = 0; i < sk_GENERAL_NAME_num(san); ++i) {
      const GENERAL_NAME* entry = sk_GENERAL_NAME_value(san, i);
      if (entry->type == GEN_DNS) names.dnsNames.push_back(Bytes(entry->d.dNSName));
      if (entry->type == GEN_IPADD) names.addresses.push_back(Bytes(entry->d.iPAddress));
    }
    GENERAL_NAMES_free(san);
  }
  X509_NAME* subject = X509_get_subject_name(cert);
  for (int i = -1; (i = X509_NAME_get_index_by_NID(subject, NID_commonName, i)) >= 0;) {
    unsigned char* utf8 = nullptr;
    const int length =
        ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, i)));
    // A name that does not convert still takes its place, so it stays the last one.
    names.commonNames.emplace_back(length > 0 ? reinterpret_cast<const char*>(utf8) : "",
                                   length > 0 ? static_cast<std::size_t>(length) : 0);
    OPENSSL_free(utf8);
  }
  ERR_clear_error();
  return names;
}

}  // namespace pw
