// The OpenSSL layer beneath the TLS I/O handler: the handler's option object TIdSSLOptions, the
// exception kinds of TLS failures, the process-wide OpenSSL state, the prepared client or
// server context TIdSSLContext and the per-connection TIdSSLSocket.
//
// OpenSSL's own types are only forward-declared here; the .cpp files include <openssl/...>.
// Every OpenSSL object is owned by exactly one of these classes and freed by its destructor.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "base/ozkPersistent.h"
#include "base/ozkStringList.h"
#include "net/ozkIdException.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkSocket_Classes.h"

struct ssl_st;
struct ssl_ctx_st;
struct ssl_method_st;
struct ssl_cipher_st;
struct x509_st;
struct x509_store_st;

class TIdX509;

// --- Enumerations and sets ---------------------------------------------------------------------

// A set over a small enumeration (at most 32 values), one bit per value.
template <typename E> class TIdEnumSet {
 public:
  constexpr TIdEnumSet() = default;
  constexpr TIdEnumSet(std::initializer_list<E> AValues) {
    for (E v : AValues) Include(v);
  }
  static constexpr TIdEnumSet FromBits(uint32_t ABits) {
    TIdEnumSet s;
    s.FBits = ABits;
    return s;
  }
  constexpr bool Contains(E AValue) const { return (FBits & Bit(AValue)) != 0; }
  constexpr TIdEnumSet& Include(E AValue) {
    FBits |= Bit(AValue);
    return *this;
  }
  constexpr TIdEnumSet& Exclude(E AValue) {
    FBits &= ~Bit(AValue);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr int Count() const { return __builtin_popcount(FBits); }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool operator==(const TIdEnumSet&) const = default;

 private:
  static constexpr uint32_t Bit(E AValue) { return uint32_t(1) << static_cast<unsigned>(AValue); }
  uint32_t FBits = 0;
};

enum TIdSSLVersion {
  sslvSSLv2,
  sslvSSLv23,
  sslvSSLv3,
  sslvTLSv1,
  sslvTLSv1_1,
  sslvTLSv1_2,
  sslvTLSv1_3
};
using TIdSSLVersions = TIdEnumSet<TIdSSLVersion>;
// Every version except sslvSSLv23, which names "any version" rather than one.
inline constexpr TIdSSLVersions IdAllSSLVersions{sslvSSLv2,   sslvSSLv3,   sslvTLSv1,
                                                 sslvTLSv1_1, sslvTLSv1_2, sslvTLSv1_3};

enum TIdSSLMode { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
// Bits 1, 2, 4, 8 of the set are OpenSSL's SSL_VERIFY_PEER, SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
// SSL_VERIFY_CLIENT_ONCE and SSL_VERIFY_POST_HANDSHAKE.
enum TIdSSLVerifyMode {
  sslvrfPeer,
  sslvrfFailIfNoPeerCert,
  sslvrfClientOnce,
  sslvrfVerifyPostHandshake
};
using TIdSSLVerifyModeSet = TIdEnumSet<TIdSSLVerifyMode>;
enum TIdSSLAPIVersion { sslvAPIDefault, sslvAPI_1_0, sslvAPI_1_1, sslvAPI_3_0 };
enum TIdSSLCtxMode { sslCtxClient, sslCtxServer };

// --- Handler options ---------------------------------------------------------------------------

// Every setting of a TLS context, in one value: the handler's options hold it and the context
// it prepares receives a copy of it whole, so no copy can forget a field.
struct TIdSSLSettings {
  std::u16string RootCertFile, CertFile, KeyFile, DHParamsFile;
  TIdSSLVersion Method = sslvTLSv1;
  TIdSSLVersions SSLVersions{sslvTLSv1};
  TIdSSLMode Mode = sslmUnassigned;
  TIdSSLVerifyModeSet VerifyMode;
  int VerifyDepth = 0;
  std::u16string VerifyDirs, CipherList, CurveList;
  // sslvAPIDefault: the process-wide default level (IdOpenSSLAPIVersion).
  TIdSSLAPIVersion APIVersion = sslvAPIDefault;
  bool LegacyProvider = false;

  bool operator==(const TIdSSLSettings&) const = default;
};

// Method and SSLVersions are coupled: setting one recomputes the other (see the setters).
class TIdSSLOptions : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  const TIdSSLSettings& Settings() const { return FSettings; }

  const std::u16string& RootCertFile() const { return FSettings.RootCertFile; }
  void SetRootCertFile(const std::u16string& aValue) { FSettings.RootCertFile = aValue; }
  const std::u16string& CertFile() const { return FSettings.CertFile; }
  void SetCertFile(const std::u16string& aValue) { FSettings.CertFile = aValue; }
  const std::u16string& KeyFile() const { return FSettings.KeyFile; }
  void SetKeyFile(const std::u16string& aValue) { FSettings.KeyFile = aValue; }
  const std::u16string& DHParamsFile() const { return FSettings.DHParamsFile; }
  void SetDHParamsFile(const std::u16string& aValue) { FSettings.DHParamsFile = aValue; }
  TIdSSLVersion Method() const { return FSettings.Method; }
  // sslvSSLv23 allows every version but itself; any other method allows exactly that version.
  void SetMethod(TIdSSLVersion aValue);
  TIdSSLVersions SSLVersions() const { return FSettings.SSLVersions; }
  // Exactly one real version makes that the method; any other set makes the method sslvSSLv23
  // and loses a sslvSSLv23 member (leaving nothing means every version).
  void SetSSLVersions(TIdSSLVersions aValue);
  TIdSSLMode Mode() const { return FSettings.Mode; }
  void SetMode(TIdSSLMode aValue) { FSettings.Mode = aValue; }
  TIdSSLVerifyModeSet VerifyMode() const { return FSettings.VerifyMode; }
  void SetVerifyMode(TIdSSLVerifyModeSet aValue) { FSettings.VerifyMode = aValue; }
  int VerifyDepth() const { return FSettings.VerifyDepth; }
  void SetVerifyDepth(int aValue) { FSettings.VerifyDepth = aValue; }
  const std::u16string& VerifyDirs() const { return FSettings.VerifyDirs; }
  void SetVerifyDirs(const std::u16string& aValue) { FSettings.VerifyDirs = aValue; }
  const std::u16string& CipherList() const { return FSettings.CipherList; }
  void SetCipherList(const std::u16string& aValue) { FSettings.CipherList = aValue; }
  const std::u16string& CurveList() const { return FSettings.CurveList; }
  void SetCurveList(const std::u16string& aValue) { FSettings.CurveList = aValue; }
  TIdSSLAPIVersion APIVersion() const { return FSettings.APIVersion; }
  void SetAPIVersion(TIdSSLAPIVersion aValue) { FSettings.APIVersion = aValue; }
  bool LegacyProvider() const { return FSettings.LegacyProvider; }
  void SetLegacyProvider(bool aValue) { FSettings.LegacyProvider = aValue; }

 protected:
  TIdSSLSettings FSettings;
};

// --- Exceptions --------------------------------------------------------------------------------

class EIdOpenSSLError : public EIdException {
 public:
  using EIdException::EIdException;
};

// A failed TLS call: ErrorCode is SSL_get_error's classification, RetCode the call's result.
class EIdOpenSSLAPISSLError : public EIdOpenSSLError {
 public:
  EIdOpenSSLAPISSLError(std::u16string AMessage, int AErrorCode, int ARetCode)
      : EIdOpenSSLError(std::move(AMessage)), FErrorCode(AErrorCode), FRetCode(ARetCode) {}
  int ErrorCode() const noexcept { return FErrorCode; }
  int RetCode() const noexcept { return FRetCode; }

 private:
  int FErrorCode;
  int FRetCode;
};

// A library error: ErrorCode is the code taken from OpenSSL's error queue.
class EIdOpenSSLAPICryptoError : public EIdOpenSSLError {
 public:
  EIdOpenSSLAPICryptoError(std::u16string AMessage, unsigned long AErrorCode)
      : EIdOpenSSLError(std::move(AMessage)), FErrorCode(AErrorCode) {}
  unsigned long ErrorCode() const noexcept { return FErrorCode; }

 private:
  unsigned long FErrorCode;
};

class EIdOSSLCouldNotLoadSSLLibrary : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLModeNotSet : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLGetMethodError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLSettingCipherError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLSettingCurveListError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLCreatingSessionError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLCreatingContextError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingRootCertError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingCertError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingKeyError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingDHParamsError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLUnderlyingCryptoError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLDataBindingError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLFDSetError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLConnectError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLAcceptError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};

// The message texts of the kinds above.
namespace IdSSLMsg {
inline constexpr const char16_t* CouldNotLoadSSLLibrary = u"Could not load SSL library.";
inline constexpr const char16_t* ModeNotSet = u"Mode has not been set.";
inline constexpr const char16_t* GetMethodError = u"Error getting SSL method.";
inline constexpr const char16_t* CreatingContextError = u"Error creating SSL context.";
inline constexpr const char16_t* LoadingRootCertError = u"Could not load root certificate.";
inline constexpr const char16_t* LoadingCertError = u"Could not load certificate.";
inline constexpr const char16_t* LoadingKeyError = u"Could not load key, check password.";
inline constexpr const char16_t* LoadingDHParamsError = u"Could not load DH Parameters.";
inline constexpr const char16_t* SettingCipherError = u"SetCipher failed.";
inline constexpr const char16_t* SettingCurveListError = u"Set Curve List failed.";
inline constexpr const char16_t* CreatingSessionError = u"Error creating SSL session.";
inline constexpr const char16_t* DataBindingError = u"Error binding data to SSL socket.";
inline constexpr const char16_t* FDSetError = u"Error setting File Descriptor for SSL";
inline constexpr const char16_t* ConnectError = u"Error connecting with SSL.";
inline constexpr const char16_t* AcceptError = u"Error accepting connection with SSL.";
inline constexpr const char16_t* ALPNError = u"Error Updating ALPN Protocols";
inline constexpr const char16_t* EOFViolation = u"EOF was observed that violates the protocol";
} // namespace IdSSLMsg

// The library's text for an error code (at most 159 characters).
std::u16string IdSSLErrorText(unsigned long ACode);

// The message for the kind requested for a failed TLS call (ARetCode the call's result,
// AErrorCode its SSL_get_error classification), or the exception that replaces that kind:
// EIdOSSLUnderlyingCryptoError when the library queued its own error, EIdSocketError when the
// socket call beneath failed. The error queue is empty afterwards.
std::u16string IdSSLErrorMessageOrRaise(const std::u16string& AMessage, int AErrorCode,
                                        int ARetCode);
template <typename E>
[[noreturn]] void RaiseSSLError(const std::u16string& AMessage, int AErrorCode, int ARetCode) {
  std::u16string text = IdSSLErrorMessageOrRaise(AMessage, AErrorCode, ARetCode);
  throw E(std::move(text), AErrorCode, ARetCode);
}
// Raises E with the first code of the error queue: AMessage, CR LF and the code's text (the
// text alone when AMessage is empty). The error queue is empty afterwards.
unsigned long IdPopSSLErrorCode();
std::u16string IdCryptoErrorMessage(const std::u16string& AMessage, unsigned long ACode);
template <typename E> [[noreturn]] void RaiseCryptoError(const std::u16string& AMessage) {
  unsigned long code = IdPopSSLErrorCode();
  throw E(IdCryptoErrorMessage(AMessage, code), code);
}

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
