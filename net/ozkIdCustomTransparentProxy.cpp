#include "net/ozkIdCustomTransparentProxy.h"

#include "net/ozkIdException.h"

TIdCustomTransparentProxy::TIdCustomTransparentProxy(TComponent* AOwner) : TIdComponent(AOwner) {}

TIdCustomTransparentProxy::~TIdCustomTransparentProxy() = default;

void TIdCustomTransparentProxy::SetChainedProxy(TIdCustomTransparentProxy* AValue) {
  if (AValue == FChainedProxy) return;
  // A cycle would make Connect tunnel forever; refusing it here keeps every walk finite.
  for (const TIdCustomTransparentProxy* p = AValue; p; p = p->FChainedProxy)
    if (p == this) throw EIdException(u"Circular proxy chain.");
  // The free-notification link to a previous proxy stays: it may be shared with other
  // references between the same two components, and a stale link changes nothing.
  FChainedProxy = AValue;
  if (FChainedProxy) FreeNotification(FChainedProxy);
}

const TIdCustomTransparentProxy* TIdCustomTransparentProxy::LastEnabledProxy() const {
  const TIdCustomTransparentProxy* last = this;
  while (last->FChainedProxy && last->FChainedProxy->Enabled()) last = last->FChainedProxy;
  return last;
}

void TIdCustomTransparentProxy::Connect(TIdIOHandler& AIOHandler, const std::u16string& AHost,
                                        uint16_t APort, TIdIPVersion AIPVersion) {
  TIdCustomTransparentProxy* next = FChainedProxy;
  if (next && next->Enabled()) {
    MakeConnection(AIOHandler, next->Host(), next->Port(), next->IPVersion());
    next->Connect(AIOHandler, AHost, APort, AIPVersion);
  } else {
    MakeConnection(AIOHandler, AHost, APort, AIPVersion);
  }
}

void TIdCustomTransparentProxy::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove && AComponent == FChainedProxy) FChainedProxy = nullptr;
  TIdComponent::Notification(AComponent, AOperation);
}
