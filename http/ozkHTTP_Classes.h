// Roots of the library's HTTP components and the proxy options that the per-request client
// hands to its connection.
#pragma once

#include <string>

#include "base/ozkComponent.h"
#include "base/ozkPersistent.h"
#include "net/ozkTCP_Classes.h"

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

// Where and how to reach a proxy (Enabled, Host, Port, Username, Password, ProxyType, all from
// the TCP proxy options). Assign copies every value from any proxy options object of the socket
// and TCP families; any other source fails with "Cannot assign a %s to a %s".
class TozkHTTPProxy_Options : public TozkTCPProxy_Options {};
