// The OpenSSL layer beneath the TLS I/O handler: the process-wide OpenSSL state, the prepared
// client or server context TIdSSLContext and the per-connection TIdSSLSocket. The handler's
// options are in ozkIdSSLOpenSSLOptions.h, the exception kinds in ozkIdSSLOpenSSLExceptions.h.
//
// OpenSSL's own types are only forward-declared here; the .cpp files include <openssl/...>.
// Every OpenSSL object is owned by exactly one of these classes and freed by its destructor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/ozkStringList.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkIdSSLOpenSSLExceptions.h"
#include "net/ozkIdSSLOpenSSLOptions.h"
#include "net/ozkSocket_Classes.h"

struct ssl_st;
struct ssl_ctx_st;
struct ssl_method_st;
struct ssl_cipher_st;
struct x509_st;
struct x509_store_st;

class TIdX509;

// --- Process-wide OpenSSL state ----------------------------------------------------------------

// The API level selects among the behaviours that differ between OpenSSL releases (protocol
// limits, method substitution, the legacy provider). Each context takes it from its own
// settings, so two handlers with different levels never race; this process-wide default
// serves contexts whose settings name sslvAPIDefault, and the library's one-time
// initialisation. sslvAPIDefault leaves it unchanged; it starts at sslvAPI_1_0.
void IdOpenSSLSetAPIVersion(TIdSSLAPIVersion AVersion);
TIdSSLAPIVersion IdOpenSSLAPIVersion();
// The level an option object's TwsOpenSSLAPI names.
TIdSSLAPIVersion IdSSLAPIVersionOf(TwsOpenSSLAPI AVersion);
// Library folder and legacy-provider folder, each stored with a trailing "/" (empty: the
// platform's normal search).
void IdOpenSSLSetLibPath(const std::u16string& APath);
std::u16string IdOpenSSLLibPath();
void IdOpenSSLSetLegacyProviderLibPath(const std::u16string& APath);
std::u16string IdOpenSSLLegacyProviderLibPath();
// Applies the process-wide part of OpenSSL options: the library folder (oslpDefaultFolder:
// the executable's folder, oslpCustomPath: LibPathCustom, oslpNone: left) and the
// legacy-provider folder (oslpCustomPath: its LibPathCustom, else the executable's). The API
// level is not process-wide: it travels in the handler's settings (IdSSLAPIVersionOf).
void IdOpenSSLApplyLibraryOptions(const TozkSocketOpenSSL_Options& AOptions);
// Folder of the running executable with a trailing "/".
std::u16string IdExecutableFolder();

// Makes sure OpenSSL is initialised, once per process under a lock; a failed initialisation is
// tried again at the next call. Returns whether the library is ready.
bool LoadTLSLibrary();
// OpenSSL_version_num of the linked library (valid after LoadTLSLibrary).
unsigned long IdOpenSSLVersionNum();

// --- Callbacks into the handler ----------------------------------------------------------------

class TIdSSLSocket;

// How OpenSSL's callbacks reach the handler that owns a context and its connections. The
// handler outlives every context and TLS socket that points to it.
class IIdSSLOpenSSLCallbackHelper {
 public:
  virtual ~IIdSSLOpenSSLCallbackHelper() = default;
  // The password of an encrypted key or PKCS#12 file; AIsWrite when the key is being written.
  virtual std::u16string GetPassword(bool AIsWrite) = 0;
  // A status text line (the cipher line after a handshake).
  virtual void StatusInfo(const std::u16string& AStatusStr) = 0;
  // OpenSSL's state notification: the text "SSL status: ..." plus the type and description
  // built from the where/ret values.
  virtual void StatusInfoEx(const ssl_st* ASSL, int AWhere, int ARet,
                            const std::u16string& AStatusStr, const std::u16string& AType,
                            const std::u16string& AMsg) = 0;
  // The final verdict on ACertificate given the verdict so far (AOk), the chain depth and
  // the verification error number.
  virtual bool VerifyPeer(TIdX509* ACertificate, bool AOk, int ADepth, int AError) = 0;
  // The handler's current TLS socket (whose session a new connection copies), or none.
  virtual TIdSSLSocket* CurrentSSLSocket() = 0;
};

// --- Context -----------------------------------------------------------------------------------

// The method function and, where the linked library has no fixed-version method any more, the
// one protocol version it stands for (0: the method negotiates).
struct TIdSSLMethodChoice {
  const ssl_method_st* Method = nullptr;
  int FixedVersion = 0;
};

// A prepared OpenSSL context. The handler copies its options' settings into Settings and runs
// SetUpContext.
class TIdSSLContext {
 public:
  // Raises EIdOSSLCouldNotLoadSSLLibrary when OpenSSL cannot be initialised.
  TIdSSLContext();
  ~TIdSSLContext();
  TIdSSLContext(const TIdSSLContext&) = delete;
  TIdSSLContext& operator=(const TIdSSLContext&) = delete;

  // Frees any previous OpenSSL context and prepares a new one for the role.
  void SetUpContext(TIdSSLCtxMode ACtxMode);
  bool LoadRootCert();
  bool LoadCert();
  bool LoadKey();
  bool LoadDHParams();
  TIdSSLMethodChoice SelectTLSMethod(TIdSSLVersion AMethod);
  // Settings.APIVersion, or the process-wide default when that is sslvAPIDefault.
  TIdSSLAPIVersion APILevel() const;
  void ApplyALPNProtocols();

  ssl_ctx_st* Context() const { return fContext; }
  TIdSSLCtxMode CtxMode() const { return fCtxMode; }

  // The RFC 7301 wire list of the non-empty names (each one length byte and the name in the
  // default 8-bit code page). A name longer than 255 bytes raises Exception "Error Updating
  // ALPN Protocols".
  static TIdBytes ALPNWireList(const TStringList& AProtocols);
  // Lowest protocol version (OpenSSL's TLS1_x_VERSION) allowed by AVersions at API levels 1.1
  // and 3.0, and the highest that a library of version number AVersionNum offers.
  static int MinProtocolVersion(TIdSSLVersions AVersions);
  static int MaxProtocolVersion(unsigned long AVersionNum);

  // Copied from the handler's options before SetUpContext (an unassigned Mode becomes the
  // context's role there).
  TIdSSLSettings Settings;
  bool fStatusInfoOn = false; // a status handler is set: install the info callback
  bool fVerifyOn = false;     // a peer-verification handler is set: install the verify callback
  uint32_t fSessionId = 1;
  TStringList FALPNProtocols;
  IIdSSLOpenSSLCallbackHelper* Parent = nullptr; // not owned

 private:
  void DestroyContext();
  ssl_ctx_st* fContext = nullptr;
  TIdBytes FServerALPN; // wire list of a server context's ALPN selection
  TIdSSLCtxMode fCtxMode = sslCtxClient;
};

// --- TLS connection ----------------------------------------------------------------------------

struct TIdSSLCipher {
  std::u16string Name;
  std::u16string Description;
  int Bits = 0;
  std::u16string Version;
};

// One TLS connection over a connected socket. Bound to one context, which must outlive it.
class TIdSSLSocket {
 public:
  explicit TIdSSLSocket(IIdSSLOpenSSLCallbackHelper* AParent);
  // Sends the close notification once (SSL_shutdown) and frees the connection.
  ~TIdSSLSocket();
  TIdSSLSocket(const TIdSSLSocket&) = delete;
  TIdSSLSocket& operator=(const TIdSSLSocket&) = delete;

  // Client handshake on the socket pHandle: SNI with fHostName and, when the context
  // verifies the peer, a check that the certificate names fVerifyHost.
  void Connect(int pHandle);
  // Server handshake.
  void Accept(int pHandle);
  // One SSL_read / SSL_write; the result as the library gives it.
  int Recv(uint8_t* ABuffer, int ALength);
  int Recv(TIdBytes& ABuffer) { return Recv(ABuffer.data(), static_cast<int>(ABuffer.size())); }
  int Send(const TIdBytes& ABuffer, int AOffset, int ALength);
  // SSL_get_error for a failed call's result.
  int GetTLSError(int ARetCode);
  // After a failed read classified SSL_ERROR_SSL: true when the only fault was that the peer
  // closed the socket without a close notification (the queued error is then cleared).
  bool ConsumeUnexpectedEOF();
  // Decrypted bytes held by the TLS layer.
  int Pending() const;
  // Sends the close notification, and once more when the first call returned 0.
  void Shutdown();
  // The socket beneath was closed by someone else: nothing may be written to its number any
  // more (it may already belong to another connection), not even the close notification.
  void SocketClosed();

  TIdSSLCipher Cipher() const;
  // The negotiated protocol's name ("TLSv1.3"), the server's ALPN choice (empty for none).
  std::u16string SSLProtocolVersion() const;
  std::u16string ALPNProtocol() const;
  // The peer's certificate, or none; owned by this socket.
  TIdX509* PeerCert();

  ssl_st* SSL() const { return fSSL; }

  TIdSSLContext* fSSLContext = nullptr; // not owned
  std::u16string fHostName;             // server name sent with the handshake
  std::u16string fVerifyHost;           // name or address the certificate must match

 private:
  void CreateSSL(int pHandle);
  IIdSSLOpenSSLCallbackHelper* fParent; // not owned
  ssl_st* fSSL = nullptr;
  std::unique_ptr<TIdX509> fPeerCert;
};

// The host part of a URL ("https://user@[::1]:443/x" gives "::1"); empty when there is none.
std::u16string IdURLHost(const std::u16string& AURL);
