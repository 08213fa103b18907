// Fuzz target: the server-sent events reader. The same stream fed whole, in pieces of the size
// the input chooses, and as the body of a response that the HTTP engine reads from the
// in-memory transport (through the body stream that feeds the reader) must give the same events
// and end the same way; the bounds hold. Byte 0 picks the piece size, byte 1 the bounds (small
// ones reach the bound errors).
#include <vector>

#include "base/ozkText.h"
#include "fuzz/ozkFuzzWire.h"
#include "http/ozkHTTP_SSE.h"

namespace {

struct TRun {
  std::vector<TozkSSEEvent> Events;
  bool Failed = false;
  bool Done = false;
  bool Pending = false;
  int64_t Retry = -1;
};

TRun Feed(std::string_view aStream, size_t aPiece, size_t aMaxLine, size_t aMaxEvent) {
  TRun run;
  TozkSSEReader reader([&](const TozkSSEEvent& aEvent) {
    run.Events.push_back(aEvent);
    return aEvent.Event == u"done";
  });
  reader.SetMaxLineLength(aMaxLine);
  reader.SetMaxEventSize(aMaxEvent);
  try {
    for (size_t at = 0; at < aStream.size(); at += aPiece)
      reader.Feed(aStream.data() + at, std::min(aPiece, aStream.size() - at));
  } catch (const EIdSSEError&) {
    run.Failed = true;
  }
  if (static_cast<size_t>(reader.EventCount()) != run.Events.size())
    ozkfuzz::Fail("event count differs from the events handed over");
  run.Done = reader.Done();
  run.Pending = reader.Pending();
  run.Retry = reader.Retry();
  for (const auto& e : run.Events)
    if (UTF16ToUTF8(e.Data).size() > aMaxEvent * 3) ozkfuzz::Fail("event past its bound");
  return run;
}

// The stream as the body of a response read until the close, aPiece bytes per transport read.
TRun ThroughEngine(std::string_view aStream, int aPiece, size_t aMaxLine, size_t aMaxEvent) {
  TRun run;
  TozkSSEReader reader([&](const TozkSSEEvent& aEvent) {
    run.Events.push_back(aEvent);
    return aEvent.Event == u"done";
  });
  reader.SetMaxLineLength(aMaxLine);
  reader.SetMaxEventSize(aMaxEvent);
  TIdHTTP http;
  auto* io = new ozktest::TTestMemoryIOHandler(&http); // owned by the engine
  io->SetInput("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\n");
  io->AddInput(aStream);
  io->SetChunkSize(aPiece);
  http.SetIOHandler(io);
  TozkSSEStream events(reader);
  try {
    http.Get(u"http://fuzz.test/events", &events);
  } catch (const TozkSSEFinished&) {
  } catch (const EIdSSEError&) {
    run.Failed = true;
  }
  run.Done = reader.Done();
  run.Retry = reader.Retry();
  return run;
}

bool Same(const TRun& a, const TRun& b, bool aPending = true) {
  if (a.Failed != b.Failed || a.Done != b.Done || a.Retry != b.Retry ||
      a.Events.size() != b.Events.size())
    return false;
  if (aPending && !a.Failed && a.Pending != b.Pending) return false;
  for (size_t i = 0; i < a.Events.size(); ++i)
    if (a.Events[i].Event != b.Events[i].Event || a.Events[i].Data != b.Events[i].Data ||
        a.Events[i].Id != b.Events[i].Id)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2) return 0;
  const std::string_view stream(reinterpret_cast<const char*>(aData) + 2, aSize - 2);
  const size_t piece = 1 + aData[0] % 16;
  const bool small = (aData[1] & 0x80) != 0;
  const size_t maxLine = small ? 1 + (aData[1] & 0x0F) * 4 : TozkSSEReader::DefaultMaxLineLength;
  const size_t maxEvent =
      small ? 1 + ((aData[1] >> 4) & 0x07) * 8 : TozkSSEReader::DefaultMaxEventSize;
  const TRun whole = Feed(stream, stream.size() + 1, maxLine, maxEvent);
  const TRun pieces = Feed(stream, piece, maxLine, maxEvent);
  if (!Same(whole, pieces))
    ozkfuzz::Fail("pieces give other events than the whole stream",
                  std::to_string(whole.Events.size()) + " vs " +
                      std::to_string(pieces.Events.size()) + " events, failed " +
                      std::to_string(whole.Failed) + " vs " + std::to_string(pieces.Failed));
  const TRun engine = ThroughEngine(stream, static_cast<int>(piece), maxLine, maxEvent);
  if (!Same(whole, engine, false))
    ozkfuzz::Fail("the engine's body gives other events than the whole stream",
                  std::to_string(whole.Events.size()) + " vs " +
                      std::to_string(engine.Events.size()) + " events, failed " +
                      std::to_string(whole.Failed) + " vs " + std::to_string(engine.Failed));
  return 0;
}
