// TozkIdHTTP: the per-request HTTP client of the request executor. It is the engine (TIdHTTP)
// with a fixed user agent, a TLS handler built from its TLS options when the URL is HTTPS, the
// traffic log switched by a flag, proxy options, an optional bearer-token source and a reader
// for server-sent events; and the option classes it carries.
//
// Ownership: the client owns its option objects, its TLS handler, its log writer, its proxy
// handler and its event stream. A token source named by the authentication options is the
// caller's and must outlive every request that uses it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/ozkComponent.h"
#include "base/ozkPersistent.h"
#include "http/ozkHTTP_Classes.h"
#include "http/ozkIdConnectThroughHttpProxy.h"
#include "http/ozkIdHTTP.h"
#include "http/ozkIdLogFile.h"
#include "net/ozkIdSSLOpenSSL.h"
#include "net/ozkSocket_Classes.h"

// TLS options of one client. Assign from a TozkIdHTTPTLS_Options or TozkTCPTLS_Options copies
// the certificate and key files, password, trust store, version, verification switch and
// depth, provider, ALPN list and both providers' options (the OpenSSL options with their
// legacy-provider settings); any other source goes to the base class's copy.
class TozkIdHTTPTLS_Options : public TozkTCPTLS_Options {
 public:
  void Assign(const TPersistent& aSource) override;
};

// The traffic log's file.
class TozkHttpLogFile : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& aValue) { FFileName = aValue; }

 protected:
  std::u16string FFileName;
};

// A component that issues bearer tokens (an OAuth2 or JWT client). It reports a token pair
// through OnAuthToken or a failure through OnAuthTokenError, from Start or later, on any thread.
class TozkHTTPTokenSource : public TComponent {
 public:
  explicit TozkHTTPTokenSource(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  virtual void Start() = 0;
  // Seconds after which a token of this source is renewed (JWT sources); 0: never.
  virtual int RefreshInterval() const { return 0; }

  std::function<void(const std::u16string& AType, const std::u16string& AToken)> OnAuthToken;
  std::function<void(const std::u16string& AError, const std::u16string& ADescription)>
      OnAuthTokenError;
};

// Where a client's bearer token comes from. OAuth and JWT are not owned.
class TozkHTTPAuthentication_Token : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;
  TozkHTTPTokenSource* OAuth() const { return FOAuth; }
  void SetOAuth(TozkHTTPTokenSource* aValue) { FOAuth = aValue; }
  TozkHTTPTokenSource* JWT() const { return FJWT; }
  void SetJWT(TozkHTTPTokenSource* aValue) { FJWT = aValue; }
  // Longest wait for a token, in milliseconds.
  int ReadTimeout() const { return FReadTimeout; }
  void SetReadTimeout(int aValue) { FReadTimeout = aValue; }

 protected:
  TozkHTTPTokenSource* FOAuth = nullptr;
  TozkHTTPTokenSource* FJWT = nullptr;
  int FReadTimeout = 60000;
};

class TozkIdHTTPAuthentication_Options : public TPersistent {
 public:
  TozkIdHTTPAuthentication_Options();
  ~TozkIdHTTPAuthentication_Options() override;
  void Assign(const TPersistent& aSource) override;
  TozkHTTPAuthentication_Token& Token() const { return *FToken; }
  void SetToken(const TozkHTTPAuthentication_Token& aValue) { FToken->Assign(aValue); }

 protected:
  std::unique_ptr<TozkHTTPAuthentication_Token> FToken;
};

// A write-only stream that hands every block written to it to OnWrite.
class TIdEventStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* ABuffer, int64_t ACount) override;
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override;
  int64_t Size() override { return FPosition; }
  void SetSize(int64_t) override {}

  std::function<void(const TIdBytes& ABuffer)> OnWrite;

 private:
  int64_t FPosition = 0;
};

class TozkIdHTTP;
using TozkHTTPSSEMessageEvent =
    std::function<void(TozkIdHTTP* Sender, const std::u16string& aMessage, bool& Cancel)>;
using TozkHTTPSSLVerifyPeerEvent = std::function<void(
    TozkIdHTTP* Sender, TIdX509* Certificate, bool AOk, int ADepth, int AError, bool& Accept)>;

class TozkIdHTTP : public TIdHTTP {
 public:
  explicit TozkIdHTTP(TComponent* AOwner = nullptr);
  ~TozkIdHTTP() override;

  static std::u16string GetVersion() { return u"2024.10.0"; }

  bool Log() const { return FLog; }
  // Switching off while on releases the log writer.
  void SetLog(bool AValue);
  TozkHttpLogFile& LogOptions() const { return *FLogOptions; }
  void SetLogOptions(const TozkHttpLogFile& AValue) { FLogOptions->Assign(AValue); }
  TozkIdHTTPTLS_Options& TLSOptions() const { return *FTLSOptions; }
  void SetTLSOptions(const TozkIdHTTPTLS_Options& AValue) { FTLSOptions->Assign(AValue); }
  TozkIdHTTPAuthentication_Options& Authentication() const { return *FAuthentication; }
  void SetAuthentication(const TozkIdHTTPAuthentication_Options& AValue) {
    FAuthentication->Assign(AValue);
  }
  TozkHTTPProxy_Options& Proxy() const { return *FProxy; }
  void SetProxy(const TozkHTTPProxy_Options& AValue) { FProxy->Assign(AValue); }

  // The TLS handler of HTTPS requests (created at the first one), or none.
  TIdSSLIOHandlerSocketOpenSSL* TLSHandler() const { return FTLSHandler.get(); }
  // The HTTP proxy tunnel attached to the I/O handler while Proxy is enabled (created at the
  // first such request), or none.
  TIdConnectThroughHttpProxy* ProxyHTTP() const { return FProxyHTTP.get(); }
  // The log writer while logging, or none.
  TozkIdLogFileBase* LogIntercept() const { return FLogIntercept.get(); }
  const std::u16string& AuthToken() const { return FAuthToken; }
  const std::u16string& AuthTokenType() const { return FAuthTokenType; }

  // A GET of an event stream: each block received is passed to OnSSEMessage as text (one
  // character per byte); a handler that sets Cancel closes the connection, which ends GetSSE
  // quietly.
  void GetSSE(const std::u16string& AURL, const std::u16string& aCharset = std::u16string());

  TozkHTTPSSEMessageEvent OnSSEMessage;
  TozkHTTPSSLVerifyPeerEvent OnSSLVerifyPeer;

  // The send-buffer size of every handler this client uses: request bodies (uploads) leave in
  // blocks of this size, which keeps the number of transport writes low.
  static constexpr int SendBlockSize = 1 << 20;

 protected:
  void MakeImplicitClientHandler() override;
  void PerformRequest(const std::u16string& AMethod, const std::u16string& AURL, TStream* ASource,
                      TStream* AResponseContent,
                      const std::vector<int16_t>& AIgnoreReplies) override;

  virtual std::u16string OnGetPasswordEvent();
  virtual void OnAuthTokenEvent(const std::u16string& AType, const std::u16string& AToken);
  virtual void OnAuthTokenErrorEvent(const std::u16string& AError,
                                     const std::u16string& ADescription);
  virtual void SetAuthToken(const std::u16string& AToken, const std::u16string& AType,
                            TDateTime AExpiry);
  virtual void ApplyAuthToken();
  virtual void OnEventStreamWriteEvent(const TIdBytes& ABuffer);

  // Creates and configures the TLS handler unless there is one.
  void CreateTLSHandler();
  // Proxy.Enabled: the handler of this request (the TLS handler, or the plain one created once)
  // connects through the HTTP proxy tunnel. Raises for a port outside 0..65535 and for SOCKS.
  void SetupProxy(bool ATLS);
  // Proxy switched off: a tunnel still attached to a kept handler is switched off too.
  void DisableProxy();

  std::unique_ptr<TIdSSLIOHandlerSocketOpenSSL> FTLSHandler;
  std::unique_ptr<TozkIdLogFileBase> FLogIntercept;
  bool FLog = false;
  std::unique_ptr<TozkHttpLogFile> FLogOptions;
  std::unique_ptr<TozkIdHTTPTLS_Options> FTLSOptions;
  std::u16string FAuthToken;
  std::u16string FAuthTokenType;
  TDateTime FAuthTokenExpiry = 0;
  std::unique_ptr<TozkIdHTTPAuthentication_Options> FAuthentication;
  std::unique_ptr<TozkHTTPProxy_Options> FProxy;
  std::unique_ptr<TIdIOHandlerStack> FProxyIOHandler;
  std::unique_ptr<TIdConnectThroughHttpProxy> FProxyHTTP;
  std::unique_ptr<TIdEventStream> FEventStream;

 private:
  std::mutex FTokenLock; // token events may arrive on the source's thread
};
