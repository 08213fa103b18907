// The HTTP CONNECT tunnel against scripted proxies, byte for byte: the CONNECT head with and
// without credentials, the 407 retry on the same connection and on a new one, refusals, chains,
// and the per-request client's hand-over of its proxy options.
#include "http/ozkIdConnectThroughHttpProxy.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "http/ozkHTTP_Client.h"
#include "net/ozkIdTCPClient.h"
#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"
#include "support/ozkTestTransport.h"

using namespace ozkhttptest;
using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;

namespace {

const std::string Plain = "CONNECT target.test:443 HTTP/1.0\r\n\r\n";
// "user:secret" in Base64.
const std::string Authorized =
    "CONNECT target.test:443 HTTP/1.0\r\nProxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n";
const std::string Established = "HTTP/1.0 200 Connection established\r\n\r\n";

// After the tunnel: one line in, one line out, as the host behind the proxy.
void Echo(TTestPeerConnection& c) {
  if (c.ReadUntil("\n")) c.Send("through\r\n");
  c.ReadUntilClosed();
}

struct TTunnelClient {
  explicit TTunnelClient(TTestScriptedServer& AProxy, bool ACredentials = true) {
    Proxy.SetHost(AProxy.Host());
    Proxy.SetPort(AProxy.Port());
    Proxy.SetEnabled(true);
    if (ACredentials) {
      Proxy.SetUsername(u"user");
      Proxy.SetPassword(u"secret");
    }
    IO = new TIdIOHandlerStack(&Client);
    IO->SetTransparentProxy(&Proxy);
    IO->SetReadTimeout(3000);
    Client.SetIOHandler(IO);
  }
  // Connects to target.test:443 through the proxy and sends one line through the tunnel.
  std::u16string RoundTrip() {
    Client.Connect(u"target.test", 443);
    IO->WriteLn(u"hello");
    std::u16string answer = IO->ReadLn();
    Client.Disconnect();
    return answer;
  }
  TIdConnectThroughHttpProxy Proxy;
  TIdTCPClient Client;
  TIdIOHandlerStack* IO;
};

} // namespace

TEST(IdConnectThroughHttpProxy, ConnectHeadAndThe407RetryOnTheSameConnection) {
  TTestScriptedServer server([](TTestPeerConnection& c) {
    if (!c.ReadUntil("\r\n\r\n")) return;
    // The body of the 407 must be skipped, not taken for the next answer.
    c.Send(Response("407 Proxy Authentication Required",
                    {"Proxy-Authenticate: Basic realm=\"p\"", "Proxy-Connection: keep-alive"},
                    "<html>log in</html>"));
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send(Established);
    Echo(c);
  });
  TTunnelClient client(server);
  EXPECT_EQ(client.RoundTrip(), u"through");
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_EQ(server.AcceptedCount(), 1);
  EXPECT_EQ(server.Received(0), Plain + Authorized + "hello\r\n");

  // A proxy that asks for nothing: one CONNECT without credentials, even when some are set.
  TTestScriptedServer asksNothing([](TTestPeerConnection& c) {
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send("HTTP/1.1 200 OK\r\nProxy-Agent: test\r\n\r\n");
    Echo(c);
  });
  TTunnelClient client2(asksNothing);
  EXPECT_EQ(client2.RoundTrip(), u"through");
  ASSERT_TRUE(asksNothing.WaitForFinished(1));
  EXPECT_EQ(asksNothing.Received(0), Plain + "hello\r\n");
}

TEST(IdConnectThroughHttpProxy, ProxyClosingAfter407IsReconnectedWithAuthorization) {
  // "Connection: close" announced, and a close without announcement (the retry on the same
  // connection then fails and the connection is opened again).
  for (const char* header : {"Connection: close", "Proxy-Connection: close", "X-None: 1"}) {
    SCOPED_TRACE(header);
    TTestScriptedServer server([header](TTestPeerConnection& c) {
      if (!c.ReadUntil("\r\n\r\n")) return;
      if (c.Index() == 0) {
        c.Send(Response("407 Proxy Authentication Required", {header}, "login"));
        c.Close();
        return;
      }
      c.Send(Established);
      Echo(c);
    });
    TTunnelClient client(server);
    EXPECT_EQ(client.RoundTrip(), u"through");
    ASSERT_TRUE(server.WaitForFinished(2));
    EXPECT_EQ(server.Received(0).substr(0, Plain.size()), Plain);
    EXPECT_EQ(server.Received(1), Authorized + "hello\r\n");
  }
}

TEST(IdConnectThroughHttpProxy, RefusalsRaiseWithTheStatusLine) {
  struct TCase {
    std::string Name;
    std::vector<std::string> Answers; // one per CONNECT on the connection
    bool Credentials;
    std::string StatusLine;
    std::string Sent;
  };
  const std::vector<TCase> cases = {
      {"forbidden",
       {Response("403 Forbidden", {}, "nope!")},
       true,
       "HTTP/1.1 403 Forbidden",
       Plain},
      {"2xx other than 200",
       {"HTTP/1.1 204 No Content\r\n\r\n"},
       true,
       "HTTP/1.1 204 No Content",
       Plain},
      {"407 without credentials",
       {Response("407 Proxy Authentication Required", {}, "x")},
       false,
       "HTTP/1.1 407 Proxy Authentication Required",
       Plain},
      // The credentials are sent once; a second 407 is the answer, not a loop.
      {"407 after the credentials",
       {Response("407 Proxy Authentication Required", {}, "x"),
        Response("407 Wrong Credentials", {}, "x")},
       true,
       "HTTP/1.1 407 Wrong Credentials",
       Plain + Authorized},
  };
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.Name);
    TTestScriptedServer server([&t](TTestPeerConnection& c) {
      for (const std::string& answer : t.Answers) {
        if (!c.ReadUntil("\r\n\r\n")) return;
        c.Send(answer);
      }
      c.ReadUntilClosed();
    });
    TTunnelClient client(server, t.Credentials);
    try {
      client.RoundTrip();
      ADD_FAILURE() << "no exception";
    } catch (const EIdHttpProxyError& e) {
      EXPECT_EQ(U8(e.Message()), t.StatusLine);
    }
    EXPECT_FALSE(client.Client.Connected());
    ASSERT_TRUE(server.WaitForFinished(1));
    EXPECT_EQ(server.Received(0), t.Sent) << "nothing may follow a refused CONNECT";
  }
}

TEST(IdConnectThroughHttpProxy, LenientAnswersAndTunnelBytesAfterTheHead) {
  // An empty line counts as an open tunnel; a status without a number as 200; a Content-Length
  // on a successful answer describes no body: what follows is the host's.
  for (const std::string& answer : {std::string("\r\n"), std::string("HTTP/1.0 OK\r\n\r\n"),
                                    std::string("HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\r\n")}) {
    SCOPED_TRACE(answer);
    TTestScriptedServer server([answer](TTestPeerConnection& c) {
      if (!c.ReadUntil("\r\n\r\n")) return;
      c.Send(answer + "banner\r\n"); // a host that speaks first
      Echo(c);
    });
    TTunnelClient client(server);
    client.Client.Connect(u"target.test", 443);
    EXPECT_EQ(client.IO->ReadLn(), u"banner");
    client.IO->WriteLn(u"hello");
    EXPECT_EQ(client.IO->ReadLn(), u"through");
    client.Client.Disconnect();
  }
  // The target's IPv6 literal is bracketed.
  TTestScriptedServer server([](TTestPeerConnection& c) {
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send(Established);
    c.ReadUntilClosed();
  });
  TTunnelClient client(server);
  client.Client.Connect(u"2001:db8::1", 8443);
  client.Client.Disconnect();
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_EQ(server.Received(0), "CONNECT [2001:db8::1]:8443 HTTP/1.0\r\n\r\n");
}

TEST(IdConnectThroughHttpProxy, ChainedProxiesAfterAReconnectDoNotRepeatHops) {
  // The same scripted server plays both proxies of a chain. Whichever of them asks for
  // credentials and closes, the reopened connection runs the whole chain once.
  const std::string toSecond = "CONNECT second.test:3128 HTTP/1.0\r\n\r\n";
  const std::string toSecondAuthorized =
      "CONNECT second.test:3128 HTTP/1.0\r\nProxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n";
  for (bool firstAsks : {true, false}) {
    SCOPED_TRACE(firstAsks ? "first proxy asks" : "second proxy asks");
    TTestScriptedServer server([firstAsks](TTestPeerConnection& c) {
      const std::string refuse =
          Response("407 Proxy Authentication Required", {"Connection: close"}, "");
      if (!c.ReadUntil("\r\n\r\n")) return;
      if (c.Index() == 0 && firstAsks) {
        c.Send(refuse);
        c.Close();
        return;
      }
      c.Send(Established);
      if (!c.ReadUntil("\r\n\r\n")) return;
      if (c.Index() == 0) {
        c.Send(refuse);
        c.Close();
        return;
      }
      c.Send(Established);
      Echo(c);
    });
    TIdConnectThroughHttpProxy first;
    first.SetHost(server.Host());
    first.SetPort(server.Port());
    first.SetEnabled(true);
    TIdConnectThroughHttpProxy second;
    second.SetHost(u"second.test");
    second.SetPort(3128);
    second.SetEnabled(true);
    TIdConnectThroughHttpProxy& asking = firstAsks ? first : second;
    asking.SetUsername(u"user");
    asking.SetPassword(u"secret");
    first.SetChainedProxy(&second);

    TIdTCPClient client;
    auto* io = new TIdIOHandlerStack(&client);
    io->SetTransparentProxy(&first);
    io->SetReadTimeout(3000);
    client.SetIOHandler(io);
    client.Connect(u"target.test", 443);
    io->WriteLn(u"hello");
    EXPECT_EQ(io->ReadLn(), u"through");
    client.Disconnect();
    ASSERT_TRUE(server.WaitForFinished(2));
    if (firstAsks) {
      EXPECT_EQ(server.Received(0), toSecond);
      EXPECT_EQ(server.Received(1), toSecondAuthorized + Plain + "hello\r\n");
    } else {
      EXPECT_EQ(server.Received(0), toSecond + Plain);
      EXPECT_EQ(server.Received(1), toSecond + Authorized + "hello\r\n");
    }
  }
}

TEST(IdConnectThroughHttpProxy, ClientHandsItsProxyOptionsToTheTunnel) {
  // A plain request through the client's proxy: CONNECT to the URL's host and port, then the
  // request in origin form inside the tunnel.
  TTestScriptedServer server([](TTestPeerConnection& c) {
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send(Response("407 Proxy Authentication Required", {}, "login"));
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send(Established);
    if (!c.ReadUntil("\r\n\r\n")) return;
    c.Send(Response("200 OK", {"Content-Type: text/plain"}, "behind the proxy"));
    c.ReadUntilClosed();
  });
  TozkIdHTTP http;
  http.SetReadTimeout(3000);
  http.Proxy().SetEnabled(true);
  http.Proxy().SetHost(server.Host());
  http.Proxy().SetPort(server.Port());
  http.Proxy().SetUsername(u"user");
  http.Proxy().SetPassword(u"secret");
  EXPECT_EQ(http.Get(u"http://origin.test:8080/a/b?c=1"), u"behind the proxy");
  ASSERT_NE(http.ProxyHTTP(), nullptr);
  EXPECT_EQ(http.ProxyHTTP()->Host(), server.Host());
  EXPECT_EQ(http.ProxyHTTP()->Port(), server.Port());
  EXPECT_TRUE(http.ProxyHTTP()->Enabled());
  EXPECT_EQ(http.ProxyParams().ProxyServer(), u""); // not the engine's own tunnel
  http.Disconnect();
  ASSERT_TRUE(server.WaitForFinished(1));
  const std::string sent = server.Received(0);
  const std::string connect = "CONNECT origin.test:8080 HTTP/1.0\r\n\r\n"
                              "CONNECT origin.test:8080 HTTP/1.0\r\n"
                              "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n";
  EXPECT_EQ(sent.substr(0, connect.size()), connect);
  EXPECT_EQ(sent.substr(connect.size(), 23), "GET /a/b?c=1 HTTP/1.1\r\n");
  EXPECT_EQ(sent.find("Proxy-", connect.size()), std::string::npos) << "no proxy headers inside";

  // Ports past 65535 and SOCKS types fail before anything connects.
  TozkIdHTTP bad;
  bad.Proxy().SetEnabled(true);
  bad.Proxy().SetHost(server.Host());
  bad.Proxy().SetPort(65536);
  EXPECT_THROW(bad.Get(u"http://origin.test/"), EArgumentOutOfRangeException);
  bad.Proxy().SetPort(server.Port());
  bad.Proxy().SetProxyType(pxySocks5);
  try {
    bad.Get(u"https://origin.test/");
    ADD_FAILURE() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"SOCKS proxies are not supported by this client");
  }
  EXPECT_EQ(server.AcceptedCount(), 1);
}

TEST(IdConnectThroughHttpProxy, SwitchingTheProxyOffConnectsDirectly) {
  // The TLS handler is kept between HTTPS requests of one client, and with it the tunnel it
  // was given: switching the proxy off must take the tunnel away too.
  TTestScriptedServer refusing([](TTestPeerConnection& c) {
    if (c.ReadUntil("\r\n\r\n")) c.Send(Response("403 Forbidden", {}, ""));
    c.ReadUntilClosed();
  });
  ozktest::TTestRefusedPort nowhere;
  const std::u16string url = u"https://127.0.0.1:" + IntToStr(nowhere.Port()) + u"/";
  TozkIdHTTP http;
  http.SetReadTimeout(3000);
  http.Proxy().SetEnabled(true);
  http.Proxy().SetHost(refusing.Host());
  http.Proxy().SetPort(refusing.Port());
  EXPECT_THROW(http.Get(url), EIdHttpProxyError);
  http.Proxy().SetEnabled(false);
  try {
    http.Get(url);
    ADD_FAILURE() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061); // the refused port itself, not the proxy
  }
  EXPECT_FALSE(http.ProxyHTTP()->Enabled());
  EXPECT_EQ(http.TLSHandler()->TransparentProxy(), http.ProxyHTTP());
  EXPECT_EQ(refusing.AcceptedCount(), 1);
}

TEST(IdConnectThroughHttpProxy, ProxyOptionsCopyEveryValue) {
  TozkTCPProxy_Options tcp;
  tcp.SetEnabled(true);
  tcp.SetHost(u"proxy.test");
  tcp.SetPort(3128);
  tcp.SetUsername(u"u");
  tcp.SetPassword(u"p");
  tcp.SetProxyType(pxySocks4A);
  TozkHTTPProxy_Options options;
  options.Assign(tcp);
  TozkIdHTTP http;
  http.SetProxy(options); // copies, keeps no reference
  options.SetHost(u"changed");
  const TozkHTTPProxy_Options& p = http.Proxy();
  EXPECT_TRUE(p.Enabled());
  EXPECT_EQ(p.Host() + u"|" + p.Username() + u"|" + p.Password(), u"proxy.test|u|p");
  EXPECT_EQ(p.Port(), 3128);
  EXPECT_EQ(p.ProxyType(), pxySocks4A);
  try {
    options.Assign(TozkHttpLogFile());
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TozkHttpLogFile to a TozkHTTPProxy_Options");
  }
}

namespace {

// The tunnel's steps, run directly on an in-memory transport.
class TExposedTunnel : public TIdConnectThroughHttpProxy {
 public:
  using TIdConnectThroughHttpProxy::MakeConnection;
};

// A 407 with a body, then, once the authorized CONNECT arrived, the tunnel and a line through it.
const std::vector<std::string> ChallengeThenTunnel = {
    "HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"p\"\r\n"
    "Content-Length: 5\r\n\r\nnope!",
    Established + "through\r\n"};

void Tunnel(TIdIOHandler& AIO) {
  TExposedTunnel tunnel;
  tunnel.SetUsername(u"user");
  tunnel.SetPassword(u"secret");
  tunnel.MakeConnection(AIO, u"target.test", 443, Id_IPv4);
}

} // namespace

// The 407 retry on the same connection at every split point of the proxy's answers, and with
// every transport operation failing in turn.
TEST(IdConnectThroughHttpProxy, ChallengeAndTunnelAtEverySplitPointAndFailure) {
  const int sizes =
      ozktest::ForEveryReadSize(ChallengeThenTunnel, [](ozktest::TTestMemoryIOHandler& io) {
        Tunnel(io);
        EXPECT_EQ(io.ReadLn(), u"through");
        EXPECT_EQ(io.Written(), Plain + Authorized);
      });
  int failures = 0;
  const int runs = ozktest::ForEveryFailingOperation(
      ChallengeThenTunnel, 3,
      [](ozktest::TTestMemoryIOHandler& io) {
        Tunnel(io);
        if (io.ReadLn() != u"through") throw EIdException(u"the tunnel lost its bytes");
      },
      [&](ozktest::TTestMemoryIOHandler& io, const std::exception_ptr& error, int n) {
        SCOPED_TRACE("operation " + std::to_string(n) + " failing");
        if (!error) return; // the failed operation did not matter
        ++failures;
        try {
          std::rethrow_exception(error);
        } catch (const EIdSocketError& e) {
          EXPECT_EQ(e.LastError(), 10054);
        } catch (const EIdConnClosedGracefully&) {
        } catch (const EIdHTTPMalformedReply&) {
        } catch (const EIdHttpProxyError& e) {
          // The proxy's connection broke after its 407: the reconnect that follows has no
          // tunnel on this transport, so the challenge is what the caller gets.
          EXPECT_EQ(e.Message(), u"HTTP/1.0 407 Proxy Authentication Required");
        } catch (const Exception& e) {
          ADD_FAILURE() << typeid(e).name() << ": " << e.what();
        }
        // Nothing of a later answer may pass for the tunnel's bytes.
        EXPECT_EQ(io.InputBuffer().Size() == 0 || !io.Opened(), true);
      });
  EXPECT_GT(failures, 0);
  RecordProperty("read_size_runs", sizes);
  RecordProperty("fault_runs", runs);
}
