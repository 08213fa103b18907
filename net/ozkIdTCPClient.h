// TIdTCPClientCustom: the TCP client component. It holds where to connect and how (host, port,
// IP version, time-outs, local binding, Nagle, linger), hands that to its I/O handler (creating
// the default handler when none is attached) and runs the connect sequence.
#pragma once

#include <cstdint>
#include <string>

#include "net/ozkIdTCPConnection.h"

class TIdTCPClientCustom : public TIdTCPConnection {
 public:
  explicit TIdTCPClientCustom(TComponent* AOwner = nullptr);
  ~TIdTCPClientCustom() override;

  // Raises EIdAlreadyConnected "Already connected.", EIdHostRequired "A Host is required" or
  // EIdPortRequired "A Port is required" before anything else; any failure afterwards closes
  // the handler again (a managed one is detached and freed) and propagates.
  virtual void Connect();
  void Connect(const std::u16string& AHost);
  void Connect(const std::u16string& AHost, uint16_t APort);
  // Connects, returns everything the peer sends until it closes, and always disconnects.
  virtual std::u16string ConnectAndGetAll();

  const std::u16string& Host() const { return FHost; }
  virtual void SetHost(const std::u16string& AValue);
  uint16_t Port() const { return FPort; }
  virtual void SetPort(uint16_t AValue);
  TIdIPVersion IPVersion() const { return FIPVersion; }
  virtual void SetIPVersion(TIdIPVersion AValue);
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int AValue);
  // Read back from the handler when one is attached.
  int ReadTimeout() const;
  void SetReadTimeout(int AValue);
  const std::u16string& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const std::u16string& AValue);
  uint16_t BoundPort() const { return FBoundPort; }
  void SetBoundPort(uint16_t AValue);
  uint16_t BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(uint16_t AValue);
  uint16_t BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(uint16_t AValue);
  // Read back from the socket handler when one is attached.
  TIdReuseSocket ReuseSocket() const;
  void SetReuseSocket(TIdReuseSocket AValue);
  // Read back from the socket handler when one is attached.
  bool UseNagle() const;
  void SetUseNagle(bool AValue);
  int LingerState() const { return FLingerState; }
  void SetLingerState(int AValue);
  const std::u16string& Destination() const { return FDestination; }
  void SetDestination(const std::u16string& AValue) { FDestination = AValue; }
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& AValue) { FUsername = AValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }

  TIdNotifyEvent OnConnected;
  TIdNotifyEvent OnBeforeBind;
  TIdNotifyEvent OnAfterBind;
  TIdNotifyEvent OnSocketAllocated;

 protected:
  virtual void DoOnConnected();
  // Creates and attaches the default handler, giving it this client's status handler.
  virtual void MakeImplicitClientHandler();

  std::u16string FHost;
  uint16_t FPort = 0;
  TIdIPVersion FIPVersion = Id_IPv4;
  int FConnectTimeout = 0;
  int FReadTimeout = IdTimeoutDefault;
  std::u16string FBoundIP;
  uint16_t FBoundPort = 0;
  uint16_t FBoundPortMin = 0;
  uint16_t FBoundPortMax = 0;
  TIdReuseSocket FReuseSocket = rsOSDependent;
  bool FUseNagle = true;
  int FLingerState = -1;
  std::u16string FDestination;
  std::u16string FUsername;
  std::u16string FPassword;
};

class TIdTCPClient : public TIdTCPClientCustom {
 public:
  using TIdTCPClientCustom::TIdTCPClientCustom;
};
