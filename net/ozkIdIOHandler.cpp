// TIdIOHandler: construction, state, the class registry and the filling of the input buffer.
// Reading lives in ozkIdIOHandlerRead.cpp, writing in ozkIdIOHandlerWrite.cpp.
#include "net/ozkIdIOHandler.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "base/ozkFormat.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandlerSocket.h"
#include "net/ozkIdSSLOpenSSL.h"

// --- Class registry ------------------------------------------------------------------------------

bool TIdIOHandlerClassInfo::InheritsFrom(const TIdIOHandlerClassInfo* ABase) const {
  for (const TIdIOHandlerClassInfo* c = this; c; c = c->FParent)
    if (c == ABase) return true;
  return false;
}

namespace {

// The stack handler is the default from the start, and the OpenSSL handler is the TLS handler
// that a client asking for "the most recently registered" TLS class finds. Both are registered
// here, on the registry's first use, rather than by static initialisers in their own units:
// a static library link drops an object file that nothing refers to, and its initialiser with
// it.
struct TRegistry {
  TRegistry()
      : Classes{TIdIOHandlerStack::ClassType(), TIdSSLIOHandlerSocketOpenSSL::ClassType()},
        Default(TIdIOHandlerStack::ClassType()) {}
  std::mutex Lock;
  std::vector<TIdIOHandlerClass> Classes;
  TIdIOHandlerClass Default;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

TIdIOHandlerClass FindDescendant(TIdIOHandlerClass ABaseType) {
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  if (!ABaseType) return registry.Default;
  for (auto it = registry.Classes.rbegin(); it != registry.Classes.rend(); ++it)
    if (!(*it)->IsAbstract() && (*it)->InheritsFrom(ABaseType)) return *it;
  return nullptr;
}

[[noreturn]] void RaiseNotInstalled(TIdIOHandlerClass ABaseType) {
  throw EIdException(Format(u"No IOHandler of type %s is installed.",
                            ABaseType ? ABaseType->ClassName() : std::u16string(u"TIdIOHandler")));
}

} // namespace

TIdIOHandlerClass TIdIOHandler::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TIdIOHandler", nullptr, nullptr);
  return &info;
}

void TIdIOHandler::RegisterIOHandler(TIdIOHandlerClass AClass) {
  if (!AClass) return;
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  if (std::find(registry.Classes.begin(), registry.Classes.end(), AClass) == registry.Classes.end())
    registry.Classes.push_back(AClass);
}

void TIdIOHandler::SetDefaultClass(TIdIOHandlerClass AClass) {
  if (!AClass) return;
  RegisterIOHandler(AClass);
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  registry.Default = AClass;
}

TIdIOHandlerClass TIdIOHandler::DefaultClass() {
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  return registry.Default;
}

std::unique_ptr<TIdIOHandler> TIdIOHandler::MakeDefaultIOHandler() {
  TIdIOHandlerClass c = DefaultClass();
  return std::unique_ptr<TIdIOHandler>(c ? c->Create(nullptr) : nullptr);
}

TIdIOHandler* TIdIOHandler::MakeDefaultIOHandler(TComponent& AOwner) {
  TIdIOHandlerClass c = DefaultClass();
  return c ? c->Create(&AOwner) : nullptr;
}

std::unique_ptr<TIdIOHandler> TIdIOHandler::TryMakeIOHandler(TIdIOHandlerClass ABaseType) {
  TIdIOHandlerClass c = FindDescendant(ABaseType);
  return std::unique_ptr<TIdIOHandler>(c ? c->Create(nullptr) : nullptr);
}

TIdIOHandler* TIdIOHandler::TryMakeIOHandler(TIdIOHandlerClass ABaseType, TComponent& AOwner) {
  TIdIOHandlerClass c = FindDescendant(ABaseType);
  return c ? c->Create(&AOwner) : nullptr;
}

std::unique_ptr<TIdIOHandler> TIdIOHandler::MakeIOHandler(TIdIOHandlerClass ABaseType) {
  std::unique_ptr<TIdIOHandler> result = TryMakeIOHandler(ABaseType);
  if (!result) RaiseNotInstalled(ABaseType);
  return result;
}

TIdIOHandler* TIdIOHandler::MakeIOHandler(TIdIOHandlerClass ABaseType, TComponent& AOwner) {
  TIdIOHandler* result = TryMakeIOHandler(ABaseType, AOwner);
  if (!result) RaiseNotInstalled(ABaseType);
  return result;
}

// --- Life cycle and state ------------------------------------------------------------------------

TIdIOHandler::TIdIOHandler(TComponent* AOwner)
    : TIdComponent(AOwner), FDefStringEncoding(TextEncodingOfKind(tekASCII)) {
  // Read progress is whatever leaves the input buffer.
  FInputBuffer.SetOnBytesRemoved([this](TIdBuffer*, int ABytes) { DoWork(wmRead, ABytes); });
}

TIdIOHandler::~TIdIOHandler() {
  try {
    TIdIOHandler::Close();
  } catch (...) {
    // An interceptor failing at destruction has nobody left to tell.
  }
  FInputBuffer.SetOnBytesRemoved(nullptr);
}

void TIdIOHandler::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == TOperation::opRemove && AComponent == FIntercept) FIntercept = nullptr;
  TIdComponent::Notification(AComponent, AOperation);
}

void TIdIOHandler::SetIntercept(TIdConnectionIntercept* AValue) {
  FIntercept = AValue;
  if (FIntercept) FreeNotification(FIntercept);
}

void TIdIOHandler::SetDefStringEncoding(const IIdTextEncodingPtr& AValue) {
  FDefStringEncoding = AValue ? AValue : TextEncodingOfKind(tekDefault);
}

void TIdIOHandler::Open() {
  FOpened = false;
  FClosedGracefully = false;
  WriteBufferClear();
  FInputBuffer.Clear();
  FOpened = true;
}

void TIdIOHandler::Close() {
  try {
    if (FIntercept) FIntercept->Disconnect();
  } catch (...) {
    FOpened = false;
    WriteBufferClear();
    throw;
  }
  FOpened = false;
  WriteBufferClear();
}

void TIdIOHandler::CloseGracefully() {
  FClosedGracefully = true;
}

bool TIdIOHandler::Connected() {
  CheckForDisconnect(false, false);
  return FOpened && (!FClosedGracefully || FInputBuffer.Size() > 0);
}

bool TIdIOHandler::Readable(int) {
  return false;
}

// --- Filling the input buffer --------------------------------------------------------------------

int TIdIOHandler::ResolveTimeout(int ATimeout) const {
  if (ATimeout == IdTimeoutDefault) ATimeout = FReadTimeOut <= 0 ? IdTimeoutInfinite : FReadTimeOut;
  return ATimeout < 0 ? IdTimeoutInfinite : ATimeout;
}

int TIdIOHandler::ReceiveIntoInputBuffer() {
  if (!FIntercept) {
    // Straight into the input buffer's free space: no copy and no allocation per read.
    uint8_t* area = FInputBuffer.PrepareWrite(FRecvBufferSize);
    const int count = ReceiveFromTransport(area, FRecvBufferSize);
    if (count > 0) FInputBuffer.CommitWrite(std::min(count, FRecvBufferSize));
    return count;
  }
  // The interceptor gets its own array, which it may replace.
  FInterceptScratch.resize(static_cast<size_t>(FRecvBufferSize));
  const int count = ReceiveFromTransport(FInterceptScratch.data(), FRecvBufferSize);
  if (count > 0) {
    FInterceptScratch.resize(static_cast<size_t>(std::min(count, FRecvBufferSize)));
    FIntercept->Receive(FInterceptScratch);
    FInputBuffer.Write(FInterceptScratch);
  }
  return count;
}

int TIdIOHandler::FillInputBuffer(bool ARaiseExceptionIfDisconnected, int ATimeout,
                                  bool ARaiseOnTimeout) {
  ATimeout = ResolveTimeout(ATimeout);
  CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
  if (!TransportIsAvailable()) {
    if (ARaiseExceptionIfDisconnected) throw EIdNotConnected();
    return 0;
  }
  int result = 0;
  while (TransportIsAvailable()) {
    if (!ReadableBeforeReceive(ATimeout)) {
      if (ARaiseOnTimeout) throw EIdReadTimeout();
      return -1;
    }
    int count = 0;
    int added = 0;
    if (FOpened) {
      if (TransportIsAvailable()) {
        const int before = FInputBuffer.Size();
        count = ReceiveIntoInputBuffer();
        added = FInputBuffer.Size() - before;
      } else if (ARaiseExceptionIfDisconnected) {
        throw EIdClosedSocket();
      }
    } else if (ARaiseExceptionIfDisconnected) {
      throw EIdNotConnected();
    }
    if (count < 0) {
      const int err = TranslateTransportError(count);
      if (err == Id_WSAETIMEDOUT) {
        if (ARaiseOnTimeout) throw EIdReadTimeout();
        return -1;
      }
      FClosedGracefully = true;
      Close();
      if (FInputBuffer.Size() == 0 && ARaiseExceptionIfDisconnected) {
        RaiseTransportError(err);
        throw EIdConnClosedGracefully();
      }
      count = 0;
    }
    // Only the transport's end of stream closes the connection; a chunk that an interceptor
    // swallowed whole just means reading on.
    if (count == 0) FClosedGracefully = true;
    CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
    result = count > 0 ? added : 0;
    if (count == 0 || added != 0) break;
  }
  return result;
}
