// The TLS engine of the Linux build: OpenSSL over memory BIOs, so the transport keeps the I/O
// and its time limits.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>

#include "imap/CertificateNames.h"
#include "platform/Tls.h"
#include "posix/OpenSslNames.h"

namespace pw {
namespace {

// Raises condition with the library's reason from its error queue.
[[noreturn]] void Fail(TlsCondition condition) {
  std::string reason;
  unsigned long code = ERR_get_error();
  if (code != 0) {
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    reason = text;
  }
  ERR_clear_error();
  throw TlsFailure(condition, reason);
}

// What the trusted roots are read from: the file and folder OpenSSL would load (named by
// SSL_CERT_FILE and SSL_CERT_DIR, as the integration tests do, or the system's defaults) and
// when each last changed, so that a root added or withdrawn while the program runs still counts.
std::string TrustSource() {
  std::string source;
  const char* file = std::getenv(X509_get_default_cert_file_env());
  const char* dir = std::getenv(X509_get_default_cert_dir_env());
  for (const char* path :
       {file ? file : X509_get_default_cert_file(), dir ? dir : X509_get_default_cert_dir()}) {
    struct stat st {};
    source += path;
    if (stat(path, &st) == 0) {
      source += '|' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' +
                std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
                std::to_string(st.st_mtim.tv_nsec);
    }
    source += '\n';
  }
  return source;
}

// A session from the one TLS context of the process: loading the trust store costs tens of
// milliseconds of CPU, more than the rest of a sign-in. The context is made afresh only when
// TrustSource changes; sessions made from an older one keep it alive (SSL_new holds a reference).
SSL* NewSession() {
  static std::mutex lock;
  static SSL_CTX* current = nullptr;  // kept until the process ends
  static std::string currentSource;
  std::lock_guard<std::mutex> guard(lock);
  std::string source = TrustSource();
  if (current && source == currentSource) return SSL_new(current);
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) Fail(TlsCondition::NoEnvironment);
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  // The chain is judged against the system's trust store; the result is read after the
  // handshake (SSL_get_verify_result), together with the host name and a pinned certificate.
  if (SSL_CTX_set_default_verify_paths(ctx) != 1) ERR_clear_error();
  SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
  SSL_CTX_free(current);
  current = ctx;
  currentSource = std::move(source);
  return SSL_new(current);
}

class OpenSslEngine : public TlsEngine {
 public:
  explicit OpenSslEngine(const std::string& serverName) {
    ERR_clear_error();
    ssl_ = NewSession();
    if (!ssl_) Fail(TlsCondition::NoSession);
    fromServer_ = BIO_new(BIO_s_mem());
    toServer_ = BIO_new(BIO_s_mem());
    if (!fromServer_ || !toServer_) Fail(TlsCondition::NoMemory);
    SSL_set_bio(ssl_, fromServer_, toServer_);
    SSL_set_connect_state(ssl_);
    if (!serverName.empty() && !imap::IpLiteralBytes(serverName)) {
      SSL_set_tlsext_host_name(ssl_, serverName.c_str());
    }
  }

  ~OpenSslEngine() override {
    if (ssl_) {
      SSL_free(ssl_);  // frees both BIOs
    } else {
      BIO_free(fromServer_);
      BIO_free(toServer_);
    }
  }

  OpenSslEngine(const OpenSslEngine&) = delete;
  OpenSslEngine& operator=(const OpenSslEngine&) = delete;

  bool Handshake(std::string& in, std::string& out) override {
    ERR_clear_error();
    Feed(in);
    int r = SSL_do_handshake(ssl_);
    Drain(out);
    if (r == 1) return true;
    int error = SSL_get_error(ssl_, r);
    if (error == SSL_ERROR_WANT_READ) return false;
    Fail(TlsCondition::Handshake);
  }

  Sha256 LeafSha256() const override {
    Sha256 digest{};
    X509* leaf = SSL_get0_peer_certificate(ssl_);
    unsigned int length = 0;
    if (!leaf || X509_digest(leaf, EVP_sha256(), digest.data(), &length) != 1 ||
        length != digest.size()) {
      Fail(TlsCondition::NoServerCertificate);
    }
    return digest;
  }

  std::string ChainProblem() const override {
    long result = SSL_get_verify_result(ssl_);
    if (result == X509_V_OK) return {};
    return std::string(X509_verify_cert_error_string(result)) + " (" + std::to_string(result) +
           ").";
  }

  CertificateNames LeafNames() const override {
    X509* leaf = SSL_get0_peer_certificate(ssl_);
    return leaf ? CertificateNamesOf(leaf) : CertificateNames{};
  }

  void Encrypt(std::string_view plain, std::string& out) override {
    ERR_clear_error();
    while (!plain.empty()) {
      int n = static_cast<int>(std::min<std::size_t>(plain.size(), INT_MAX));
      int written = SSL_write(ssl_, plain.data(), n);
      if (written <= 0) Fail(TlsCondition::Send);
      plain.remove_prefix(static_cast<std::size_t>(written));
    }
    Drain(out);
  }

  bool Decrypt(std::string& in, std::string& plain, std::string& out) override {
    ERR_clear_error();
    Feed(in);
    bool open = true;
    char buffer[16384];
    for (;;) {
      int r = SSL_read(ssl_, buffer, sizeof buffer);
      if (r > 0) {
        plain.append(buffer, static_cast<std::size_t>(r));
        continue;
      }
      int error = SSL_get_error(ssl_, r);
      if (error == SSL_ERROR_WANT_READ) break;
      if (error == SSL_ERROR_ZERO_RETURN) {
        open = false;
        break;
      }
      Fail(TlsCondition::Receive);
    }
    Drain(out);
    return open;
  }

 private:
  void Feed(std::string& in) {
    if (in.empty()) return;
    if (BIO_write(fromServer_, in.data(), static_cast<int>(in.size())) !=
        static_cast<int>(in.size())) {
      Fail(TlsCondition::NoMemory);
    }
    in.clear();
  }

  void Drain(std::string& out) {
    char buffer[16384];
    int n;
    while ((n = BIO_read(toServer_, buffer, sizeof buffer)) > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
    }
  }

  SSL* ssl_ = nullptr;
  BIO* fromServer_ = nullptr;
  BIO* toServer_ = nullptr;
};

}  // namespace

std::unique_ptr<TlsEngine> MakeTlsEngine(const std::string& serverName) {
  return std::make_unique<OpenSslEngine>(serverName);
}

}  // namespace pw
