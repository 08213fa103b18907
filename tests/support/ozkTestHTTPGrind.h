// The HTTP road under every split point and every transport failure. A wire fixture is the
// bytes a peer sends (over every connection the exchange opens, in turn) and the request that
// meets them; the helpers run it on an in-memory transport:
//
// - GrindReply / GrindReplyError: once for every read size from 1 to the reply's length, so
//   the status line, headers, chunk sizes and bodies are split at every point;
// - FailEveryOperation: fails transport operation n = 1, 2, 3 ... (reads and writes counted
//   together) until n lies past the operations of a clean run. After each failure it checks
//   the exception kind, that the engine is no longer connected, that no unread bytes survive
//   in the input buffer, and that the response stream holds a prefix of the clean body with
//   its position at the end (or was rewound to its start).
//
// Typical use:
//   ozktest::TWireFixture f;
//   f.Reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
//   int runs = ozktest::GrindReply(f, [](ozktest::TWireExchange& x) {
//     EXPECT_EQ(x.BodyText(), "ok");
//   });
#pragma once

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "base/ozkStream.h"
#include "http/ozkIdHTTP.h"
#include "support/ozkTestTransport.h"

namespace ozktest {

// One run of a fixture: a fresh engine whose I/O handler is the in-memory transport (owned by
// the engine), and the response stream handed to the request.
struct TWireExchange {
  TIdHTTP& HTTP;
  TTestMemoryIOHandler& IO;
  TMemoryStream& Body;
  std::string BodyText() const { return std::string(Body.Bytes().begin(), Body.Bytes().end()); }
};

struct TWireFixture {
  // Every byte the peer sends, readable at once.
  std::string Reply;
  // Or: one answer per request, each readable once the request that asks for it was written
  // (see TTestMemoryIOHandler::SetInputSegments).
  std::vector<std::string> Replies;
  // The reply bytes: Reply, or every answer of Replies in turn.
  std::string Bytes() const;
  // Runs the request(s); the default is GET http://wire.test/x into Body.
  std::function<void(TWireExchange&)> Request;
  // Options of the engine or the transport, applied before the request.
  std::function<void(TWireExchange&)> SetUp;
  // What a read meets once the reply is used up.
  TTestMemoryIOHandler::TEnd End = TTestMemoryIOHandler::teClose;
  // The body ends at the close (HTTP/1.0 without a length): a reset is indistinguishable from
  // the end, so a run the failure cut short may return with a prefix of the body.
  bool BodyEndsAtClose = false;
};

// The URL of the default request.
extern const char16_t* const WireURL;

// Runs AFixture once with AReadSize bytes per read (0: as many as asked) and, when AFailAt is
// above 0, transport operation AFailAt failing with connection reset. AOutcome receives the
// exchange and the exception the request raised (null when it returned).
void RunWireFixture(const TWireFixture& AFixture, int AReadSize, int AFailAt,
                    const std::function<void(TWireExchange&, std::exception_ptr)>& AOutcome);

// Every read size 1..N must let the request return; ACheck runs after each. Returns the number
// of runs.
int GrindReply(const TWireFixture& AFixture, const std::function<void(TWireExchange&)>& ACheck);

// The checks after any failed exchange: not connected, no unread bytes left.
void ExpectDroppedCleanly(TWireExchange& AExchange);

// Every read size 1..N must raise E (exactly E or a class derived from it); ACheck runs with
// the exception, after ExpectDroppedCleanly unless AKeptAlive (an error status read whole
// leaves the connection usable). Returns the number of runs.
template <typename E>
int GrindReplyError(const TWireFixture& AFixture,
                    const std::function<void(const E&, TWireExchange&)>& ACheck = nullptr,
                    bool AKeptAlive = false) {
  const int sizes = static_cast<int>(AFixture.Bytes().size());
  for (int size = 1; size <= sizes; ++size) {
    SCOPED_TRACE("read size " + std::to_string(size));
    RunWireFixture(AFixture, size, 0, [&](TWireExchange& x, std::exception_ptr error) {
      if (!error) {
        ADD_FAILURE() << "the request returned; body \"" << x.BodyText() << "\"";
        return;
      }
      try {
        std::rethrow_exception(error);
      } catch (const E& e) {
        if (!AKeptAlive) ExpectDroppedCleanly(x);
        if (ACheck) ACheck(e, x);
      } catch (const std::exception& e) {
        ADD_FAILURE() << "wrong exception " << typeid(e).name() << ": " << e.what();
      }
    });
  }
  return sizes;
}

struct TFaultReport {
  int Runs = 0;     // operations failed in turn, the clean run not counted
  int Failures = 0; // runs that ended in an exception (each checked)
  int Survived = 0; // runs in which the failed operation did not matter
};

// Fails every transport operation of AFixture in turn at AReadSize bytes per read. A failure
// must be a connection-layer error or EIdHTTPMalformedReply (a close in the middle of a
// reply), never a protocol exception or an error of another kind; a run whose failure did not
// matter must produce the clean run's body. The run past the last operation must succeed.
TFaultReport FailEveryOperation(const TWireFixture& AFixture, int AReadSize = 7);

} // namespace ozktest
