// Component bases of the connection layer: TIdBaseComponent (the root of every connection-layer
// component) and TIdComponent, which carries the status notification and the nested read and
// write progress ("work") events, optionally forwarded to another component.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "base/ozkComponent.h"
#include "base/ozkFormat.h"

class TIdBaseComponent : public TComponent {
 public:
  explicit TIdBaseComponent(TComponent* AOwner = nullptr);
  ~TIdBaseComponent() override;
};

enum TIdStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
};

enum TWorkMode { wmRead, wmWrite };

// Events receive the component that raised them as ASender.
using TIdNotifyEvent = std::function<void(TComponent* ASender)>;
using TIdStatusEvent =
    std::function<void(TComponent* ASender, TIdStatus AStatus, const std::u16string& AStatusText)>;
using TWorkEvent =
    std::function<void(TComponent* ASender, TWorkMode AWorkMode, int64_t AWorkCount)>;
using TWorkBeginEvent =
    std::function<void(TComponent* ASender, TWorkMode AWorkMode, int64_t AWorkCountMax)>;
using TWorkEndEvent = std::function<void(TComponent* ASender, TWorkMode AWorkMode)>;

// The status text formats: "Resolving hostname %s.", "Connecting to %s.", "Connected.",
// "Disconnecting.", "Disconnected.", "%s".
std::u16string_view IdStatusFormat(TIdStatus AStatus);

// Every TIdComponent is a user of the process-wide socket stack (see TIdStack::IncUsage): the
// first one creates the stack, the last one destroys it.
class TIdComponent : public TIdBaseComponent {
 public:
  explicit TIdComponent(TComponent* AOwner = nullptr);
  ~TIdComponent() override;

  // Work brackets nest per mode: only the outermost BeginWork/EndWork raise OnWorkBegin and
  // OnWorkEnd, and DoWork acts only inside a bracket, adding ACount to the running total that
  // OnWork reports. With a work target all three are passed on to the target instead.
  virtual void BeginWork(TWorkMode AWorkMode, int64_t ASize = 0);
  virtual void DoWork(TWorkMode AWorkMode, int64_t ACount);
  virtual void EndWork(TWorkMode AWorkMode);

  // Non-owning; cleared when the target is destroyed.
  TIdComponent* WorkTarget() const { return FWorkTarget; }
  void SetWorkTarget(TIdComponent* AValue);

  // Raises OnStatus with the status text formatted from AArgs; nothing is formatted when
  // OnStatus is not set.
  void DoStatus(TIdStatus AStatus, std::initializer_list<TFormatArg> AArgs = {});

  TIdStatusEvent OnStatus;
  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

 protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override;

  struct TWorkInfo {
    int64_t Count = 0;
    int64_t CountMax = 0;
    int Level = 0;
  };
  TWorkInfo FWorkInfos[2];
  TIdComponent* FWorkTarget = nullptr;
};
