#include "net/ozkIdSocketHandle.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "base/ozkFormat.h"
#include "net/ozkIdException.h"

TIdSocketHandle::TIdSocketHandle() {
  TIdStack::IncUsage();
}

TIdSocketHandle::~TIdSocketHandle() {
  CloseSocket();
  TIdStack::DecUsage();
}

void TIdSocketHandle::AllocateSocket(int ASocketType, int AProtocol) {
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  if (HandleAllocated()) CloseSocket();
  const TIdStackSocketHandle handle =
      GStack->NewSocketHandle(ASocketType, AProtocol, FIPVersion, FOverLapped);
  FHandle = handle;
  FHandleAllocated = true;
  if (!FIO) FReadSocketList.Add(handle);
  GetSockOpt(SOL_SOCKET, SO_TYPE, FSocketType);
  if (FSocketType == SOCK_STREAM) {
    int noDelay = 0;
    GetSockOpt(IPPROTO_TCP, TCP_NODELAY, noDelay);
    FUseNagle = noDelay == 0;
  }
}

bool TIdSocketHandle::TryBind(uint16_t APort) {
  try {
    GStack->Bind(Handle(), FIP, APort, FIPVersion);
    return true;
  } catch (const EIdException&) {
    return false;
  }
}

void TIdSocketHandle::Bind() {
  SetSockOpt(SOL_SOCKET, SO_REUSEADDR, FReuseSocket == rsTrue ? 1 : 0);
  if (FPort == 0 && FClientPortMin != 0 && FClientPortMax != 0) {
    if (FClientPortMin > FClientPortMax)
      throw EIdInvalidPortRange(
          Format(u"Invalid Port Range (%d - %d)", FClientPortMin, FClientPortMax));
    bool bound = false;
    for (int port = FClientPortMax; port >= FClientPortMin && !bound; --port)
      bound = TryBind(static_cast<uint16_t>(port));
    if (!bound)
      throw EIdCanNotBindPortInRange(
          Format(u"Can not bind in port range (%d - %d)", FClientPortMin, FClientPortMax));
  } else if (!TryBind(FPort)) {
    throw EIdCouldNotBindSocket();
  }
  UpdateBindingLocal();
}

void TIdSocketHandle::Connect() {
  GStack->Connect(Handle(), FPeerIP, FPeerPort, FIPVersion);
  // A close from another thread may have ended the socket meanwhile; only a live socket has
  // addresses to read.
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  if (HandleAllocated()) {
    UpdateBindingLocal();
    // A peer that resets the connection at once leaves a socket that no longer has a peer
    // address (ENOTCONN). The connect did succeed: the address connected to stays the peer
    // binding, and the next read or write reports the reset with its own error number.
    try {
      UpdateBindingPeer();
    } catch (const EIdSocketError&) {
    }
  }
}

void TIdSocketHandle::CloseSocket() {
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  if (!HandleAllocated()) return;
  const TIdStackSocketHandle handle = Handle();
  FHandleAllocated = false;
  FHandle = Id_INVALID_SOCKET;
  FReadSocketList.Remove(handle);
  // The handle's own linger value, not the process-wide one of the stack: another connection
  // may have changed that since this socket was set up.
  if (auto* bsd = dynamic_cast<TIdStackBSDBase*>(GStack))
    bsd->Disconnect(handle, FLingerState);
  else
    GStack->Disconnect(handle);
}

bool TIdSocketHandle::Readable(int AMSec) {
  if (AMSec == IdTimeoutDefault) AMSec = IdTimeoutInfinite;
  if (!HandleAllocated()) throw EIdConnClosedGracefully();
  return Select(AMSec);
}

bool TIdSocketHandle::Select(int ATimeout) {
  return FReadSocketList.SelectRead(ATimeout);
}

int TIdSocketHandle::Receive(TIdBytes& VBuffer) {
  return Receive(VBuffer.data(), static_cast<int>(VBuffer.size()));
}

int TIdSocketHandle::Receive(uint8_t* VBuffer, int ALength) {
  return GStack->Receive(Handle(), VBuffer, ALength);
}

int TIdSocketHandle::Send(const TIdBytes& ABuffer, int AOffset, int ASize) {
  return GStack->Send(Handle(), ABuffer, AOffset, ASize);
}

void TIdSocketHandle::SetPeer(const std::u16string& AIP, uint16_t APort, TIdIPVersion AIPVersion) {
  FPeerIP = AIP;
  FPeerPort = APort;
  FIPVersion = AIPVersion;
}

void TIdSocketHandle::GetSockOpt(int ALevel, int AOptName, int& VOptVal) {
  GStack->GetSocketOption(Handle(), ALevel, AOptName, VOptVal);
}

void TIdSocketHandle::SetSockOpt(int ALevel, int AOptName, int AOptVal) {
  GStack->SetSocketOption(Handle(), ALevel, AOptName, AOptVal);
}

void TIdSocketHandle::Reset(bool AResetLocal) {
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  // A socket still open here would otherwise leak its descriptor.
  CloseSocket();
  if (AResetLocal) {
    FIP.clear();
    FPort = 0;
  }
  FPeerIP.clear();
  FPeerPort = 0;
  FIPVersion = Id_IPv4;
}

void TIdSocketHandle::UpdateBindingLocal() {
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  if (!HandleAllocated()) return;
  GStack->GetSocketName(Handle(), FIP, FPort, FIPVersion);
}

void TIdSocketHandle::UpdateBindingPeer() {
  std::lock_guard<std::recursive_mutex> guard(FConnectionHandle);
  if (!HandleAllocated()) return;
  // Read into locals so that a failing query leaves the binding as it was.
  std::u16string ip;
  uint16_t port = 0;
  TIdIPVersion version;
  GStack->GetPeerName(Handle(), ip, port, version);
  FPeerIP = std::move(ip);
  FPeerPort = port;
}

void TIdSocketHandle::SetIPVersion(TIdIPVersion AValue) {
  if (AValue == FIPVersion) return;
  if (HandleAllocated()) throw EIdCannotSetIPVersionWhenConnected();
  FIPVersion = AValue;
}

void TIdSocketHandle::SetUseNagle(bool AValue) {
  if (AValue == FUseNagle) return;
  FUseNagle = AValue;
  if (HandleAllocated() && FSocketType == SOCK_STREAM)
    SetSockOpt(IPPROTO_TCP, TCP_NODELAY, AValue ? 0 : 1);
}

void TIdSocketHandle::SetCorked(bool AValue) {
#ifdef TCP_CORK
  if (HandleAllocated() && FSocketType == SOCK_STREAM)
    SetSockOpt(IPPROTO_TCP, TCP_CORK, AValue ? 1 : 0);
#else
  (void)AValue;
#endif
}

bool TIdSocketHandle::Corked() {
  int corked = 0;
#ifdef TCP_CORK
  if (HandleAllocated() && FSocketType == SOCK_STREAM) GetSockOpt(IPPROTO_TCP, TCP_CORK, corked);
#endif
  return corked != 0;
}

void TIdSocketHandle::SetBroadcastEnabled(bool AValue) {
  FBroadcastEnabled = AValue;
  if (HandleAllocated() && FSocketType != SOCK_STREAM)
    SetSockOpt(SOL_SOCKET, SO_BROADCAST, AValue ? 1 : 0);
}

void TIdSocketHandle::SetLingerState(int AValue) {
  FLingerState = AValue;
  if (auto* bsd = dynamic_cast<TIdStackBSDBase*>(GStack)) bsd->SetLingerState(AValue);
}
