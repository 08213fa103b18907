// Connection interceptors: a hook that sees every block a connection sends and receives (and
// may replace it), its connect and its disconnect. Interceptors chain: each may hold another
// one (Intercept) that acts as an inner layer, seeing sent bytes last and received bytes first.
#pragma once

#include <functional>

#include "net/ozkIdComponent.h"
#include "net/ozkIdGlobal.h"

class TIdConnectionIntercept;

using TIdInterceptNotifyEvent = std::function<void(TIdConnectionIntercept* ASender)>;
// The handler may replace the contents of ABuffer (any length); the connection continues with
// what the buffer holds afterwards.
using TIdInterceptStreamEvent =
    std::function<void(TIdConnectionIntercept* ASender, TIdBytes& ABuffer)>;

class TIdConnectionIntercept : public TIdBaseComponent {
 public:
  explicit TIdConnectionIntercept(TComponent* AOwner = nullptr);
  ~TIdConnectionIntercept() override;

  // Stores the connection, raises OnConnect, then connects the chained interceptor.
  virtual void Connect(TComponent* AConnection);
  // Disconnects the chained interceptor, raises OnDisconnect, then forgets the connection.
  virtual void Disconnect();
  // Chained interceptor first, then OnReceive.
  virtual void Receive(TIdBytes& VBuffer);
  // OnSend first, then the chained interceptor.
  virtual void Send(TIdBytes& VBuffer);

  // The connection this interceptor is attached to (non-owning; cleared on its destruction).
  TComponent* Connection() const { return FConnection; }
  // The chained interceptor (non-owning; cleared when it is destroyed). Setting this
  // interceptor or a chain that contains it raises EIdInterceptCircularLink
  // "<class name>: Circular links are not allowed".
  TIdConnectionIntercept* Intercept() const { return FIntercept; }
  void SetIntercept(TIdConnectionIntercept* AValue);
  bool IsClient() const { return FIsClient; }
  void SetIsClient(bool AValue) { FIsClient = AValue; }
  // An object for the user; never touched by the interceptor.
  void* Data() const { return FData; }
  void SetData(void* AValue) { FData = AValue; }

  TIdInterceptNotifyEvent OnConnect;
  TIdInterceptNotifyEvent OnDisconnect;
  TIdInterceptStreamEvent OnReceive;
  TIdInterceptStreamEvent OnSend;

 protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override;

  TComponent* FConnection = nullptr;
  TIdConnectionIntercept* FIntercept = nullptr;
  bool FIsClient = true;
  void* FData = nullptr;
};
