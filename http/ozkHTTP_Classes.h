// Roots of the library's HTTP components and the proxy options that the per-request client
// hands to its connection.
#pragma once

#include <string>

#include "base/ozkComponent.h"
#include "base/ozkPersistent.h"

// The library's HTTP component root and the root of its HTTP clients.
class TozkHTTPComponent_Base : public TComponent {
 public:
  explicit TozkHTTPComponent_Base(TComponent* AOwner = nullptr);
  ~TozkHTTPComponent_Base() override;
};

class TozkHTTPComponentClient_Base : public TozkHTTPComponent_Base {
 public:
  explicit TozkHTTPComponentClient_Base(TComponent* AOwner = nullptr);
  ~TozkHTTPComponentClient_Base() override;
};

enum TwsProxy { pxyHTTP, pxySocks4, pxySocks4A, pxySocks5 };

// Where and how to reach a proxy. Assign copies every value from another proxy options object.
class TozkHTTPProxy_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  const std::u16string& Host() const { return FHost; }
  void SetHost(const std::u16string& aValue) { FHost = aValue; }
  int Port() const { return FPort; }
  void SetPort(int aValue) { FPort = aValue; }
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& aValue) { FUsername = aValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& aValue) { FPassword = aValue; }
  TwsProxy ProxyType() const { return FProxyType; }
  void SetProxyType(TwsProxy aValue) { FProxyType = aValue; }

 protected:
  bool FEnabled = false;
  std::u16string FHost;
  int FPort = 0;
  std::u16string FUsername;
  std::u16string FPassword;
  TwsProxy FProxyType = pxyHTTP;
};
