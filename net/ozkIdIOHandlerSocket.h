// Socket-backed I/O handlers: TIdIOHandlerSocket owns the socket handle and carries the binding
// settings (local address, port or port range, address reuse, Nagle, linger, IP version);
// TIdIOHandlerStack, the default handler and the base of the TLS handler, connects it (name
// resolution, the optional connect time-out thread) and reads and writes it as the transport.
#pragma once

#include <memory>
#include <string>

#include "net/ozkIdCustomTransparentProxy.h"
#include "net/ozkIdIOHandler.h"
#include "net/ozkIdSocketHandle.h"

class TIdIOHandlerSocket : public TIdIOHandler {
 public:
  explicit TIdIOHandlerSocket(TComponent* AOwner = nullptr);
  ~TIdIOHandlerSocket() override;

  static TIdIOHandlerClass ClassType();

  // The base Open, then a fresh or reset socket handle; connects when Host is set and Port is
  // positive.
  void Open() override;
  // Closes the socket, then the base Close.
  void Close() override;
  bool BindingAllocated() const { return FBinding && FBinding->HandleAllocated(); }
  // The socket handle, created on the first Open (nullptr before); owned by the handler.
  TIdSocketHandle* Binding() const { return FBinding.get(); }

  // Host, and ":" with the port when it is positive and not DefaultPort. Setting a text with
  // ":" splits it at the last ":" (a port that is not a number gives DefaultPort).
  std::u16string Destination() const override;
  void SetDestination(const std::u16string& AValue) override;

  const std::u16string& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const std::u16string& AValue) { FBoundIP = AValue; }
  uint16_t BoundPort() const { return FBoundPort; }
  void SetBoundPort(uint16_t AValue) { FBoundPort = AValue; }
  uint16_t BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(uint16_t AValue) { FBoundPortMin = AValue; }
  uint16_t BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(uint16_t AValue) { FBoundPortMax = AValue; }
  int DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(int AValue) { FDefaultPort = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }
  TIdReuseSocket ReuseSocket() const { return FReuseSocket; }
  void SetReuseSocket(TIdReuseSocket AValue) { FReuseSocket = AValue; }
  bool UseNagle() const { return FUseNagle; }
  void SetUseNagle(bool AValue) { FUseNagle = AValue; }
  int LingerState() const { return FLingerState; }
  void SetLingerState(int AValue) { FLingerState = AValue; }
  bool IO() const { return FIO; }
  void SetIO(bool AValue) { FIO = AValue; }
  // The proxy to connect through, or nullptr. Not owned: the handler forgets it when it is
  // destroyed. Only an enabled proxy is used; a change takes effect at the next connect.
  virtual TIdCustomTransparentProxy* TransparentProxy() const { return FTransparentProxy; }
  virtual void SetTransparentProxy(TIdCustomTransparentProxy* AValue);

  TIdNotifyEvent OnBeforeBind;
  TIdNotifyEvent OnAfterBind;
  TIdNotifyEvent OnSocketAllocated;

 protected:
  // Allocates, binds and configures the socket (the connection itself is the stack handler's).
  virtual void ConnectToPeer();
  virtual void DoBeforeBind();
  virtual void DoAfterBind();
  virtual void DoSocketAllocated();
  void Notification(TComponent* AComponent, TOperation AOperation) override;
  // The attached proxy when it is enabled, else nullptr: the connection then goes to the
  // proxy's host, port and IP version instead of the handler's own.
  TIdCustomTransparentProxy* EnabledTransparentProxy() const;

  std::unique_ptr<TIdSocketHandle> FBinding;
  std::u16string FBoundIP;
  uint16_t FBoundPort = 0;
  uint16_t FBoundPortMin = 0;
  uint16_t FBoundPortMax = 0;
  int FDefaultPort = 0;
  bool FUseNagle = true;
  TIdReuseSocket FReuseSocket = rsOSDependent;
  TIdIPVersion FIPVersion = Id_IPv4;
  int FLingerState = -1;
  bool FIO = false;
  TIdCustomTransparentProxy* FTransparentProxy = nullptr;
};

// The socket handler that connects: resolves the host (first address of the family only),
// connects with or without the time-out thread ("Connect timed out." EIdConnectTimeout), and
// reads and writes the socket, raising socket errors directly. With an enabled transparent
// proxy it connects to the proxy and has it negotiate the tunnel to Host:Port before anything
// else travels on the connection.
class TIdIOHandlerStack : public TIdIOHandlerSocket {
 public:
  explicit TIdIOHandlerStack(TComponent* AOwner = nullptr);
  ~TIdIOHandlerStack() override;

  static TIdIOHandlerClass ClassType();

  // Polls the socket once (so a close or pending bytes are noticed), then: a socket is
  // allocated and the handler is connected, or bytes are still buffered. A reset or aborted
  // connection answers false instead of raising.
  bool Connected() override;
  // A closed-gracefully handler closes its socket (status hsDisconnected); without a socket it
  // counts as disconnected and raises EIdConnClosedGracefully when asked and nothing buffered
  // is left to read (or AIgnoreBuffer).
  void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true,
                          bool AIgnoreBuffer = false) override;
  bool Readable(int AMSec = IdTimeoutDefault) override;

  // The socket's own receive and send time-out while ReadTimeout is below 1 ("no limit" for
  // the handler's waits): the blocking receive then does the waiting itself, and no request
  // may wait forever on a stuck peer. A positive ReadTimeout is enforced by the handler.
  static constexpr int SocketTimeoutWithoutReadTimeout = 30000;

 protected:
  // Connects, then sets the socket time-outs that PlainSocketTimeout gives.
  void ConnectToPeer() override;
  // SO_RCVTIMEO and SO_SNDTIMEO of the connected socket (0: none).
  void SetSocketTimeouts(int AMilliseconds);
  // SocketTimeoutWithoutReadTimeout when ReadTimeout is below 1, else 0.
  int PlainSocketTimeout() const;
  // Without a time limit the blocking receive does the waiting itself.
  bool ReadableBeforeReceive(int ATimeout) override;
  int ReceiveFromTransport(uint8_t* VBuffer, int ALength) override;
  int SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) override;
  bool TransportIsAvailable() override { return BindingAllocated(); }
  // 10058, 10053, 10054 and 10060 are returned; any other number is raised.
  int TranslateTransportError(int AResult) override;
  void RaiseTransportError(int AErr) override;

 private:
  void ConnectWithTimeout();
};
