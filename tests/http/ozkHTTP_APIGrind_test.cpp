// The request executor's exchanges over TLS at every split point and cut off at every byte:
// the test TLS server sends each answer in records of 1, 2, 3 ... bytes (each record is one read
// for the client), and then ends the connection abruptly after 0, 1, 2 ... bytes. Every split
// must give the same text; every cut must reach the caller as an exception, never as text.
#include "http/ozkHTTP_API.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <typeinfo>

#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestTLS.h"

using namespace ozkhttptest;

namespace {

struct TAPICase {
  const char* What;
  std::vector<std::string> Replies; // one per request the call makes
  std::function<std::u16string(TozkHTTPAPI_client&, const std::u16string& ABase)> Call;
  std::u16string Expected;
};

const TStringList& RestHeaders() {
  static const TStringList headers{u"Authorization: Bearer sk-test", u"OpenAI-Beta: assistants=v2",
                                   u"Content-Type: application/json"};
  return headers;
}

std::vector<TAPICase> APICases() {
  const std::string json = "{\"id\":\"asst_1\",\"object\":\"assistant\"}";
  return {
      {"GET",
       {Response("200 OK", {"Content-Type: application/json"}, json)},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Get(base + u"/v1/assistants/asst_1", &RestHeaders());
       },
       U16(json)},
      {"POST with a JSON body",
       {Response("200 OK", {"Content-Type: application/json"}, "{\"id\":\"thread_1\"}")},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Post(base + u"/v1/threads", u"{\"metadata\":{}}", &RestHeaders());
       },
       u"{\"id\":\"thread_1\"}"},
      {"multipart upload",
       {Response("200 OK", {"Content-Type: application/json"}, "{\"id\":\"file-1\"}")},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         TIdMultiPartFormDataStream form;
         form.AddFormField(u"purpose", u"assistants", u"", u"", u"");
         TStringList auth{u"Authorization: Bearer sk-test"};
         return api.Post(base + u"/v1/files", u"", &auth, &form);
       },
       u"{\"id\":\"file-1\"}"},
      {"chunked body with a trailer",
       {"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n"
        "7\r\n{\"a\":1,\r\n6;x=y\r\n\"b\":2}\r\n0\r\nX-Trailer: t\r\n\r\n"},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Get(base + u"/v1/models", &RestHeaders());
       },
       u"{\"a\":1,\"b\":2}"},
      {"redirect followed on the kept connection",
       {Response("302 Found", {"Location: /v1/models/b"}), Response("200 OK", {}, "{\"b\":1}")},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Get(base + u"/v1/models/a", &RestHeaders());
       },
       u"{\"b\":1}"},
      {"100 Continue before the answer",
       {"HTTP/1.1 100 Continue\r\n\r\n" + Response("200 OK", {}, "{\"ok\":true}")},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Post(base + u"/v1/threads", u"{}", &RestHeaders());
       },
       u"{\"ok\":true}"},
      {"DELETE",
       {Response("200 OK", {"Content-Type: application/json"}, "{\"deleted\":true}")},
       [](TozkHTTPAPI_client& api, const std::u16string& base) {
         return api.Delete(base + u"/v1/files/file-1", &RestHeaders());
       },
       u"{\"deleted\":true}"},
  };
}

// Runs every split and every cut of one exchange against its own server; counts the runs.
void GrindExchange(const TAPICase& c, const std::u16string& ACAFile, std::atomic<int>& ASplits,
                   std::atomic<int>& ACuts) {
  SCOPED_TRACE(c.What);
  auto script = std::make_shared<ozktest::TTestTLSReplyScript>(c.Replies);
  ozktest::TTestTLSServer server({}, ozktest::ScriptedRepliesBehaviour(script));
  const std::u16string base = u"https://localhost:" + IntToStr(server.Port());
  TozkHTTPAPI_client api;
  api.SetReadTimeout(5000);
  api.TLSOptions().SetRootCertFile(ACAFile);
  const size_t total = script->TotalSize();
  for (size_t record = 1; record <= total; ++record, ++ASplits) {
    SCOPED_TRACE("record size " + std::to_string(record));
    script->Arm(record);
    try {
      EXPECT_EQ(c.Call(api, base), c.Expected);
    } catch (const Exception& e) {
      ADD_FAILURE() << typeid(e).name() << ": " << e.what();
    }
  }
  for (size_t cut = 0; cut < total; ++cut, ++ACuts) {
    SCOPED_TRACE("cut after " + std::to_string(cut) + " of " + std::to_string(total));
    script->Arm(7, cut);
    try {
      const std::u16string text = c.Call(api, base);
      ADD_FAILURE() << "a reply cut short came back as \"" << U8(text) << "\"";
    } catch (const EIdHTTPProtocolException& e) {
      ADD_FAILURE() << "a cut reply became a protocol error: " << e.what();
    } catch (const EIdException&) {
      // the engine's or the connection layer's error: what the executor's callers handle
    } catch (const Exception& e) {
      ADD_FAILURE() << "unexpected " << typeid(e).name() << ": " << e.what();
    }
  }
}

} // namespace

TEST(HTTPAPIGrind, EveryExchangeAtEveryTLSRecordSizeAndCutOffAtEveryByte) {
  ozktest::TTestTempDir dir;
  const std::u16string ca = dir.WriteFile("ca.pem", ozktest::TTestPKI::Get().CA.CertPEM());
  std::atomic<int> splits{0}, cuts{0};
  // The exchanges are independent (a server and an executor each), so they run side by side.
  std::vector<std::thread> threads;
  const std::vector<TAPICase> cases = APICases();
  threads.reserve(cases.size());
  for (const TAPICase& c : cases)
    threads.emplace_back([&, c] { GrindExchange(c, ca, splits, cuts); });
  for (std::thread& t : threads) t.join();
  RecordProperty("split_runs", splits.load());
  RecordProperty("cut_runs", cuts.load());
}
