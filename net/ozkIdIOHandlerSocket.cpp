#include "net/ozkIdIOHandlerSocket.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "base/ozkText.h"
#include "net/ozkIdException.h"

// --- TIdIOHandlerSocket --------------------------------------------------------------------------

TIdIOHandlerSocket::TIdIOHandlerSocket(TComponent* AOwner) : TIdIOHandler(AOwner) {}

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  if (FBinding) FBinding->CloseSocket();
}

TIdIOHandlerClass TIdIOHandlerSocket::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TIdIOHandlerSocket", TIdIOHandler::ClassType(),
                                          nullptr);
  return &info;
}

void TIdIOHandlerSocket::Open() {
  TIdIOHandler::Open();
  if (FBinding) {
    FBinding->Reset();
  } else {
    FBinding = std::make_unique<TIdSocketHandle>();
    FBinding->SetIO(FIO);
  }
  FBinding->SetClientPortMin(FBoundPortMin);
  FBinding->SetClientPortMax(FBoundPortMax);
  if (!FHost.empty() && FPort > 0) ConnectToPeer();
}

void TIdIOHandlerSocket::Close() {
  if (FBinding) FBinding->CloseSocket();
  TIdIOHandler::Close();
}

std::u16string TIdIOHandlerSocket::Destination() const {
  std::u16string result = FHost;
  if (FPort > 0 && FPort != FDefaultPort) {
    result += u':';
    result += IntToStr(FPort);
  }
  return result;
}

void TIdIOHandlerSocket::SetDestination(const std::u16string& AValue) {
  const size_t colon = AValue.rfind(u':');
  if (colon == std::u16string::npos) return;
  SetHost(AValue.substr(0, colon));
  SetPort(StrToIntDef(Trim(std::u16string_view(AValue).substr(colon + 1)), FDefaultPort));
}

void TIdIOHandlerSocket::SetTransparentProxy(TIdCustomTransparentProxy* AValue) {
  // The free-notification link to a previous proxy stays: it may be shared with other
  // references between the same two components, and a stale link changes nothing.
  FTransparentProxy = AValue;
  if (FTransparentProxy) FreeNotification(FTransparentProxy);
}

TIdCustomTransparentProxy* TIdIOHandlerSocket::EnabledTransparentProxy() const {
  TIdCustomTransparentProxy* proxy = TransparentProxy();
  return proxy && proxy->Enabled() ? proxy : nullptr;
}

void TIdIOHandlerSocket::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove && AComponent == FTransparentProxy)
    FTransparentProxy = nullptr;
  TIdIOHandler::Notification(AComponent, AOperation);
}

void TIdIOHandlerSocket::DoBeforeBind() {
  if (OnBeforeBind) OnBeforeBind(this);
}

void TIdIOHandlerSocket::DoAfterBind() {
  if (OnAfterBind) OnAfterBind(this);
}

void TIdIOHandlerSocket::DoSocketAllocated() {
  if (OnSocketAllocated) OnSocketAllocated(this);
}

void TIdIOHandlerSocket::ConnectToPeer() {
  DoBeforeBind();
  // The socket's family is that of the peer it will connect to: the proxy's when one is used.
  TIdCustomTransparentProxy* proxy = EnabledTransparentProxy();
  FBinding->SetIPVersion(proxy ? proxy->IPVersion() : FIPVersion);
  FBinding->AllocateSocket(TIdSocketHandle::Id_SOCK_STREAM, 0);
  DoSocketAllocated();
  if (!FBoundIP.empty()) FBinding->SetIP(FBoundIP);
  FBinding->SetPort(FBoundPort);
  FBinding->SetClientPortMin(FBoundPortMin);
  FBinding->SetClientPortMax(FBoundPortMax);
  FBinding->SetReuseSocket(FReuseSocket);
  FBinding->Bind();
  FBinding->SetUseNagle(FUseNagle);
  FBinding->SetLingerState(FLingerState);
  DoAfterBind();
}

// --- TIdIOHandlerStack ---------------------------------------------------------------------------

namespace {

uint16_t ClampPort(int APort) {
  return static_cast<uint16_t>(std::min(std::max(APort, 0), 65535));
}

} // namespace

TIdIOHandlerStack::TIdIOHandlerStack(TComponent* AOwner) : TIdIOHandlerSocket(AOwner) {}

TIdIOHandlerStack::~TIdIOHandlerStack() = default;

TIdIOHandlerClass TIdIOHandlerStack::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TIdIOHandlerStack", TIdIOHandlerSocket::ClassType(),
                                          &IdCreateIOHandler<TIdIOHandlerStack>);
  return &info;
}

void TIdIOHandlerStack::ConnectToPeer() {
  TIdIOHandlerSocket::ConnectToPeer();
  TIdCustomTransparentProxy* proxy = EnabledTransparentProxy();
  const std::u16string host = proxy ? proxy->Host() : FHost;
  const int port = proxy ? proxy->Port() : FPort;
  const TIdIPVersion version = proxy ? proxy->IPVersion() : FIPVersion;
  std::u16string address;
  const bool literal =
      version == Id_IPv4 ? GStack->IsIP(host) : !NormalizeIPv6Literal(host).empty();
  if (literal) {
    address = host;
  } else {
    DoStatus(hsResolving, {host});
    address = GStack->ResolveHost(host, version);
  }
  FBinding->SetPeer(address, ClampPort(port), version);
  DoStatus(hsConnecting, {FBinding->PeerIP()});
  if (FConnectTimeout == 0 || FConnectTimeout == -1)
    FBinding->Connect();
  else
    ConnectWithTimeout();
  // Before the proxy's tunnel: a proxy that never answers must not hold the caller forever.
  SetSocketTimeouts(PlainSocketTimeout());
  if (proxy) proxy->Connect(*this, FHost, ClampPort(FPort), FIPVersion);
}

void TIdIOHandlerStack::SetSocketTimeouts(int AMilliseconds) {
  if (!BindingAllocated()) return;
  timeval tv{AMilliseconds / 1000, static_cast<suseconds_t>((AMilliseconds % 1000) * 1000)};
  GStack->SetSocketOption(Binding()->Handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  GStack->SetSocketOption(Binding()->Handle(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

int TIdIOHandlerStack::PlainSocketTimeout() const {
  return ReadTimeout() < 1 ? SocketTimeoutWithoutReadTimeout : 0;
}

void TIdIOHandlerStack::ConnectWithTimeout() {
  // The blocking connect runs on its own thread while this one waits for at most
  // ConnectTimeout; the shared state outlives whichever side finishes last.
  struct TConnectState {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    std::exception_ptr Error;
  };
  auto state = std::make_shared<TConnectState>();
  TIdSocketHandle* binding = FBinding.get();
  std::thread thread([state, binding] {
    try {
      binding->Connect();
    } catch (...) {
      state->Error = std::current_exception();
    }
    std::lock_guard<std::mutex> guard(state->Lock);
    state->Finished = true;
    state->Done.notify_all();
  });
  bool finished;
  {
    std::unique_lock<std::mutex> lock(state->Lock);
    finished = state->Done.wait_for(lock, std::chrono::milliseconds(FConnectTimeout),
                                    [&] { return state->Finished; });
  }
  if (!finished) {
    // Shutting the socket down ends the pending connect at once; closing alone would leave
    // the thread blocked until the system gives up on the peer.
    if (FBinding->HandleAllocated()) GStack->WSShutdown(FBinding->Handle(), Id_SD_Both);
    Close();
    thread.join();
    throw EIdConnectTimeout();
  }
  thread.join();
  if (state->Error) std::rethrow_exception(state->Error);
}

bool TIdIOHandlerStack::Connected() {
  try {
    FillInputBuffer(false, 0, false);
  } catch (const EIdSocketError& e) {
    const int err = e.LastError();
    if (err == Id_WSAESHUTDOWN || err == Id_WSAECONNABORTED || err == Id_WSAECONNRESET)
      return false;
    throw;
  }
  return (BindingAllocated() && TIdIOHandler::Connected()) || FInputBuffer.Size() > 0;
}

void TIdIOHandlerStack::CheckForDisconnect(bool ARaiseExceptionIfDisconnected, bool AIgnoreBuffer) {
  if (FClosedGracefully && BindingAllocated()) {
    Close();
    DoStatus(hsDisconnected);
  }
  const bool disconnected = FClosedGracefully || !BindingAllocated();
  if (disconnected && ARaiseExceptionIfDisconnected && (FInputBuffer.Size() == 0 || AIgnoreBuffer))
    throw EIdConnClosedGracefully();
}

bool TIdIOHandlerStack::Readable(int AMSec) {
  if (!FBinding) throw EIdConnClosedGracefully();
  return FBinding->Readable(AMSec);
}

bool TIdIOHandlerStack::ReadableBeforeReceive(int ATimeout) {
  if (ATimeout == IdTimeoutInfinite && BindingAllocated()) return true;
  return Readable(ATimeout);
}

int TIdIOHandlerStack::ReceiveFromTransport(uint8_t* VBuffer, int ALength) {
  return FBinding->Receive(VBuffer, ALength);
}

int TIdIOHandlerStack::SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) {
  return FBinding->Send(ABuffer, AOffset, ALength);
}

int TIdIOHandlerStack::TranslateTransportError(int AResult) {
  return GStack->CheckForSocketError(
      AResult, {Id_WSAESHUTDOWN, Id_WSAECONNABORTED, Id_WSAECONNRESET, Id_WSAETIMEDOUT});
}

void TIdIOHandlerStack::RaiseTransportError(int AErr) {
  GStack->RaiseSocketError(AErr);
}
