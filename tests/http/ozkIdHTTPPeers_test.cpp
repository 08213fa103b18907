// The engine and the executor against real servers started by the tests: nginx (HTTP and
// HTTPS, keep-alive, redirects), Python's HTTP server (HTTP/1.0 bodies ended by the close) and
// tinyproxy (CONNECT tunnels, the engine's own and the client's transparent one, with and
// without Basic proxy authorization).
#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "http/ozkHTTP_API.h"
#include "http/ozkHTTP_Client.h"
#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"
#include "support/ozkTestPeers.h"
#include "support/ozkTestTLS.h"

using namespace ozkhttptest;

namespace {

const std::string NginxJSON = "{\"text\":\"Gr\xC3\xBC\xC3\x9F"
                              "e \xE2\x82\xAC \xF0\x9F\x98\x80\"}";

size_t Count(const std::string& AText, const std::string& APattern) {
  size_t n = 0;
  for (size_t p = AText.find(APattern); p != std::string::npos; p = AText.find(APattern, p + 1))
    ++n;
  return n;
}

bool IsPattern(const TMemoryStream& AStream) {
  const auto& b = AStream.Bytes();
  for (size_t i = 0; i < b.size(); ++i)
    if (b[i] != ozktest::TestPatternByte(i)) return false;
  return true;
}

// One nginx for the whole suite: starting it is the slow part.
class NginxPeer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ozktest::TTestNginx::Available()) return;
    ozktest::TTestNginxOptions options;
    options.PatternFiles = {{"pattern.bin", 5000000}};
    Nginx = new ozktest::TTestNginx(options);
  }
  static void TearDownTestSuite() {
    delete Nginx;
    Nginx = nullptr;
  }
  void SetUp() override {
    if (!Nginx) GTEST_SKIP() << "nginx is not installed";
    ASSERT_TRUE(Nginx->Error().empty()) << Nginx->Error();
  }
  static std::u16string Http(const std::string& APath) { return U16(Nginx->HttpURL(APath)); }
  static std::u16string Https(const std::string& APath) { return U16(Nginx->HttpsURL(APath)); }

  static ozktest::TTestNginx* Nginx;
};
ozktest::TTestNginx* NginxPeer::Nginx = nullptr;

} // namespace

TEST_F(NginxPeer, KeepAliveRedirectsErrorsAndLargeBodies) {
  TIdHTTP http;
  http.SetReadTimeout(5000);
  int connects = 0;
  http.OnConnected = [&](TComponent*) { ++connects; };
  EXPECT_EQ(http.Get(Http("/hello.txt")), u"Hello from nginx\n");
  EXPECT_EQ(http.Response().CharSet(), u"ISO-8859-1"); // text/plain without a charset
  http.Head(Http("/hello.txt"));
  EXPECT_EQ(http.Response().ContentLength(), 17);
  TMemoryStream pattern;
  http.Get(Http("/pattern.bin"), &pattern);
  EXPECT_EQ(pattern.Size(), 5000000);
  EXPECT_TRUE(IsPattern(pattern));
  EXPECT_EQ(connects, 1); // three requests, one kept-alive connection

  http.SetHandleRedirects(true);
  EXPECT_EQ(http.Get(Http("/redirect")), u"Hello from nginx\n"); // relative Location
  EXPECT_EQ(http.Get(Http("/redirect-abs")), u"Hello from nginx\n");
  EXPECT_EQ(http.RedirectCount(), 1);
  EXPECT_EQ(connects, 1);

  try {
    http.Get(Http("/status/404"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_EQ(e.Message(), u"HTTP/1.1 404 Not Found");
    EXPECT_EQ(e.ErrorMessage(), u"{\"error\":{\"message\":\"not here\"}}");
  }
  // A POST goes out as HTTP/1.0 on a new connection; nginx answers keep-alive, so it stays.
  TMemoryStream body;
  body.WriteBuffer("some data", 9);
  EXPECT_EQ(http.Post(Http("/upload"), body), u"ok\n");
  EXPECT_EQ(connects, 2);
  EXPECT_TRUE(http.Connected());
}

TEST_F(NginxPeer, HTTPSWithVerificationAndKeepAlive) {
  TozkIdHTTP http;
  http.SetReadTimeout(5000);
  http.TLSOptions().SetRootCertFile(Nginx->CAFile());
  http.TLSOptions().SetVerifyCertificate(true);
  http.TLSOptions().SetVerifyDepth(10);
  http.TLSOptions().SetVersion(tls1_2);
  int connects = 0;
  http.OnConnected = [&](TComponent*) { ++connects; };
  EXPECT_EQ(http.Get(Https("/hello.txt")), u"Hello from nginx\n");
  // The client keeps its TLS handler and connection between calls of the same scheme.
  TMemoryStream pattern;
  http.Get(Https("/pattern.bin"), &pattern);
  EXPECT_TRUE(IsPattern(pattern));
  EXPECT_EQ(pattern.Size(), 5000000);
  EXPECT_EQ(connects, 1);
  ASSERT_NE(http.TLSHandler(), nullptr);
  EXPECT_EQ(http.TLSHandler()->GetSSLVersion(), u"TLSv1.2");

  // The executor: a fresh client per request, verification on by default.
  TozkHTTPAPI_client api;
  api.SetReadTimeout(5000);
  api.TLSOptions().SetRootCertFile(Nginx->CAFile());
  EXPECT_EQ(U8(api.Get(Https("/data.json"))), NginxJSON);
  try {
    api.Get(Https("/status/404"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), u"HTTP/1.1 404 Not Found. {\"error\":{\"message\":\"not here\"}}");
  }
  // Without the test root the server cannot be trusted.
  TozkHTTPAPI_client strict;
  strict.SetReadTimeout(5000);
  EXPECT_THROW(strict.Get(Https("/hello.txt")), EIdOpenSSLError);
}

TEST(PythonPeer, BodiesEndedByTheCloseOfTheConnection) {
  if (!ozktest::TTestPythonHTTPServer::Available()) GTEST_SKIP() << "python3 is not installed";
  ozktest::TTestPythonHTTPServer python;
  ASSERT_TRUE(python.Error().empty()) << python.Error();
  TIdHTTP http;
  http.SetReadTimeout(5000);
  TMemoryStream bytes;
  http.Get(U16(python.URL("/bytes/1000000")), &bytes);
  EXPECT_EQ(http.Response().ResponseVersion(), pv1_0);
  EXPECT_EQ(bytes.Size(), 1000000);
  EXPECT_TRUE(IsPattern(bytes));
  EXPECT_FALSE(http.Connected());

  TozkHTTPAPI_client api;
  api.SetReadTimeout(5000);
  EXPECT_EQ(U8(api.Get(U16(python.URL("/json")))), ozktest::TTestPythonHTTPServer::JSONDocument());
  // The echo shows what the server parsed: an HTTP/1.0 POST with its UTF-8 body.
  std::u16string echo = api.Post(U16(python.URL("/echo")), u"{\"q\":\"\u00E4\"}");
  EXPECT_EQ(echo.substr(0, 22), u"POST /echo HTTP/1.0\r\nC");
  EXPECT_NE(echo.find(u"Connection: keep-alive"), std::u16string::npos);
  EXPECT_EQ(echo.substr(echo.size() - 9), u"{\"q\":\"\u00E4\"}");
}

TEST_F(NginxPeer, ConnectTunnelThroughTinyproxy) {
  if (!ozktest::TTestTinyproxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
  ozktest::TTestTinyproxyOptions open;
  open.ConnectPorts = {Nginx->HttpsPort(), Nginx->HttpPort()};
  ozktest::TTestTinyproxy proxy(open);
  ASSERT_TRUE(proxy.Error().empty()) << proxy.Error();

  // The engine's own tunnel: CONNECT, then TLS to the real host through it.
  TozkIdHTTP http;
  http.SetReadTimeout(5000);
  http.TLSOptions().SetRootCertFile(Nginx->CAFile());
  http.TLSOptions().SetVerifyCertificate(true);
  http.TLSOptions().SetVerifyDepth(10);
  http.ProxyParams().SetProxyServer(u"127.0.0.1");
  http.ProxyParams().SetProxyPort(proxy.Port());
  EXPECT_EQ(http.Get(Https("/hello.txt")), u"Hello from nginx\n");
  EXPECT_EQ(http.Get(Https("/data.json")).size(), NginxJSON.size()); // the same tunnel again
  EXPECT_NE(proxy.Log().find("CONNECT"), std::string::npos);

  // The client's own proxy options: the handler connects through the CONNECT tunnel. This
  // proxy wants Basic authorization: it answers the first CONNECT with a 407 and closes, so the
  // connection is opened again and the CONNECT repeated with the credentials.
  ozktest::TTestTinyproxyOptions guarded = open;
  guarded.User = "proxyuser";
  guarded.Password = "proxypass";
  ozktest::TTestTinyproxy authProxy(guarded);
  ASSERT_TRUE(authProxy.Error().empty()) << authProxy.Error();
  const std::string httpsConnect =
      "CONNECT localhost:" + std::to_string(Nginx->HttpsPort()) + " HTTP/1.0";
  const std::string httpConnect =
      "CONNECT 127.0.0.1:" + std::to_string(Nginx->HttpPort()) + " HTTP/1.0";
  TozkIdHTTP client;
  client.SetReadTimeout(5000);
  client.TLSOptions().SetRootCertFile(Nginx->CAFile());
  client.TLSOptions().SetVerifyCertificate(true);
  client.TLSOptions().SetVerifyDepth(10);
  client.Proxy().SetEnabled(true);
  client.Proxy().SetHost(u"127.0.0.1");
  client.Proxy().SetPort(authProxy.Port());
  client.Proxy().SetUsername(u"proxyuser");
  client.Proxy().SetPassword(u"proxypass");
  EXPECT_EQ(client.Get(Https("/hello.txt")), u"Hello from nginx\n");
  EXPECT_EQ(client.Get(Https("/data.json")).size(), NginxJSON.size()); // kept-alive tunnel
  ASSERT_NE(client.ProxyHTTP(), nullptr);
  EXPECT_EQ(client.TLSHandler()->TransparentProxy(), client.ProxyHTTP());
  EXPECT_EQ(client.AuthProxyRetries(), 0); // the engine's own tunnel took no part
  EXPECT_EQ(Count(authProxy.Log(), httpsConnect), 2);
  // Plain HTTP goes through a CONNECT tunnel as well.
  EXPECT_EQ(client.Get(Http("/hello.txt")), u"Hello from nginx\n");
  EXPECT_EQ(Count(authProxy.Log(), httpConnect), 2);

  // A proxy that asks for nothing gets one CONNECT per connection.
  TozkIdHTTP plain;
  plain.SetReadTimeout(5000);
  plain.Proxy().SetEnabled(true);
  plain.Proxy().SetHost(u"127.0.0.1");
  plain.Proxy().SetPort(proxy.Port());
  EXPECT_EQ(plain.Get(Http("/hello.txt")), u"Hello from nginx\n");
  EXPECT_EQ(Count(proxy.Log(), httpConnect), 1); // no credentials asked, none sent

  TozkIdHTTP wrong;
  wrong.SetReadTimeout(5000);
  wrong.Proxy().SetEnabled(true);
  wrong.Proxy().SetHost(u"127.0.0.1");
  wrong.Proxy().SetPort(authProxy.Port());
  wrong.Proxy().SetUsername(u"proxyuser");
  wrong.Proxy().SetPassword(u"not the password");
  try {
    wrong.Get(Https("/hello.txt"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHttpProxyError& e) {
    // tinyproxy turns down wrong credentials with a 401 (a missing one gets the 407).
    EXPECT_EQ(e.Message(), u"HTTP/1.0 401 Unauthorized");
  }
  EXPECT_FALSE(wrong.Connected());
  EXPECT_EQ(Count(authProxy.Log(), httpsConnect), 4);

  // Without credentials the 407 itself is the refusal.
  TozkIdHTTP anonymous;
  anonymous.SetReadTimeout(5000);
  anonymous.Proxy().SetEnabled(true);
  anonymous.Proxy().SetHost(u"127.0.0.1");
  anonymous.Proxy().SetPort(authProxy.Port());
  try {
    anonymous.Get(Http("/hello.txt"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHttpProxyError& e) {
    EXPECT_EQ(e.Message(), u"HTTP/1.0 407 Proxy Authentication Required");
  }
  EXPECT_EQ(Count(authProxy.Log(), httpConnect), 3);
}

namespace {

// The program a process runs, as /proc shows it (empty when it cannot be read).
std::string ExecutableOf(pid_t APid) {
  char target[4096];
  const std::string link = "/proc/" + std::to_string(APid) + "/exe";
  const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

std::string RealPath(const std::string& APath) {
  std::unique_ptr<char, decltype(&free)> resolved(realpath(APath.c_str(), nullptr), &free);
  return resolved ? std::string(resolved.get()) : std::string();
}

} // namespace

// A child looked at before its exec was still a copy of the test process, holding the test's
// listening sockets, and so passed for a listener now and then on a loaded machine. The process
// is constructed only once the child runs its program.
TEST(PeerReadiness, ChildRunsItsProgramOnceConstructed) {
  ozktest::TTestTempDir dir;
  const std::string sleep = ozktest::FindProgram("sleep");
  ASSERT_FALSE(sleep.empty());
  const std::string program = RealPath(sleep);
  for (int i = 0; i < 20; ++i) {
    ozktest::TTestProcess child({sleep, "30"}, dir.Path() + "/sleep.log");
    EXPECT_EQ(ExecutableOf(child.Pid()), program) << "child " << i;
  }
}

// The peers picked a free port, released it and waited until something answered on it: a port
// taken by another program in between passed for the peer. Readiness is now the peer process
// itself listening on the port.
TEST(PeerReadiness, OnlyTheListeningProcessCountsAsReady) {
  ozktest::TTestScriptedServer listener([](ozktest::TTestPeerConnection&) {});
  EXPECT_TRUE(ozktest::ProcessListensOn(getpid(), listener.Port()));
  ozktest::TTestTempDir dir;
  ozktest::TTestProcess other({ozktest::FindProgram("sleep"), "30"}, dir.Path() + "/sleep.log");
  EXPECT_FALSE(ozktest::ProcessListensOn(other.Pid(), listener.Port()));
  EXPECT_FALSE(ozktest::WaitForProcessListening(other, {listener.Port()}, 100));
  const uint16_t closed = ozktest::PickFreeLoopbackPort();
  EXPECT_FALSE(ozktest::ProcessListensOn(getpid(), closed));
}
