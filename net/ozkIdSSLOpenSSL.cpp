#include "net/ozkIdSSLOpenSSL.h"

#include <openssl/ssl.h>

#include <sys/socket.h>
#include <sys/time.h>

#include "base/ozkFormat.h"
#include "net/ozkIdSSLOpenSSLInternal.h"

// --- TIdSSLIOHandlerSocketBase -----------------------------------------------------------------

TIdSSLIOHandlerSocketBase::TIdSSLIOHandlerSocketBase(TComponent* AOwner)
    : TIdIOHandlerStack(AOwner) {}

TIdSSLIOHandlerSocketBase::~TIdSSLIOHandlerSocketBase() = default;

TIdIOHandlerClass TIdSSLIOHandlerSocketBase::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TIdSSLIOHandlerSocketBase",
                                          TIdIOHandlerStack::ClassType(), nullptr);
  return &info;
}

int TIdSSLIOHandlerSocketBase::ReceiveFromTransport(uint8_t* VBuffer, int ALength) {
  if (fPassThrough) return TIdIOHandlerStack::ReceiveFromTransport(VBuffer, ALength);
  return RecvEnc(VBuffer, ALength);
}

int TIdSSLIOHandlerSocketBase::SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) {
  if (fPassThrough) return TIdIOHandlerStack::SendToTransport(ABuffer, AOffset, ALength);
  return SendEnc(ABuffer, AOffset, ALength);
}

// --- TIdSSLIOHandlerSocketOpenSSL --------------------------------------------------------------

TIdSSLIOHandlerSocketOpenSSL::TIdSSLIOHandlerSocketOpenSSL(TComponent* AOwner)
    : TIdSSLIOHandlerSocketBase(AOwner), fxSSLOptions(std::make_unique<TIdSSLOptions>()) {}

TIdSSLIOHandlerSocketOpenSSL::~TIdSSLIOHandlerSocketOpenSSL() {
  // The base destructor closes the socket; the TLS connection goes first so that its close
  // notification still reaches the peer.
  FreeTLS();
}

TIdIOHandlerClass TIdSSLIOHandlerSocketOpenSSL::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TIdSSLIOHandlerSocketOpenSSL",
                                          TIdSSLIOHandlerSocketBase::ClassType(),
                                          &IdCreateIOHandler<TIdSSLIOHandlerSocketOpenSSL>);
  return &info;
}

TStringList& TIdSSLIOHandlerSocketOpenSSL::ALPNProtocols() {
  if (!FALPNProtocols) FALPNProtocols = std::make_unique<TStringList>();
  return *FALPNProtocols;
}

void TIdSSLIOHandlerSocketOpenSSL::SetSSLContext(TIdSSLContext* AContext) {
  FOwnContext.reset();
  fSSLContext = AContext;
}

void TIdSSLIOHandlerSocketOpenSSL::FreeTLS() {
  if (fSSLSocket) {
    // A socket closed behind our back may already carry another connection under its number.
    if (!BindingAllocated()) fSSLSocket->SocketClosed();
    fSSLSocket.reset();
  }
  fSSLLayerClosed = true;
  FOwnContext.reset();
  fSSLContext = nullptr;
}

void TIdSSLIOHandlerSocketOpenSSL::Close() {
  FreeTLS();
  TIdSSLIOHandlerSocketBase::Close();
}

void TIdSSLIOHandlerSocketOpenSSL::PrepareTLSContext(TIdSSLCtxMode ACtxMode) {
  const TIdSSLOptions& o = *fxSSLOptions;
  auto ctx = std::make_unique<TIdSSLContext>();
  ctx->Parent = this;
  ctx->Settings = o.Settings();
  ctx->fVerifyOn = static_cast<bool>(OnVerifyPeer);
  ctx->fStatusInfoOn = OnStatusInfo || OnStatusInfoEx;
  if (FALPNProtocols) ctx->FALPNProtocols.Assign(*FALPNProtocols);
  ctx->SetUpContext(ACtxMode);
  FOwnContext = std::move(ctx);
  fSSLContext = FOwnContext.get();
}

void TIdSSLIOHandlerSocketOpenSSL::ConnectToPeer() {
  if (!fSSLContext) {
    try {
      PrepareTLSContext(sslCtxClient);
    } catch (const EIdOSSLCouldNotLoadSSLLibrary&) {
      if (!fPassThrough) throw; // a plain connection does not need the library
    }
  }
  bool passThrough = fPassThrough;
  fPassThrough = true;
  try {
    TIdSSLIOHandlerSocketBase::ConnectToPeer();
  } catch (...) {
    fPassThrough = passThrough;
    throw;
  }
  fPassThrough = passThrough;
  DoBeforeConnect();
  StartSSL();
}

void TIdSSLIOHandlerSocketOpenSSL::StartSSL() {
  if (!fPassThrough) OpenTLSConnection();
}

void TIdSSLIOHandlerSocketOpenSSL::OpenTLSConnection() {
  if (!fSSLContext) throw EIdOSSLCouldNotLoadSSLLibrary(IdSSLMsg::CouldNotLoadSSLLibrary);
  if (!fSSLSocket) fSSLSocket = std::make_unique<TIdSSLSocket>(this);
  fSSLSocket->fSSLContext = fSSLContext;
  // Beneath TLS a read may block inside the library, past the handler's own readability wait,
  // so the socket itself must give up at some point even when the handler waits forever.
  SetSocketTimeouts(ReadTimeout() < 1 ? SocketTimeoutWithoutReadTimeout : ReadTimeout());
  TIdSSLMode mode = fSSLContext->Settings.Mode;
  bool server = mode == sslmServer || (mode != sslmClient && fIsPeer);
  if (server) {
    fSSLSocket->Accept(Binding()->Handle());
  } else {
    // The peer at the far end is the host of URIToCheck, else Host, whether or not a proxy
    // tunnels to it: the certificate must name that host. The server name sent with the
    // handshake is the same, except that without URIToCheck a tunnel through transparent
    // proxies names the last enabled proxy of the chain.
    std::u16string target = FURIToCheck.empty() ? std::u16string() : IdURLHost(FURIToCheck);
    if (target.empty()) target = Host();
    std::u16string serverName = target;
    if (FURIToCheck.empty())
      if (const TIdCustomTransparentProxy* proxy = EnabledTransparentProxy())
        serverName = proxy->LastEnabledProxy()->Host();
    fSSLSocket->fHostName = serverName;
    fSSLSocket->fVerifyHost = target;
    fSSLSocket->Connect(Binding()->Handle());
  }
  fSSLLayerClosed = false;
  fPassThrough = false;
}

void TIdSSLIOHandlerSocketOpenSSL::SetPassThrough(bool AValue) {
  if (fPassThrough == AValue) return;
  if (!AValue) {
    if (BindingAllocated()) {
      if (!fSSLContext) throw EIdOSSLCouldNotLoadSSLLibrary(IdSSLMsg::CouldNotLoadSSLLibrary);
      OpenTLSConnection();
    }
  } else if (fSSLSocket && fSSLSocket->SSL()) {
    fSSLSocket->Shutdown();
    fSSLLayerClosed = true;
    SetSocketTimeouts(PlainSocketTimeout());
  }
  fPassThrough = AValue;
}

void TIdSSLIOHandlerSocketOpenSSL::AfterAccept() {
  TIdSSLIOHandlerSocketBase::AfterAccept();
  fIsPeer = true;
  if (!fPassThrough) {
    if (!fSSLContext) PrepareTLSContext(sslCtxServer);
    OpenTLSConnection();
  }
}

int TIdSSLIOHandlerSocketOpenSSL::RecvEnc(uint8_t* VBuffer, int ALength) {
  if (!fSSLSocket) return 0;
  for (;;) {
    int r = fSSLSocket->Recv(VBuffer, ALength);
    if (r > 0) return r;
    switch (fSSLSocket->GetTLSError(r)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
      continue;
    case SSL_ERROR_ZERO_RETURN:
      fSSLLayerClosed = true;
      return 0;
    case SSL_ERROR_SSL:
      // A peer that ends the TCP connection without a close notification ends the stream,
      // as it did before the library started to report it as an error; the HTTP layer's
      // framing still tells a cut-off body from a complete one.
      if (fSSLSocket->ConsumeUnexpectedEOF()) return 0;
      return r;
    default:
      return r;
    }
  }
}

int TIdSSLIOHandlerSocketOpenSSL::SendEnc(const TIdBytes& ABuffer, int AOffset, int ALength) {
  if (!fSSLSocket) return 0;
  int total = 0;
  while (ALength > 0) {
    int r = fSSLSocket->Send(ABuffer, AOffset, ALength);
    if (r > 0) {
      total += r;
      AOffset += r;
      ALength -= r;
      continue;
    }
    switch (fSSLSocket->GetTLSError(r)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
      continue;
    case SSL_ERROR_ZERO_RETURN:
      return 0;
    default:
      return r;
    }
  }
  return total;
}

int TIdSSLIOHandlerSocketOpenSSL::TranslateTransportError(int AResult) {
  if (fPassThrough) return TIdSSLIOHandlerSocketBase::TranslateTransportError(AResult);
  int err = fSSLSocket ? fSSLSocket->GetTLSError(AResult) : SSL_ERROR_SYSCALL;
  if (err == SSL_ERROR_NONE) return 0;
  if (err == SSL_ERROR_SYSCALL) return TIdSSLIOHandlerSocketBase::TranslateTransportError(-1);
  RaiseSSLError<EIdOpenSSLAPISSLError>(std::u16string(), err, AResult);
}

void TIdSSLIOHandlerSocketOpenSSL::RaiseTransportError(int AErr) {
  if (fPassThrough || AErr == Id_WSAECONNABORTED || AErr == Id_WSAECONNRESET ||
      AErr == Id_WSAESHUTDOWN) {
    TIdSSLIOHandlerSocketBase::RaiseTransportError(AErr);
    return;
  }
  // A socket error number (a send that timed out) has no classification of its own; its
  // socket message says what happened.
  if (AErr >= Id_WSAEINTR)
    throw EIdOpenSSLAPISSLError(GStack->WSTranslateSocketErrorMsg(AErr), SSL_ERROR_SYSCALL, AErr);
  RaiseSSLError<EIdOpenSSLAPISSLError>(
      std::u16string(), fSSLSocket ? fSSLSocket->GetTLSError(AErr) : SSL_ERROR_SYSCALL, AErr);
}

bool TIdSSLIOHandlerSocketOpenSSL::Readable(int AMSec) {
  if (fPassThrough) return TIdSSLIOHandlerSocketBase::Readable(AMSec);
  if (!fSSLSocket) return false;
  if (fSSLSocket->Pending() > 0) return true;
  return TIdSSLIOHandlerSocketBase::Readable(AMSec);
}

std::u16string TIdSSLIOHandlerSocketOpenSSL::GetALPNProtocol() const {
  return fSSLSocket ? fSSLSocket->ALPNProtocol() : std::u16string();
}

std::u16string TIdSSLIOHandlerSocketOpenSSL::GetSSLVersion() const {
  return fSSLSocket ? fSSLSocket->SSLProtocolVersion() : std::u16string();
}

std::unique_ptr<TIdSSLIOHandlerSocketBase> TIdSSLIOHandlerSocketOpenSSL::Clone() {
  auto io = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
  io->SetSSLOptions(*fxSSLOptions);
  if (FALPNProtocols) io->SetALPNProtocols(*FALPNProtocols);
  io->SetURIToCheck(FURIToCheck);
  // Only the events that are set here are set there: a set verification event changes what
  // the library is asked to do.
  if (OnStatusInfo || OnStatusInfoEx)
    io->OnStatusInfo = [this](const std::u16string& AMsg) { DoStatusInfo(AMsg); };
  if (OnStatusInfoEx)
    io->OnStatusInfoEx = [this](TComponent*, const ssl_st* ASSL, int AWhere, int ARet,
                                const std::u16string& AType, const std::u16string& AMsg) {
      OnStatusInfoEx(this, ASSL, AWhere, ARet, AType, AMsg);
    };
  io->OnGetPassword = [this](std::u16string& APassword) { DoGetPassword(APassword); };
  io->OnGetPasswordEx = [this](TComponent*, std::u16string& VPassword, bool AIsWrite) {
    DoGetPasswordEx(VPassword, AIsWrite);
  };
  if (OnVerifyPeer)
    io->OnVerifyPeer = [this](TIdX509* ACert, bool AOk, int ADepth, int AError) {
      return DoVerifyPeer(ACert, AOk, ADepth, AError);
    };
  return io;
}

void TIdSSLIOHandlerSocketOpenSSL::DoBeforeConnect() {
  if (OnBeforeConnect) OnBeforeConnect(this);
}

void TIdSSLIOHandlerSocketOpenSSL::DoStatusInfo(const std::u16string& AMsg) {
  if (OnStatusInfo) OnStatusInfo(AMsg);
}

void TIdSSLIOHandlerSocketOpenSSL::DoGetPassword(std::u16string& APassword) {
  if (OnGetPassword) OnGetPassword(APassword);
}

void TIdSSLIOHandlerSocketOpenSSL::DoGetPasswordEx(std::u16string& VPassword, bool AIsWrite) {
  if (OnGetPasswordEx) OnGetPasswordEx(this, VPassword, AIsWrite);
}

bool TIdSSLIOHandlerSocketOpenSSL::DoVerifyPeer(TIdX509* ACertificate, bool AOk, int ADepth,
                                                int AError) {
  if (OnVerifyPeer) return OnVerifyPeer(ACertificate, AOk, ADepth, AError);
  return true;
}

std::u16string TIdSSLIOHandlerSocketOpenSSL::GetPassword(bool AIsWrite) {
  std::u16string password;
  DoGetPasswordEx(password, AIsWrite);
  if (password.empty()) DoGetPassword(password);
  return password;
}

void TIdSSLIOHandlerSocketOpenSSL::StatusInfo(const std::u16string& AStatusStr) {
  DoStatusInfo(AStatusStr);
}

void TIdSSLIOHandlerSocketOpenSSL::StatusInfoEx(const ssl_st* ASSL, int AWhere, int ARet,
                                                const std::u16string& AStatusStr,
                                                const std::u16string& AType,
                                                const std::u16string& AMsg) {
  DoStatusInfo(AStatusStr);
  if (OnStatusInfoEx) OnStatusInfoEx(this, ASSL, AWhere, ARet, AType, AMsg);
}

bool TIdSSLIOHandlerSocketOpenSSL::VerifyPeer(TIdX509* ACertificate, bool AOk, int ADepth,
                                              int AError) {
  return DoVerifyPeer(ACertificate, AOk, ADepth, AError);
}
