#include "net/ozkIdIntercept.h"

#include "base/ozkFormat.h"
#include "net/ozkIdException.h"

TIdConnectionIntercept::TIdConnectionIntercept(TComponent* AOwner) : TIdBaseComponent(AOwner) {}

// Free-notification links are never removed here: the links are shared with every other
// reference between the same two components (a connection that holds this interceptor uses the
// same link), and a stale link only leads to a notification that changes nothing.
TIdConnectionIntercept::~TIdConnectionIntercept() = default;

void TIdConnectionIntercept::SetIntercept(TIdConnectionIntercept* AValue) {
  if (AValue == FIntercept) return;
  for (TIdConnectionIntercept* link = AValue; link; link = link->FIntercept)
    if (link == this)
      throw EIdInterceptCircularLink(Format(u"%s: Circular links are not allowed", ClassName()));
  FIntercept = AValue;
  if (FIntercept) FreeNotification(FIntercept);
}

void TIdConnectionIntercept::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove) {
    if (AComponent == FIntercept) FIntercept = nullptr;
    if (AComponent == FConnection) FConnection = nullptr;
  }
  TIdBaseComponent::Notification(AComponent, AOperation);
}

void TIdConnectionIntercept::Connect(TComponent* AConnection) {
  FConnection = AConnection;
  if (FConnection) FreeNotification(FConnection);
  if (OnConnect) OnConnect(this);
  if (FIntercept) FIntercept->Connect(AConnection);
}

void TIdConnectionIntercept::Disconnect() {
  if (FIntercept) FIntercept->Disconnect();
  if (OnDisconnect) OnDisconnect(this);
  FConnection = nullptr;
}

void TIdConnectionIntercept::Receive(TIdBytes& VBuffer) {
  if (FIntercept) FIntercept->Receive(VBuffer);
  if (OnReceive) OnReceive(this, VBuffer);
}

void TIdConnectionIntercept::Send(TIdBytes& VBuffer) {
  if (OnSend) OnSend(this, VBuffer);
  if (FIntercept) FIntercept->Send(VBuffer);
}
