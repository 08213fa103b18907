// Server-sent events: an incremental reader of the "text/event-stream" format and a stream that
// feeds a response body into it as the body arrives.
//
// The reader takes the body's bytes in pieces of any size (a line, an event or a CR LF may be
// split anywhere) and hands each complete event to its handler: lines end in CR LF, LF or CR;
// "event:", "data:" (several data lines join with LF), "id:" and "retry:" are the fields; a
// line that starts with ":" is a comment; an empty line ends the event. An event that no empty
// line ends is not complete and is never handed over. The text is UTF-8 (a leading byte-order
// mark is skipped); invalid sequences become U+FFFD.
//
// Memory is bounded: a line longer than MaxLineLength bytes, or an event whose data grows past
// MaxEventSize bytes, raises EIdSSEError, and the reader keeps nothing more of that stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/ozkStream.h"
#include "net/ozkIdException.h"

class EIdSSEError : public EIdException {
 public:
  using EIdException::EIdException;
};

struct TozkSSEEvent {
  // The "event" field, or "message" when the event names none.
  std::u16string Event;
  // The data lines joined with LF (no LF after the last).
  std::u16string Data;
  // The last "id" seen on the stream so far (an id stays until another replaces it).
  std::u16string Id;
};

// Receives each event as it completes. Returning true says the event was the stream's last
// (the reader ignores everything after it).
using TozkSSEEventHandler = std::function<bool(const TozkSSEEvent& aEvent)>;

class TozkSSEReader {
 public:
  static constexpr size_t DefaultMaxLineLength = 4u << 20;
  static constexpr size_t DefaultMaxEventSize = 16u << 20;

  explicit TozkSSEReader(TozkSSEEventHandler aOnEvent);

  // Parses the next bytes of the stream; handlers run before Feed returns. Raises EIdSSEError
  // at a bound and passes on what the handler raises; after either, Feed ignores its input.
  void Feed(const void* aData, size_t aCount);
  // Whether the handler has called an event the last one.
  bool Done() const { return FDone; }
  // Whether the stream stopped inside an event: fields or part of a line since the last
  // event ended (the end of the stream drops that event).
  bool Pending() const { return !FLine.empty() || FFieldsSeen; }
  // Events handed over so far.
  int EventCount() const { return FEventCount; }
  // The last "retry" value in milliseconds, -1 while none came.
  int64_t Retry() const { return FRetry; }

  size_t MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(size_t aValue) { FMaxLineLength = aValue; }
  size_t MaxEventSize() const { return FMaxEventSize; }
  void SetMaxEventSize(size_t aValue) { FMaxEventSize = aValue; }

 private:
  void ProcessLine();
  void Dispatch();
  void AppendLine(const char* aFrom, size_t aCount);

  TozkSSEEventHandler FOnEvent;
  std::string FLine;
  std::string FEventType;
  std::string FData;
  std::string FLastId;
  bool FFieldsSeen = false;
  bool FHasData = false;
  // A CR ended the last line: an LF that comes next belongs to it.
  bool FAfterCR = false;
  // Bytes of a leading byte-order mark still to match (the stream's first three bytes).
  int FBOMChecked = 0;
  bool FDone = false;
  bool FFailed = false;
  int FEventCount = 0;
  int64_t FRetry = -1;
  size_t FMaxLineLength = DefaultMaxLineLength;
  size_t FMaxEventSize = DefaultMaxEventSize;
};

// Thrown by TozkSSEStream once the reader is done, so the body read ends at the final event
// instead of waiting for the server to close; whoever reads the body catches it. It is no
// Exception, so no error handler takes it for a failure.
struct TozkSSEFinished {};

// A write-only stream that feeds what is written into a reader, for the body of a response
// read by the HTTP engine. aAccept, when set, is asked before each write: while it says false
// (the body of a redirect or another answer that is not the one streamed) the bytes are dropped.
// It reports its written length as size and position, and takes resizes without complaint.
class TozkSSEStream : public TStream {
 public:
  explicit TozkSSEStream(TozkSSEReader& aReader, std::function<bool()> aAccept = nullptr)
      : FReader(aReader), FAccept(std::move(aAccept)) {}

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override { return FPosition; }
  void SetSize(int64_t) override {}

 private:
  TozkSSEReader& FReader;
  std::function<bool()> FAccept;
  int64_t FPosition = 0;
};
