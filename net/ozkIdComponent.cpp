#include "net/ozkIdComponent.h"

#include "net/ozkIdStack.h"

TIdBaseComponent::TIdBaseComponent(TComponent* AOwner) : TComponent(AOwner) {}

TIdBaseComponent::~TIdBaseComponent() = default;

std::u16string_view IdStatusFormat(TIdStatus AStatus) {
  switch (AStatus) {
  case hsResolving:
    return u"Resolving hostname %s.";
  case hsConnecting:
    return u"Connecting to %s.";
  case hsConnected:
    return u"Connected.";
  case hsDisconnecting:
    return u"Disconnecting.";
  case hsDisconnected:
    return u"Disconnected.";
  case hsStatusText:
    return u"%s";
  }
  return u"";
}

TIdComponent::TIdComponent(TComponent* AOwner) : TIdBaseComponent(AOwner) {
  TIdStack::IncUsage();
}

TIdComponent::~TIdComponent() {
  TIdStack::DecUsage();
}

void TIdComponent::SetWorkTarget(TIdComponent* AValue) {
  // The free-notification link stays when the target changes: it may be shared with other
  // references between the same two components, and a stale link changes nothing.
  FWorkTarget = AValue;
  if (FWorkTarget) FreeNotification(FWorkTarget);
}

void TIdComponent::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove && AComponent == FWorkTarget) FWorkTarget = nullptr;
  TIdBaseComponent::Notification(AComponent, AOperation);
}

void TIdComponent::BeginWork(TWorkMode AWorkMode, int64_t ASize) {
  if (FWorkTarget) {
    FWorkTarget->BeginWork(AWorkMode, ASize);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  ++info.Level;
  if (info.Level == 1) {
    info.CountMax = ASize;
    info.Count = 0;
    if (OnWorkBegin) OnWorkBegin(this, AWorkMode, ASize);
  }
}

void TIdComponent::DoWork(TWorkMode AWorkMode, int64_t ACount) {
  if (FWorkTarget) {
    FWorkTarget->DoWork(AWorkMode, ACount);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  if (info.Level > 0) {
    info.Count += ACount;
    if (OnWork) OnWork(this, AWorkMode, info.Count);
  }
}

void TIdComponent::EndWork(TWorkMode AWorkMode) {
  if (FWorkTarget) {
    FWorkTarget->EndWork(AWorkMode);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  if (info.Level == 1 && OnWorkEnd) {
    // The level must close even when the handler raises, or the next bracket would nest.
    try {
      OnWorkEnd(this, AWorkMode);
    } catch (...) {
      info.Level = 0;
      throw;
    }
  }
  if (info.Level > 0) --info.Level;
}

void TIdComponent::DoStatus(TIdStatus AStatus, std::initializer_list<TFormatArg> AArgs) {
  if (OnStatus) OnStatus(this, AStatus, FormatArgs(IdStatusFormat(AStatus), AArgs));
}
