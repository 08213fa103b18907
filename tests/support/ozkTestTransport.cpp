#include "support/ozkTestTransport.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

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

void TTestMemoryIOHandler::SetInputSegments(const std::vector<std::string>& ASegments) {
  FInput = ASegments.empty() ? std::string() : ASegments.front();
  FInputPos = 0;
  FLaterSegments.assign(ASegments.rbegin(), ASegments.rend());
  if (!FLaterSegments.empty()) FLaterSegments.pop_back();
  FSegmented = true;
}

void TTestMemoryIOHandler::FailOperation(int AOperation, int AError, bool ARaise) {
  FFailAt = AOperation;
  FFailError = AError;
  FFailRaises = ARaise;
}

void TTestMemoryIOHandler::Open() {
  TIdIOHandler::Open();
  // A new connection to a segmented peer: the old connection's unread answer is gone with it.
  if (FSegmented && FOpenedBefore) FInputPos = FInput.size();
  FOpenedBefore = true;
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
  if (FInputPos == FInput.size() && !FLaterSegments.empty()) {
    FInput += FLaterSegments.back();
    FLaterSegments.pop_back();
  }
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

int ForEveryReadSize(const std::vector<std::string>& AInput,
                     const std::function<void(TTestMemoryIOHandler&)>& ARun,
                     TTestMemoryIOHandler::TEnd AEnd) {
  int sizes = 0;
  for (const std::string& segment : AInput) sizes += static_cast<int>(segment.size());
  for (int size = 0; size <= sizes; ++size) {
    SCOPED_TRACE("bytes per read: " + std::to_string(size));
    TTestMemoryIOHandler io;
    io.SetInputSegments(AInput);
    io.SetChunkSize(size);
    io.SetEnd(AEnd);
    io.Open();
    ARun(io);
  }
  return sizes + 1;
}

int ForEveryFailingOperation(
    const std::vector<std::string>& AInput, int AReadSize,
    const std::function<void(TTestMemoryIOHandler&)>& ARun,
    const std::function<void(TTestMemoryIOHandler&, std::exception_ptr, int)>& AOutcome,
    TTestMemoryIOHandler::TEnd AEnd) {
  auto run = [&](int AFailAt,
                 const std::function<void(TTestMemoryIOHandler&, std::exception_ptr)>& AThen) {
    TTestMemoryIOHandler io;
    io.SetInputSegments(AInput);
    io.SetChunkSize(AReadSize);
    io.SetEnd(AEnd);
    if (AFailAt > 0) io.FailOperation(AFailAt, Id_WSAECONNRESET);
    std::exception_ptr error;
    try {
      io.Open();
      ARun(io);
    } catch (...) {
      error = std::current_exception();
    }
    AThen(io, error);
  };
  int operations = 0;
  run(0, [&](TTestMemoryIOHandler& io, const std::exception_ptr&) {
    operations = io.OperationCount();
  });
  for (int n = 1; n <= operations + 1; ++n)
    run(n,
        [&](TTestMemoryIOHandler& io, const std::exception_ptr& error) { AOutcome(io, error, n); });
  return operations + 1;
}

} // namespace ozktest
