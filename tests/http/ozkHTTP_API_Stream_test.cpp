// The executor's streaming POST against scripted loopback servers: events arrive while the
// body is still coming, the final event ends the read, and every way a stream can fail.
#include "http/ozkHTTP_API.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "http/ozkHTTPTestUtil.h"
#include "support/ozkTestLoopback.h"

using namespace ozkhttptest;
using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;

namespace {

std::string Chunk(const std::string& aData) {
  char lSize[32];
  snprintf(lSize, sizeof lSize, "%zx\r\n", aData.size());
  return lSize + aData + "\r\n";
}

const std::string kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                                "Transfer-Encoding: chunked\r\n\r\n";
const std::string kDelta = "event: response.output_text.delta\ndata: {\"delta\":\"Hel\"}\n\n";
const std::string kCompleted = "event: response.completed\ndata: {\"response\":{}}\n\n";

bool IsCompleted(const TozkSSEEvent& e) {
  return e.Event == u"response.completed";
}

// A flag one side sets and the other waits for, bounded.
class TSignal {
 public:
  void Set() {
    std::lock_guard<std::mutex> lLock(FLock);
    FSet = true;
    FChanged.notify_all();
  }
  bool Wait(int aMs) {
    std::unique_lock<std::mutex> lLock(FLock);
    return FChanged.wait_for(lLock, std::chrono::milliseconds(aMs), [this] { return FSet; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FSet = false;
};

} // namespace

// The first event reaches the handler while the server still holds back the rest: the server
// sends the final event only after the client has seen the first one.
TEST(HTTPAPIStream, EventsArriveWhileTheBodyIsStillComing) {
  TSignal lFirstSeen;
  std::atomic<bool> lSeenBeforeRest{false};
  TTestScriptedServer server([&](TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    if (!reader.Next(request)) return;
    c.Send(kStreamHead + Chunk(kDelta));
    lSeenBeforeRest = lFirstSeen.Wait(5000);
    c.Send(Chunk(kCompleted) + Chunk(""));
  });
  TozkHTTPAPI_client api;
  api.SetReadTimeout(10000);
  TStringList headers{u"Authorization: Bearer sk-test", u"Content-Type: application/json"};
  std::vector<std::u16string> lEvents;
  bool lDone =
      api.PostEvents(URL(server, u"/v1/responses"), u"{\"stream\":true,\"input\":\"\u00FC\"}",
                     &headers, [&](const TozkSSEEvent& e) {
                       lEvents.push_back(e.Event + u" " + e.Data);
                       lFirstSeen.Set();
                       return IsCompleted(e);
                     });
  EXPECT_TRUE(lDone);
  EXPECT_TRUE(lSeenBeforeRest);
  EXPECT_EQ(lEvents, (std::vector<std::u16string>{u"response.output_text.delta {\"delta\":\"Hel\"}",
                                                  u"response.completed {\"response\":{}}"}));
  ASSERT_TRUE(server.WaitForFinished(1));
  std::string lSent = server.Received(0);
  // HTTP/1.1, asking for an event stream, the body in UTF-8.
  EXPECT_EQ(lSent.rfind("POST /v1/responses HTTP/1.1\r\n", 0), 0u) << lSent;
  EXPECT_NE(lSent.find("\r\nAccept: text/event-stream\r\n"), std::string::npos) << lSent;
  EXPECT_NE(lSent.find("\r\nAuthorization: Bearer sk-test\r\n"), std::string::npos);
  EXPECT_NE(lSent.find("\r\n\r\n{\"stream\":true,\"input\":\"\xC3\xBC\"}"), std::string::npos);
}

// The final event ends the call although the server keeps the body open: waiting for its end
// would run into the read time-out.
TEST(HTTPAPIStream, FinalEventEndsTheReadWithoutWaitingForTheBodyToEnd) {
  TTestScriptedServer server([&](TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    if (!reader.Next(request)) return;
    c.Send(kStreamHead + Chunk(kDelta + kCompleted));
    c.Stall(20000); // ends early when the server stops
  });
  TozkHTTPAPI_client api;
  api.SetReadTimeout(3000);
  int lEvents = 0;
  EXPECT_TRUE(
      api.PostEvents(URL(server, u"/v1/responses"), u"{}", nullptr, [&](const TozkSSEEvent& e) {
        ++lEvents;
        return IsCompleted(e);
      }));
  EXPECT_EQ(lEvents, 2);
}

// Streams that end, stall or fail before their final event: each raises, with the events that
// did arrive delivered first, and none is taken for a success.
TEST(HTTPAPIStream, StreamsWithoutTheirFinalEventFail) {
  struct TCase {
    const char* Name;
    std::function<void(TTestPeerConnection&)> Answer;
    const char* Message;
    int EventsBefore;
  };
  const TCase kCases[] = {
      {"chunked body ends early",
       [](TTestPeerConnection& c) { c.Send(kStreamHead + Chunk(kDelta) + Chunk("")); },
       "The event stream ended before its final event.", 1},
      {"connection closed inside a chunk",
       [](TTestPeerConnection& c) {
         c.Send(kStreamHead + Chunk(kDelta) + "40\r\nevent: response.completed\n");
         c.Close();
       },
       "The event stream ended before its final event.", 1},
      {"connection reset",
       [](TTestPeerConnection& c) {
         c.Send(kStreamHead + Chunk(kDelta));
         c.Reset();
       },
       "Socket Error # 10054", 1},
      {"body until close, closed before the final event",
       [](TTestPeerConnection& c) {
         c.Send("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n" +
                kDelta + "event: response.completed\ndata: {\"resp");
         c.Close();
       },
       "The event stream ended before its final event.", 1},
      {"server falls silent",
       [](TTestPeerConnection& c) {
         c.Send(kStreamHead + Chunk(kDelta));
         c.Stall(20000);
       },
       "Read timed out.", 1},
      {"not an event stream",
       [](TTestPeerConnection& c) {
         c.Send(Response("200 OK", {"Content-Type: application/json"}, "{\"id\":\"resp_1\"}"));
       },
       "The answer was application/json, not an event stream.", 0},
      {"error status",
       [](TTestPeerConnection& c) {
         c.Send(Response("400 Bad Request", {"Content-Type: application/json"},
                         "{\"error\":{\"message\":\"Bad model\"}}"));
       },
       "{\"error\":{\"message\":\"Bad model\"}}", 0},
  };
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.Name);
    TTestScriptedServer server([&](TTestPeerConnection& c) {
      TRequestReader reader(c);
      TWireRequest request;
      if (reader.Next(request)) k.Answer(c);
    });
    TozkHTTPAPI_client api;
    api.SetReadTimeout(1000);
    int lEvents = 0;
    try {
      api.PostEvents(URL(server, u"/v1/responses"), u"{}", nullptr, [&](const TozkSSEEvent& e) {
        ++lEvents;
        return IsCompleted(e);
      });
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(k.Message), std::string::npos) << e.what();
    }
    EXPECT_EQ(lEvents, k.EventsBefore);
  }
}

TEST(HTTPAPIStream, ErrorHandlerTakesTheFailureAndTheCallSaysSo) {
  TTestScriptedServer server([&](TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    if (reader.Next(request)) c.Send(kStreamHead + Chunk(kDelta) + Chunk(""));
  });
  TozkHTTPAPI_client api;
  api.SetReadTimeout(3000);
  std::u16string lError;
  api.OnHTTPAPIException = [&](TozkHTTPAPI_client*, Exception& e) { lError = e.Message(); };
  EXPECT_FALSE(api.PostEvents(URL(server, u"/v1/responses"), u"{}", nullptr, IsCompleted));
  EXPECT_EQ(lError, u"The event stream ended before its final event.");
}
