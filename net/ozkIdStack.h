// The process-wide socket stack: POSIX sockets behind a small BSD-style interface, name
// resolution (one address family, first address only), IPv4/IPv6 address texts, readability
// waits on socket lists, and the fixed socket error numbering with its message table. Native
// errno and getaddrinfo results are translated into that numbering (ECONNREFUSED -> 10061,
// ECONNRESET -> 10054, EPIPE -> 10058, EAI_NONAME -> 11001 ...).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "net/ozkIdGlobal.h"

enum TIdIPVersion { Id_IPv4 = 0, Id_IPv6 = 1 };
enum TIdReuseSocket { rsOSDependent = 0, rsTrue = 1, rsFalse = 2 };

using TIdStackSocketHandle = int;
constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;
constexpr int Id_SOCKET_ERROR = -1;
constexpr int Id_SD_Recv = 0;
constexpr int Id_SD_Send = 1;
constexpr int Id_SD_Both = 2;

// Time-outs in milliseconds: IdTimeoutDefault (-1) stands for a handler's own setting,
// IdTimeoutInfinite (-2) waits without limit.
constexpr int IdTimeoutDefault = -1;
constexpr int IdTimeoutInfinite = -2;

// The fixed socket error numbering.
enum : int {
  Id_WSA_NOT_ENOUGH_MEMORY = 8,
  Id_WSAEINTR = 10004,
  Id_WSAEBADF = 10009,
  Id_WSAEACCES = 10013,
  Id_WSAEFAULT = 10014,
  Id_WSAEINVAL = 10022,
  Id_WSAEMFILE = 10024,
  Id_WSAEWOULDBLOCK = 10035,
  Id_WSAEINPROGRESS = 10036,
  Id_WSAEALREADY = 10037,
  Id_WSAENOTSOCK = 10038,
  Id_WSAEDESTADDRREQ = 10039,
  Id_WSAEMSGSIZE = 10040,
  Id_WSAEPROTOTYPE = 10041,
  Id_WSAENOPROTOOPT = 10042,
  Id_WSAEPROTONOSUPPORT = 10043,
  Id_WSAESOCKTNOSUPPORT = 10044,
  Id_WSAEOPNOTSUPP = 10045,
  Id_WSAEPFNOSUPPORT = 10046,
  Id_WSAEAFNOSUPPORT = 10047,
  Id_WSAEADDRINUSE = 10048,
  Id_WSAEADDRNOTAVAIL = 10049,
  Id_WSAENETDOWN = 10050,
  Id_WSAENETUNREACH = 10051,
  Id_WSAENETRESET = 10052,
  Id_WSAECONNABORTED = 10053,
  Id_WSAECONNRESET = 10054,
  Id_WSAENOBUFS = 10055,
  Id_WSAEISCONN = 10056,
  Id_WSAENOTCONN = 10057,
  Id_WSAESHUTDOWN = 10058,
  Id_WSAETOOMANYREFS = 10059,
  Id_WSAETIMEDOUT = 10060,
  Id_WSAECONNREFUSED = 10061,
  Id_WSAELOOP = 10062,
  Id_WSAENAMETOOLONG = 10063,
  Id_WSAEHOSTDOWN = 10064,
  Id_WSAEHOSTUNREACH = 10065,
  Id_WSAENOTEMPTY = 10066,
  Id_WSATYPE_NOT_FOUND = 10109,
  Id_WSAHOST_NOT_FOUND = 11001,
  Id_WSATRY_AGAIN = 11002,
  Id_WSANO_RECOVERY = 11003,
  Id_WSANO_DATA = 11004,
};

// A native errno value in the fixed numbering. Values without an equivalent pass unchanged
// (they are far below 10000, so they never collide with a table entry).
int IdTranslateErrno(int AErrno);
// A getaddrinfo result in the fixed numbering; EAI_SYSTEM gives the translated errno, results
// without an equivalent pass unchanged.
int IdTranslateResolverError(int AResult, int AErrno);
// The table text for an error number, or empty text for numbers not in the table.
std::u16string_view IdSocketErrorText(int AErr);

// IPv4/IPv6 address texts.
// True only for four "."-separated decimal values 0..255 with nothing left over.
bool IdIsIPv4(std::u16string_view AIP);
// Eight upper-case hexadecimal groups without leading zeros and without "::" compression, or
// empty text when AText is not an IPv6 literal.
std::u16string NormalizeIPv6Literal(std::u16string_view AText);
// ASCII-compatible (punycode "xn--") form of a host name; ASCII names come back unchanged.
std::string IdHostNameToASCII(std::u16string_view AHost);

// A set of socket handles guarded by a lock, waited on with the platform's readiness wait.
class TIdSocketList {
 public:
  void Add(TIdStackSocketHandle AHandle);
  void Remove(TIdStackSocketHandle AHandle);
  void Clear();
  int Count() const;
  bool Contains(TIdStackSocketHandle AHandle) const;
  // Waits until one of the sockets is readable (or has an error or end of stream pending);
  // ATimeout in milliseconds, IdTimeoutInfinite for no limit. Raises the socket error when the
  // wait itself fails.
  bool SelectRead(int ATimeout = IdTimeoutInfinite) const;

 private:
  mutable std::mutex FLock;
  std::vector<TIdStackSocketHandle> FHandles;
};

class TIdStack;
// Creates the process's stack object; nullptr means no stack class.
using TIdStackClass = std::unique_ptr<TIdStack> (*)();

// The one stack object of the process (GStack) lives while it has users: every TIdComponent and
// every TIdBuffer calls IncUsage on creation and DecUsage on destruction. The first user creates
// it through the stack class, the last one destroys it, under a process-wide lock.
class TIdStack {
 public:
  // Raises EIdStackError "Stack already created." while another stack object exists.
  TIdStack();
  virtual ~TIdStack();
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // Raises EIdStackError "Stack Class is undefined." without a stack class.
  static void IncUsage();
  static void DecUsage();
  static int UsageCount();
  static TIdStackClass StackClass();
  // Takes effect for the next stack object created.
  static void SetStackClass(TIdStackClass AClass);

  // --- Addresses and names ---
  // "LOCALHOST" (any case) gives 127.0.0.1 or ::1; literals of the family pass (IPv6 in its
  // normalised form); everything else is looked up.
  std::u16string ResolveHost(const std::u16string& AHost, TIdIPVersion AIPVersion = Id_IPv4);
  bool IsIP(std::u16string_view AIP) const { return IdIsIPv4(AIP); }

  // --- Sockets ---
  virtual TIdStackSocketHandle NewSocketHandle(int ASocketType, int AProtocol,
                                               TIdIPVersion AIPVersion = Id_IPv4,
                                               bool ANonBlocking = false) = 0;
  virtual void Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
                    TIdIPVersion AIPVersion = Id_IPv4) = 0;
  virtual void Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
                       TIdIPVersion AIPVersion = Id_IPv4) = 0;
  // Closes the socket with the stack's linger value.
  virtual void Disconnect(TIdStackSocketHandle ASocket) = 0;
  // Shuts down one or both directions (Id_SD_Recv, Id_SD_Send, Id_SD_Both); returns the
  // platform's result without raising. Shutting down both directions of a socket whose connect
  // is pending makes that connect fail at once.
  virtual int WSShutdown(TIdStackSocketHandle ASocket, int AHow) = 0;
  // Returns the count (0: the peer closed); raises the socket error on failure.
  virtual int Receive(TIdStackSocketHandle ASocket, uint8_t* VBuffer, int ALength) = 0;
  int Receive(TIdStackSocketHandle ASocket, TIdBytes& VBuffer);
  virtual int Send(TIdStackSocketHandle ASocket, const uint8_t* ABuffer, int ASize) = 0;
  int Send(TIdStackSocketHandle ASocket, const TIdBytes& ABuffer, int AOffset = 0, int ASize = -1);
  virtual void GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                             TIdIPVersion& VIPVersion) = 0;
  virtual void GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                           TIdIPVersion& VIPVersion) = 0;
  virtual void GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                               int& VOptVal) = 0;
  virtual void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                               int AOptVal) = 0;
  virtual void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                               const void* AOptVal, int AOptLen) = 0;

  // --- Byte order ---
  static uint16_t HostToNetwork(uint16_t AValue);
  static uint32_t HostToNetwork(uint32_t AValue);
  static uint64_t HostToNetwork(uint64_t AValue);
  static TIdIPv6Address HostToNetwork(const TIdIPv6Address& AValue);
  static uint16_t NetworkToHost(uint16_t AValue) { return HostToNetwork(AValue); }
  static uint32_t NetworkToHost(uint32_t AValue) { return HostToNetwork(AValue); }
  static uint64_t NetworkToHost(uint64_t AValue) { return HostToNetwork(AValue); }
  static TIdIPv6Address NetworkToHost(const TIdIPv6Address& AValue) {
    return HostToNetwork(AValue);
  }

  // --- Errors ---
  // Raises the last socket error when AResult is Id_SOCKET_ERROR, else returns AResult.
  int CheckForSocketError(int AResult);
  // Like the above, but returns the error number instead of raising when it is in AIgnore.
  int CheckForSocketError(int AResult, std::initializer_list<int> AIgnore);
  [[noreturn]] void RaiseLastSocketError();
  // EIdNotASocket for 10038, EIdSocketError for every other number, LastError() = AErr.
  [[noreturn]] void RaiseSocketError(int AErr);
  // "Socket Error # %d\r\n%s" with the number and its table text.
  virtual std::u16string WSTranslateSocketErrorMsg(int AErr);
  // The calling thread's last socket error, in the fixed numbering.
  virtual int WSGetLastError() = 0;

 protected:
  // The first address of AHost's family; resolver failures raise the socket error.
  virtual std::u16string LookupHostAddress(const std::u16string& AHost,
                                           TIdIPVersion AIPVersion) = 0;
};

// The stack object of the process while it has users, else nullptr.
extern TIdStack* GStack;

class TIdStackBSDBase : public TIdStack {
 public:
  // The linger time in seconds applied when this stack closes a socket; negative: the sending
  // direction is shut down and the socket closed without lingering.
  int LingerState() const { return FLingerState; }
  void SetLingerState(int AValue) { FLingerState = AValue; }
  // Closes ASocket with ALingerState instead of the stack's value.
  virtual void Disconnect(TIdStackSocketHandle ASocket, int ALingerState) = 0;
  void Disconnect(TIdStackSocketHandle ASocket) override { Disconnect(ASocket, FLingerState); }

 protected:
  int FLingerState = -1;
};

// The POSIX socket stack.
class TIdStackUnix : public TIdStackBSDBase {
 public:
  TIdStackUnix();
  using TIdStackBSDBase::Disconnect;

  TIdStackSocketHandle NewSocketHandle(int ASocketType, int AProtocol,
                                       TIdIPVersion AIPVersion = Id_IPv4,
                                       bool ANonBlocking = false) override;
  void Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
            TIdIPVersion AIPVersion = Id_IPv4) override;
  void Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
               TIdIPVersion AIPVersion = Id_IPv4) override;
  void Disconnect(TIdStackSocketHandle ASocket, int ALingerState) override;
  int WSShutdown(TIdStackSocketHandle ASocket, int AHow) override;
  using TIdStack::Receive;
  int Receive(TIdStackSocketHandle ASocket, uint8_t* VBuffer, int ALength) override;
  using TIdStack::Send;
  int Send(TIdStackSocketHandle ASocket, const uint8_t* ABuffer, int ASize) override;
  void GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                     TIdIPVersion& VIPVersion) override;
  void GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                   TIdIPVersion& VIPVersion) override;
  void GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                       int& VOptVal) override;
  void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                       int AOptVal) override;
  void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, const void* AOptVal,
                       int AOptLen) override;
  int WSGetLastError() override;

 protected:
  std::u16string LookupHostAddress(const std::u16string& AHost, TIdIPVersion AIPVersion) override;
};
