#include "support/ozkTestTLS.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace ozktest {

namespace {

[[noreturn]] void Fail(const std::string& AWhat) {
  unsigned long e = ERR_get_error();
  char buf[256] = "";
  if (e) ERR_error_string_n(e, buf, sizeof(buf));
  ERR_clear_error();
  throw std::runtime_error("test TLS: " + AWhat + (e ? std::string(": ") + buf : std::string()));
}

struct TBioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
using TBioPtr = std::unique_ptr<BIO, TBioFree>;

std::string BioText(BIO* ABio) {
  char* data = nullptr;
  long len = BIO_get_mem_data(ABio, &data);
  return std::string(data, static_cast<size_t>(len));
}

std::shared_ptr<evp_pkey_st> NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  if (!key) Fail("EC key generation");
  return std::shared_ptr<evp_pkey_st>(key, TTestCertificate::TFree());
}

struct TCertSpec {
  std::string CommonName;
  long NotBeforeSecs = -3600; // relative to now
  long NotAfterSecs = 30L * 24 * 3600;
  bool IsCA = false;
  std::string SubjectAltName; // "DNS:localhost,IP:127.0.0.1"
  std::string ExtKeyUsage;    // "serverAuth"
};

void AddExt(X509* ACert, X509V3_CTX* ACtx, int ANid, const std::string& AValue) {
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, ACtx, ANid, AValue.c_str());
  if (!ext) Fail("extension " + AValue);
  X509_add_ext(ACert, ext, -1);
  X509_EXTENSION_free(ext);
}

// Issued by AIssuer, or self-signed when AIssuer is null.
void MakeCert(const TCertSpec& ASpec, const TTestCertificate* AIssuer,
              std::shared_ptr<x509_st>& VCert, std::shared_ptr<evp_pkey_st>& VKey) {
  static std::atomic<long> serial{4096};
  VKey = NewKey();
  X509* x = X509_new();
  if (!x) Fail("X509_new");
  VCert = std::shared_ptr<x509_st>(x, TTestCertificate::TFree());
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
  X509_gmtime_adj(X509_getm_notBefore(x), ASpec.NotBeforeSecs);
  X509_gmtime_adj(X509_getm_notAfter(x), ASpec.NotAfterSecs);
  X509_set_pubkey(x, VKey.get());
  X509_NAME* name = X509_get_subject_name(x);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(ASpec.CommonName.c_str()), -1,
                             -1, 0);
  X509* issuerCert = AIssuer ? AIssuer->X509() : x;
  EVP_PKEY* issuerKey = AIssuer ? AIssuer->Key() : VKey.get();
  X509_set_issuer_name(x, X509_get_subject_name(issuerCert));

  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, issuerCert, x, nullptr, nullptr, 0);
  AddExt(x, &ctx, NID_basic_constraints, ASpec.IsCA ? "critical,CA:TRUE" : "critical,CA:FALSE");
  AddExt(x, &ctx, NID_key_usage,
         ASpec.IsCA ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  AddExt(x, &ctx, NID_subject_key_identifier, "hash");
  AddExt(x, &ctx, NID_authority_key_identifier, "keyid:always");
  if (!ASpec.SubjectAltName.empty()) AddExt(x, &ctx, NID_subject_alt_name, ASpec.SubjectAltName);
  if (!ASpec.ExtKeyUsage.empty()) AddExt(x, &ctx, NID_ext_key_usage, ASpec.ExtKeyUsage);
  if (X509_sign(x, issuerKey, EVP_sha256()) <= 0) Fail("X509_sign");
}

int ServerALPNSelect(SSL*, const unsigned char** out, unsigned char* outlen,
                     const unsigned char* in, unsigned int inlen, void* arg) {
  auto* wire = static_cast<std::vector<uint8_t>*>(arg);
  unsigned char* selected = nullptr;
  if (SSL_select_next_proto(&selected, outlen, wire->data(), static_cast<unsigned>(wire->size()),
                            in, inlen) != OPENSSL_NPN_NEGOTIATED)
    return SSL_TLSEXT_ERR_ALERT_FATAL; // no overlap: refuse, as RFC 7301 asks
  *out = selected;
  return SSL_TLSEXT_ERR_OK;
}

const std::vector<uint8_t>& PatternBlock() {
  // 16 KiB plus one pattern period, so any start index has a full record behind it.
  static const std::vector<uint8_t> block = [] {
    std::vector<uint8_t> b(16384 + 251);
    for (size_t i = 0; i < b.size(); ++i) b[i] = TestPatternByte(i);
    return b;
  }();
  return block;
}

} // namespace

// --- TTestCertificate --------------------------------------------------------------------------

void TTestCertificate::TFree::operator()(x509_st* x) const {
  X509_free(x);
}
void TTestCertificate::TFree::operator()(evp_pkey_st* k) const {
  EVP_PKEY_free(k);
}

TTestCertificate::TTestCertificate() = default;
TTestCertificate::~TTestCertificate() = default;
TTestCertificate::TTestCertificate(const TTestCertificate&) = default;
TTestCertificate& TTestCertificate::operator=(const TTestCertificate&) = default;

std::string TTestCertificate::CertPEM() const {
  TBioPtr bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_X509(bio.get(), X509());
  return BioText(bio.get());
}

std::string TTestCertificate::ChainPEM() const {
  std::string pem = CertPEM();
  for (const auto& c : FChain) pem += c.CertPEM();
  return pem;
}

std::string TTestCertificate::KeyPEM(const std::string& APassword) const {
  TBioPtr bio(BIO_new(BIO_s_mem()));
  if (APassword.empty()) {
    PEM_write_bio_PrivateKey(bio.get(), Key(), nullptr, nullptr, 0, nullptr, nullptr);
  } else {
    PEM_write_bio_PKCS8PrivateKey(bio.get(), Key(), EVP_aes_256_cbc(), APassword.data(),
                                  static_cast<int>(APassword.size()), nullptr, nullptr);
  }
  return BioText(bio.get());
}

std::vector<uint8_t> TTestCertificate::PKCS12(const std::string& APassword,
                                              bool ALegacyEncryption) const {
  STACK_OF(X509)* ca = sk_X509_new_null();
  for (const auto& c : FChain) sk_X509_push(ca, c.X509());
  OSSL_LIB_CTX* libctx = nullptr;
  OSSL_PROVIDER* legacy = nullptr;
  OSSL_PROVIDER* deflt = nullptr;
  ::PKCS12* p12 = nullptr;
  char* pass = const_cast<char*>(APassword.c_str());
  if (ALegacyEncryption) {
    libctx = OSSL_LIB_CTX_new();
    legacy = OSSL_PROVIDER_load(libctx, "legacy");
    deflt = OSSL_PROVIDER_load(libctx, "default");
    if (!legacy || !deflt) Fail("loading the legacy provider");
    p12 = PKCS12_create_ex(pass, "ozk test", Key(), X509(), ca,
                           NID_pbe_WithSHA1And3_Key_TripleDES_CBC, NID_pbe_WithSHA1And40BitRC2_CBC,
                           2048, 1, 0, libctx, nullptr);
  } else {
    p12 = PKCS12_create(pass, "ozk test", Key(), X509(), ca, 0, 0, 0, 0, 0);
  }
  sk_X509_free(ca); // the certificates stay owned by their TTestCertificate
  if (!p12) Fail("PKCS12_create");
  std::vector<uint8_t> der;
  int len = i2d_PKCS12(p12, nullptr);
  if (len > 0) {
    der.resize(static_cast<size_t>(len));
    unsigned char* p = der.data();
    i2d_PKCS12(p12, &p);
  }
  PKCS12_free(p12);
  if (legacy) OSSL_PROVIDER_unload(legacy);
  if (deflt) OSSL_PROVIDER_unload(deflt);
  OSSL_LIB_CTX_free(libctx);
  return der;
}

std::string TTestCertificate::Subject() const {
  char buf[512];
  X509_NAME_oneline(X509_get_subject_name(X509()), buf, sizeof(buf));
  return buf;
}

// --- TTestPKI ----------------------------------------------------------------------------------

const TTestPKI& TTestPKI::Get() {
  static const TTestPKI pki;
  return pki;
}

TTestPKI::TTestPKI() {
  auto make = [](TTestCertificate& VCert, const TCertSpec& ASpec, const TTestCertificate* AIssuer) {
    MakeCert(ASpec, AIssuer, VCert.FCert, VCert.FKey);
    if (AIssuer && AIssuer->FCert.get() != nullptr &&
        X509_check_issued(AIssuer->X509(), AIssuer->X509()) != X509_V_OK) {
      VCert.FChain.push_back(*AIssuer);
      VCert.FChain.insert(VCert.FChain.end(), AIssuer->FChain.begin(), AIssuer->FChain.end());
    }
  };
  const std::string localSAN = "DNS:localhost,IP:127.0.0.1,IP:::1";
  make(CA, {"ozk Test Root CA", -3600, 365L * 24 * 3600, true, "", ""}, nullptr);
  make(Intermediate, {"ozk Test Intermediate CA", -3600, 365L * 24 * 3600, true, "", ""}, &CA);
  make(Localhost, {"localhost", -3600, 30L * 24 * 3600, false, localSAN, "serverAuth"}, &CA);
  make(OtherHost, {"other.test", -3600, 30L * 24 * 3600, false, "DNS:other.test", "serverAuth"},
       &CA);
  make(Expired, {"localhost", -3L * 24 * 3600, -24L * 3600, false, localSAN, "serverAuth"}, &CA);
  make(SelfSigned, {"localhost", -3600, 30L * 24 * 3600, false, localSAN, "serverAuth"}, nullptr);
  make(ViaIntermediate, {"localhost", -3600, 30L * 24 * 3600, false, localSAN, "serverAuth"},
       &Intermediate);
  make(Client, {"ozk test client", -3600, 30L * 24 * 3600, false, "", "clientAuth"}, &CA);
}

// --- TTestTempDir ------------------------------------------------------------------------------

TTestTempDir::TTestTempDir() {
  char templ[] = "/tmp/ozk-test-XXXXXX";
  if (!mkdtemp(templ)) throw std::runtime_error("mkdtemp failed");
  FPath = templ;
}

TTestTempDir::~TTestTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::u16string TTestTempDir::WriteFile(const std::string& AName, const std::string& AData) const {
  std::string path = FPath + "/" + AName;
  std::ofstream out(path, std::ios::binary);
  out.write(AData.data(), static_cast<std::streamsize>(AData.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return std::u16string(path.begin(), path.end()); // /tmp paths here are ASCII
}

std::u16string TTestTempDir::WriteFile(const std::string& AName,
                                       const std::vector<uint8_t>& AData) const {
  return WriteFile(AName, std::string(AData.begin(), AData.end()));
}

// --- TTestTLSConnection ------------------------------------------------------------------------

int TTestTLSConnection::Read(void* ABuffer, int ALength) {
  ERR_clear_error();
  int r = SSL_read(FSSL, ABuffer, ALength);
  if (r > 0) {
    FInfo.Received.append(static_cast<const char*>(ABuffer), static_cast<size_t>(r));
    return r;
  }
  if (SSL_get_error(FSSL, r) == SSL_ERROR_ZERO_RETURN) FInfo.PeerClosedCleanly = true;
  ERR_clear_error();
  return 0;
}

std::string TTestTLSConnection::ReadExactly(size_t ACount) {
  std::string result;
  char buf[16384];
  while (result.size() < ACount) {
    int n = Read(buf, static_cast<int>(std::min(sizeof(buf), ACount - result.size())));
    if (n <= 0) break;
    result.append(buf, static_cast<size_t>(n));
  }
  return result;
}

bool TTestTLSConnection::Write(const void* AData, size_t ALength) {
  const char* p = static_cast<const char*>(AData);
  while (ALength > 0) {
    ERR_clear_error();
    int r = SSL_write(FSSL, p, static_cast<int>(std::min<size_t>(ALength, 1 << 30)));
    if (r <= 0) {
      ERR_clear_error();
      return false;
    }
    p += r;
    ALength -= static_cast<size_t>(r);
  }
  return true;
}

bool TTestTLSConnection::WritePattern(uint64_t ACount, uint64_t AStart) {
  const auto& block = PatternBlock();
  while (ACount > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(ACount, 16384));
    if (!Write(block.data() + AStart % 251, n)) return false;
    AStart += n;
    ACount -= n;
  }
  return true;
}

bool TTestTLSConnection::WriteRaw(const void* AData, size_t ALength) {
  return send(FFd, AData, ALength, MSG_NOSIGNAL) == static_cast<ssize_t>(ALength);
}

void TTestTLSConnection::SendCloseNotify() {
  ERR_clear_error();
  SSL_shutdown(FSSL);
  ERR_clear_error();
}

void TTestTLSConnection::CloseAbruptly() {
  SSL_set_quiet_shutdown(FSSL, 1);
  shutdown(FFd, SHUT_WR);
}

void TTestTLSConnection::WaitForServerShutdown(int ATimeoutMs) {
  if (FShutdown.valid()) FShutdown.wait_for(std::chrono::milliseconds(ATimeoutMs));
}

void TTestTLSConnection::WaitForClientClose() {
  char buf[16384];
  while (Read(buf, sizeof(buf)) > 0) {
  }
}

void TTestTLSReplyScript::Arm(size_t ARecordSize, size_t ACutAfter) {
  std::lock_guard<std::mutex> guard(FLock);
  FRecordSize = std::max<size_t>(1, ARecordSize);
  FLeft = ACutAfter;
  FNext = 0;
}

size_t TTestTLSReplyScript::TotalSize() const {
  size_t n = 0;
  for (const std::string& r : FReplies) n += r.size();
  return n;
}

TTestTLSBehaviour ScriptedRepliesBehaviour(std::shared_ptr<TTestTLSReplyScript> AScript) {
  return [AScript = std::move(AScript)](TTestTLSConnection& c) {
    // Small records in a row must not wait for the client's delayed acknowledgements.
    const int one = 1;
    setsockopt(c.Fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string input;
    char buf[16384];
    auto readRequest = [&] {
      size_t end;
      while ((end = input.find("\r\n\r\n")) == std::string::npos) {
        const int n = c.Read(buf, sizeof(buf));
        if (n <= 0) return false;
        input.append(buf, static_cast<size_t>(n));
      }
      size_t length = 0;
      std::string head = input.substr(0, end + 2);
      for (char& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      const size_t p = head.find("\r\ncontent-length:");
      if (p != std::string::npos) length = std::stoul(head.substr(p + 17));
      while (input.size() < end + 4 + length) {
        const int n = c.Read(buf, sizeof(buf));
        if (n <= 0) return false;
        input.append(buf, static_cast<size_t>(n));
      }
      input.erase(0, end + 4 + length);
      return true;
    };
    while (true) {
      if (!readRequest()) return;
      std::lock_guard<std::mutex> guard(AScript->FLock);
      if (AScript->FNext >= AScript->FReplies.size()) {
        c.CloseAbruptly(); // asked more than the script answers
        return;
      }
      const std::string& reply = AScript->FReplies[AScript->FNext++];
      for (size_t at = 0; at < reply.size();) {
        if (AScript->FLeft == 0) {
          c.CloseAbruptly();
          return;
        }
        const size_t n = std::min({AScript->FRecordSize, reply.size() - at, AScript->FLeft});
        if (!c.Write(reply.data() + at, n)) return;
        at += n;
        if (AScript->FLeft != SIZE_MAX) AScript->FLeft -= n;
      }
    }
  };
}

TTestTLSBehaviour EchoBehaviour() {
  return [](TTestTLSConnection& c) {
    char buf[16384];
    int n;
    while ((n = c.Read(buf, sizeof(buf))) > 0)
      if (!c.Write(buf, static_cast<size_t>(n))) break;
  };
}

TTestTLSBehaviour SendBytesBehaviour(uint64_t ACount, TTestTLSEnd AEnd, int ARecordSize) {
  return [=](TTestTLSConnection& c) {
    const auto& block = PatternBlock();
    uint64_t sent = 0;
    size_t record = static_cast<size_t>(std::clamp(ARecordSize, 1, 16384));
    while (sent < ACount) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(ACount - sent, record));
      if (!c.Write(block.data() + sent % 251, n)) return;
      sent += n;
    }
    switch (AEnd) {
    case TTestTLSEnd::CloseNotify:
      c.SendCloseNotify();
      c.WaitForClientClose();
      break;
    case TTestTLSEnd::Abrupt:
      c.CloseAbruptly();
      break;
    case TTestTLSEnd::WaitForClient:
      c.WaitForClientClose();
      break;
    }
  };
}

// --- TTestTLSServer ----------------------------------------------------------------------------

TTestTLSServer::TTestTLSServer(const TTestTLSServerOptions& AOptions, TTestTLSBehaviour ABehaviour)
    : FOptions(AOptions), FBehaviour(std::move(ABehaviour)) {
  const TTestPKI& pki = TTestPKI::Get();
  const TTestCertificate& cert = FOptions.Certificate ? *FOptions.Certificate : pki.Localhost;
  FCtx = SSL_CTX_new(TLS_server_method());
  if (!FCtx) Fail("SSL_CTX_new");
  if (SSL_CTX_use_certificate(FCtx, cert.X509()) != 1 ||
      SSL_CTX_use_PrivateKey(FCtx, cert.Key()) != 1)
    Fail("server certificate");
  for (const auto& c : cert.Chain()) SSL_CTX_add1_chain_cert(FCtx, c.X509());
  if (FOptions.MinVersion) SSL_CTX_set_min_proto_version(FCtx, FOptions.MinVersion);
  if (FOptions.MaxVersion) SSL_CTX_set_max_proto_version(FCtx, FOptions.MaxVersion);
  if (!FOptions.CipherList.empty() &&
      SSL_CTX_set_cipher_list(FCtx, FOptions.CipherList.c_str()) != 1)
    Fail("cipher list");
  if (!FOptions.CipherSuites.empty() &&
      SSL_CTX_set_ciphersuites(FCtx, FOptions.CipherSuites.c_str()) != 1)
    Fail("cipher suites");
  for (const auto& p : FOptions.ALPN) {
    FALPNWire.push_back(static_cast<uint8_t>(p.size()));
    FALPNWire.insert(FALPNWire.end(), p.begin(), p.end());
  }
  if (!FALPNWire.empty()) SSL_CTX_set_alpn_select_cb(FCtx, ServerALPNSelect, &FALPNWire);
  if (FOptions.RequireClientCert) {
    X509_STORE_add_cert(SSL_CTX_get_cert_store(FCtx), pki.CA.X509());
    SSL_CTX_set_verify(FCtx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
  }

  FListenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListenFd < 0) throw std::runtime_error("test TLS: socket failed");
  int one = 1;
  setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof(addr);
  if (bind(FListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(FListenFd, 16) != 0 ||
      getsockname(FListenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("test TLS: bind/listen failed");
  FPort = ntohs(addr.sin_port);
  if (pipe2(FWakePipe, O_CLOEXEC) != 0) throw std::runtime_error("test TLS: pipe failed");
  FAcceptThread = std::thread([this] {
    // Inherited by the connection threads: a write to a vanished client fails with EPIPE there.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    AcceptLoop();
  });
}

TTestTLSServer::~TTestTLSServer() {
  FStopping = true;
  FShutdown.set_value();
  char b = 1;
  if (write(FWakePipe[1], &b, 1) < 0) {
  }
  if (FAcceptThread.joinable()) FAcceptThread.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (int fd : FLiveFds) shutdown(fd, SHUT_RDWR); // wakes reads that still wait
    threads.swap(FThreads);
  }
  for (auto& t : threads) t.join();
  close(FListenFd);
  close(FWakePipe[0]);
  close(FWakePipe[1]);
  SSL_CTX_free(FCtx);
}

void TTestTLSServer::AcceptLoop() {
  while (!FStopping) {
    pollfd fds[2] = {{FListenFd, POLLIN, 0}, {FWakePipe[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) break;
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> guard(FLock);
    FLiveFds.push_back(fd);
    FThreads.emplace_back([this, fd] { Serve(fd); });
  }
}

void TTestTLSServer::Serve(int AFd) {
  timeval tv{FOptions.IOTimeoutMs / 1000,
             static_cast<suseconds_t>(FOptions.IOTimeoutMs % 1000) * 1000};
  setsockopt(AFd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  setsockopt(AFd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
  TTestTLSConnectionInfo info;
  bool reset = false;
  if (FOptions.StartTLS) {
    char c;
    while (recv(AFd, &c, 1, 0) == 1) {
      info.PlainReceived += c;
      if (c == '\n') break;
    }
    send(AFd, "GO\n", 3, MSG_NOSIGNAL);
  }
  SSL* ssl = SSL_new(FCtx);
  if (ssl && SSL_set_fd(ssl, AFd) == 1) {
    ERR_clear_error();
    int r = SSL_accept(ssl);
    if (r == 1) {
      info.HandshakeOK = true;
      if (const char* sni = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name)) info.SNI = sni;
      const unsigned char* alpn = nullptr;
      unsigned int alpnLen = 0;
      SSL_get0_alpn_selected(ssl, &alpn, &alpnLen);
      if (alpn) info.ALPN.assign(reinterpret_cast<const char*>(alpn), alpnLen);
      info.Version = SSL_get_version(ssl);
      info.Cipher = SSL_CIPHER_get_name(SSL_get_current_cipher(ssl));
      if (X509* peer = SSL_get0_peer_certificate(ssl)) {
        char buf[512];
        X509_NAME_oneline(X509_get_subject_name(peer), buf, sizeof(buf));
        info.ClientSubject = buf;
      }
      TTestTLSConnection connection(ssl, AFd, info, FShutdownLatch);
      try {
        FBehaviour(connection);
      } catch (...) {
      }
      reset = connection.ResetRequested();
    } else {
      unsigned long e = ERR_peek_last_error();
      char buf[256];
      if (e)
        ERR_error_string_n(e, buf, sizeof(buf));
      else
        snprintf(buf, sizeof(buf), "handshake failed (SSL_get_error %d)", SSL_get_error(ssl, r));
      info.HandshakeError = buf;
    }
  }
  ERR_clear_error();
  SSL_free(ssl); // without a close notification: the behaviour decides about that
  // Unless a reset was asked for, let the client finish first, so closing here never turns
  // into a reset that could cost the client bytes it has not read yet.
  if (reset) {
    linger hard{1, 0};
    setsockopt(AFd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  } else {
    shutdown(AFd, SHUT_WR);
    char buf[4096];
    while (recv(AFd, buf, sizeof(buf), 0) > 0) {
    }
  }
  std::lock_guard<std::mutex> guard(FLock);
  FLiveFds.erase(std::remove(FLiveFds.begin(), FLiveFds.end(), AFd), FLiveFds.end());
  close(AFd);
  FDone.push_back(std::move(info));
  FChanged.notify_all();
}

bool TTestTLSServer::WaitForConnections(size_t ACount, int ATimeoutMs) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(ATimeoutMs),
                           [&] { return FDone.size() >= ACount; });
}

std::vector<TTestTLSConnectionInfo> TTestTLSServer::Connections() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FDone;
}

} // namespace ozktest
