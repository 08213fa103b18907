#include "net/ozkTCP_Classes.h"

void TozkSocketProxy_Options::Assign(const TPersistent& aSource) {
  const auto* src = dynamic_cast<const TozkSocketProxy_Options*>(&aSource);
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
