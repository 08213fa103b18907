#include "net/ozkIdTCPConnection.h"

#include "net/ozkIdException.h"

TIdTCPConnection::TIdTCPConnection(TComponent* AOwner) : TIdComponent(AOwner) {}

TIdTCPConnection::~TIdTCPConnection() {
  if (FIOHandler) {
    try {
      FIOHandler->Close();
    } catch (...) {
      // Nobody is left to hear about a failing close.
    }
    try {
      SetIOHandler(nullptr);
    } catch (...) {
    }
  }
}

void TIdTCPConnection::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove) {
    if (AComponent == FIOHandler) {
      FIOHandler = nullptr;
      FSocket = nullptr;
      FManagedIOHandler = false;
      if (FOwnedIOHandler.get() == AComponent) (void)FOwnedIOHandler.release();
    }
    if (AComponent == FIntercept) FIntercept = nullptr;
  }
  TIdComponent::Notification(AComponent, AOperation);
}

void TIdTCPConnection::SetIOHandler(TIdIOHandler* AValue) {
  if (AValue == FIOHandler) return;
  if (AValue && AValue->Intercept() && AValue->Intercept() != FIntercept)
    throw EIdException(u"The IOHandler already has a different Intercept assigned");
  // The old managed handler is freed only after the new one is in place, so its destruction
  // notice finds nothing to clear.
  std::unique_ptr<TIdIOHandler> doomed;
  if (FIOHandler) {
    FIOHandler->SetWorkTarget(nullptr);
    if (FManagedIOHandler) doomed = std::move(FOwnedIOHandler);
  }
  FManagedIOHandler = false;
  FIOHandler = AValue;
  FSocket = nullptr;
  if (AValue) {
    FreeNotification(AValue);
    AValue->SetWorkTarget(this);
    AValue->SetIntercept(FIntercept);
    FSocket = dynamic_cast<TIdIOHandlerSocket*>(AValue);
  }
}

void TIdTCPConnection::AttachManagedIOHandler(std::unique_ptr<TIdIOHandler> AHandler) {
  SetIOHandler(AHandler.get());
  FOwnedIOHandler = std::move(AHandler);
  FManagedIOHandler = true;
}

TIdIOHandler* TIdTCPConnection::CreateIOHandler(TIdIOHandlerClass ABaseType) {
  if (Connected()) throw EIdException(u"Cannot change a connected IOHandler.");
  std::unique_ptr<TIdIOHandler> handler =
      ABaseType ? TIdIOHandler::MakeIOHandler(ABaseType) : TIdIOHandler::MakeDefaultIOHandler();
  AttachManagedIOHandler(std::move(handler));
  return FIOHandler;
}

void TIdTCPConnection::SetIntercept(TIdConnectionIntercept* AValue) {
  if (AValue == FIntercept) return;
  if (FIOHandler && FIOHandler->Intercept() && FIOHandler->Intercept() != FIntercept)
    throw EIdException(u"The IOHandler already has a different Intercept assigned");
  FIntercept = AValue;
  if (FIntercept) FreeNotification(FIntercept);
  if (FIOHandler) FIOHandler->SetIntercept(AValue);
}

bool TIdTCPConnection::Connected() {
  return FIOHandler && FIOHandler->Connected();
}

void TIdTCPConnection::Disconnect(bool ANotifyPeer) {
  try {
    if (ANotifyPeer && Connected()) DisconnectNotifyPeer();
  } catch (...) {
    // Telling the peer is a courtesy; the connection closes regardless.
  }
  if (FIOHandler && FIOHandler->Opened()) {
    DoStatus(hsDisconnecting);
    FIOHandler->Close();
    DoOnDisconnected();
    DoStatus(hsDisconnected);
  }
}

void TIdTCPConnection::DoOnDisconnected() {
  if (OnDisconnected) OnDisconnected(this);
}

void TIdTCPConnection::CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected) {
  if (FIOHandler)
    FIOHandler->CheckForDisconnect(ARaiseExceptionIfDisconnected);
  else if (ARaiseExceptionIfDisconnected)
    throw EIdException(u"Not Connected");
}
