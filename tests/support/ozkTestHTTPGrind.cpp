#include "support/ozkTestHTTPGrind.h"

#include <algorithm>

#include "net/ozkIdException.h"

namespace ozktest {

const char16_t* const WireURL = u"http://wire.test/x";

std::string TWireFixture::Bytes() const {
  std::string all = Reply;
  for (const std::string& r : Replies) all += r;
  return all;
}

void RunWireFixture(const TWireFixture& AFixture, int AReadSize, int AFailAt,
                    const std::function<void(TWireExchange&, std::exception_ptr)>& AOutcome) {
  TIdHTTP http;
  // Owned by the engine through the component tree.
  auto* io = new TTestMemoryIOHandler(&http);
  if (AFixture.Replies.empty())
    io->SetInput(AFixture.Reply);
  else
    io->SetInputSegments(AFixture.Replies);
  io->SetChunkSize(AReadSize);
  io->SetEnd(AFixture.End);
  if (AFailAt > 0) io->FailOperation(AFailAt, Id_WSAECONNRESET);
  http.SetIOHandler(io);
  TMemoryStream body;
  TWireExchange exchange{http, *io, body};
  std::exception_ptr error;
  try {
    if (AFixture.SetUp) AFixture.SetUp(exchange);
    if (AFixture.Request)
      AFixture.Request(exchange);
    else
      http.Get(WireURL, &body);
  } catch (...) {
    error = std::current_exception();
  }
  AOutcome(exchange, error);
}

int GrindReply(const TWireFixture& AFixture, const std::function<void(TWireExchange&)>& ACheck) {
  const int sizes = static_cast<int>(AFixture.Bytes().size());
  for (int size = 1; size <= sizes; ++size) {
    SCOPED_TRACE("read size " + std::to_string(size));
    RunWireFixture(AFixture, size, 0, [&](TWireExchange& x, const std::exception_ptr& error) {
      if (error) {
        try {
          std::rethrow_exception(error);
        } catch (const Exception& e) {
          ADD_FAILURE() << "raised " << typeid(e).name() << ": " << e.what();
        }
        return;
      }
      if (ACheck) ACheck(x);
    });
  }
  return sizes;
}

void ExpectDroppedCleanly(TWireExchange& AExchange) {
  EXPECT_FALSE(AExchange.HTTP.Connected()) << "the connection survived the failure";
  EXPECT_EQ(AExchange.IO.InputBuffer().Size(), 0) << "unread bytes survived the failure";
}

namespace {

bool IsPrefix(const std::vector<uint8_t>& APart, const std::vector<uint8_t>& AWhole) {
  return APart.size() <= AWhole.size() && std::equal(APart.begin(), APart.end(), AWhole.begin());
}

} // namespace

TFaultReport FailEveryOperation(const TWireFixture& AFixture, int AReadSize) {
  TFaultReport report;
  std::vector<uint8_t> cleanBody;
  int operations = 0;
  RunWireFixture(AFixture, AReadSize, 0, [&](TWireExchange& x, const std::exception_ptr& error) {
    if (error) {
      ADD_FAILURE() << "the clean run failed";
      return;
    }
    cleanBody = x.Body.Bytes();
    operations = x.IO.OperationCount();
  });
  for (int n = 1; n <= operations + 1; ++n) {
    SCOPED_TRACE("operation " + std::to_string(n) + " of " + std::to_string(operations) +
                 " failing, read size " + std::to_string(AReadSize));
    ++report.Runs;
    RunWireFixture(AFixture, AReadSize, n, [&](TWireExchange& x, const std::exception_ptr& error) {
      if (!error) {
        ++report.Survived;
        if (AFixture.BodyEndsAtClose)
          EXPECT_TRUE(IsPrefix(x.Body.Bytes(), cleanBody));
        else
          EXPECT_TRUE(x.Body.Bytes() == cleanBody) << "a run that returned lost body bytes";
        return;
      }
      EXPECT_LE(n, operations) << "the run past the last operation failed";
      ++report.Failures;
      try {
        std::rethrow_exception(error);
      } catch (const EIdHTTPProtocolException& e) {
        ADD_FAILURE() << "a transport failure became a protocol error: " << e.what();
      } catch (const EIdSocketError&) {
      } catch (const EIdConnClosedGracefully&) {
      } catch (const EIdHTTPMalformedReply&) {
      } catch (const Exception& e) {
        ADD_FAILURE() << "unexpected " << typeid(e).name() << ": " << e.what();
      }
      ExpectDroppedCleanly(x);
      const int64_t position = x.Body.Position();
      EXPECT_TRUE(position == 0 || position == x.Body.Size()) << "stream left mid-way";
      EXPECT_TRUE(IsPrefix(x.Body.Bytes(), cleanBody)) << "the stream holds bytes of no reply";
    });
  }
  return report;
}

} // namespace ozktest
