// Peers that misbehave on purpose: every request ends with the engine's exception or a
// connection error within its time-out, with memory bounded by what actually arrived.
#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"
#include "support/ozkTestStreams.h"
#include "support/ozkTestUtil.h"

using namespace ozkhttptest;
using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;

namespace {} // namespace

TEST(IdHTTPHostile, GarbageStatusLineIsAProtocolError) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("SSH-2.0-OpenSSH_9.2\r\n\r\njunk");
    c.Close();
  }));
  TIdHTTP http;
  http.SetReadTimeout(1000);
  try {
    http.Get(URL(server));
    FAIL() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), -1);
    EXPECT_EQ(e.Message(), u"SSH-2.0-OpenSSH_9.2");
    // Nothing after a line that is no status line is read: it frames no body.
    EXPECT_EQ(e.ErrorMessage(), u"");
  }
  EXPECT_FALSE(http.Connected());
}

TEST(IdHTTPHostile, NeverEndingHeaderLineHitsTheLineLimit) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nX-Long: ");
    c.Send(std::string(100000, 'a')); // no line break, ever
    c.Stall(3000);
  }));
  TIdHTTP http;
  http.SetReadTimeout(1000);
  EXPECT_THROW(http.Get(URL(server)), EIdReadLnMaxLineLengthExceeded);
  EXPECT_FALSE(http.Connected());
}

TEST(IdHTTPHostile, TenThousandHeaderLinesFailAtTheLimit) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 10000; ++i) head += "X-Flood-" + std::to_string(i) + ": 1\r\n";
    c.Send(head + "Content-Length: 4\r\n\r\nbody");
    c.Close();
  }));
  TIdHTTP http;
  http.SetReadTimeout(1000);
  TMemoryStream body;
  // The length lies beyond the limit: the request fails instead of mis-framing the body.
  EXPECT_THROW(http.Get(URL(server), &body), EIdHTTPMalformedReply);
  EXPECT_EQ(body.Size(), 0);
  EXPECT_FALSE(http.Connected());
}

TEST(IdHTTPHostile, HugeChunkSizeNeverDecidesMemory) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n");
    c.SendPattern(3 << 20);
    c.Close();
  }));
  TIdHTTP http;
  http.SetReadTimeout(2000);
  TSinkStream sink;
  EXPECT_THROW(http.Get(URL(server), &sink), EIdHTTPMalformedReply); // cut short by the close
  EXPECT_EQ(sink.Written(), 3 << 20);
  EXPECT_LE(sink.LargestSetSize(), (3 << 20) + TIdCustomHTTP::BodyPieceSize);

  // A size line longer than 64 bits fails at once instead of wrapping to something small.
  TTestScriptedServer longer(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1" + std::string(40, '0') +
           "\r\nshort");
    c.Close();
  }));
  TMemoryStream body;
  EXPECT_THROW(http.Get(URL(longer), &body), EIdHTTPMalformedReply);
  EXPECT_EQ(StreamText(body), "");
}

TEST(IdHTTPHostile, HugeOrShortContentLengthFailsKeepingWhatArrived) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\n");
    c.SendPattern(1 << 20);
    c.Close();
  }));
  TIdHTTP http;
  http.SetReadTimeout(2000);
  TSinkStream sink;
  EXPECT_THROW(http.Get(URL(server), &sink), EIdHTTPMalformedReply); // short of its length
  EXPECT_EQ(sink.Written(), 1 << 20);
  EXPECT_LE(sink.LargestSetSize(), 2 * TIdCustomHTTP::BodyPieceSize);

  TTestScriptedServer shorter(AfterRequest([](TTestPeerConnection& c) {
    c.Send(Response("200 OK", {"Content-Length: 100"}, "only ten!!", false));
    c.Close();
  }));
  TMemoryStream body;
  EXPECT_EQ(MessageOf<EIdHTTPMalformedReply>([&] { http.Get(URL(shorter), &body); }),
            u"Connection closed after 10 of 100 bytes of the response body");
  EXPECT_EQ(StreamText(body), "only ten!!");
  EXPECT_FALSE(http.Connected());
}

TEST(IdHTTPHostile, DrippingPeerHitsTheReadTimeout) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
    c.Drip(std::string(100, 'd'), 1, 1000);
  }));
  TIdHTTP http;
  http.SetReadTimeout(300);
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(http.Get(URL(server)), EIdReadTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(http.Connected());
  server.Stop();
}

TEST(IdHTTPHostile, ResetInTheMiddleOfTheBodyIsAConnectionError) {
  TTestScriptedServer server(AfterRequest([](TTestPeerConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    c.SendPattern(20000);
    c.Stall(100);
    c.Reset();
  }));
  TIdHTTP http;
  http.SetReadTimeout(2000);
  TMemoryStream body;
  try {
    http.Get(URL(server), &body);
    ADD_FAILURE() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
  }
  EXPECT_LE(body.Size(), 20000);
  EXPECT_FALSE(http.Connected());
}
