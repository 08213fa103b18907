#include "http/ozkIdHTTP.h"

#include <algorithm>

#include "base/ozkText.h"
#include "http/ozkIdGlobalProtocols.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkIdSSLOpenSSL.h"

namespace {

const char16_t* const CRLF = u"\r\n";

bool IsHTTPS(std::u16string_view AProtocol) {
  return SameText(AProtocol, u"https");
}

std::u16string DecodeBytes(const uint8_t* AData, size_t ASize, const std::u16string& ACharSet) {
  if (ASize == 0) return std::u16string();
  return TextEncodingOfCharset(ACharSet)->GetString(AData, static_cast<int>(ASize));
}

// Resolves "." and ".." segments of an absolute path.
std::u16string ResolveDotSegments(const std::u16string& APath) {
  std::vector<std::u16string> out;
  size_t i = 0;
  const bool trailingSlash = !APath.empty() && APath.back() == u'/';
  while (i <= APath.size()) {
    size_t j = APath.find(u'/', i);
    if (j == std::u16string::npos) j = APath.size();
    std::u16string seg = APath.substr(i, j - i);
    if (seg == u"..") {
      if (!out.empty()) out.pop_back();
    } else if (!seg.empty() && seg != u".") {
      out.push_back(seg);
    }
    i = j + 1;
  }
  std::u16string result = u"/";
  for (size_t k = 0; k < out.size(); ++k) {
    result += out[k];
    if (k + 1 < out.size()) result += u"/";
  }
  // A path that ended in "/", ".", or ".." names a folder and keeps its slash.
  bool folder = trailingSlash || EndsText(u"/.", APath) || EndsText(u"/..", APath);
  if (folder && result.size() > 1) result += u"/";
  return result;
}

// Keeps the first AMax bytes written and drops the rest, while reporting every write as done,
// so that a huge error body costs bounded memory.
class TCappedMemoryStream : public TStream {
 public:
  explicit TCappedMemoryStream(int64_t AMax) : FMax(AMax) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* ABuffer, int64_t ACount) override {
    if (ACount <= 0) return 0;
    int64_t keep = std::min<int64_t>(ACount, FMax - static_cast<int64_t>(FData.size()));
    if (keep > 0) {
      const auto* p = static_cast<const uint8_t*>(ABuffer);
      FData.insert(FData.end(), p, p + keep);
    }
    FPosition += ACount;
    return ACount;
  }
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override {
    if (AOrigin == TSeekOrigin::soBeginning)
      FPosition = AOffset;
    else if (AOrigin == TSeekOrigin::soCurrent)
      FPosition += AOffset;
    else
      FPosition = FPosition + AOffset;
    return FPosition;
  }
  int64_t Size() override { return FPosition; }
  void SetSize(int64_t) override {}
  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  int64_t FMax;
  int64_t FPosition = 0;
  std::vector<uint8_t> FData;
};

// Keeps a socket corked while one request's head and body are written. The head and each body
// block stay separate writes (the interceptor and the traffic log see every block); with
// Nagle's algorithm on, the body's first small segment would otherwise wait for the
// acknowledgement of the head, which the server delays while it waits for the body (about 40 ms
// per request). Corked, the system sends full segments as they fill and the rest when the guard
// uncorks. Both are best effort: a socket that refuses the option is written to as it is, and a
// failed uncork only lets the system's own cork timer (200 ms) send what is held; neither may
// replace the outcome of the request, an exception that is under way included.
class TRequestCork {
 public:
  explicit TRequestCork(TIdIOHandlerSocket* ASocket) {
    if (!ASocket || !ASocket->BindingAllocated()) return;
    try {
      ASocket->Binding()->SetCorked(true);
      FBinding = ASocket->Binding();
    } catch (const EIdException&) {
    }
  }
  ~TRequestCork() {
    // A write that failed may have closed the socket; its number may then belong to another.
    if (!FBinding || !FBinding->HandleAllocated()) return;
    try {
      FBinding->SetCorked(false);
    } catch (const EIdException&) {
    }
  }
  TRequestCork(const TRequestCork&) = delete;
  TRequestCork& operator=(const TRequestCork&) = delete;

 private:
  // The handler's binding lives as long as the handler, which outlives the request.
  TIdSocketHandle* FBinding = nullptr;
};

} // namespace

bool IsHTTPStatusLine(std::u16string_view ALine) {
  auto digit = [&](size_t i) { return ALine[i] >= u'0' && ALine[i] <= u'9'; };
  // "HTTP/1." digit, a space, three digits, then the end or a space and the reason. Only major
  // version 1 speaks this syntax; a minor version above 1 is read as 1.1.
  if (ALine.size() < 12 || ALine.substr(0, 7) != u"HTTP/1." || !digit(7) || ALine[8] != u' ')
    return false;
  if (!digit(9) || !digit(10) || !digit(11)) return false;
  return ALine.size() == 12 || ALine[12] == u' ';
}

// --- TIdAuthenticationManager ------------------------------------------------------------------

TIdAuthenticationManager::TIdAuthenticationManager(TComponent* AOwner) : TIdBaseComponent(AOwner) {}
TIdAuthenticationManager::~TIdAuthenticationManager() = default;

void TIdAuthenticationManager::AddAuthentication(TIdAuthentication& AAuthentication,
                                                 const TIdURI& AURL) {
  TEntry e;
  TIdURI copy = AURL;
  e.URL = copy.URI();
  e.Username = AAuthentication.Username();
  e.Password = AAuthentication.Password();
  e.Authorization = AAuthentication.Params().GetValue(u"Authorization");
  FEntries.push_back(std::move(e));
}

// --- TIdHTTPRequest / TIdHTTPResponse ------------------------------------------------------------

TIdHTTPRequest::TIdHTTPRequest(TIdCustomHTTP* AHTTP)
    : TIdRequestHeaderInfo(nullptr), FHTTP(AHTTP) {}

TIdHTTPResponse::TIdHTTPResponse(TIdCustomHTTP* AHTTP)
    : TIdResponseHeaderInfo(nullptr), FHTTP(AHTTP),
      FMetaHTTPEquiv(std::make_unique<TIdMetaHTTPEquiv>(nullptr)) {}

TIdHTTPResponse::~TIdHTTPResponse() = default;

void TIdHTTPResponse::Clear() {
  TIdResponseHeaderInfo::Clear();
  if (FMetaHTTPEquiv) FMetaHTTPEquiv->Clear();
}

void TIdHTTPResponse::SetResponseText(const std::u16string& AValue) {
  FResponseText = AValue;
  FResponseCode = -1;
  FResponseCodeParsed = false;
  FKeepAliveForced = false;
  FResponseVersion = pv1_0;
  if (AValue.size() >= 8) {
    std::u16string_view version = std::u16string_view(AValue).substr(5, 3);
    if (SameText(version, u"1.1")) FResponseVersion = pv1_1;
  }
}

int TIdHTTPResponse::ResponseCode() {
  if (!FResponseCodeParsed && FResponseCode == -1 && !FResponseText.empty()) {
    FResponseCodeParsed = true;
    FResponseCode = IdHTTPStatusCode(FResponseText);
  }
  return FResponseCode;
}

void TIdHTTPResponse::SetKeepAlive(bool AValue) {
  FKeepAlive = AValue;
  FKeepAliveForced = true;
}

bool TIdHTTPResponse::KeepAlive() {
  if (FHTTP->Connected()) {
    if (TIdIOHandler* io = FHTTP->IOHandler()) io->CheckForDisconnect(false);
  }
  const bool connected = FHTTP->Connected();
  if (FKeepAliveForced) return FKeepAlive && connected;
  FKeepAlive = connected;
  if (!FKeepAlive) return false;
  const bool proxy = FHTTP->IsProxyConnection();
  TIdHTTPRequest& request = FHTTP->Request();
  const std::u16string& asked = proxy ? request.ProxyConnection() : request.Connection();
  if (SameText(Trim(asked), u"close")) {
    FKeepAlive = false;
    return false;
  }
  const std::u16string answer = Trim(proxy ? ProxyConnection() : Connection());
  if (FHTTP->ProtocolVersion() == pv1_0)
    FKeepAlive = SameText(answer, u"keep-alive");
  else
    FKeepAlive = !SameText(answer, u"close");
  return FKeepAlive;
}

// --- TIdHTTPProtocol ---------------------------------------------------------------------------

TIdHTTPProtocol::TIdHTTPProtocol(TIdCustomHTTP* AConnection)
    : FHTTP(AConnection), FRequest(std::make_unique<TIdHTTPRequest>(AConnection)),
      FResponse(std::make_unique<TIdHTTPResponse>(AConnection)) {}

TIdHTTPProtocol::~TIdHTTPProtocol() = default;

void TIdHTTPProtocol::BuildAndSendRequest(const TIdURI* AURI) {
  if (TIdAuthentication* auth = FRequest->Authentication())
    auth->SetRequest(FRequest->Method(), FRequest->URL());
  FRequest->BuildRawHeaders();
  FHTTP->ProxyParams().SetHeaders(FRequest->RawHeaders());
  if (AURI && FHTTP->AllowCookies() && FHTTP->CookieManager())
    FHTTP->CookieManager()->GenerateClientCookies(*AURI, FRequest->RawHeaders());

  TIdIOHandler* io = FHTTP->IOHandler();
  const bool opened = !io->WriteBufferingActive();
  if (opened) io->WriteBufferOpen();
  try {
    io->WriteLn(FRequest->Method() + u" " + FRequest->URL() + u" HTTP/" +
                (FHTTP->ProtocolVersion() == pv1_0 ? u"1.0" : u"1.1"));
    for (const auto& line : FRequest->RawHeaders())
      if (!line.empty()) io->WriteLn(line);
    io->WriteLn();
    if (opened) io->WriteBufferClose();
  } catch (...) {
    if (opened) io->WriteBufferCancel();
    throw;
  }
}

void TIdHTTPProtocol::RetrieveHeaders(int AMaxHeaderCount) {
  FResponse->Clear();
  try {
    TIdIOHandler* io = FHTTP->IOHandler();
    if (!io) throw EIdNotConnected();
    IdReadHTTPHeaderLines(*io, FResponse->RawHeaders(), AMaxHeaderCount);
  } catch (const EIdConnClosedGracefully&) {
    // Without its empty line a head may have lost the very field that frames the body.
    FHTTP->DropConnection();
    throw EIdHTTPMalformedReply(u"Connection closed before the end of the response head");
  } catch (...) {
    FHTTP->DropConnection();
    throw;
  }
  FResponse->ParseRawHeaders();
}

void TIdHTTPProtocol::ReadContent() {
  FHTTP->ReadBody(*FRequest, *FResponse);
}

void TIdHTTPProtocol::DiscardContent() {
  TStream* saved = FResponse->ContentStream();
  FResponse->SetContentStream(nullptr);
  try {
    FHTTP->ReadBody(*FRequest, *FResponse);
  } catch (...) {
    FResponse->SetContentStream(saved);
    throw;
  }
  FResponse->SetContentStream(saved);
}

void TIdHTTPProtocol::RaiseProtocolError(int ACode, const std::vector<int16_t>& AIgnoreReplies) {
  const bool ignored =
      std::find(AIgnoreReplies.begin(), AIgnoreReplies.end(), ACode) != AIgnoreReplies.end();
  if (FHTTP->HTTPOptions().Contains(hoNoProtocolErrorException) || ignored) {
    if (FHTTP->HTTPOptions().Contains(hoWantProtocolErrorContent))
      ReadContent();
    else
      DiscardContent();
    return;
  }
  TCappedMemoryStream body(TIdCustomHTTP::MaxErrorBodySize);
  TStream* saved = FResponse->ContentStream();
  FResponse->SetContentStream(&body);
  try {
    FHTTP->ReadBody(*FRequest, *FResponse);
  } catch (const EIdConnClosedGracefully&) {
    FResponse->SetContentStream(saved);
    FHTTP->Disconnect();
  } catch (...) {
    FResponse->SetContentStream(saved);
    FHTTP->Disconnect();
    throw;
  }
  FResponse->SetContentStream(saved);
  throw EIdHTTPProtocolException(
      ACode, FResponse->ResponseText(),
      DecodeBytes(body.Data().data(), body.Data().size(), FResponse->CharSet()));
}

TIdHTTPWhatsNext TIdHTTPProtocol::ProcessResponse(const std::vector<int16_t>& AIgnoreReplies) {
  if (FHTTP->OnHeadersAvailable) {
    bool proceed = true;
    FHTTP->OnHeadersAvailable(FHTTP, FResponse->RawHeaders(), proceed);
    if (!proceed) {
      FResponse->SetKeepAlive(false);
      FResponse->SetConnection(u"close");
      return wnJustExit;
    }
  }
  const int code = FResponse->ResponseCode();
  const TIdHTTPOptions options = FHTTP->HTTPOptions();

  if (code / 100 == 3 && code != 304) {
    if (FResponse->Location().empty()) {
      RaiseProtocolError(code, AIgnoreReplies);
      return wnJustExit;
    }
    ++FHTTP->FRedirectCount;
    std::u16string location = FResponse->Location();
    std::u16string method = FRequest->Method();
    if (!FHTTP->ConfirmRedirect(location, method, FHTTP->FRedirectCount)) {
      RaiseProtocolError(code, AIgnoreReplies);
      return wnJustExit;
    }
    const bool follow =
        FHTTP->HandleRedirects() && FHTTP->FRedirectCount < FHTTP->RedirectMaximum();
    // The body of the redirect is dropped before the request changes (a HEAD stays a HEAD for
    // the question whether a body follows).
    if (FHTTP->Connected()) DiscardContent();
    if (!follow) {
      FResponse->SetLocation(location);
      return wnJustExit;
    }
    FRequest->SetURL(location);
    if (code == 303 || (code == 302 && options.Contains(hoTreat302Like303))) {
      FRequest->SetSourceStream(nullptr);
      FRequest->SetMethod(u"GET");
    } else {
      FRequest->SetMethod(method);
    }
    FRequest->SetMethodOverride(u"");
    return wnGoToURL;
  }

  if (code / 100 != 2) {
    if (code == 101) {
      FResponse->SetKeepAlive(true);
      return wnJustExit;
    }
    if (code == 401 || code == 407) {
      const bool proxy = code == 407;
      const int answered = proxy ? FHTTP->FAuthProxyRetries : FHTTP->FAuthRetries;
      bool accepted = answered < FHTTP->MaxAuthRetries() &&
                      (proxy ? FHTTP->AnswerProxyAuthChallenge(*FRequest, *FResponse)
                             : FHTTP->AnswerAuthChallenge(*FRequest, *FResponse));
      if (!accepted) {
        TIdAuthentication* auth =
            proxy ? FHTTP->ProxyParams().Authentication() : FRequest->Authentication();
        if (auth) auth->Reset();
        RaiseProtocolError(code, AIgnoreReplies);
        return wnJustExit;
      }
      // A CONNECT has no response for the caller: an answered proxy challenge is retried.
      if (options.Contains(hoInProcessAuth) ||
          (proxy && SameText(FRequest->Method(), u"CONNECT"))) {
        DiscardContent();
        return wnAuthRequest;
      }
    } else {
      RaiseProtocolError(code, AIgnoreReplies);
      return wnJustExit;
    }
  }

  const std::u16string& method =
      FRequest->MethodOverride().empty() ? FRequest->Method() : FRequest->MethodOverride();
  if (SameText(method, u"HEAD") || code == 204)
    DiscardContent();
  else
    ReadContent();
  return wnJustExit;
}

// --- TIdCustomHTTP -----------------------------------------------------------------------------

TIdCustomHTTP::TIdCustomHTTP(TComponent* AOwner)
    : TIdTCPClientCustom(AOwner), FURI(std::make_unique<TIdURI>()),
      FProxyParameters(std::make_unique<TIdProxyConnectionInfo>()) {
  FHTTPProto = MakeProtocol();
  FProxyParameters->Clear();
}

TIdCustomHTTP::~TIdCustomHTTP() {
  try {
    Disconnect();
  } catch (...) {
  }
  if (FCookieManager && !FImplicitCookieManager) RemoveFreeNotification(FCookieManager);
  if (FCompressor) RemoveFreeNotification(FCompressor);
  if (FAuthenticationManager) RemoveFreeNotification(FAuthenticationManager);
}

std::unique_ptr<TIdHTTPProtocol> TIdCustomHTTP::MakeProtocol() {
  return std::make_unique<TIdHTTPProtocol>(this);
}

void TIdCustomHTTP::SetCookieManager(TIdCookieManager* AValue) {
  if (AValue == FCookieManager) return;
  if (FCookieManager && !FImplicitCookieManager) RemoveFreeNotification(FCookieManager);
  FOwnedCookieManager.reset();
  FImplicitCookieManager = false;
  FCookieManager = AValue;
  if (AValue) FreeNotification(AValue);
}

void TIdCustomHTTP::SetCompressor(TIdZLibCompressorBase* AValue) {
  if (AValue == FCompressor) return;
  if (FCompressor) RemoveFreeNotification(FCompressor);
  FCompressor = AValue;
  if (AValue) FreeNotification(AValue);
}

void TIdCustomHTTP::SetAuthenticationManager(TIdAuthenticationManager* AValue) {
  if (AValue == FAuthenticationManager) return;
  if (FAuthenticationManager) RemoveFreeNotification(FAuthenticationManager);
  FAuthenticationManager = AValue;
  if (AValue) FreeNotification(AValue);
}

void TIdCustomHTTP::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove) {
    if (AComponent == FCookieManager && !FImplicitCookieManager) FCookieManager = nullptr;
    if (AComponent == FCompressor) FCompressor = nullptr;
    if (AComponent == FAuthenticationManager) FAuthenticationManager = nullptr;
  }
  TIdTCPClientCustom::Notification(AComponent, AOperation);
}

void TIdCustomHTTP::DoOnDisconnected() {
  TIdHTTPRequest& request = Request();
  if (TIdAuthentication* auth = request.Authentication(); auth && auth->CurrentStep() > 0) {
    if (FAuthenticationManager) FAuthenticationManager->AddAuthentication(*auth, *FURI);
    request.SetAuthentication(nullptr);
  }
  if (TIdAuthentication* auth = FProxyParameters->Authentication(); auth && auth->CurrentStep() > 0)
    auth->Reset();
  TIdTCPClientCustom::DoOnDisconnected();
}

bool TIdCustomHTTP::IsProxyConnection() const {
  return FHTTPProto && FHTTPProto->Request().UseProxy() == ctProxy;
}

std::u16string TIdCustomHTTP::InternalReadLn() {
  TIdIOHandler* io = IOHandler();
  if (!io) throw EIdNotConnected();
  return IdReadHTTPHeadLine(*io);
}

// --- Request operations --------------------------------------------------------------------------

std::u16string TIdCustomHTTP::DoRequestText(const std::u16string& AMethod,
                                            const std::u16string& AURL, TStream* ASource,
                                            const std::vector<int16_t>& AIgnoreReplies) {
  TMemoryStream body;
  PerformRequest(AMethod, AURL, ASource, &body, AIgnoreReplies);
  return DecodeBytes(body.Memory(), body.Bytes().size(), Response().CharSet());
}

void TIdCustomHTTP::Get(const std::u16string& AURL, TStream* AResponseContent) {
  PerformRequest(u"GET", AURL, nullptr, AResponseContent, {});
}
void TIdCustomHTTP::Get(const std::u16string& AURL, TStream* AResponseContent,
                        const std::vector<int16_t>& AIgnoreReplies) {
  PerformRequest(u"GET", AURL, nullptr, AResponseContent, AIgnoreReplies);
}
std::u16string TIdCustomHTTP::Get(const std::u16string& AURL) {
  return DoRequestText(u"GET", AURL, nullptr, {});
}
std::u16string TIdCustomHTTP::Get(const std::u16string& AURL,
                                  const std::vector<int16_t>& AIgnoreReplies) {
  return DoRequestText(u"GET", AURL, nullptr, AIgnoreReplies);
}

void TIdCustomHTTP::WithPostProtocol(const std::function<void()>& ABody) {
  const TIdHTTPProtocolVersion saved = FProtocolVersion;
  if (!FOptions.Contains(hoKeepOrigProtocol)) {
    if (Connected()) Disconnect();
    FProtocolVersion = pv1_0;
  }
  try {
    ABody();
  } catch (...) {
    FProtocolVersion = saved;
    throw;
  }
  FProtocolVersion = saved;
}

void TIdCustomHTTP::Post(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent) {
  WithPostProtocol([&] { PerformRequest(u"POST", AURL, &ASource, AResponseContent, {}); });
}
std::u16string TIdCustomHTTP::Post(const std::u16string& AURL, TStream& ASource) {
  std::u16string result;
  WithPostProtocol([&] { result = DoRequestText(u"POST", AURL, &ASource, {}); });
  return result;
}
void TIdCustomHTTP::Post(const std::u16string& AURL, const std::u16string& ASourceFile,
                         TStream* AResponseContent) {
  TIdReadFileExclusiveStream file(ASourceFile);
  Post(AURL, file, AResponseContent);
}
std::u16string TIdCustomHTTP::Post(const std::u16string& AURL, const std::u16string& ASourceFile) {
  TIdReadFileExclusiveStream file(ASourceFile);
  return Post(AURL, file);
}

std::u16string TIdCustomHTTP::SetRequestParams(const TStringList& ASource,
                                               const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr enc = AByteEncoding ? AByteEncoding : TextEncodingOfKind(tekUTF8);
  auto encodePart = [&](std::u16string_view AText) {
    std::u16string out;
    for (size_t i = 0; i < AText.size(); ++i) {
      char16_t c = AText[i];
      if (c == u' ') {
        out += u'+';
      } else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                 c == u'*' || c == u'-' || c == u'.' || c == u'_') {
        out += c;
      } else {
        size_t n = (c >= 0xD800 && c <= 0xDBFF && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 &&
                    AText[i + 1] <= 0xDFFF)
                       ? 2
                       : 1;
        std::u16string_view ch = AText.substr(i, n);
        TIdBytes bytes = enc->GetBytes(ch);
        if (bytes.size() == 1 && bytes[0] == '?') {
          uint32_t code = n == 2 ? 0x10000 + ((ch[0] - 0xD800) << 10) + (ch[1] - 0xDC00) : c;
          (out += u"&#") += UIntToStr(code);
          out += u';';
        } else {
          for (uint8_t b : bytes) (out += u'%') += IntToHex(b, 2);
        }
        i += n - 1;
      }
    }
    return out;
  };
  TStringList lines;
  for (const auto& line : ASource) {
    if (!FOptions.Contains(hoForceEncodeParams)) {
      lines.Add(line);
      continue;
    }
    size_t eq = line.find(u'=');
    if (eq == std::u16string::npos)
      lines.Add(encodePart(line));
    else
      lines.Add(encodePart(std::u16string_view(line).substr(0, eq)) + u"=" +
                encodePart(std::u16string_view(line).substr(eq + 1)));
  }
  if (lines.Count() == 1) return Trim(lines[0]);
  return ReplaceAll(Trim(lines.Text()), CRLF, u"&");
}

void TIdCustomHTTP::Post(const std::u16string& AURL, const TStringList& ASource,
                         TStream* AResponseContent, const IIdTextEncodingPtr& AByteEncoding) {
  const std::u16string& type = Request().ContentType();
  if (type.empty() ||
      MediaTypeIsOneOf(type, {u"text/html", u"text/html-sandboxed", u"application/xhtml+xml"}))
    Request().SetContentType(u"application/x-www-form-urlencoded");
  const IIdTextEncodingPtr enc = AByteEncoding ? AByteEncoding : TextEncodingOfKind(tekUTF8);
  TMemoryStream body;
  TIdBytes bytes = TextToBytes(SetRequestParams(ASource, AByteEncoding), enc);
  body.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  Post(AURL, body, AResponseContent);
}
std::u16string TIdCustomHTTP::Post(const std::u16string& AURL, const TStringList& ASource,
                                   const IIdTextEncodingPtr& AByteEncoding) {
  TMemoryStream response;
  Post(AURL, ASource, &response, AByteEncoding);
  return DecodeBytes(response.Memory(), response.Bytes().size(), Response().CharSet());
}

void TIdCustomHTTP::Post(const std::u16string& AURL, TIdMultiPartFormDataStream* ASource,
                         TStream* AResponseContent) {
  if (!ASource) throw EAssertionFailed(u"Assertion failed: multipart form data stream is required");
  Request().SetContentType(ASource->RequestContentType());
  Post(AURL, static_cast<TStream&>(*ASource), AResponseContent);
}
std::u16string TIdCustomHTTP::Post(const std::u16string& AURL,
                                   TIdMultiPartFormDataStream* ASource) {
  if (!ASource) throw EAssertionFailed(u"Assertion failed: multipart form data stream is required");
  Request().SetContentType(ASource->RequestContentType());
  return Post(AURL, static_cast<TStream&>(*ASource));
}

void TIdCustomHTTP::Put(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent) {
  PerformRequest(u"PUT", AURL, &ASource, AResponseContent, {});
}
std::u16string TIdCustomHTTP::Put(const std::u16string& AURL, TStream& ASource) {
  return DoRequestText(u"PUT", AURL, &ASource, {});
}
void TIdCustomHTTP::Patch(const std::u16string& AURL, TStream& ASource, TStream* AResponseContent) {
  PerformRequest(u"PATCH", AURL, &ASource, AResponseContent, {});
}
std::u16string TIdCustomHTTP::Patch(const std::u16string& AURL, TStream& ASource) {
  return DoRequestText(u"PATCH", AURL, &ASource, {});
}
void TIdCustomHTTP::Delete(const std::u16string& AURL, TStream* AResponseContent) {
  PerformRequest(u"DELETE", AURL, nullptr, AResponseContent, {});
}
std::u16string TIdCustomHTTP::Delete(const std::u16string& AURL) {
  return DoRequestText(u"DELETE", AURL, nullptr, {});
}
std::u16string TIdCustomHTTP::Delete(const std::u16string& AURL, const std::u16string& aBody) {
  TMemoryStream body;
  TIdBytes bytes = TextToBytes(aBody, TextEncodingOfKind(tekOSDefault));
  body.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return DoRequestText(u"DELETE", AURL, &body, {});
}
void TIdCustomHTTP::Options(const std::u16string& AURL, TStream* AResponseContent) {
  PerformRequest(u"OPTIONS", AURL, nullptr, AResponseContent, {});
}
std::u16string TIdCustomHTTP::Options(const std::u16string& AURL) {
  return DoRequestText(u"OPTIONS", AURL, nullptr, {});
}
void TIdCustomHTTP::Trace(const std::u16string& AURL, TStream* AResponseContent) {
  PerformRequest(u"TRACE", AURL, nullptr, AResponseContent, {});
}
std::u16string TIdCustomHTTP::Trace(const std::u16string& AURL) {
  return DoRequestText(u"TRACE", AURL, nullptr, {});
}
void TIdCustomHTTP::Head(const std::u16string& AURL) {
  PerformRequest(u"HEAD", AURL, nullptr, nullptr, {});
}

// --- The request loop ----------------------------------------------------------------------------

void TIdCustomHTTP::PrepareRequest(TIdHTTPRequest& ARequest) {
  TIdURI uri(ARequest.URL());
  if (!uri.Username().empty()) {
    ARequest.SetUsername(uri.Username());
    ARequest.SetPassword(uri.Password());
  }
  FURI->SetUsername(ARequest.Username());
  FURI->SetPassword(ARequest.Password());

  const std::u16string& newPath = uri.Path();
  if (!newPath.empty()) {
    if (newPath[0] == u'/') {
      FURI->SetPath(newPath);
    } else {
      std::u16string base = FURI->Path();
      if (base.empty() || base.back() != u'/') base += u'/';
      FURI->SetPath(ResolveDotSegments(base + newPath));
    }
  }
  FURI->SetDocument(uri.Document());
  FURI->SetParams(uri.Params());
  if (!uri.Host().empty()) FURI->SetHost(uri.Host());

  if (!uri.Protocol().empty())
    FURI->SetProtocol(uri.Protocol());
  else
    FURI->SetProtocol(IsHTTPS(FURI->Protocol()) ? u"https" : u"http");

  if (!uri.Port().empty())
    FURI->SetPort(uri.Port());
  else if (SameText(uri.Protocol(), u"http"))
    FURI->SetPort(u"80");
  else if (SameText(uri.Protocol(), u"https"))
    FURI->SetPort(u"443");
  else if (FURI->Port().empty())
    throw EIdUnknownProtocol();

  const std::u16string& method =
      ARequest.MethodOverride().empty() ? ARequest.Method() : ARequest.MethodOverride();
  if (SameText(method, u"OPTIONS") && FURI->Document() == u"*")
    ARequest.SetURL(u"*");
  else
    ARequest.SetURL(FURI->GetPathAndParams());
  // A relative URL names no host, so it cannot change the address family of the one it is
  // resolved against.
  if (!uri.Host().empty()) FURI->SetIPVersion(uri.IPVersion());
  ARequest.SetIPVersion(FURI->IPVersion());

  for (const char16_t* m : {u"TRACE", u"PUT", u"OPTIONS", u"DELETE", u"PATCH"}) {
    if (FProtocolVersion != pv1_1 &&
        (SameText(ARequest.Method(), m) || SameText(ARequest.MethodOverride(), m)))
      throw EIdException(u"Request method requires HTTP version 1.1");
  }

  if (TStream* source = ARequest.SourceStream())
    ARequest.SetContentLength(source->Size());
  else if (SameText(ARequest.Method(), u"POST") || SameText(ARequest.Method(), u"PUT"))
    ARequest.SetContentLength(0);
  else
    ARequest.SetContentLength(-1);

  std::u16string host = FURI->Host();
  if (FURI->IPVersion() == Id_IPv6 && !NormalizeIPv6Literal(host).empty())
    host = u"[" + host + u"]";
  const bool defaultPort = (SameText(FURI->Protocol(), u"http") && FURI->Port() == u"80") ||
                           (IsHTTPS(FURI->Protocol()) && FURI->Port() == u"443");
  ARequest.SetHost(defaultPort ? host : host + u":" + FURI->Port());
}

void TIdCustomHTTP::ProcessCookies(TIdHTTPRequest&, TIdHTTPResponse& AResponse) {
  if (!FAllowCookies) return;
  if (!FCookieManager) {
    FOwnedCookieManager = std::make_unique<TIdCookieManager>();
    FCookieManager = FOwnedCookieManager.get();
    FImplicitCookieManager = true;
  }
  FCookieManager->AddServerCookies(AResponse.RawHeaders(), *FURI);
}

void TIdCustomHTTP::CheckAndConnect(TIdHTTPResponse& AResponse) {
  if (!AResponse.KeepAlive()) Disconnect();
  if (TIdIOHandler* io = IOHandler()) {
    io->InputBuffer().Clear();
    io->CheckForDisconnect(false);
  }
  if (Connected()) return;

  SetIPVersion(FURI->IPVersion());
  const TIdHTTPConnectionType type = Request().UseProxy();
  auto* ssl = dynamic_cast<TIdSSLIOHandlerSocketBase*>(IOHandler());
  if (type == ctSSL || type == ctSSLProxy) {
    if (!IOHandler()) {
      std::unique_ptr<TIdIOHandler> made =
          TIdIOHandler::TryMakeIOHandler(TIdSSLIOHandlerSocketBase::ClassType());
      if (!made) throw EIdIOHandlerPropInvalid();
      AttachManagedIOHandler(std::move(made));
      ssl = dynamic_cast<TIdSSLIOHandlerSocketBase*>(IOHandler());
    }
    if (!ssl) throw EIdIOHandlerPropInvalid();
    ssl->SetURIToCheck(FURI->URI());
    ssl->SetPassThrough(type == ctSSLProxy);
  } else if (ssl) {
    ssl->SetPassThrough(true);
  }
  try {
    Connect();
  } catch (const EIdSSLProtocolReplyError&) {
    Disconnect();
    throw;
  }
}

void TIdCustomHTTP::MakeTunnel(TIdHTTPRequest& ARequest) {
  std::unique_ptr<TIdHTTPProtocol> tunnel = MakeProtocol();
  TIdHTTPRequest& request = tunnel->Request();
  TIdHTTPResponse& response = tunnel->Response();
  request.SetUserAgent(ARequest.UserAgent());
  request.SetHost(ARequest.Host());
  request.SetPragma(u"no-cache");
  request.SetURL(ARequest.Destination());
  request.SetMethod(u"CONNECT");
  request.SetProxyConnection(u"keep-alive");
  request.SetUseProxy(ARequest.UseProxy());
  response.SetContentStream(nullptr);
  while (true) {
    CheckAndConnect(response);
    tunnel->BuildAndSendRequest(nullptr);
    response.SetResponseText(InternalReadLn());
    if (response.ResponseText().empty()) {
      // A proxy that opens the tunnel without answering.
      response.SetResponseText(u"HTTP/1.0 200 OK");
      response.SetConnection(u"close");
    } else {
      tunnel->RetrieveHeaders(FMaxHeaderLines);
      ProcessCookies(request, response);
    }
    if (response.ResponseCode() / 100 == 2) {
      if (ARequest.UseProxy() == ctSSLProxy) {
        if (auto* ssl = dynamic_cast<TIdSSLIOHandlerSocketBase*>(IOHandler()))
          ssl->SetPassThrough(false);
      }
      FTunnelDestination = ARequest.Destination();
      return;
    }
    switch (tunnel->ProcessResponse({})) {
    case wnAuthRequest:
      request.SetURL(ARequest.Destination());
      continue;
    case wnReadAndGo:
      ReadBody(request, response);
      continue;
    case wnDontKnow:
      throw EIdException(u"Not Acceptable");
    case wnGoToURL:
    case wnJustExit:
      break;
    }
    // The proxy did not open the tunnel: sending the request on anyway would hand it, for an
    // HTTPS URL in plain text, to the proxy itself.
    Disconnect();
    throw EIdHTTPProtocolException(response.ResponseCode(), response.ResponseText(), u"");
  }
}

void TIdCustomHTTP::ConnectToHost(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  if (TIdIOHandler* io = IOHandler()) io->InputBuffer().Clear();
  std::u16string destHost = FURI->Host();
  if (FURI->IPVersion() == Id_IPv6 && !NormalizeIPv6Literal(destHost).empty())
    destHost = u"[" + destHost + u"]";
  ARequest.SetDestination(destHost + u":" + FURI->Port());

  const bool https = IsHTTPS(FURI->Protocol());
  TIdHTTPConnectionType type;
  std::u16string host;
  int64_t port;
  if (FProxyParameters->ProxyServer().empty()) {
    type = https ? ctSSL : ctNormal;
    host = FURI->Host();
    port = StrToInt64Def(FURI->Port(), 80);
  } else {
    type = https ? ctSSLProxy : ctProxy;
    host = FProxyParameters->ProxyServer();
    port = FProxyParameters->ProxyPort();
  }
  if (port <= 0 || port > 65535) throw EIdUnknownProtocol();

  if (Connected()) {
    bool familyDiffers = false;
    if (TIdIOHandlerSocket* socket = Socket(); socket && socket->Binding())
      familyDiffers = socket->Binding()->IPVersion() != ARequest.IPVersion();
    if (!SameText(Host(), host) || Port() != port || familyDiffers || ARequest.UseProxy() != type ||
        (type == ctSSLProxy && ARequest.Destination() != FTunnelDestination))
      Disconnect();
  }
  ARequest.SetUseProxy(type);
  SetHost(host);
  SetPort(static_cast<uint16_t>(port));

  bool useConnectVerb = false;
  switch (type) {
  case ctProxy:
    ARequest.SetURL(FURI->URI());
    if (FProtocolVersion == pv1_0 && ARequest.Connection().empty())
      ARequest.SetProxyConnection(u"keep-alive");
    if (FOptions.Contains(hoNonSSLProxyUseConnectVerb)) useConnectVerb = !Connected();
    break;
  case ctSSLProxy:
    useConnectVerb = !Connected();
    break;
  case ctNormal:
  case ctSSL:
    if (FProtocolVersion == pv1_0 && ARequest.Connection().empty())
      ARequest.SetConnection(u"keep-alive");
    break;
  }

  if (FCompressor && FCompressor->IsReady()) {
    std::u16string accept = ARequest.AcceptEncoding();
    for (const char16_t* coding : {u"deflate", u"gzip"}) {
      if (PosText(coding, accept) == std::u16string::npos)
        accept += accept.empty() ? std::u16string(coding) : u", " + std::u16string(coding);
    }
    if (!accept.empty() && PosText(u"identity", accept) == std::u16string::npos)
      accept += u", identity";
    ARequest.SetAcceptEncoding(accept);
  }

  if (useConnectVerb)
    MakeTunnel(ARequest);
  else
    CheckAndConnect(AResponse);

  TStream* source = ARequest.SourceStream();
  // A head alone is one write and leaves at once; only a head with a body is corked.
  const TRequestCork cork(source ? Socket() : nullptr);
  FHTTPProto->BuildAndSendRequest(FURI.get());
  if (source) IOHandler()->Write(*source, 0, false);
}

void TIdCustomHTTP::ReadResponseHead(TIdHTTPProtocol& AProtocol) {
  TIdHTTPResponse& response = AProtocol.Response();
  do {
    // Some servers send an extra line break after an interim response.
    std::u16string line = InternalReadLn();
    for (int blank = 0; line.empty() && blank < MaxBlankLinesBeforeStatus; ++blank)
      line = InternalReadLn();
    response.SetResponseText(line);
    if (line.empty()) {
      DropConnection();
      throw EIdHTTPMalformedReply(u"No status line in the response");
    }
    if (!IsHTTPStatusLine(line)) {
      // Nothing after a line that is no status line can be trusted to frame a body.
      DropConnection();
      throw EIdHTTPProtocolException(-1, line, u"");
    }
    AProtocol.RetrieveHeaders(FMaxHeaderLines);
    CheckResponseFraming(response);
    ProcessCookies(AProtocol.Request(), response);
  } while (response.ResponseCode() / 100 == 1 && response.ResponseCode() != 101);
}

void TIdCustomHTTP::PerformRequest(const std::u16string& AMethod, const std::u16string& AURL,
                                   TStream* ASource, TStream* AResponseContent,
                                   const std::vector<int16_t>& AIgnoreReplies) {
  FRedirectCount = 0;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  const int64_t startPosition = AResponseContent ? AResponseContent->Position() : 0;
  TIdHTTPRequest& request = Request();
  TIdHTTPResponse& response = Response();
  request.SetURL(AURL);
  request.SetMethod(AMethod);
  request.SetSourceStream(ASource);
  response.SetContentStream(AResponseContent);

  auto rewindResponse = [&] {
    if (!AResponseContent) return;
    try {
      AResponseContent->SetSize(startPosition);
    } catch (const EStreamError&) {
    }
    AResponseContent->SetPosition(startPosition);
  };
  auto finish = [&] {
    if (response.KeepAlive()) return;
    const bool leaveMultipart = FOptions.Contains(hoNoReadMultipartMIME) &&
                                MediaTypeIs(response.ContentType(), u"multipart");
    const bool leaveChunked =
        FOptions.Contains(hoNoReadChunked) && IdIsChunkedTransfer(response.RawHeaders());
    if (!leaveMultipart && !leaveChunked) Disconnect();
  };

  try {
    while (true) {
      PrepareRequest(request);
      if (auto* ssl = dynamic_cast<TIdSSLIOHandlerSocketBase*>(IOHandler()))
        ssl->SetURIToCheck(FURI->URI());
      ConnectToHost(request, response);
      ReadResponseHead(*FHTTPProto);
      TIdHTTPWhatsNext next = FHTTPProto->ProcessResponse(AIgnoreReplies);
      if (next == wnJustExit) break;
      switch (next) {
      case wnGoToURL:
        rewindResponse();
        FAuthRetries = 0;
        FAuthProxyRetries = 0;
        break;
      case wnDontKnow:
        throw EIdException(u"Not Acceptable");
      case wnReadAndGo:
        ReadBody(request, response);
        rewindResponse();
        FAuthRetries = 0;
        FAuthProxyRetries = 0;
        break;
      case wnAuthRequest:
        request.SetURL(AURL);
        break;
      case wnJustExit:
        break;
      }
    }
  } catch (const EIdHTTPProtocolException&) {
    // The error response was read whole: the connection is as reusable as after a success.
    try {
      finish();
    } catch (...) {
      // The request's own error is the one to report.
    }
    throw;
  } catch (...) {
    // A time-out, a connection error or a failed read leaves the exchange half done: what
    // is still on the connection belongs to it, so the connection cannot serve another.
    try {
      DropConnection();
    } catch (...) {
    }
    throw;
  }
  finish();
}

void TIdCustomHTTP::DropConnection() {
  Disconnect();
  if (TIdIOHandler* io = IOHandler()) io->InputBuffer().Clear();
}

bool TIdCustomHTTP::ConfirmRedirect(std::u16string& VLocation, std::u16string& VMethod,
                                    int ARedirectCount) {
  bool handled = FHandleRedirects;
  if (OnRedirect) OnRedirect(this, VLocation, ARedirectCount, handled, VMethod);
  return handled;
}

namespace {

// The common part of answering a challenge: pick and create the authentication object when
// there is none, feed it the challenge and step it.
bool AnswerChallenge(
    TIdCustomHTTP* AHTTP, TIdHeaderList& AChallenges,
    const std::function<TIdAuthentication*()>& AGetAuth,
    const std::function<void(std::unique_ptr<TIdAuthentication>)>& ASetAuth,
    const TIdOnSelectAuthorization& AOnSelect, const TIdOnAuthorization& AOnAuth,
    const std::u16string& AUsername, const std::u16string& APassword,
    const std::function<void(const std::u16string&, const std::u16string&)>& ATakeCredentials) {
  if (!AGetAuth()) {
    TIdAuthenticationFactory factory;
    for (const auto& value : AChallenges) {
      if ((factory = FindAuthClass(value))) break;
    }
    if (AOnSelect) AOnSelect(AHTTP, factory, AChallenges);
    if (!factory) return false;
    ASetAuth(factory());
    if (!AGetAuth()) return false;
  }
  TIdAuthentication* auth = AGetAuth();
  auth->SetUsername(AUsername);
  auth->SetPassword(APassword);
  auth->AuthParams().Assign(AChallenges);
  auth->Params().SetValue(u"Authorization", auth->Authentication());
  switch (auth->Next()) {
  case wnDoRequest:
    return true;
  case wnFail:
    return false;
  case wnAskTheProgram: {
    auth->SetUsername(u"");
    auth->SetPassword(u"");
    if (!AOnAuth) return false;
    bool handled = false;
    AOnAuth(AHTTP, auth, handled);
    if (handled) ATakeCredentials(auth->Username(), auth->Password());
    return handled;
  }
  }
  return false;
}

} // namespace

bool TIdCustomHTTP::AnswerAuthChallenge(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  ++FAuthRetries;
  return AnswerChallenge(
      this, AResponse.WWWAuthenticate(), [&] { return ARequest.Authentication(); },
      [&](std::unique_ptr<TIdAuthentication> a) { ARequest.SetAuthentication(std::move(a)); },
      OnSelectAuthorization, OnAuthorization, ARequest.Username(), ARequest.Password(),
      [&](const std::u16string& u, const std::u16string& p) {
        ARequest.SetBasicAuthentication(true);
        ARequest.SetUsername(u);
        ARequest.SetPassword(p);
      });
}

bool TIdCustomHTTP::AnswerProxyAuthChallenge(TIdHTTPRequest&, TIdHTTPResponse& AResponse) {
  ++FAuthProxyRetries;
  TIdProxyConnectionInfo& proxy = *FProxyParameters;
  return AnswerChallenge(
      this, AResponse.ProxyAuthenticate(), [&] { return proxy.Authentication(); },
      [&](std::unique_ptr<TIdAuthentication> a) { proxy.SetAuthentication(std::move(a)); },
      OnSelectProxyAuthorization, OnProxyAuthorization, proxy.ProxyUsername(),
      proxy.ProxyPassword(),
      [&](const std::u16string& u, const std::u16string& p) {
        proxy.SetBasicAuthentication(true);
        proxy.SetProxyUsername(u);
        proxy.SetProxyPassword(p);
      });
}
