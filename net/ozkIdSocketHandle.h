// TIdSocketHandle: one operating-system socket with its local and peer addresses, binding
// rules (address reuse, port ranges), Nagle, corking and linger settings, and a readability wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "net/ozkIdGlobal.h"
#include "net/ozkIdStack.h"

class TIdSocketHandle {
 public:
  TIdSocketHandle();
  ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // Creates a socket of IPVersion()'s family; registers it for readability waits and reads
  // back its type and, for a stream socket, whether Nagle's algorithm is on.
  void AllocateSocket(int ASocketType = Id_SOCK_STREAM, int AProtocol = 0);
  // Applies ReuseSocket, then binds to IP()/Port() or, with Port() 0 and a client port range,
  // to the first port from ClientPortMax() down to ClientPortMin() that is free. Raises
  // EIdInvalidPortRange "Invalid Port Range (%d - %d)", EIdCanNotBindPortInRange "Can not bind
  // in port range (%d - %d)" or EIdCouldNotBindSocket "Could not bind socket.".
  void Bind();
  // Connects to PeerIP()/PeerPort(), then reads back both addresses under the handle's lock.
  // When the peer address can no longer be read (a reset that arrived meanwhile), the address
  // connected to stays the peer, and the next read or write reports the reset.
  void Connect();
  // Closes the socket (with the handle's linger state); safe to call from another thread while
  // a connect is pending, which then fails.
  void CloseSocket();
  // Waits up to AMSec (IdTimeoutDefault/IdTimeoutInfinite: no limit) for data. Raises
  // EIdConnClosedGracefully "Connection Closed Gracefully." when no socket is allocated.
  bool Readable(int AMSec = IdTimeoutDefault);
  bool Select(int ATimeout);
  int Receive(TIdBytes& VBuffer);
  int Receive(uint8_t* VBuffer, int ALength);
  int Send(const TIdBytes& ABuffer, int AOffset = 0, int ASize = -1);
  void SetPeer(const std::u16string& AIP, uint16_t APort, TIdIPVersion AIPVersion = Id_IPv4);
  void GetSockOpt(int ALevel, int AOptName, int& VOptVal);
  void SetSockOpt(int ALevel, int AOptName, int AOptVal);
  // Forgets the socket handle (without closing it) and the peer; with AResetLocal also the
  // local address, port and IP version.
  void Reset(bool AResetLocal = true);
  void UpdateBindingLocal();
  // Raises the socket error when the peer address cannot be read; the binding is then kept.
  void UpdateBindingPeer();

  bool HandleAllocated() const { return FHandleAllocated.load(); }
  TIdStackSocketHandle Handle() const { return FHandle.load(); }

  const std::u16string& IP() const { return FIP; }
  void SetIP(const std::u16string& AValue) { FIP = AValue; }
  uint16_t Port() const { return FPort; }
  void SetPort(uint16_t AValue) { FPort = AValue; }
  const std::u16string& PeerIP() const { return FPeerIP; }
  uint16_t PeerPort() const { return FPeerPort; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  // Raises EIdCannotSetIPVersionWhenConnected "Cannot change IPVersion when connected" for a
  // change while a socket is allocated.
  void SetIPVersion(TIdIPVersion AValue);
  int SocketType() const { return FSocketType; }
  bool UseNagle() const { return FUseNagle; }
  // Only a change is applied, and only to an allocated stream socket (TCP_NODELAY).
  void SetUseNagle(bool AValue);
  // TCP_CORK: while corked, the system holds back segments that are not full (for at most
  // 200 ms) so that several writes that belong together leave as full segments; uncorking sends
  // what is held at once. Applies to an allocated stream socket only (elsewhere, and on systems
  // without the option, nothing happens and Corked() is false). Raises the socket error when
  // the system refuses the option. Corked() reads the state back from the system.
  void SetCorked(bool AValue);
  bool Corked();
  TIdReuseSocket ReuseSocket() const { return FReuseSocket; }
  void SetReuseSocket(TIdReuseSocket AValue) { FReuseSocket = AValue; }
  uint16_t ClientPortMin() const { return FClientPortMin; }
  void SetClientPortMin(uint16_t AValue) { FClientPortMin = AValue; }
  uint16_t ClientPortMax() const { return FClientPortMax; }
  void SetClientPortMax(uint16_t AValue) { FClientPortMax = AValue; }
  bool BroadcastEnabled() const { return FBroadcastEnabled; }
  void SetBroadcastEnabled(bool AValue);
  // Seconds to linger on close; negative: shut down sending and close without lingering. The
  // value is also handed to the stack, whose value serves sockets closed without a handle.
  int LingerState() const { return FLingerState; }
  void SetLingerState(int AValue);
  bool OverLapped() const { return FOverLapped; }
  void SetOverLapped(bool AValue) { FOverLapped = AValue; }
  bool IO() const { return FIO; }
  void SetIO(bool AValue) { FIO = AValue; }
  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& AValue) { FName = AValue; }

  static constexpr int Id_SOCK_STREAM = 1;

 private:
  bool TryBind(uint16_t APort);

  std::atomic<TIdStackSocketHandle> FHandle{Id_INVALID_SOCKET};
  std::atomic<bool> FHandleAllocated{false};
  std::u16string FIP;
  uint16_t FPort = 0;
  std::u16string FPeerIP;
  uint16_t FPeerPort = 0;
  TIdIPVersion FIPVersion = Id_IPv4;
  int FSocketType = 0;
  bool FUseNagle = true;
  TIdReuseSocket FReuseSocket = rsOSDependent;
  uint16_t FClientPortMin = 0;
  uint16_t FClientPortMax = 0;
  bool FBroadcastEnabled = false;
  int FLingerState = -1;
  bool FOverLapped = false;
  bool FIO = false;
  std::u16string FName;
  TIdSocketList FReadSocketList;
  // Orders closing against the connect's update of the addresses (the connect may run on the
  // connect-time-out thread).
  std::recursive_mutex FConnectionHandle;
};
