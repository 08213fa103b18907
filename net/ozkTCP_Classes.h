// Proxy option classes of the library's socket and TCP components: where a proxy is, how to
// log in to it and which protocol it speaks. Protocol-specific clients derive their own proxy
// options from TozkTCPProxy_Options.
#pragma once

#include <string>

#include "base/ozkPersistent.h"

enum TwsProxy { pxyHTTP, pxySocks4, pxySocks4A, pxySocks5 };

// Assign copies every value from any TozkSocketProxy_Options (or a class derived from it);
// any other source fails with "Cannot assign a %s to a %s".
class TozkSocketProxy_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  const std::u16string& Host() const { return FHost; }
  void SetHost(const std::u16string& aValue) { FHost = aValue; }
  // Kept as given; whoever hands it to a connection refuses a value outside 0..65535.
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

class TozkTCPProxy_Options : public TozkSocketProxy_Options {};
