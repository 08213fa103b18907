// Corking of requests with a body: the head and every body block are handed to a corked socket,
// so that Nagle's algorithm does not hold the body back until the server's delayed
// acknowledgement of the head; a head alone is never corked; the socket is uncorked once the
// request is written, also when reading the body fails half-way. The blocks and the bytes on
// the wire stay those of an uncorked request.
#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/ozkException.h"
#include "http/ozkHTTP_Client.h"
#include "net/ozkIdIntercept.h"
#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"
#include "support/ozkTestTLS.h"

using namespace ozkhttptest;
using ozktest::TTestScriptedServer;

namespace {

// The state the system reports for the connection's socket; false without an open socket.
bool CorkedNow(TIdTCPConnection& AConnection) {
  TIdIOHandlerSocket* socket = AConnection.Socket();
  return socket && socket->BindingAllocated() && socket->Binding()->Corked();
}

bool SocketOpen(TIdTCPConnection& AConnection) {
  return AConnection.Socket() && AConnection.Socket()->BindingAllocated();
}

// Every block the handler sends, with the socket's cork state at the moment it is handed over.
struct TCorkRecorder {
  TIdConnectionIntercept Intercept;
  std::vector<std::string> Blocks;
  std::vector<bool> Corked;
  explicit TCorkRecorder(TIdTCPConnection& AConnection) {
    Intercept.OnSend = [this, &AConnection](TIdConnectionIntercept*, TIdBytes& b) {
      Blocks.emplace_back(b.begin(), b.end());
      Corked.push_back(CorkedNow(AConnection));
    };
  }
  std::string All() const {
    std::string all;
    for (const std::string& block : Blocks) all += block;
    return all;
  }
};

std::string Pattern(size_t ASize) {
  std::string body(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

// A body that fails to read past its first AGood bytes, as a file on a vanished disk does.
class TFailingBody : public TMemoryStream {
 public:
  TFailingBody(const std::string& ABytes, int64_t AGood) : FGood(AGood) {
    WriteBuffer(ABytes.data(), static_cast<int64_t>(ABytes.size()));
  }
  int64_t Read(void* ABuffer, int64_t ACount) override {
    if (Position() >= FGood) throw EReadError(u"Stream read error");
    return TMemoryStream::Read(ABuffer, std::min(ACount, FGood - Position()));
  }

 private:
  int64_t FGood;
};

} // namespace

TEST(IdHTTPCork, PostIsCorkedForHeadAndEveryBlockAndAGetIsNot) {
  TTestScriptedServer server(Serve({Response("200 OK", {"Connection: keep-alive"}, "posted"),
                                    Response("200 OK", {"Connection: keep-alive"}, "got")}));
  TIdHTTP http;
  http.SetReadTimeout(3000);
  TCorkRecorder recorder(http);
  http.SetIntercept(&recorder.Intercept);
  const std::string payload = Pattern(2 * IdSendBufferSizeDefault + 1000); // three body blocks
  TMemoryStream body;
  body.WriteBuffer(payload.data(), static_cast<int64_t>(payload.size()));
  TMemoryStream answer;
  http.Post(URL(server, u"/upload"), body, &answer);
  EXPECT_EQ(std::string(answer.Bytes().begin(), answer.Bytes().end()), "posted");
  ASSERT_EQ(recorder.Blocks.size(), 4u); // the head, then the body in send-buffer blocks
  EXPECT_EQ(recorder.Blocks[0].find("POST /upload HTTP/1.0\r\n"), 0u);
  EXPECT_EQ(recorder.Blocks[1].size(), static_cast<size_t>(IdSendBufferSizeDefault));
  EXPECT_EQ(recorder.Blocks[3].size(), 1000u);
  EXPECT_EQ(recorder.Blocks[1] + recorder.Blocks[2] + recorder.Blocks[3], payload);
  EXPECT_EQ(recorder.Corked, std::vector<bool>(4, true));
  // The kept-alive socket is open and no longer corked, so its next segment leaves at once.
  ASSERT_TRUE(SocketOpen(http));
  EXPECT_FALSE(CorkedNow(http));

  EXPECT_EQ(http.Get(URL(server, u"/status")), u"got");
  ASSERT_EQ(recorder.Blocks.size(), 5u);
  EXPECT_EQ(recorder.Blocks[4].find("GET /status HTTP/1.1\r\n"), 0u);
  EXPECT_FALSE(recorder.Corked[4]); // a head alone is never corked
  ASSERT_TRUE(SocketOpen(http));
  EXPECT_FALSE(CorkedNow(http));
  http.Disconnect();
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_EQ(server.AcceptedCount(), 1);
  EXPECT_EQ(server.Received(0), recorder.All()); // the wire carries exactly the blocks
  http.SetIntercept(nullptr);
}

// The guard must uncork while the body's error travels: the connection is dropped only after
// the request has unwound, and the socket is still open at that moment.
TEST(IdHTTPCork, BodyThatFailsToReadLeavesTheSocketUncorkedAndTheErrorPropagates) {
  TTestScriptedServer server([](ozktest::TTestPeerConnection& c) { c.ReadUntilClosed(); });
  bool openAtDrop = false, corkedAtDrop = true; // outlive the handler that writes them
  TIdHTTP http;
  http.SetReadTimeout(3000);
  TCorkRecorder recorder(http);
  http.SetIntercept(&recorder.Intercept);
  http.OnStatus = [&](TComponent*, TIdStatus AStatus, const std::u16string&) {
    if (AStatus != hsDisconnecting) return;
    openAtDrop = SocketOpen(http);
    corkedAtDrop = CorkedNow(http);
  };
  TFailingBody body(Pattern(size_t{3} * IdSendBufferSizeDefault), IdSendBufferSizeDefault);
  TMemoryStream answer;
  try {
    http.Post(URL(server, u"/upload"), body, &answer);
    ADD_FAILURE() << "the failing body was not reported";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), u"Stream read error");
  }
  ASSERT_EQ(recorder.Blocks.size(), 2u); // the head and the one block that could be read
  EXPECT_EQ(recorder.Corked, std::vector<bool>(2, true));
  EXPECT_TRUE(openAtDrop);
  EXPECT_FALSE(corkedAtDrop);
  EXPECT_FALSE(SocketOpen(http)); // the half-sent request's connection is not reused
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_EQ(server.Received(0), recorder.All());
  http.OnStatus = nullptr;
  http.SetIntercept(nullptr);
}

// Corking sits beneath TLS: each block is its own record, and all of them are held together.
TEST(IdHTTPCork, PostOverTLSIsCorkedAndUncorkedAfterwards) {
  ozktest::TTestTempDir dir;
  const std::u16string ca = dir.WriteFile("ca.pem", ozktest::TTestPKI::Get().CA.CertPEM());
  auto script = std::make_shared<ozktest::TTestTLSReplyScript>(
      std::vector<std::string>{Response("200 OK", {"Connection: keep-alive"}, "secure post"),
                               Response("200 OK", {"Connection: keep-alive"}, "secure get")});
  script->Arm(16384);
  ozktest::TTestTLSServer server({}, ozktest::ScriptedRepliesBehaviour(script));
  const std::u16string base = u"https://localhost:" + IntToStr(server.Port());
  TozkIdHTTP http;
  http.SetReadTimeout(5000);
  http.TLSOptions().SetRootCertFile(ca);
  TCorkRecorder recorder(http);
  http.SetIntercept(&recorder.Intercept);
  const std::string payload = Pattern(TozkIdHTTP::SendBlockSize + 10); // two body blocks
  TMemoryStream body;
  body.WriteBuffer(payload.data(), static_cast<int64_t>(payload.size()));
  TMemoryStream answer;
  http.Post(base + u"/v1/files", body, &answer);
  EXPECT_EQ(std::string(answer.Bytes().begin(), answer.Bytes().end()), "secure post");
  ASSERT_EQ(recorder.Blocks.size(), 3u);
  EXPECT_EQ(recorder.Blocks[0].find("POST /v1/files HTTP/1."), 0u);
  EXPECT_EQ(recorder.All().substr(recorder.Blocks[0].size()), payload);
  EXPECT_EQ(recorder.Corked, std::vector<bool>(recorder.Blocks.size(), true));
  ASSERT_TRUE(SocketOpen(http));
  EXPECT_FALSE(CorkedNow(http));

  const size_t before = recorder.Blocks.size();
  EXPECT_EQ(http.Get(base + u"/v1/models"), u"secure get");
  ASSERT_EQ(recorder.Blocks.size(), before + 1);
  EXPECT_FALSE(recorder.Corked.back());
  ASSERT_TRUE(SocketOpen(http));
  EXPECT_FALSE(CorkedNow(http));
  http.SetIntercept(nullptr);
}
