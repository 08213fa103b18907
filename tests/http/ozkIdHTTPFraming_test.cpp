// Replies whose framing is broken never reach the caller as a success: every fixture runs at
// every read size on the in-memory transport, once byte-exact over a loopback connection, and
// once through the REST executor, which must hand the same error to its caller.
#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "http/ozkHTTP_API.h"
#include "support/ozkTestHTTPGrind.h"
#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"

using namespace ozkhttptest;
using namespace std::string_literals;
using ozktest::TTestMemoryIOHandler;
using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;
using ozktest::TWireExchange;
using ozktest::TWireFixture;

namespace {

enum class TKind { Malformed, Protocol };

struct TBrokenReply {
  const char* What; // what broke, for the failure message
  std::string Reply;
  TTestMemoryIOHandler::TEnd End; // teStall: the peer keeps the connection open and silent
  TKind Kind;
  std::u16string Message; // empty: not checked
  std::string BodyKept;   // what of the body stays in the caller's stream
};

const std::string OK = "HTTP/1.1 200 OK\r\n";
const std::string Chunked = "Transfer-Encoding: chunked\r\n";

std::vector<TBrokenReply> BrokenReplies() {
  const auto stall = TTestMemoryIOHandler::teStall;
  const auto close = TTestMemoryIOHandler::teClose;
  return {
      {"counted body cut short by the close", OK + "Content-Length: 10\r\n\r\nhello", close,
       TKind::Malformed, u"Connection closed after 5 of 10 bytes of the response body", "hello"},
      {"chunk size that is not hexadecimal",
       OK + Chunked + "\r\n5\r\nhello\r\nzz\r\nX-Not: a trailer\r\n\r\n", stall, TKind::Malformed,
       u"Invalid chunk size in the response body: \"zz\"", "hello"},
      {"chunk size with a sign", OK + Chunked + "\r\n+5\r\nhello\r\n0\r\n\r\n", stall,
       TKind::Malformed, u"Invalid chunk size in the response body: \"+5\"", ""},
      {"chunk size beyond 64 bits", OK + Chunked + "\r\n10000000000000000\r\nshort", stall,
       TKind::Malformed, u"Invalid chunk size in the response body: \"10000000000000000\"", ""},
      {"chunk data longer than its size", OK + Chunked + "\r\n3\r\nhello\r\n0\r\n\r\n", stall,
       TKind::Malformed, u"Chunk data longer than its size in the response body: \"lo\"", "hel"},
      {"chunked body cut off before its last chunk", OK + Chunked + "\r\n5\r\nhello\r\n", close,
       TKind::Malformed, u"Connection closed before the last chunk of the response body", "hello"},
      {"chunked body cut off in the trailer", OK + Chunked + "\r\n2\r\nok\r\n0\r\nT: 1\r\n", close,
       TKind::Malformed, u"Connection closed before the last chunk of the response body", "ok"},
      {"multipart body cut off before its closing boundary",
       OK + "Content-Type: multipart/mixed; boundary=XyZ\r\n\r\n--XyZ\r\n\r\nfirst", close,
       TKind::Malformed,
       u"Connection closed before the closing boundary of the multipart response body",
       "--XyZ\r\n\r\nfirst"},
      {"negative Content-Length", OK + "Content-Length: -1\r\n\r\nabc", stall, TKind::Malformed,
       u"Invalid Content-Length in the response: \"-1\"", ""},
      {"Content-Length with trailing letters", OK + "Content-Length: 6badness\r\n\r\nabcdef", stall,
       TKind::Malformed, u"Invalid Content-Length in the response: \"6badness\"", ""},
      {"Content-Length that is no number", OK + "Content-Length: crap\r\n\r\nabc", stall,
       TKind::Malformed, u"Invalid Content-Length in the response: \"crap\"", ""},
      {"Content-Length list with different members", OK + "Content-Length: 5, 6\r\n\r\nhello",
       stall, TKind::Malformed, u"Invalid Content-Length in the response: \"5, 6\"", ""},
      {"repeated and different Content-Length",
       OK + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello", stall, TKind::Malformed,
       u"Invalid Content-Length in the response: \"5, 6\"", ""},
      {"empty Content-Length", OK + "Content-Length: \r\n\r\nhello", stall, TKind::Malformed,
       u"Invalid Content-Length in the response: \"\"", ""},
      {"Content-Length beyond 63 bits", OK + "Content-Length: 9223372036854775808\r\n\r\nx", stall,
       TKind::Malformed, u"", ""},
      {"protocol name misspelt", "HTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", stall,
       TKind::Protocol, u"HTP/1.1 200 OK", ""},
      {"protocol name too long", "HTTPER/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", stall,
       TKind::Protocol, u"HTTPER/1.1 200 OK", ""},
      {"version digits that are no digits", "HTTP/1.x 200 OK\r\n\r\n", stall, TKind::Protocol,
       u"HTTP/1.x 200 OK", ""},
      {"major version 5", "HTTP/5.6 200 OK\r\nContent-Length: 2\r\n\r\nok", stall, TKind::Protocol,
       u"HTTP/5.6 200 OK", ""},
      {"hundred-digit version", "HTTP/" + std::string(100, '1') + ".1 200 OK\r\n\r\n", stall,
       TKind::Protocol, u"", ""},
      {"two-digit status", "HTTP/1.1 20 OK\r\n\r\n", stall, TKind::Protocol, u"HTTP/1.1 20 OK", ""},
      {"four-digit status", "HTTP/1.1 2000 OK\r\n\r\n", stall, TKind::Protocol, u"HTTP/1.1 2000 OK",
       ""},
      {"status that is no number", "HTTP/1.1 2x0 OK\r\n\r\n", stall, TKind::Protocol,
       u"HTTP/1.1 2x0 OK", ""},
      {"nothing but empty lines", std::string(20, '\n'), stall, TKind::Malformed,
       u"No status line in the response", ""},
      {"head cut off by the close", OK + "Content-Length: 5\r\n", close, TKind::Malformed,
       u"Connection closed before the end of the response head", ""},
      {"head cut off inside a line", OK + "Content-Le", close, TKind::Malformed,
       u"Connection closed before the end of the response head", ""},
      {"more header lines than the limit",
       OK + "A: 1\r\nB: 2\r\nC: 3\r\nContent-Length: 2\r\n\r\nok", stall, TKind::Malformed,
       u"More than 3 header lines in the response", ""},
  };
}

// The engine's limit is lowered for the fixture above; everything else runs with defaults.
void LimitHeaderLines(TIdHTTP& AHTTP, const TBrokenReply& AReply) {
  if (std::string(AReply.What) == "more header lines than the limit") AHTTP.SetMaxHeaderLines(3);
}

void CheckKind(const Exception& AError, const TBrokenReply& AReply) {
  if (AReply.Kind == TKind::Protocol) {
    auto* protocol = dynamic_cast<const EIdHTTPProtocolException*>(&AError);
    ASSERT_NE(protocol, nullptr) << typeid(AError).name() << ": " << AError.what();
    EXPECT_EQ(protocol->ErrorCode(), -1);
  } else {
    EXPECT_NE(dynamic_cast<const EIdHTTPMalformedReply*>(&AError), nullptr)
        << typeid(AError).name() << ": " << AError.what();
  }
}

// Sends AReply byte for byte after the request, then closes or stays silent.
ozktest::TTestConnectionScript Scripted(const TBrokenReply& AReply) {
  return [AReply](TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    if (!reader.Next(request)) return;
    c.Send(AReply.Reply);
    if (AReply.End == TTestMemoryIOHandler::teStall)
      c.Stall(5000);
    else
      c.Close();
  };
}

} // namespace

TEST(IdHTTPFraming, BrokenRepliesFailAtEveryReadSize) {
  for (const TBrokenReply& broken : BrokenReplies()) {
    SCOPED_TRACE(broken.What);
    TWireFixture fixture;
    fixture.Reply = broken.Reply;
    fixture.End = broken.End;
    fixture.SetUp = [&](TWireExchange& x) { LimitHeaderLines(x.HTTP, broken); };
    ozktest::GrindReplyError<Exception>(fixture, [&](const Exception& e, TWireExchange& x) {
      CheckKind(e, broken);
      if (!broken.Message.empty()) {
        EXPECT_EQ(e.Message(), broken.Message);
      }
      EXPECT_EQ(x.BodyText(), broken.BodyKept);
    });
  }
}

// The same bytes over a real connection: with a peer that stays silent after the broken part,
// the error comes at once, not as the read time-out.
TEST(IdHTTPFraming, BrokenRepliesFailOverLoopback) {
  for (const TBrokenReply& broken : BrokenReplies()) {
    SCOPED_TRACE(broken.What);
    TTestScriptedServer server(Scripted(broken));
    TIdHTTP http;
    http.SetReadTimeout(4000);
    LimitHeaderLines(http, broken);
    TMemoryStream body;
    try {
      http.Get(URL(server), &body);
      ADD_FAILURE() << "the request returned";
    } catch (const EIdReadTimeout&) {
      ADD_FAILURE() << "waited for the time-out";
    } catch (const Exception& e) {
      CheckKind(e, broken);
      if (!broken.Message.empty()) {
        EXPECT_EQ(e.Message(), broken.Message);
      }
    }
    EXPECT_EQ(StreamText(body), broken.BodyKept);
    EXPECT_FALSE(http.Connected());
  }
}

// The executor's callers handle exceptions derived from Exception (and, for an error status,
// EIdHTTPProtocolException); a broken reply reaches them as the engine's error, never as text.
TEST(IdHTTPFraming, TheExecutorHandsEveryBrokenReplyOn) {
  for (const TBrokenReply& broken : BrokenReplies()) {
    if (std::string(broken.What) == "more header lines than the limit") continue;
    SCOPED_TRACE(broken.What);
    TTestScriptedServer server(Scripted(broken));
    TozkHTTPAPI_client api;
    api.SetReadTimeout(4000);
    try {
      std::u16string text = api.Get(URL(server));
      ADD_FAILURE() << "returned \"" << U8(text) << "\"";
    } catch (const EIdReadTimeout&) {
      ADD_FAILURE() << "waited for the time-out";
    } catch (const Exception& e) {
      CheckKind(e, broken);
      // An error status gets the body appended; the broken reply has none to give.
      if (!broken.Message.empty()) {
        EXPECT_EQ(e.Message(), broken.Message + (broken.Kind == TKind::Protocol ? u". " : u""));
      }
    }
    server.Stop();

    TTestScriptedServer again(Scripted(broken));
    int reported = 0;
    api.OnHTTPAPIException = [&](TozkHTTPAPI_client*, Exception& e) {
      ++reported;
      CheckKind(e, broken);
    };
    EXPECT_EQ(api.Get(URL(again)), u"");
    EXPECT_EQ(reported, 1);
  }
}

// Replies that are sound, or that the engine reads leniently on purpose.
TEST(IdHTTPFraming, SoundRepliesAtEveryReadSize) {
  struct TCase {
    const char* What;
    std::string Reply;
    std::string Body;
    std::function<void(TWireExchange&)> Check;
    bool CloseAtEnd = false; // the body runs until the close
  };
  const auto connected = [](bool AExpected) {
    return [AExpected](TWireExchange& x) { EXPECT_EQ(x.HTTP.Connected(), AExpected); };
  };
  const std::vector<TCase> cases = {
      {"chunk size with blanks and extensions",
       OK + Chunked + "\r\n5 \t;name=\"v\"\r\nhello\r\n0;last\r\n\r\n", "hello", connected(true)},
      {"upper-case chunk size with leading zeros",
       OK + Chunked + "\r\n000A\r\n0123456789\r\n0\r\n\r\n", "0123456789", nullptr},
      {"chunked is not the final coding: the body runs until the close",
       OK + "Transfer-Encoding: chunked, gzip\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       "5\r\nhello\r\n0\r\n\r\n", connected(false), true},
      {"chunked as part of a longer name is no chunked coding",
       OK + "Transfer-Encoding: chunkedchunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", "2\r\nok\r\n0\r\n\r\n",
       nullptr, true},
      {"two Transfer-Encoding fields ending in chunked",
       OK + "Transfer-Encoding: gzip\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
       "ok", nullptr},
      {"two Transfer-Encoding fields ending in another coding",
       OK + "Transfer-Encoding: chunked\r\nTransfer-Encoding: gzip\r\n\r\n2\r\nok\r\n0\r\n\r\n",
       "2\r\nok\r\n0\r\n\r\n", nullptr, true},
      {"Transfer-Encoding and Content-Length: chunked framing, connection not kept",
       OK + Chunked + "Content-Length: 3\r\n\r\n5\r\nhello\r\n0\r\n\r\n", "hello",
       connected(false)},
      {"a list of identical lengths is that length",
       OK + "Content-Length: 5, 5\r\nContent-Length: 5\r\n\r\nhello", "hello",
       [](TWireExchange& x) {
         EXPECT_TRUE(x.HTTP.Connected());
         EXPECT_EQ(x.HTTP.Response().ContentLength(), 5);
       }},
      {"empty lines before the status line",
       "\r\n\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", "ok", nullptr},
      {"an extra line break after an interim response",
       "HTTP/1.1 100 Continue\r\n\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", "ok",
       [](TWireExchange& x) { EXPECT_EQ(x.HTTP.ResponseCode(), 200); }},
      {"a higher minor version and a status without reason are fine", "HTTP/1.2 204\r\n\r\n", "",
       [](TWireExchange& x) { EXPECT_EQ(x.HTTP.ResponseCode(), 204); }},
      {"bare CR and NUL in values become spaces; lines that are no fields are dropped",
       OK + "X-A: a\rb\r\nX-B: c\0d\r\nno colon here\r\n folded onto the dropped\r\n"
            "Bad Name: v\r\nBad : v\r\n: nameless\r\nX-C: one\r\n two\r\n"
            "Content-Length: 2\r\n\r\nok"s,
       "ok",
       [](TWireExchange& x) {
         TIdHeaderList& raw = x.HTTP.Response().RawHeaders();
         EXPECT_EQ(raw.GetValue(u"X-A"), u"a b");
         EXPECT_EQ(raw.GetValue(u"X-B"), u"c d");
         EXPECT_EQ(raw.GetValue(u"X-C"), u"one two");
         EXPECT_EQ(raw.Count(), 5) << U8(raw.Text());
         for (int i = 0; i < raw.Count(); ++i) EXPECT_EQ(raw[i].find(u'\r'), std::u16string::npos);
       }},
      {"meta tags never replace framing headers",
       OK + "Content-Type: text/html\r\nContent-Length: 156\r\n\r\n"
            "<html><head><meta http-equiv=\"Content-Length\" content=\"1\">"
            "<meta http-equiv=\"Transfer-Encoding\" content=\"chunked\">"
            "<meta charset=\"windows-1252\"></head></html>",
       "<html><head><meta http-equiv=\"Content-Length\" content=\"1\">"
       "<meta http-equiv=\"Transfer-Encoding\" content=\"chunked\">"
       "<meta charset=\"windows-1252\"></head></html>",
       [](TWireExchange& x) {
         TIdHTTPResponse& r = x.HTTP.Response();
         EXPECT_EQ(r.ContentLength(), 156);
         EXPECT_EQ(r.RawHeaders().GetValue(u"Content-Length"), u"156");
         EXPECT_EQ(r.RawHeaders().IndexOfName(u"Transfer-Encoding"), -1);
         EXPECT_EQ(r.TransferEncoding(), u"");
         EXPECT_EQ(r.CharSet(), u"windows-1252");
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TWireFixture fixture;
    fixture.Reply = c.Reply;
    // A connection that is kept stays open and silent; one that is not would be closed.
    fixture.End = c.CloseAtEnd ? TTestMemoryIOHandler::teClose : TTestMemoryIOHandler::teStall;
    ozktest::GrindReply(fixture, [&](TWireExchange& x) {
      EXPECT_EQ(x.BodyText(), c.Body);
      if (c.Check) c.Check(x);
    });
  }
}
