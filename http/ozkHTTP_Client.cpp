#include "http/ozkHTTP_Client.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "base/ozkText.h"
#include "base/ozkTime.h"
#include "http/ozkIdGlobalProtocols.h"
#include "net/ozkIdGlobal.h"

// --- Option classes ----------------------------------------------------------------------------

void TozkIdHTTPTLS_Options::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkTCPTLS_Options*>(&aSource);
  if (!src) {
    TozkTCPTLS_Options::Assign(aSource);
    return;
  }
  SetCertFile(src->CertFile());
  SetKeyFile(src->KeyFile());
  SetPassword(src->Password());
  SetRootCertFile(src->RootCertFile());
  SetVersion(src->Version());
  SetVerifyCertificate(src->VerifyCertificate());
  SetVerifyDepth(src->VerifyDepth());
  SetIOHandler(src->IOHandler());
  SetALPNProtocols(src->ALPNProtocols());
  SetOpenSSL_Options(src->OpenSSL_Options());
  // The OpenSSL options' own copy leaves the legacy provider out; a request must not lose it.
  OpenSSL_Options().SetLegacyProvider(src->OpenSSL_Options().LegacyProvider());
  SetSChannel_Options(src->SChannel_Options());
}

void TozkHttpLogFile::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkHttpLogFile*>(&aSource);
  if (!src) {
    TPersistent::Assign(aSource);
    return;
  }
  FFileName = src->FFileName;
}

void TozkHTTPAuthentication_Token::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkHTTPAuthentication_Token*>(&aSource);
  if (!src) {
    TPersistent::Assign(aSource);
    return;
  }
  FOAuth = src->FOAuth;
  FJWT = src->FJWT;
  FReadTimeout = src->FReadTimeout;
}

TozkIdHTTPAuthentication_Options::TozkIdHTTPAuthentication_Options()
    : FToken(std::make_unique<TozkHTTPAuthentication_Token>()) {}
TozkIdHTTPAuthentication_Options::~TozkIdHTTPAuthentication_Options() = default;

void TozkIdHTTPAuthentication_Options::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkIdHTTPAuthentication_Options*>(&aSource);
  if (!src) {
    TPersistent::Assign(aSource);
    return;
  }
  FToken->Assign(*src->FToken);
}

int64_t TIdEventStream::Write(const void* ABuffer, int64_t ACount) {
  if (ACount <= 0) return 0;
  FPosition += ACount;
  if (OnWrite) {
    const auto* p = static_cast<const uint8_t*>(ABuffer);
    OnWrite(TIdBytes(p, p + ACount));
  }
  return ACount;
}

int64_t TIdEventStream::Seek(int64_t AOffset, TSeekOrigin AOrigin) {
  if (AOrigin == TSeekOrigin::soBeginning)
    FPosition = AOffset;
  else
    FPosition += AOffset;
  return FPosition;
}

// --- TozkIdHTTP --------------------------------------------------------------------------------

TozkIdHTTP::TozkIdHTTP(TComponent* AOwner)
    : TIdHTTP(AOwner), FLogOptions(std::make_unique<TozkHttpLogFile>()),
      FTLSOptions(std::make_unique<TozkIdHTTPTLS_Options>()),
      FAuthentication(std::make_unique<TozkIdHTTPAuthentication_Options>()),
      FProxy(std::make_unique<TozkHTTPProxy_Options>()) {
  Request().SetUserAgent(u"Mozilla/5.0 (Brindlecast " + GetVersion() + u")");
}

TozkIdHTTP::~TozkIdHTTP() {
  // The connection goes first, so the log writer still records its close.
  try {
    Disconnect();
  } catch (...) {
  }
  SetIOHandler(nullptr);
  SetIntercept(nullptr);
  FLogIntercept.reset();
  FTLSHandler.reset();
  FProxyIOHandler.reset();
  FProxyHTTP.reset();
}

void TozkIdHTTP::SetLog(bool AValue) {
  if (FLog && !AValue && FLogIntercept) {
    SetIntercept(nullptr);
    FLogIntercept.reset();
  }
  FLog = AValue;
}

void TozkIdHTTP::MakeImplicitClientHandler() {
  TIdHTTP::MakeImplicitClientHandler();
  if (TIdIOHandler* io = IOHandler()) io->SetSendBufferSize(SendBlockSize);
}

std::u16string TozkIdHTTP::OnGetPasswordEvent() {
  return FTLSOptions->Password();
}

void TozkIdHTTP::CreateTLSHandler() {
  if (FTLSHandler) return;
  // This platform has no TLS provider of its own: every choice of provider uses OpenSSL, with
  // the same version, verification, certificate and password settings.
  auto handler = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
  const TozkIdHTTPTLS_Options& tls = *FTLSOptions;
  const TozkOpenSSLClient_Options& openssl = tls.OpenSSL_Options();
  TIdSSLOptions& options = handler->SSLOptions();

  handler->SetPassThrough(false);
  handler->SetSendBufferSize(SendBlockSize);
  IdOpenSSLApplyLibraryOptions(openssl); // library folder, legacy-provider folder
  // The API level travels with this handler's settings, never through process-wide state.
  options.SetAPIVersion(IdSSLAPIVersionOf(openssl.APIVersion()));
  options.SetLegacyProvider(openssl.LegacyProvider().Enabled());

  auto toSSL = [](TwsTLSVersions v) {
    switch (v) {
    case tls1_0:
      return sslvTLSv1;
    case tls1_1:
      return sslvTLSv1_1;
    case tls1_2:
      return sslvTLSv1_2;
    default:
      return sslvTLSv1_3;
    }
  };
  TIdSSLVersions versions;
  if (tls.Version() >= tls1_0 && tls.Version() <= tls1_3) {
    options.SetMethod(toSSL(tls.Version()));
    versions = options.SSLVersions();
  } else {
    versions = TIdSSLVersions{sslvTLSv1, sslvTLSv1_1, sslvTLSv1_2, sslvTLSv1_3};
    options.SetSSLVersions(versions);
  }
  if (openssl.VersionMin() != tlsUndefined && openssl.VersionMin() <= tls.Version()) {
    for (int v = openssl.VersionMin(); v <= tls.Version(); ++v)
      versions.Include(toSSL(static_cast<TwsTLSVersions>(v)));
    options.SetSSLVersions(versions);
  }
  handler->SetALPNProtocols(tls.ALPNProtocols());
  options.SetMode(sslmClient);
  options.SetRootCertFile(tls.RootCertFile());
  options.SetCertFile(tls.CertFile());
  options.SetKeyFile(tls.KeyFile());
  options.SetVerifyMode(tls.VerifyCertificate() ? TIdSSLVerifyModeSet{sslvrfPeer}
                                                : TIdSSLVerifyModeSet{});
  options.SetVerifyDepth(tls.VerifyDepth());
  handler->OnGetPassword = [this](std::u16string& APassword) { APassword = OnGetPasswordEvent(); };
  if (OnSSLVerifyPeer) {
    handler->OnVerifyPeer = [this](TIdX509* ACertificate, bool AOk, int ADepth, int AError) {
      bool accept = AOk;
      if (OnSSLVerifyPeer) OnSSLVerifyPeer(this, ACertificate, AOk, ADepth, AError, accept);
      return accept;
    };
  }
  SetIOHandler(handler.get());
  FTLSHandler = std::move(handler);
}

void TozkIdHTTP::SetupProxy(bool ATLS) {
  const TozkHTTPProxy_Options& proxy = *FProxy;
  if (proxy.Port() > 65535 || proxy.Port() < 0)
    throw EArgumentOutOfRangeException(u"Range check error");
  if (proxy.ProxyType() != pxyHTTP)
    throw EIdException(u"SOCKS proxies are not supported by this client");
  TIdIOHandlerSocket* handler = FTLSHandler.get();
  if (!ATLS) {
    if (!FProxyIOHandler) {
      FProxyIOHandler = std::make_unique<TIdIOHandlerStack>();
      FProxyIOHandler->SetSendBufferSize(SendBlockSize);
    }
    SetIOHandler(FProxyIOHandler.get());
    handler = FProxyIOHandler.get();
  }
  if (!FProxyHTTP) FProxyHTTP = std::make_unique<TIdConnectThroughHttpProxy>();
  TIdConnectThroughHttpProxy& tunnel = *FProxyHTTP;
  const uint16_t port = static_cast<uint16_t>(proxy.Port());
  // The engine reuses a kept-alive connection to the same host; one that runs through another
  // proxy, or around it, must not carry this request.
  const bool changed = !tunnel.Enabled() || tunnel.Host() != proxy.Host() ||
                       tunnel.Port() != port || tunnel.Username() != proxy.Username() ||
                       tunnel.Password() != proxy.Password() ||
                       handler->TransparentProxy() != &tunnel;
  if (changed && Connected()) Disconnect();
  tunnel.SetHost(proxy.Host());
  tunnel.SetPort(port);
  tunnel.SetUsername(proxy.Username());
  tunnel.SetPassword(proxy.Password());
  tunnel.SetEnabled(proxy.Enabled());
  handler->SetTransparentProxy(&tunnel);
}

void TozkIdHTTP::DisableProxy() {
  if (!FProxyHTTP || !FProxyHTTP->Enabled()) return;
  if (Connected()) Disconnect();
  FProxyHTTP->SetEnabled(false);
}

void TozkIdHTTP::PerformRequest(const std::u16string& AMethod, const std::u16string& AURL,
                                TStream* ASource, TStream* AResponseContent,
                                const std::vector<int16_t>& AIgnoreReplies) {
  ApplyAuthToken();

  if (FLog) {
    if (!FLogIntercept) {
      auto log = std::make_unique<TozkIdLogFileBase>();
      log->SetFilename(FLogOptions->FileName());
      log->SetReplaceCRLF(false);
      log->SetActive(true);
      SetIntercept(log.get());
      FLogIntercept = std::move(log);
    }
  } else if (FLogIntercept) {
    SetIntercept(nullptr);
    FLogIntercept.reset();
  }

  if (UpperCase(std::u16string_view(AURL).substr(0, 5)) == u"HTTPS") {
    CreateTLSHandler();
    if (FProxy->Enabled())
      SetupProxy(true);
    else
      DisableProxy();
  } else {
    if (TIdIOHandler* io = IOHandler()) {
      if (Connected()) Disconnect();
      SetIOHandler(nullptr); // frees a handler the connection made itself
      if (io == FTLSHandler.get())
        FTLSHandler.reset();
      else if (io == FProxyIOHandler.get())
        FProxyIOHandler.reset();
    }
    if (FProxy->Enabled())
      SetupProxy(false);
    else
      DisableProxy();
  }
  TIdHTTP::PerformRequest(AMethod, AURL, ASource, AResponseContent, AIgnoreReplies);
}

void TozkIdHTTP::OnAuthTokenEvent(const std::u16string& AType, const std::u16string& AToken) {
  std::lock_guard<std::mutex> lock(FTokenLock);
  FAuthTokenType = AType;
  FAuthToken = AToken;
  if (TozkHTTPTokenSource* jwt = FAuthentication->Token().JWT();
      jwt && !FAuthentication->Token().OAuth())
    FAuthTokenExpiry =
        DateTimeNow() + jwt->RefreshInterval() / static_cast<double>(IdSecondsPerDay);
}

void TozkIdHTTP::OnAuthTokenErrorEvent(const std::u16string& AError,
                                       const std::u16string& ADescription) {
  throw Exception(Format(u"Error %s. %s", AError, ADescription));
}

void TozkIdHTTP::SetAuthToken(const std::u16string& AToken, const std::u16string& AType,
                              TDateTime AExpiry) {
  std::lock_guard<std::mutex> lock(FTokenLock);
  FAuthToken = AToken;
  FAuthTokenType = AType;
  FAuthTokenExpiry = AExpiry;
}

void TozkIdHTTP::ApplyAuthToken() {
  TozkHTTPAuthentication_Token& token = FAuthentication->Token();
  TozkHTTPTokenSource* source = token.OAuth() ? token.OAuth() : token.JWT();
  if (!source) return;
  if (!token.OAuth() && token.JWT()) {
    std::lock_guard<std::mutex> lock(FTokenLock);
    if (!FAuthToken.empty() && DateTimeNow() > FAuthTokenExpiry) FAuthToken.clear();
  }
  auto held = [this] {
    std::lock_guard<std::mutex> lock(FTokenLock);
    return !FAuthToken.empty();
  };
  if (!held()) {
    // The source may answer on any thread, and later than this wait lasts: its callbacks hold
    // only this shared state (by value), never this client or this frame, so an answer after
    // the time-out lands in state that is still alive and is simply not used.
    struct TTokenAnswer {
      std::mutex Lock;
      std::condition_variable Arrived;
      bool Answered = false;
      bool Failed = false;
      std::u16string Type, Token, Error, Description;
    };
    auto answer = std::make_shared<TTokenAnswer>();
    source->OnAuthToken = [answer](const std::u16string& AType, const std::u16string& AToken) {
      std::lock_guard<std::mutex> lock(answer->Lock);
      answer->Type = AType;
      answer->Token = AToken;
      answer->Answered = true;
      answer->Arrived.notify_all();
    };
    source->OnAuthTokenError = [answer](const std::u16string& AError,
                                        const std::u16string& ADescription) {
      std::lock_guard<std::mutex> lock(answer->Lock);
      answer->Error = AError;
      answer->Description = ADescription;
      answer->Failed = true;
      answer->Arrived.notify_all();
    };
    source->Start();
    TTokenAnswer got;
    {
      std::unique_lock<std::mutex> lock(answer->Lock);
      answer->Arrived.wait_for(lock, std::chrono::milliseconds(std::max(0, token.ReadTimeout())),
                               [&] { return answer->Answered || answer->Failed; });
      got.Answered = answer->Answered;
      got.Failed = answer->Failed;
      got.Type = answer->Type;
      got.Token = answer->Token;
      got.Error = answer->Error;
      got.Description = answer->Description;
    }
    // A failure reported by the source is raised here, on the requesting thread.
    if (got.Failed && !got.Answered) OnAuthTokenErrorEvent(got.Error, got.Description);
    if (got.Answered) OnAuthTokenEvent(got.Type, got.Token);
  }
  std::u16string line;
  {
    std::lock_guard<std::mutex> lock(FTokenLock);
    if (FAuthToken.empty()) return;
    line = u"Authorization: " + FAuthTokenType + u" " + FAuthToken;
  }
  TIdHeaderList& custom = Request().CustomHeaders();
  for (int i = custom.Count() - 1; i >= 0; --i) {
    if (LowerCase(std::u16string_view(custom[i]).substr(0, 13)) == u"authorization")
      custom.Delete(i);
  }
  custom.Add(line);
}

void TozkIdHTTP::OnEventStreamWriteEvent(const TIdBytes& ABuffer) {
  if (!OnSSEMessage) return;
  bool cancel = false;
  OnSSEMessage(this, BytesToRawText(ABuffer), cancel);
  if (cancel) {
    Disconnect();
    throw EIdConnClosedGracefully();
  }
}

void TozkIdHTTP::GetSSE(const std::u16string& AURL, const std::u16string& aCharset) {
  std::u16string accept = u"text/event-stream";
  if (!aCharset.empty()) accept += u";charset=UTF-8";
  Request().SetAccept(accept);
  Request().SetCacheControl(u"no-store");
  if (!FEventStream) {
    FEventStream = std::make_unique<TIdEventStream>();
    FEventStream->OnWrite = [this](const TIdBytes& ABuffer) { OnEventStreamWriteEvent(ABuffer); };
  }
  try {
    Get(AURL, FEventStream.get());
  } catch (const EIdSilentException&) {
    // The close that a cancel causes, or the server ending the stream. Bytes still buffered
    // belong to the cancelled stream.
    if (TIdIOHandler* io = IOHandler()) io->InputBuffer().Clear();
  }
}
