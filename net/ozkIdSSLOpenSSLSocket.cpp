// TIdSSLSocket: one TLS connection over a connected socket, and the socket BIO beneath it.
#include "net/ozkIdSSLOpenSSLContext.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <mutex>
#include <sys/socket.h>

#include "base/ozkText.h"
#include "net/ozkIdSSLOpenSSLInternal.h"
#include "net/ozkIdSSLOpenSSLX509.h"

// --- Socket BIO --------------------------------------------------------------------------------
//
// OpenSSL's own socket BIO does not fit the transport's rules in two ways, so connections use
// this one instead:
// - a receive or send that runs into SO_RCVTIMEO/SO_SNDTIMEO fails with EAGAIN on this
//   platform, which OpenSSL's BIO turns into "retry"; the handler would then wait forever on a
//   silent peer. Here it is a failed socket call with ETIMEDOUT (socket error 10060).
// - a send to a peer that has gone raises SIGPIPE unless the process ignores it; sends here
//   use MSG_NOSIGNAL and fail with EPIPE whatever the process's disposition is.
// The BIO never closes the socket: the socket handler owns it.

namespace {

struct TSocketBioData {
  int Fd = -1;
  bool Eof = false;
};

TSocketBioData* DataOf(BIO* b) {
  return static_cast<TSocketBioData*>(BIO_get_data(b));
}

void MapFailure(BIO* b, bool AIsRead) {
  int err = errno;
  if (err == EINTR) {
    if (AIsRead)
      BIO_set_retry_read(b);
    else
      BIO_set_retry_write(b);
  } else if (err == EAGAIN || err == EWOULDBLOCK) {
    errno = ETIMEDOUT;
  }
}

extern "C" int SocketBioWrite(BIO* b, const char* data, int len) {
  BIO_clear_retry_flags(b);
  ssize_t n = send(DataOf(b)->Fd, data, static_cast<size_t>(len), MSG_NOSIGNAL);
  if (n < 0) MapFailure(b, false);
  return static_cast<int>(n);
}

extern "C" int SocketBioRead(BIO* b, char* data, int len) {
  if (!data) return 0;
  BIO_clear_retry_flags(b);
  ssize_t n = recv(DataOf(b)->Fd, data, static_cast<size_t>(len), 0);
  if (n == 0)
    DataOf(b)->Eof = true;
  else if (n < 0)
    MapFailure(b, true);
  return static_cast<int>(n);
}

extern "C" int SocketBioPuts(BIO* b, const char* str) {
  return SocketBioWrite(b, str, static_cast<int>(strlen(str)));
}

extern "C" long SocketBioCtrl(BIO* b, int cmd, long num, void* ptr) {
  TSocketBioData* d = DataOf(b);
  switch (cmd) {
  case BIO_C_SET_FD:
    d->Fd = *static_cast<int*>(ptr);
    d->Eof = false;
    BIO_set_shutdown(b, static_cast<int>(num));
    BIO_set_init(b, 1);
    return 1;
  case BIO_C_GET_FD:
    if (!BIO_get_init(b)) return -1;
    if (ptr) *static_cast<int*>(ptr) = d->Fd;
    return d->Fd;
  case BIO_CTRL_GET_CLOSE:
    return BIO_get_shutdown(b);
  case BIO_CTRL_SET_CLOSE:
    BIO_set_shutdown(b, static_cast<int>(num));
    return 1;
  case BIO_CTRL_EOF:
    return d->Eof ? 1 : 0;
  case BIO_CTRL_DUP:
  case BIO_CTRL_FLUSH:
    return 1;
  default:
    return 0;
  }
}

extern "C" int SocketBioCreate(BIO* b) {
  BIO_set_data(b, new TSocketBioData);
  BIO_set_init(b, 0);
  return 1;
}

extern "C" int SocketBioDestroy(BIO* b) {
  delete DataOf(b);
  BIO_set_data(b, nullptr);
  return 1;
}

struct TBioMethodFree {
  void operator()(BIO_METHOD* m) const { BIO_meth_free(m); }
};

const BIO_METHOD* SocketBioMethod() {
  static std::once_flag once;
  static std::unique_ptr<BIO_METHOD, TBioMethodFree> method;
  std::call_once(once, [] {
    int type = BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR;
    BIO_METHOD* m = BIO_meth_new(type, "ozk socket");
    if (!m) return;
    BIO_meth_set_write(m, SocketBioWrite);
    BIO_meth_set_read(m, SocketBioRead);
    BIO_meth_set_puts(m, SocketBioPuts);
    BIO_meth_set_ctrl(m, SocketBioCtrl);
    BIO_meth_set_create(m, SocketBioCreate);
    BIO_meth_set_destroy(m, SocketBioDestroy);
    method.reset(m);
  });
  return method.get();
}

bool IsIPLiteral(const std::string& AHost) {
  unsigned char addr[16];
  return inet_pton(AF_INET, AHost.c_str(), addr) == 1 ||
         inet_pton(AF_INET6, AHost.c_str(), addr) == 1;
}

} // namespace

// --- TIdSSLSocket ------------------------------------------------------------------------------

TIdSSLSocket::TIdSSLSocket(IIdSSLOpenSSLCallbackHelper* AParent) : fParent(AParent) {}

TIdSSLSocket::~TIdSSLSocket() {
  fPeerCert.reset();
  if (!fSSL) return;
  ERR_clear_error();
  SSL_shutdown(fSSL);
  SSL_free(fSSL);
  ERR_clear_error(); // a shutdown on a broken connection queues errors nobody will read
}

void TIdSSLSocket::SocketClosed() {
  if (!fSSL) return;
  SSL_set_quiet_shutdown(fSSL, 1);
  if (BIO* bio = SSL_get_rbio(fSSL)) {
    if (auto* d = DataOf(bio)) d->Fd = -1;
  }
}

void TIdSSLSocket::CreateSSL(int pHandle) {
  if (!fSSLContext || !fSSLContext->Context())
    throw EIdOSSLCreatingSessionError(IdSSLMsg::CreatingSessionError);
  ERR_clear_error();
  fSSL = SSL_new(fSSLContext->Context());
  if (!fSSL) {
    ERR_clear_error();
    throw EIdOSSLCreatingSessionError(IdSSLMsg::CreatingSessionError);
  }
  int r = SSL_set_app_data(fSSL, this);
  if (r < 1)
    RaiseSSLError<EIdOSSLDataBindingError>(IdSSLMsg::DataBindingError, SSL_get_error(fSSL, r), r);
  const BIO_METHOD* method = SocketBioMethod();
  BIO* bio = method ? BIO_new(method) : nullptr;
  if (!bio) RaiseSSLError<EIdOSSLFDSetError>(IdSSLMsg::FDSetError, SSL_ERROR_SSL, 0);
  BIO_set_fd(bio, pHandle, BIO_NOCLOSE);
  SSL_set_bio(fSSL, bio, bio); // the connection owns the BIO from here
}

void TIdSSLSocket::Connect(int pHandle) {
  CreateSSL(pHandle);
  TIdSSLSocket* current = fParent ? fParent->CurrentSSLSocket() : nullptr;
  if (current && current != this && current->fSSL) SSL_copy_session_id(fSSL, current->fSSL);
  if (!fHostName.empty()) SSL_set_tlsext_host_name(fSSL, UTF16ToUTF8(fHostName).c_str());

  // The chain alone proves nothing about whom we talk to: any holder of any certificate from
  // a trusted issuer would pass. With verification on, the certificate must also name the host.
  if (fSSLContext->Settings.VerifyMode.Contains(sslvrfPeer) && !fVerifyHost.empty()) {
    std::string host = UTF16ToUTF8(fVerifyHost);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);
    X509_VERIFY_PARAM* param = SSL_get0_param(fSSL);
    if (IsIPLiteral(host)) {
      X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
      X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
    }
  }

  ERR_clear_error();
  int r = SSL_connect(fSSL);
  if (r < 1) RaiseSSLError<EIdOSSLConnectError>(IdSSLMsg::ConnectError, SSL_get_error(fSSL, r), r);
  TIdSSLCipher c = Cipher();
  if (fParent)
    fParent->StatusInfo(u"Cipher: name = " + c.Name + u"; description = " + c.Description +
                        u"; bits = " + IntToStr(c.Bits) + u"; version = " + c.Version + u"; ");
}

void TIdSSLSocket::Accept(int pHandle) {
  CreateSSL(pHandle);
  ERR_clear_error();
  int r = SSL_accept(fSSL);
  if (r < 1) RaiseSSLError<EIdOSSLAcceptError>(IdSSLMsg::AcceptError, SSL_get_error(fSSL, r), r);
}

int TIdSSLSocket::Recv(uint8_t* ABuffer, int ALength) {
  if (!fSSL) return 0;
  ERR_clear_error();
  return SSL_read(fSSL, ABuffer, ALength);
}

int TIdSSLSocket::Send(const TIdBytes& ABuffer, int AOffset, int ALength) {
  if (!fSSL) return 0;
  ERR_clear_error();
  return SSL_write(fSSL, ABuffer.data() + AOffset, ALength);
}

int TIdSSLSocket::GetTLSError(int ARetCode) {
  return fSSL ? SSL_get_error(fSSL, ARetCode) : SSL_ERROR_SSL;
}

bool TIdSSLSocket::ConsumeUnexpectedEOF() {
  unsigned long e = ERR_peek_last_error();
  if (ERR_GET_LIB(e) != ERR_LIB_SSL || ERR_GET_REASON(e) != SSL_R_UNEXPECTED_EOF_WHILE_READING)
    return false;
  ERR_clear_error();
  return true;
}

int TIdSSLSocket::Pending() const {
  return fSSL ? SSL_pending(fSSL) : 0;
}

void TIdSSLSocket::Shutdown() {
  if (!fSSL) return;
  ERR_clear_error();
  if (SSL_shutdown(fSSL) == 0) SSL_shutdown(fSSL);
  ERR_clear_error();
}

TIdSSLCipher TIdSSLSocket::Cipher() const {
  TIdSSLCipher c;
  const SSL_CIPHER* cipher = fSSL ? SSL_get_current_cipher(fSSL) : nullptr;
  if (!cipher) return c;
  c.Name = UTF8ToUTF16(SSL_CIPHER_get_name(cipher));
  char buf[256];
  c.Description = TrimRight(UTF8ToUTF16(SSL_CIPHER_description(cipher, buf, sizeof(buf))));
  c.Bits = SSL_CIPHER_get_bits(cipher, nullptr);
  c.Version = UTF8ToUTF16(SSL_CIPHER_get_version(cipher));
  return c;
}

std::u16string TIdSSLSocket::SSLProtocolVersion() const {
  return fSSL ? UTF8ToUTF16(SSL_get_version(fSSL)) : std::u16string();
}

std::u16string TIdSSLSocket::ALPNProtocol() const {
  if (!fSSL) return std::u16string();
  const unsigned char* data = nullptr;
  unsigned int len = 0;
  SSL_get0_alpn_selected(fSSL, &data, &len);
  if (!data || len == 0) return std::u16string();
  return BytesToText(TIdBytes(data, data + len), TextEncodingOfKind(tekOSDefault));
}

TIdX509* TIdSSLSocket::PeerCert() {
  if (!fPeerCert && fSSL) {
    if (X509* x = SSL_get1_peer_certificate(fSSL)) fPeerCert = std::make_unique<TIdX509>(x, true);
  }
  return fPeerCert.get();
}

std::u16string IdURLHost(const std::u16string& AURL) {
  size_t start = AURL.find(u"://");
  start = start == std::u16string::npos ? 0 : start + 3;
  size_t end = AURL.find_first_of(u"/?#", start);
  std::u16string authority = AURL.substr(start, end == std::u16string::npos ? end : end - start);
  size_t at = authority.rfind(u'@');
  if (at != std::u16string::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority[0] == u'[') {
    size_t close = authority.find(u']');
    return close == std::u16string::npos ? authority.substr(1) : authority.substr(1, close - 1);
  }
  return authority.substr(0, authority.find(u':'));
}
