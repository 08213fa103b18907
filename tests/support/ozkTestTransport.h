// In-memory transports for I/O handler tests: TTestMemoryIOHandler is a TIdIOHandler whose
// "peer" is a byte string handed out a fixed number of bytes per read (to exercise every split
// point of a buffer), whose writes are recorded, and whose n-th transport operation can be made
// to fail (to run every error path).
//
// Typical use:
//   for (int chunk = 1; chunk <= int(fixture.size()); ++chunk) {
//     ozktest::TTestMemoryIOHandler io;
//     io.SetInput(fixture);
//     io.SetChunkSize(chunk);
//     io.Open();
//     EXPECT_EQ(io.ReadLn(), u"first line");
//   }
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/ozkIdIOHandler.h"
#include "net/ozkIdStack.h"

namespace ozktest {

class TTestMemoryIOHandler : public TIdIOHandler {
 public:
  // What a read meets once the input is used up.
  enum TEnd {
    teClose, // the read returns 0: the peer closed
    teStall, // nothing is readable: a wait for data times out (at once; no real waiting)
    teError, // the read fails with EndError()
  };

  explicit TTestMemoryIOHandler(TComponent* AOwner = nullptr);
  ~TTestMemoryIOHandler() override;

  // Not registered with the handler registry unless a test does so.
  static TIdIOHandlerClass ClassType();

  void SetInput(std::string_view ABytes) {
    FInput.assign(ABytes);
    FInputPos = 0;
  }
  void AddInput(std::string_view ABytes) { FInput.append(ABytes); }
  // The peer answers in turn: the first segment is readable at once, each further one once
  // the previous segment was handed out whole and the handler then wrote something (the next
  // request), as a server that answers only what it was asked. Opening the handler again
  // (a new connection) drops what is left of the segment being read.
  void SetInputSegments(const std::vector<std::string>& ASegments);
  // Most bytes one read hands out (0: as many as the reader asks for).
  void SetChunkSize(int AValue) { FChunkSize = AValue; }
  // Most bytes one write takes (0: all), to exercise partial writes.
  void SetSendChunkSize(int AValue) { FSendChunkSize = AValue; }
  void SetEnd(TEnd AEnd, int AError = Id_WSAECONNRESET) {
    FEnd = AEnd;
    FEndError = AError;
  }
  // Makes transport operation number AOperation (1-based, reads and writes counted together)
  // fail with AError. With ARaise the failure raises the socket error directly (as a socket
  // does); otherwise the operation returns -1 and the handler translates it.
  void FailOperation(int AOperation, int AError = Id_WSAECONNRESET, bool ARaise = false);
  int OperationCount() const { return FOperations; }
  // Every byte the handler sent (after its interceptor).
  const std::string& Written() const { return FWritten; }
  // The size of every successful read, in order.
  const std::vector<int>& ReadSizes() const { return FReadSizes; }
  bool TransportOpen() const { return FTransportOpen; }
  size_t InputLeft() const { return FInput.size() - FInputPos; }

  void Open() override;
  void Close() override;
  // As the socket handler: connected while the transport is open, or bytes are still buffered.
  bool Connected() override;
  void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true,
                          bool AIgnoreBuffer = false) override;
  bool Readable(int AMSec = IdTimeoutDefault) override;

 protected:
  int ReceiveFromTransport(uint8_t* VBuffer, int ALength) override;
  int SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) override;
  bool TransportIsAvailable() override { return FTransportOpen; }
  int TranslateTransportError(int AResult) override;
  void RaiseTransportError(int AErr) override;

 private:
  // Counts an operation; true when this one is to fail (after raising, when so configured).
  bool NextOperationFails();

  std::string FInput;
  size_t FInputPos = 0;
  std::vector<std::string> FLaterSegments; // released by SendToTransport, first one first
  bool FSegmented = false;
  bool FOpenedBefore = false;
  int FChunkSize = 0;
  int FSendChunkSize = 0;
  TEnd FEnd = teClose;
  int FEndError = Id_WSAECONNRESET;
  int FFailAt = 0;
  int FFailError = Id_WSAECONNRESET;
  bool FFailRaises = false;
  int FOperations = 0;
  int FLastError = 0;
  bool FTransportOpen = false;
  std::string FWritten;
  std::vector<int> FReadSizes;
};

// Runs ARun once for every read size 0..N (N: all bytes of AInput, 0: each read takes what it
// asks for) on a fresh, opened handler fed the segments of AInput (see SetInputSegments; the
// end behaves as AEnd), with the read size in the test's trace. Returns the number of runs.
int ForEveryReadSize(const std::vector<std::string>& AInput,
                     const std::function<void(TTestMemoryIOHandler&)>& ARun,
                     TTestMemoryIOHandler::TEnd AEnd = TTestMemoryIOHandler::teClose);

// Runs ARun cleanly once to count its transport operations, then once for every operation n
// of that run and one past it, with operation n failing (connection reset) on a fresh, opened
// handler fed AInput AReadSize bytes per read. AOutcome receives the handler, the exception
// the run raised (null when it returned) and n. Returns the number of failing runs.
int ForEveryFailingOperation(
    const std::vector<std::string>& AInput, int AReadSize,
    const std::function<void(TTestMemoryIOHandler&)>& ARun,
    const std::function<void(TTestMemoryIOHandler&, std::exception_ptr, int)>& AOutcome,
    TTestMemoryIOHandler::TEnd AEnd = TTestMemoryIOHandler::teClose);

} // namespace ozktest
