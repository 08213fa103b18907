#include "support/ozkTestTransport.h"

#include <algorithm>
#include <cstring>

#include "net/ozkIdException.h"
#include "net/ozkIdStack.h"

namespace ozktest {

TTestMemoryIOHandler::TTestMemoryIOHandler(TComponent* AOwner) : TIdIOHandler(AOwner) {}

TTestMemoryIOHandler::~TTestMemoryIOHandler() {
  FTransportOpen = false;
}

TIdIOHandlerClass TTestMemoryIOHandler::ClassType() {
  static const TIdIOHandlerClassInfo info(u"TTestMemoryIOHandler", TIdIOHandler::ClassType(),
                                          &IdCreateIOHandler<TTestMemoryIOHandler>);
  return &info;
}

void TTestMemoryIOHandler::FailOperation(int AOperation, int AError, bool ARaise) {
  FFailAt = AOperation;
  FFailError = AError;
  FFailRaises = ARaise;
}

void TTestMemoryIOHandler::Open() {
  TIdIOHandler::Open();
  FTransportOpen = true;
}

void TTestMemoryIOHandler::Close() {
  FTransportOpen = false;
  TIdIOHandler::Close();
}

bool TTestMemoryIOHandler::Connected() {
  return (FTransportOpen && TIdIOHandler::Connected()) || FInputBuffer.Size() > 0;
}

// Mirrors the socket handler: a closed-gracefully handler closes its transport; without one
// it is disconnected, which raises when asked and nothing buffered is left (or it is ignored).
void TTestMemoryIOHandler::CheckForDisconnect(bool ARaiseExceptionIfDisconnected,
                                              bool AIgnoreBuffer) {
  if (FClosedGracefully && FTransportOpen) Close();
  const bool disconnected = FClosedGracefully || !FTransportOpen;
  if (disconnected && ARaiseExceptionIfDisconnected && (FInputBuffer.Size() == 0 || AIgnoreBuffer))
    throw EIdConnClosedGracefully();
}

bool TTestMemoryIOHandler::Readable(int) {
  if (!FTransportOpen) throw EIdConnClosedGracefully();
  if (FFailAt == FOperations + 1) return true;
  return FInputPos < FInput.size() || FEnd != teStall;
}

bool TTestMemoryIOHandler::NextOperationFails() {
  ++FOperations;
  if (FOperations != FFailAt) return false;
  FLastError = FFailError;
  if (FFailRaises) GStack->RaiseSocketError(FFailError);
  return true;
}

int TTestMemoryIOHandler::ReceiveFromTransport(uint8_t* VBuffer, int ALength) {
  if (NextOperationFails()) return -1;
  if (FInputPos < FInput.size()) {
    size_t count = std::min(size_t(ALength), FInput.size() - FInputPos);
    if (FChunkSize > 0) count = std::min(count, size_t(FChunkSize));
    std::memcpy(VBuffer, FInput.data() + FInputPos, count);
    FInputPos += count;
    FReadSizes.push_back(int(count));
    return int(count);
  }
  if (FEnd == teError) {
    FLastError = FEndError;
    return -1;
  }
  return 0;
}

int TTestMemoryIOHandler::SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) {
  if (NextOperationFails()) return -1;
  int count = ALength;
  if (FSendChunkSize > 0) count = std::min(count, FSendChunkSize);
  FWritten.append(reinterpret_cast<const char*>(ABuffer.data()) + AOffset, size_t(count));
  return count;
}

int TTestMemoryIOHandler::TranslateTransportError(int) {
  if (FLastError == Id_WSAESHUTDOWN || FLastError == Id_WSAECONNABORTED ||
      FLastError == Id_WSAECONNRESET || FLastError == Id_WSAETIMEDOUT)
    return FLastError;
  GStack->RaiseSocketError(FLastError);
}

void TTestMemoryIOHandler::RaiseTransportError(int AErr) {
  GStack->RaiseSocketError(AErr);
}

} // namespace ozktest
