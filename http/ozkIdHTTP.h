// The HTTP/1.0 and HTTP/1.1 client engine: TIdCustomHTTP runs one request loop at a time over
// a TCP connection (TLS when the URL is HTTPS): it merges the URL with the previous one, opens
// or reuses the connection (directly, through a forward proxy or a CONNECT tunnel), writes the
// head in one transport write and the body, reads the status line and headers, and then
// follows a redirect, answers an authentication challenge, raises EIdHTTPProtocolException for
// an error status, or reads the body (ozkIdHTTPBody.cpp) and returns.
//
// Ownership: the engine owns its protocol records (request and response), the current URL,
// the proxy information and a cookie store it created itself. A cookie store, compressor or
// authentication manager set from outside stays the caller's; the engine forgets it when it is
// destroyed. The streams handed to a request belong to the caller and must live for the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStream.h"
#include "base/ozkStringList.h"
#include "http/ozkIdAuthentication.h"
#include "http/ozkIdConnectThroughHttpProxy.h"
#include "http/ozkIdCookie.h"
#include "http/ozkIdHTTPHeaderInfo.h"
#include "http/ozkIdMultipartFormData.h"
#include "http/ozkIdURI.h"
#include "http/ozkIdZLibCompressorBase.h"
#include "net/ozkIdEnumSet.h"
#include "net/ozkIdTCPClient.h"

class TIdCustomHTTP;

// --- Exceptions --------------------------------------------------------------------------------

class EIdReplyError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdReplyRFCError : public EIdReplyError {
 public:
  EIdReplyRFCError(int AErrorCode, std::u16string AMessage)
      : EIdReplyError(std::move(AMessage)), FErrorCode(AErrorCode) {}
  int ErrorCode() const noexcept { return FErrorCode; }

 protected:
  int FErrorCode;
};

// A status the engine did not accept. Message: the status line as received; ErrorCode: the
// status code; ErrorMessage: the response body decoded with the response's charset.
class EIdHTTPProtocolException : public EIdReplyRFCError {
 public:
  EIdHTTPProtocolException(int anErrCode, std::u16string asReplyMessage,
                           std::u16string asErrorMessage)
      : EIdReplyRFCError(anErrCode, std::move(asReplyMessage)),
        FErrorMessage(std::move(asErrorMessage)) {}
  static EIdHTTPProtocolException CreateError(int anErrCode, const std::u16string& asReplyMessage,
                                              const std::u16string& asErrorMessage) {
    return EIdHTTPProtocolException(anErrCode, asReplyMessage, asErrorMessage);
  }
  const std::u16string& ErrorMessage() const noexcept { return FErrorMessage; }

 private:
  std::u16string FErrorMessage;
};

// An error of the engine for a status line that is not "HTTP/1." digit, a space and three
// digits: ErrorCode -1, the message the line as received, no ErrorMessage (nothing after such a
// line is read). Malformed heads and bodies raise EIdHTTPMalformedReply.

// "Unknown Protocol": a URL without a usable port or scheme.
class EIdUnknownProtocol : public EIdException {
 public:
  EIdUnknownProtocol() : EIdException(u"Unknown Protocol") {}
  using EIdException::EIdException;
};

// "IOHandler value is not valid": an HTTPS request without a TLS handler to use.
class EIdIOHandlerPropInvalid : public EIdException {
 public:
  EIdIOHandlerPropInvalid() : EIdException(u"IOHandler value is not valid") {}
  using EIdException::EIdException;
};

// A TLS negotiation that a server refused at the protocol level.
class EIdSSLProtocolReplyError : public EIdException {
 public:
  using EIdException::EIdException;
};

// --- Enumerations ------------------------------------------------------------------------------

enum TIdHTTPProtocolVersion { pv1_0, pv1_1 };
enum TIdHTTPConnectionType { ctNormal, ctSSL, ctProxy, ctSSLProxy };
enum TIdHTTPWhatsNext { wnGoToURL, wnJustExit, wnDontKnow, wnReadAndGo, wnAuthRequest };
enum TIdHTTPOption {
  hoInProcessAuth,
  hoKeepOrigProtocol,
  hoForceEncodeParams,
  hoNonSSLProxyUseConnectVerb,
  hoNoParseMetaHTTPEquiv,
  hoWaitForUnexpectedData,
  hoTreat302Like303,
  hoNoProtocolErrorException,
  hoNoReadMultipartMIME,
  hoNoParseXmlCharset,
  hoWantProtocolErrorContent,
  hoNoReadChunked,
};
using TIdHTTPOptions = TIdEnumSet<TIdHTTPOption>;

// --- Events ------------------------------------------------------------------------------------

using TIdHTTPHeadersAvailableEvent =
    std::function<void(TIdCustomHTTP* Sender, TIdHeaderList& AHeaders, bool& VContinue)>;
using TIdHTTPOnRedirectEvent =
    std::function<void(TIdCustomHTTP* Sender, std::u16string& dest, int& NumRedirect, bool& Handled,
                       std::u16string& VMethod)>;
// AuthenticationClass starts as the factory the engine chose (empty when none).
using TIdOnSelectAuthorization = std::function<void(
    TIdCustomHTTP* Sender, TIdAuthenticationFactory& AuthenticationClass, TIdHeaderList& AuthInfo)>;
using TIdOnAuthorization =
    std::function<void(TIdCustomHTTP* Sender, TIdAuthentication* Authentication, bool& Handled)>;
using TIdHTTPChunkReceivedEvent = std::function<void(TIdCustomHTTP* Sender, TIdBytes& Chunk)>;

// --- Authentication manager --------------------------------------------------------------------

// Keeps the authentications that finished on a connection, by URL, so that a program can look
// them up later. The engine only adds to it.
class TIdAuthenticationManager : public TIdBaseComponent {
 public:
  struct TEntry {
    std::u16string URL;
    std::u16string Username;
    std::u16string Password;
    std::u16string Authorization; // the header value that was sent
  };

  explicit TIdAuthenticationManager(TComponent* AOwner = nullptr);
  ~TIdAuthenticationManager() override;

  virtual void AddAuthentication(TIdAuthentication& AAuthentication, const TIdURI& AURL);
  int Count() const { return static_cast<int>(FEntries.size()); }
  const TEntry& Items(int AIndex) const { return FEntries.at(static_cast<size_t>(AIndex)); }

 private:
  std::vector<TEntry> FEntries;
};

// --- Request and response records --------------------------------------------------------------

class TIdHTTPRequest : public TIdRequestHeaderInfo {
 public:
  explicit TIdHTTPRequest(TIdCustomHTTP* AHTTP);

  TIdCustomHTTP* HTTP() const { return FHTTP; }
  // The request target written on the request line (after preparation; before it, the URL
  // the caller gave).
  const std::u16string& URL() const { return FURL; }
  void SetURL(const std::u16string& AValue) { FURL = AValue; }
  const std::u16string& Method() const { return FMethod; }
  void SetMethod(const std::u16string& AValue) { FMethod = AValue; }
  // The body, or none (not owned).
  TStream* SourceStream() const { return FSourceStream; }
  void SetSourceStream(TStream* AValue) { FSourceStream = AValue; }
  TIdHTTPConnectionType UseProxy() const { return FUseProxy; }
  void SetUseProxy(TIdHTTPConnectionType AValue) { FUseProxy = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }
  // Host, ":" and port of the current connection's target.
  const std::u16string& Destination() const { return FDestination; }
  void SetDestination(const std::u16string& AValue) { FDestination = AValue; }

 protected:
  TIdCustomHTTP* FHTTP;
  std::u16string FURL;
  std::u16string FMethod;
  TStream* FSourceStream = nullptr;
  TIdHTTPConnectionType FUseProxy = ctNormal;
  TIdIPVersion FIPVersion = Id_IPv4;
  std::u16string FDestination;
};

class TIdHTTPResponse : public TIdResponseHeaderInfo {
 public:
  explicit TIdHTTPResponse(TIdCustomHTTP* AHTTP);
  ~TIdHTTPResponse() override;

  // Clears the header fields and the meta-tag headers; the status line stays.
  void Clear() override;

  TIdCustomHTTP* HTTP() const { return FHTTP; }
  // The status code, parsed from the status line on first use: the second word, cut at its
  // first "."; -1 when it is not a number or no status line was read.
  int ResponseCode();
  void SetResponseCode(int AValue) { FResponseCode = AValue; }
  const std::u16string& ResponseText() const { return FResponseText; }
  // Resets ResponseCode to -1 and takes the version from characters 6 to 8 ("1.0"/"1.1").
  void SetResponseText(const std::u16string& AValue);
  TIdHTTPProtocolVersion ResponseVersion() const { return FResponseVersion; }
  // Whether the connection stays open after this response, computed when read: the
  // connection is still open, the request did not ask to close it, and the response's
  // "Connection" (through a forward proxy "Proxy-Connection") says "keep-alive" under HTTP/1.0
  // or does not say "close" under HTTP/1.1.
  bool KeepAlive();
  // Forces the answer for this response (a 101, or a caller that stopped at the headers).
  void SetKeepAlive(bool AValue);
  // Where the body goes (not owned), or none.
  TStream* ContentStream() const { return FContentStream; }
  void SetContentStream(TStream* AValue) { FContentStream = AValue; }
  TIdMetaHTTPEquiv& MetaHTTPEquiv() { return *FMetaHTTPEquiv; }

 protected:
  TIdCustomHTTP* FHTTP;
  int FResponseCode = -1;
  bool FResponseCodeParsed = false;
  std::u16string FResponseText;
  bool FKeepAlive = false;
  bool FKeepAliveForced = false;
  TStream* FContentStream = nullptr;
  TIdHTTPProtocolVersion FResponseVersion = pv1_0;
  std::unique_ptr<TIdMetaHTTPEquiv> FMetaHTTPEquiv;
};

// One request record and one response record, and the steps of an exchange that work on them.
class TIdHTTPProtocol {
 public:
  explicit TIdHTTPProtocol(TIdCustomHTTP* AConnection);
  virtual ~TIdHTTPProtocol();
  TIdHTTPProtocol(const TIdHTTPProtocol&) = delete;
  TIdHTTPProtocol& operator=(const TIdHTTPProtocol&) = delete;

  TIdHTTPRequest& Request() { return *FRequest; }
  TIdHTTPResponse& Response() { return *FResponse; }

  // Builds the raw headers and writes the request line, every non-empty header line and the
  // empty line in one transport write. With AURI, the cookies for it are added last.
  void BuildAndSendRequest(const TIdURI* AURI);
  // Clears the response and reads header lines up to the empty line, or AMaxHeaderCount lines
  // when that is above 0; a read that fails disconnects (a graceful close ends the block,
  // anything else is raised again). Then the fields are parsed.
  void RetrieveHeaders(int AMaxHeaderCount);
  // What to do with the response just read (see the request loop of TIdCustomHTTP).
  TIdHTTPWhatsNext ProcessResponse(const std::vector<int16_t>& AIgnoreReplies);

 protected:
  // Raises EIdHTTPProtocolException for ACode unless hoNoProtocolErrorException is set or the
  // code is ignored; then the body is read (hoWantProtocolErrorContent) or discarded.
  void RaiseProtocolError(int ACode, const std::vector<int16_t>& AIgnoreReplies);
  void ReadContent();
  void DiscardContent();

  TIdCustomHTTP* FHTTP;
  std::unique_ptr<TIdHTTPRequest> FRequest;
  std::unique_ptr<TIdHTTPResponse> FResponse;
};

// --- The engine --------------------------------------------------------------------------------

class TIdCustomHTTP : public TIdTCPClientCustom {
 public:
  explicit TIdCustomHTTP(TComponent* AOwner = nullptr);
  ~TIdCustomHTTP() override;

  // --- Request operations. Each runs PerformRequest; the text forms read the body into a
  // memory stream and decode it with the response's charset (each byte one character when it
  // names none or one this system does not know). ---
  void Get(const std::u16string& AURL, TStream* AResponseContent);
  void Get(const std::u16string& AURL, TStream* AResponseContent,
           const std::vector<int16_t>& AIgnoreReplies);
  std::u16string Get(const std::u16string& AURL);
  std::u16string Get(const std::u16string& AURL, const std::vector<int16_t>& AIgnoreReplies);

  // Every Post is sent as HTTP/1.0 on a new connection unless hoKeepOrigProtocol is set; the
  // protocol version is restored afterwards.
  void Post(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent);
  std::u16string Post(const std::u16string& AURL, TStream& ASource);
  // The file, opened for reading with writes by others denied.
  void Post(const std::u16string& AURL, const std::u16string& ASourceFile,
            TStream* AResponseContent);
  std::u16string Post(const std::u16string& AURL, const std::u16string& ASourceFile);
  // Form fields "name=value", encoded (hoForceEncodeParams) in AByteEncoding (UTF-8 when none)
  // and joined with "&".
  void Post(const std::u16string& AURL, const TStringList& ASource, TStream* AResponseContent,
            const IIdTextEncodingPtr& AByteEncoding = nullptr);
  std::u16string Post(const std::u16string& AURL, const TStringList& ASource,
                      const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Request.ContentType becomes the stream's RequestContentType. A null stream raises
  // EAssertionFailed before anything is sent.
  void Post(const std::u16string& AURL, TIdMultiPartFormDataStream* ASource,
            TStream* AResponseContent);
  std::u16string Post(const std::u16string& AURL, TIdMultiPartFormDataStream* ASource);

  void Put(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent);
  std::u16string Put(const std::u16string& AURL, TStream& ASource);
  void Patch(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent);
  std::u16string Patch(const std::u16string& AURL, TStream& ASource);
  void Delete(const std::u16string& AURL, TStream* AResponseContent);
  std::u16string Delete(const std::u16string& AURL);
  // aBody encoded in the system's ANSI code page.
  std::u16string Delete(const std::u16string& AURL, const std::u16string& aBody);
  void Options(const std::u16string& AURL, TStream* AResponseContent);
  std::u16string Options(const std::u16string& AURL);
  void Trace(const std::u16string& AURL, TStream* AResponseContent);
  std::u16string Trace(const std::u16string& AURL);
  void Head(const std::u16string& AURL);

  // The form-field body of Post with a string list, as text.
  std::u16string SetRequestParams(const TStringList& ASource,
                                  const IIdTextEncodingPtr& AByteEncoding);

  // --- Properties ---
  bool AllowCookies() const { return FAllowCookies; }
  void SetAllowCookies(bool AValue) { FAllowCookies = AValue; }
  // Not owned when set from outside; an engine-made store is freed with the engine.
  TIdCookieManager* CookieManager() const { return FCookieManager; }
  void SetCookieManager(TIdCookieManager* AValue);
  TIdZLibCompressorBase* Compressor() const { return FCompressor; }
  void SetCompressor(TIdZLibCompressorBase* AValue);
  TIdAuthenticationManager* AuthenticationManager() const { return FAuthenticationManager; }
  void SetAuthenticationManager(TIdAuthenticationManager* AValue);
  bool HandleRedirects() const { return FHandleRedirects; }
  void SetHandleRedirects(bool AValue) { FHandleRedirects = AValue; }
  TIdHTTPOptions HTTPOptions() const { return FOptions; }
  void SetHTTPOptions(TIdHTTPOptions AValue) { FOptions = AValue; }
  int MaxAuthRetries() const { return FMaxAuthRetries; }
  void SetMaxAuthRetries(int AValue) { FMaxAuthRetries = AValue; }
  int MaxHeaderLines() const { return FMaxHeaderLines; }
  void SetMaxHeaderLines(int AValue) { FMaxHeaderLines = AValue; }
  TIdHTTPProtocolVersion ProtocolVersion() const { return FProtocolVersion; }
  void SetProtocolVersion(TIdHTTPProtocolVersion AValue) { FProtocolVersion = AValue; }
  TIdProxyConnectionInfo& ProxyParams() { return *FProxyParameters; }
  int RedirectMaximum() const { return FRedirectMax; }
  void SetRedirectMaximum(int AValue) { FRedirectMax = AValue; }
  int RedirectCount() const { return FRedirectCount; }
  int AuthRetries() const { return FAuthRetries; }
  int AuthProxyRetries() const { return FAuthProxyRetries; }
  TIdHTTPRequest& Request() { return FHTTPProto->Request(); }
  TIdHTTPResponse& Response() { return FHTTPProto->Response(); }
  int ResponseCode() { return Response().ResponseCode(); }
  const std::u16string& ResponseText() { return Response().ResponseText(); }
  // The URL of the current request, merged with the previous one.
  TIdURI& URL() { return *FURI; }

  TIdHTTPHeadersAvailableEvent OnHeadersAvailable;
  TIdHTTPOnRedirectEvent OnRedirect;
  TIdOnSelectAuthorization OnSelectAuthorization;
  TIdOnSelectAuthorization OnSelectProxyAuthorization;
  TIdOnAuthorization OnAuthorization;
  TIdOnAuthorization OnProxyAuthorization;
  TIdHTTPChunkReceivedEvent OnChunkReceived;

  // Bodies move between the connection and the streams in pieces of at most this many bytes,
  // so a claimed length (or chunk size) never decides how much memory is reserved.
  static constexpr int64_t BodyPieceSize = 1 << 20;
  // At most this much of an error response's body is kept for the exception's ErrorMessage;
  // the rest is read and dropped.
  static constexpr int64_t MaxErrorBodySize = 4 << 20;
  // How long the body reader waits for a body that the response says it has not (a HEAD,
  // 1xx, 204 or 304 answer, with hoWaitForUnexpectedData), and for the body of a redirect
  // without a length.
  static constexpr int UnexpectedBodyWait = 100;
  static constexpr int RedirectBodyWait = 5000;
  // Empty lines skipped before a status line; one more ends the reply as malformed.
  static constexpr int MaxBlankLinesBeforeStatus = 8;

 protected:
  friend class TIdHTTPProtocol;
  friend class TIdHTTPResponse;

  // The request loop. AResponseContent may be null (the body is discarded).
  virtual void PerformRequest(const std::u16string& AMethod, const std::u16string& AURL,
                              TStream* ASource, TStream* AResponseContent,
                              const std::vector<int16_t>& AIgnoreReplies);
  virtual std::unique_ptr<TIdHTTPProtocol> MakeProtocol();
  virtual bool AnswerAuthChallenge(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  virtual bool AnswerProxyAuthChallenge(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  virtual bool ConfirmRedirect(std::u16string& VLocation, std::u16string& VMethod,
                               int ARedirectCount);

  // Moves the response body into AResponse's content stream, or discards it when there is
  // none (ozkIdHTTPBody.cpp).
  virtual void ReadBody(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  // A line through the handler; EIdReadTimeout "Read timed out." when the read timed out.
  std::u16string InternalReadLn();
  // Checks the framing fields of a response head just read (ozkIdHTTPBody.cpp): every
  // Content-Length field and list member must be the same decimal number, which becomes the
  // response's ContentLength (EIdHTTPMalformedReply otherwise). With a Transfer-Encoding the
  // length is ignored, and when both are present the connection is not kept alive.
  void CheckResponseFraming(TIdHTTPResponse& AResponse);

  void Notification(TComponent* AComponent, TOperation AOperation) override;
  void DoOnDisconnected() override;

  // Steps of the request loop.
  void PrepareRequest(TIdHTTPRequest& ARequest);
  void ConnectToHost(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  void CheckAndConnect(TIdHTTPResponse& AResponse);
  void MakeTunnel(TIdHTTPRequest& ARequest);
  void ProcessCookies(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  // Status line, then headers; interim 1xx responses other than 101 are skipped.
  void ReadResponseHead(TIdHTTPProtocol& AProtocol);
  // Runs the request and decodes the body as text.
  std::u16string DoRequestText(const std::u16string& AMethod, const std::u16string& AURL,
                               TStream* ASource, const std::vector<int16_t>& AIgnoreReplies);
  // Post's protocol-version rule around ABody.
  void WithPostProtocol(const std::function<void()>& ABody);
  bool IsProxyConnection() const;
  // Disconnects and drops whatever the peer sent that was not read.
  void DropConnection();

  int FAuthRetries = 0;
  int FAuthProxyRetries = 0;
  TIdCookieManager* FCookieManager = nullptr;
  TIdZLibCompressorBase* FCompressor = nullptr;
  bool FImplicitCookieManager = false;
  int FMaxAuthRetries = 3;
  int FMaxHeaderLines = 255;
  bool FAllowCookies = true;
  TIdAuthenticationManager* FAuthenticationManager = nullptr;
  TIdHTTPProtocolVersion FProtocolVersion = pv1_1;
  int FRedirectCount = 0;
  int FRedirectMax = 15;
  bool FHandleRedirects = false;
  TIdHTTPOptions FOptions{hoForceEncodeParams};
  std::unique_ptr<TIdURI> FURI;
  std::unique_ptr<TIdHTTPProtocol> FHTTPProto;
  std::unique_ptr<TIdProxyConnectionInfo> FProxyParameters;
  std::unique_ptr<TIdCookieManager> FOwnedCookieManager;

 private:
  void ReadChunked(TIdHTTPResponse& AResponse, TStream* ADest);
  void ReadCounted(TStream* ADest, int64_t ACount);
  void ReadMultipartMIME(TIdHTTPResponse& AResponse, TStream* ADest);
  void ReadUntilClose(TStream* ADest);
  // Bytes already buffered, or bytes arriving within AMSec.
  bool DataArrives(int AMSec);

  std::u16string FTunnelDestination; // what the current CONNECT tunnel leads to
};

// Whether ALine is a status line the engine reads: "HTTP/1." digit, a space, three digits,
// then the end of the line or a space and the reason phrase (RFC 9112, section 4).
bool IsHTTPStatusLine(std::u16string_view ALine);
// Whether "chunked" is the final transfer coding of all Transfer-Encoding fields of AHeaders
// taken together (RFC 9112, section 6.3); a body with any other final coding runs until the
// close.
bool IdIsChunkedTransfer(const TIdHeaderList& AHeaders);

// The charset an XML body declares (XML 1.0, Appendix F): a byte-order mark, else the
// encoding of an XML declaration in one of the recognised byte orders, else "UTF-8".
std::u16string DetectXMLCharset(const std::vector<uint8_t>& AData);

// The engine with its properties published; nothing else differs.
class TIdHTTP : public TIdCustomHTTP {
 public:
  using TIdCustomHTTP::PerformRequest;
  using TIdCustomHTTP::TIdCustomHTTP;
};
