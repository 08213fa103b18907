// TIdTCPConnection: a connection component around an I/O handler. It may create and own the
// handler ("managed"), attaches its interceptor to whatever handler it uses, receives the
// handler's progress events (as the handler's work target) and disconnects it.
#pragma once

#include <memory>

#include "net/ozkIdComponent.h"
#include "net/ozkIdIOHandler.h"
#include "net/ozkIdIOHandlerSocket.h"
#include "net/ozkIdIntercept.h"

class TIdTCPConnection : public TIdComponent {
 public:
  explicit TIdTCPConnection(TComponent* AOwner = nullptr);
  // Closes the handler and detaches it (a managed handler is freed).
  ~TIdTCPConnection() override;

  // The handler in use (non-owning unless managed). Setting a handler that already has an
  // interceptor other than this connection's raises EIdException "The IOHandler already has a
  // different Intercept assigned"; a managed previous handler is freed.
  TIdIOHandler* IOHandler() const { return FIOHandler; }
  virtual void SetIOHandler(TIdIOHandler* AValue);
  // The handler when it is a socket handler, else nullptr.
  TIdIOHandlerSocket* Socket() const { return FSocket; }
  // Creates and attaches a managed handler of ABaseType (nullptr: the default class). Raises
  // EIdException "Cannot change a connected IOHandler." while connected.
  TIdIOHandler* CreateIOHandler(TIdIOHandlerClass ABaseType = nullptr);
  bool ManagedIOHandler() const { return FManagedIOHandler; }

  virtual TIdConnectionIntercept* Intercept() const { return FIntercept; }
  virtual void SetIntercept(TIdConnectionIntercept* AValue);

  virtual bool Connected();
  // With ANotifyPeer and while connected, DisconnectNotifyPeer (errors there are swallowed);
  // then, when a handler is open: status hsDisconnecting, the handler's Close, OnDisconnected,
  // status hsDisconnected.
  virtual void Disconnect(bool ANotifyPeer);
  void Disconnect() { Disconnect(true); }
  virtual void DisconnectNotifyPeer() {}
  // The handler's CheckForDisconnect; without a handler raises EIdException "Not Connected"
  // when asked to raise.
  virtual void CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected = true);

  TIdNotifyEvent OnDisconnected;

 protected:
  virtual void DoOnDisconnected();
  void Notification(TComponent* AComponent, TOperation AOperation) override;
  // Attaches a handler that this connection owns from now on.
  void AttachManagedIOHandler(std::unique_ptr<TIdIOHandler> AHandler);

  TIdIOHandler* FIOHandler = nullptr;
  TIdIOHandlerSocket* FSocket = nullptr;
  bool FManagedIOHandler = false;
  TIdConnectionIntercept* FIntercept = nullptr;

 private:
  std::unique_ptr<TIdIOHandler> FOwnedIOHandler;
};
