// Shared by the HTTP fuzz targets: one reply handed to the engine over the in-memory transport
// of tests/support, and the checks every outcome must pass.
//
// A reply either succeeds or fails with an exception of the system (an Exception); anything
// else escapes the target, and libFuzzer reports it. After a failure other than an error status
// the engine must have dropped the connection with no unread bytes left. The same reply read in
// pieces of another size must end the same way (the same exception class, or the same status,
// headers and body).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "base/ozkStream.h"
#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"
#include "http/ozkIdHTTP.h"
#include "support/ozkTestTransport.h"

namespace ozkfuzz {

struct TReplyOutcome {
  std::string Error; // the exception's class name, empty on success
  std::string Message;
  int Code = 0;
  std::u16string Headers;
  std::vector<uint8_t> Body;
};

// GET http://fuzz.test/x answered by AReply, AReadSize bytes per transport read (0: as many as
// asked); once the reply is used up the peer closes (or, with AStall, stays silent).
inline TReplyOutcome RunReply(std::string_view AReply, int AReadSize, bool AStall) {
  TReplyOutcome outcome;
  TIdHTTP http;
  auto* io = new ozktest::TTestMemoryIOHandler(&http); // owned by the engine
  io->SetInput(AReply);
  io->SetChunkSize(AReadSize);
  io->SetEnd(AStall ? ozktest::TTestMemoryIOHandler::teStall
                    : ozktest::TTestMemoryIOHandler::teClose);
  http.SetIOHandler(io);
  TMemoryStream body;
  try {
    http.Get(u"http://fuzz.test/x", &body);
    outcome.Code = http.ResponseCode();
    outcome.Headers = http.Response().RawHeaders().Text();
  } catch (const EIdHTTPProtocolException& e) {
    // An error status after a complete reply: the connection may stay for the next request.
    outcome.Error = typeid(e).name();
    outcome.Message = e.what();
  } catch (const Exception& e) {
    outcome.Error = typeid(e).name();
    outcome.Message = e.what();
    if (http.Connected()) Fail("the connection survived", outcome.Error + ": " + outcome.Message);
    if (io->InputBuffer().Size() != 0)
      Fail("unread bytes survived", outcome.Error + ": " + outcome.Message);
  }
  outcome.Body = body.Bytes();
  return outcome;
}

// Runs AReply whole and in pieces of 1 + AShape % 13 bytes; the two outcomes must agree.
// Bit 7 of AShape makes the peer stall instead of closing. Returns the whole read's outcome.
inline TReplyOutcome RunReplyTwice(std::string_view AReply, uint8_t AShape) {
  const bool stall = (AShape & 0x80) != 0;
  TReplyOutcome whole = RunReply(AReply, 0, stall);
  TReplyOutcome pieces = RunReply(AReply, 1 + (AShape & 0x7F) % 13, stall);
  if (whole.Error != pieces.Error)
    Fail("read sizes disagree", "[" + whole.Error + ": " + whole.Message + "] vs [" + pieces.Error +
                                    ": " + pieces.Message + "]");
  if (whole.Error.empty() &&
      (whole.Code != pieces.Code || whole.Headers != pieces.Headers || whole.Body != pieces.Body))
    Fail("read sizes give different replies",
         UTF16ToUTF8(whole.Headers) + " vs " + UTF16ToUTF8(pieces.Headers));
  return whole;
}

} // namespace ozkfuzz
