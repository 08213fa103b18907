// Every wire fixture of the engine and its body reader at every read size, and with every
// transport operation failing in turn: the exchanges the request executor runs (GET, POST,
// multipart upload), chunked bodies with trailers, redirects, interim answers, kept-alive
// connections, the engine's own CONNECT tunnel, and the bodies that end at the close or at a
// multipart terminator.
#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>

#include "support/ozkTestHTTPGrind.h"
#include "support/ozkTestHTTPWire.h"

using namespace ozkhttptest;
using ozktest::TTestMemoryIOHandler;
using ozktest::TWireExchange;
using ozktest::TWireFixture;

namespace {

struct TGrindCase {
  const char* What;
  TWireFixture Fixture;
  std::function<void(TWireExchange&)> Check;
};

bool Contains(const std::string& AText, const std::string& APart) {
  return AText.find(APart) != std::string::npos;
}

// One answer per request, each sent once its request arrived.
TWireFixture Fixture(std::vector<std::string> AReplies,
                     std::function<void(TWireExchange&)> ARequest = nullptr,
                     std::function<void(TWireExchange&)> ASetUp = nullptr,
                     TTestMemoryIOHandler::TEnd AEnd = TTestMemoryIOHandler::teStall) {
  TWireFixture f;
  f.Replies = std::move(AReplies);
  f.Request = std::move(ARequest);
  f.SetUp = std::move(ASetUp);
  f.End = AEnd;
  return f;
}

std::vector<TGrindCase> WireCases() {
  const std::string parts = "--XyZ\r\nContent-Type: text/plain\r\n\r\nfirst\r\n--XyZ--";
  return {
      {"GET with a counted JSON body",
       Fixture({Response("200 OK", {"Content-Type: application/json"}, "{\"id\":\"asst_1\"}")}),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "{\"id\":\"asst_1\"}");
         EXPECT_EQ(x.IO.Written().substr(0, 17), "GET /x HTTP/1.1\r\n");
         EXPECT_TRUE(x.HTTP.Connected()); // kept alive
       }},
      {"POST with a JSON body",
       Fixture({Response("201 Created", {"Connection: keep-alive"}, "{\"ok\":true}")},
               [](TWireExchange& x) {
                 TMemoryStream source;
                 source.WriteBuffer("{\"a\":1}", 7);
                 x.HTTP.Post(ozktest::WireURL, source, &x.Body);
               }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "{\"ok\":true}");
         EXPECT_EQ(x.IO.Written().substr(0, 18), "POST /x HTTP/1.0\r\n");
         EXPECT_TRUE(Contains(x.IO.Written(), "Content-Length: 7\r\n"));
         EXPECT_EQ(x.IO.Written().substr(x.IO.Written().size() - 7), "{\"a\":1}");
       }},
      {"multipart upload",
       Fixture({Response("200 OK", {"Content-Type: application/json"}, "{\"id\":\"file-1\"}")},
               [](TWireExchange& x) {
                 TIdMultiPartFormDataStream form;
                 form.AddFormField(u"purpose", u"assistants", u"", u"", u"");
                 x.HTTP.Request().SetContentType(form.RequestContentType());
                 x.HTTP.Post(ozktest::WireURL, &form, &x.Body);
               }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "{\"id\":\"file-1\"}");
         EXPECT_TRUE(Contains(x.IO.Written(), "Content-Type: multipart/form-data; boundary="));
         EXPECT_TRUE(Contains(x.IO.Written(), "name=\"purpose\"\r\n"));
         EXPECT_TRUE(Contains(x.IO.Written(), "\r\n\r\nassistants\r\n"));
       }},
      {"chunked body with extensions and a trailer",
       Fixture({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                "3;x=y\r\nabc\r\n0a\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n"}),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "abc0123456789");
         EXPECT_EQ(x.HTTP.Response().RawHeaders().GetValue(u"X-Trailer"), u"1");
         EXPECT_TRUE(x.HTTP.Connected());
       }},
      {"redirect followed on the kept connection",
       Fixture({Response("302 Found", {"Location: /y"}, "moved"), Response("200 OK", {}, "done")},
               nullptr, [](TWireExchange& x) { x.HTTP.SetHandleRedirects(true); }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "done");
         EXPECT_TRUE(Contains(x.IO.Written(), "GET /y HTTP/1.1\r\n"));
         EXPECT_EQ(x.HTTP.RedirectCount(), 1);
       }},
      {"303 after a POST continues with a GET",
       Fixture(
           {Response("303 See Other", {"Location: /z"}), Response("200 OK", {}, "got")},
           [](TWireExchange& x) {
             x.HTTP.SetHTTPOptions(x.HTTP.HTTPOptions().Include(hoKeepOrigProtocol));
             TMemoryStream source;
             source.WriteBuffer("body", 4);
             x.HTTP.Post(ozktest::WireURL, source, &x.Body);
           },
           [](TWireExchange& x) { x.HTTP.SetHandleRedirects(true); }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "got");
         EXPECT_TRUE(Contains(x.IO.Written(), "GET /z HTTP/1.1\r\n"));
       }},
      {"100 Continue before the answer",
       Fixture({"HTTP/1.1 100 Continue\r\n\r\n" + Response("200 OK", {}, "after continue")}),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "after continue");
         EXPECT_EQ(x.HTTP.ResponseCode(), 200);
       }},
      {"kept-alive connection serves a second request",
       Fixture({Response("200 OK", {}, "one"), Response("200 OK", {}, "two")},
               [](TWireExchange& x) {
                 TMemoryStream first;
                 x.HTTP.Get(ozktest::WireURL, &first);
                 EXPECT_EQ(StreamText(first), "one");
                 x.HTTP.Get(u"http://wire.test/second", &x.Body);
               }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "two");
         EXPECT_TRUE(Contains(x.IO.Written(), "GET /second HTTP/1.1\r\n"));
       }},
      {"HTTP/1.0 body ended by the close",
       [] {
         TWireFixture f = Fixture({"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nall of it"},
                                  nullptr, nullptr, TTestMemoryIOHandler::teClose);
         f.BodyEndsAtClose = true;
         return f;
       }(),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "all of it");
         EXPECT_FALSE(x.HTTP.Connected());
       }},
      {"multipart response ended by its terminator",
       Fixture({"HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=XyZ\r\n\r\n" + parts +
                "\r\n"}),
       [parts](TWireExchange& x) { EXPECT_EQ(x.BodyText(), parts); }},
      {"HEAD, 204 and 304 carry no body",
       Fixture({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "HTTP/1.1 204 No Content\r\n\r\n",
                "HTTP/1.1 304 Not Modified\r\nContent-Length: 7\r\n\r\n",
                Response("200 OK", {}, "last")},
               [](TWireExchange& x) {
                 x.HTTP.Head(ozktest::WireURL);
                 EXPECT_EQ(x.HTTP.Response().ContentLength(), 5);
                 TMemoryStream none;
                 x.HTTP.Get(ozktest::WireURL, &none);
                 EXPECT_EQ(x.HTTP.ResponseCode(), 204);
                 x.HTTP.Get(ozktest::WireURL, &none, {304});
                 EXPECT_EQ(none.Size(), 0);
                 x.HTTP.Get(ozktest::WireURL, &x.Body);
               }),
       [](TWireExchange& x) { EXPECT_EQ(x.BodyText(), "last"); }},
      {"the engine's CONNECT tunnel through a forward proxy",
       Fixture({"HTTP/1.1 200 Connection established\r\n\r\n", Response("200 OK", {}, "tunnelled")},
               nullptr,
               [](TWireExchange& x) {
                 x.HTTP.ProxyParams().SetProxyServer(u"proxy.test");
                 x.HTTP.ProxyParams().SetProxyPort(8080);
                 x.HTTP.SetHTTPOptions(x.HTTP.HTTPOptions().Include(hoNonSSLProxyUseConnectVerb));
               }),
       [](TWireExchange& x) {
         EXPECT_EQ(x.BodyText(), "tunnelled");
         EXPECT_EQ(x.IO.Written().substr(0, 31), "CONNECT wire.test:80 HTTP/1.1\r\n");
         EXPECT_TRUE(Contains(x.IO.Written(), "\r\n\r\nGET http://wire.test/x HTTP/1.1\r\n"))
             << x.IO.Written();
       }},
  };
}

} // namespace

TEST(IdHTTPGrind, EveryFixtureAtEveryReadSize) {
  int runs = 0;
  for (const TGrindCase& c : WireCases()) {
    SCOPED_TRACE(c.What);
    runs += ozktest::GrindReply(c.Fixture, c.Check);
  }
  RecordProperty("read_size_runs", runs);
}

TEST(IdHTTPGrind, EveryFixtureWithEveryOperationFailing) {
  int runs = 0, failures = 0;
  for (const TGrindCase& c : WireCases()) {
    for (const int readSize : {1, 7}) {
      SCOPED_TRACE(c.What);
      const ozktest::TFaultReport report = ozktest::FailEveryOperation(c.Fixture, readSize);
      EXPECT_GT(report.Failures, 0);
      runs += report.Runs;
      failures += report.Failures;
    }
  }
  RecordProperty("fault_runs", runs);
  RecordProperty("failed_runs", failures);
}

// An error status is read whole at every split point: the exception carries the body.
TEST(IdHTTPGrind, ErrorStatusAtEveryReadSize) {
  const TWireFixture fixture = Fixture({Response(
      "404 Not Found", {"Content-Type: application/json"}, "{\"error\":{\"message\":\"gone\"}}")});
  ozktest::GrindReplyError<EIdHTTPProtocolException>(
      fixture,
      [](const EIdHTTPProtocolException& e, TWireExchange& x) {
        EXPECT_EQ(e.ErrorCode(), 404);
        EXPECT_EQ(e.Message(), u"HTTP/1.1 404 Not Found");
        EXPECT_EQ(e.ErrorMessage(), u"{\"error\":{\"message\":\"gone\"}}");
        EXPECT_EQ(x.BodyText(), "");
        EXPECT_TRUE(x.HTTP.Connected()); // read whole: the connection stays usable
      },
      true);
}
