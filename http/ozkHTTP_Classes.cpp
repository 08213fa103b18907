#include "http/ozkHTTP_Classes.h"

TozkHTTPComponent_Base::TozkHTTPComponent_Base(TComponent* AOwner) : TComponent(AOwner) {}
TozkHTTPComponent_Base::~TozkHTTPComponent_Base() = default;

TozkHTTPComponentClient_Base::TozkHTTPComponentClient_Base(TComponent* AOwner)
    : TozkHTTPComponent_Base(AOwner) {}
TozkHTTPComponentClient_Base::~TozkHTTPComponentClient_Base() = default;

void TozkHTTPProxy_Options::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkHTTPProxy_Options*>(&aSource);
  if (!src) {
    TPersistent::Assign(aSource);
    return;
  }
  FEnabled = src->FEnabled;
  FHost = src->FHost;
  FPort = src->FPort;
  FUsername = src->FUsername;
  FPassword = src->FPassword;
  FProxyType = src->FProxyType;
}
