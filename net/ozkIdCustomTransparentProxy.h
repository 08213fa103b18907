// TIdCustomTransparentProxy: the base of proxies that a socket handler connects through
// without its user noticing. The handler opens the TCP connection to the proxy instead of the
// real host and then lets the proxy negotiate a tunnel to the real host over that connection;
// from then on the handler's bytes (plain or TLS) travel through the tunnel. Proxies can be
// chained: each one tunnels to the next enabled proxy of the chain, the last one to the host.
#pragma once

#include <cstdint>
#include <string>

#include "net/ozkIdComponent.h"
#include "net/ozkIdStack.h"

class TIdIOHandler;

class TIdCustomTransparentProxy : public TIdComponent {
 public:
  explicit TIdCustomTransparentProxy(TComponent* AOwner = nullptr);
  ~TIdCustomTransparentProxy() override;

  // A disabled proxy is bypassed by the handler: it connects straight to its own host.
  virtual bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool AValue) { FEnabled = AValue; }
  const std::u16string& Host() const { return FHost; }
  void SetHost(const std::u16string& AValue) { FHost = AValue; }
  uint16_t Port() const { return FPort; }
  void SetPort(uint16_t AValue) { FPort = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& AValue) { FUsername = AValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }

  // The proxy this one tunnels to (non-owning; forgotten when it is destroyed). A chain that
  // would lead back to this proxy is refused with EIdException "Circular proxy chain.".
  TIdCustomTransparentProxy* ChainedProxy() const { return FChainedProxy; }
  void SetChainedProxy(TIdCustomTransparentProxy* AValue);
  // The last enabled proxy reached from this one through enabled chained proxies (this one
  // when its chained proxy is none or disabled).
  const TIdCustomTransparentProxy* LastEnabledProxy() const;

  // Called on a handler that is connected to this proxy: negotiates the tunnel to AHost:APort,
  // through the enabled chained proxies first. Raises when the proxy refuses; the handler is
  // then left to the caller to close.
  virtual void Connect(TIdIOHandler& AIOHandler, const std::u16string& AHost, uint16_t APort,
                       TIdIPVersion AIPVersion);

 protected:
  // One hop: asks this proxy, over AIOHandler, for a tunnel to AHost:APort. The bytes are
  // plain whatever the handler does afterwards (a TLS handler stays in pass-through until the
  // tunnel is up).
  virtual void MakeConnection(TIdIOHandler& AIOHandler, const std::u16string& AHost, uint16_t APort,
                              TIdIPVersion AIPVersion) = 0;
  void Notification(TComponent* AComponent, TOperation AOperation) override;

  bool FEnabled = false;
  std::u16string FHost;
  uint16_t FPort = 0;
  TIdIPVersion FIPVersion = Id_IPv4;
  std::u16string FUsername;
  std::u16string FPassword;
  TIdCustomTransparentProxy* FChainedProxy = nullptr;
};
