#include "net/ozkIdTCPClient.h"

#include "net/ozkIdException.h"

TIdTCPClientCustom::TIdTCPClientCustom(TComponent* AOwner) : TIdTCPConnection(AOwner) {}

TIdTCPClientCustom::~TIdTCPClientCustom() = default;

void TIdTCPClientCustom::MakeImplicitClientHandler() {
  AttachManagedIOHandler(TIdIOHandler::MakeDefaultIOHandler());
  if (FIOHandler) FIOHandler->OnStatus = OnStatus;
}

void TIdTCPClientCustom::Connect() {
  if (Connected()) throw EIdAlreadyConnected();
  if (FHost.empty()) throw EIdHostRequired();
  if (FPort == 0) throw EIdPortRequired();
  if (!FIOHandler) MakeImplicitClientHandler();
  try {
    if (!FDestination.empty()) FIOHandler->SetDestination(FDestination);
    FIOHandler->SetPort(FPort);
    FIOHandler->SetHost(FHost);
    FIOHandler->SetConnectTimeout(FConnectTimeout);
    FIOHandler->SetReadTimeout(FReadTimeout);
    if (FSocket) {
      FSocket->SetBoundIP(FBoundIP);
      FSocket->SetBoundPort(FBoundPort);
      FSocket->SetBoundPortMin(FBoundPortMin);
      FSocket->SetBoundPortMax(FBoundPortMax);
      FSocket->SetIPVersion(FIPVersion);
      FSocket->SetReuseSocket(FReuseSocket);
      FSocket->SetUseNagle(FUseNagle);
      FSocket->SetLingerState(FLingerState);
      FSocket->OnBeforeBind = OnBeforeBind;
      FSocket->OnAfterBind = OnAfterBind;
      FSocket->OnSocketAllocated = OnSocketAllocated;
    }
    FIOHandler->Open();
    if (FIOHandler->Intercept()) FIOHandler->Intercept()->Connect(this);
    DoStatus(hsConnected, {FHost});
    DoOnConnected();
  } catch (...) {
    if (FIOHandler) {
      try {
        FIOHandler->Close();
      } catch (...) {
        // The connect's own error is the one worth reporting.
      }
      if (FManagedIOHandler) SetIOHandler(nullptr);
    }
    throw;
  }
}

void TIdTCPClientCustom::Connect(const std::u16string& AHost) {
  SetHost(AHost);
  Connect();
}

void TIdTCPClientCustom::Connect(const std::u16string& AHost, uint16_t APort) {
  SetHost(AHost);
  SetPort(APort);
  Connect();
}

std::u16string TIdTCPClientCustom::ConnectAndGetAll() {
  Connect();
  std::u16string result;
  try {
    result = FIOHandler->AllData();
  } catch (...) {
    Disconnect();
    throw;
  }
  Disconnect();
  return result;
}

void TIdTCPClientCustom::DoOnConnected() {
  if (OnConnected) OnConnected(this);
}

void TIdTCPClientCustom::SetHost(const std::u16string& AValue) {
  FHost = AValue;
  if (FIOHandler) FIOHandler->SetHost(AValue);
}

void TIdTCPClientCustom::SetPort(uint16_t AValue) {
  FPort = AValue;
  if (FIOHandler) FIOHandler->SetPort(AValue);
}

void TIdTCPClientCustom::SetIPVersion(TIdIPVersion AValue) {
  FIPVersion = AValue;
  if (FSocket) FSocket->SetIPVersion(AValue);
}

void TIdTCPClientCustom::SetConnectTimeout(int AValue) {
  FConnectTimeout = AValue;
  if (FIOHandler) FIOHandler->SetConnectTimeout(AValue);
}

int TIdTCPClientCustom::ReadTimeout() const {
  return FIOHandler ? FIOHandler->ReadTimeout() : FReadTimeout;
}

void TIdTCPClientCustom::SetReadTimeout(int AValue) {
  FReadTimeout = AValue;
  if (FIOHandler) FIOHandler->SetReadTimeout(AValue);
}

void TIdTCPClientCustom::SetBoundIP(const std::u16string& AValue) {
  FBoundIP = AValue;
  if (FSocket) FSocket->SetBoundIP(AValue);
}

void TIdTCPClientCustom::SetBoundPort(uint16_t AValue) {
  FBoundPort = AValue;
  if (FSocket) FSocket->SetBoundPort(AValue);
}

void TIdTCPClientCustom::SetBoundPortMin(uint16_t AValue) {
  FBoundPortMin = AValue;
  if (FSocket) FSocket->SetBoundPortMin(AValue);
}

void TIdTCPClientCustom::SetBoundPortMax(uint16_t AValue) {
  FBoundPortMax = AValue;
  if (FSocket) FSocket->SetBoundPortMax(AValue);
}

TIdReuseSocket TIdTCPClientCustom::ReuseSocket() const {
  return FSocket ? FSocket->ReuseSocket() : FReuseSocket;
}

void TIdTCPClientCustom::SetReuseSocket(TIdReuseSocket AValue) {
  FReuseSocket = AValue;
  if (FSocket) FSocket->SetReuseSocket(AValue);
}

bool TIdTCPClientCustom::UseNagle() const {
  return FSocket ? FSocket->UseNagle() : FUseNagle;
}

void TIdTCPClientCustom::SetUseNagle(bool AValue) {
  FUseNagle = AValue;
  if (FSocket) FSocket->SetUseNagle(AValue);
}

void TIdTCPClientCustom::SetLingerState(int AValue) {
  FLingerState = AValue;
  if (FSocket) FSocket->SetLingerState(AValue);
}
