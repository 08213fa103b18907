#include "net/ozkIdCustomTransparentProxy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "net/ozkIdException.h"
#include "net/ozkIdSSLOpenSSL.h"
#include "net/ozkIdTCPClient.h"
#include "support/ozkTestLoopback.h"
#include "support/ozkTestTLS.h"

using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;

namespace {

// A proxy speaking a one-line protocol: "TUNNEL host:port" answered by "OK" or a refusal. In
// silent mode it only records the hops, leaving the connection untouched (for a TLS server
// that stands in for the proxy).
class TTestLineProxy : public TIdCustomTransparentProxy {
 public:
  explicit TTestLineProxy(const std::u16string& AHost = u"", uint16_t APort = 0,
                          bool ASilent = false)
      : FSilent(ASilent) {
    SetHost(AHost);
    SetPort(APort);
    SetEnabled(true);
  }
  std::vector<std::u16string> Hops;

 protected:
  void MakeConnection(TIdIOHandler& AIOHandler, const std::u16string& AHost, uint16_t APort,
                      TIdIPVersion AIPVersion) override {
    Hops.push_back(Format(u"%s:%d/%d", AHost, APort, static_cast<int>(AIPVersion)));
    if (FSilent) return;
    AIOHandler.WriteLn(Format(u"TUNNEL %s:%d", AHost, APort));
    std::u16string reply = AIOHandler.ReadLn();
    if (reply != u"OK") throw EIdException(u"Proxy refused: " + reply);
  }

 private:
  bool FSilent;
};

// Proxy side of one tunnel per line, then an echo of one line.
ozktest::TTestConnectionScript ProxyScript(int ATunnelLines) {
  return [ATunnelLines](TTestPeerConnection& c) {
    for (int i = 0; i < ATunnelLines; ++i) {
      if (!c.ReadUntil("\r\n")) return;
      c.Send("OK\r\n");
    }
    if (c.ReadUntil("\r\n")) c.Send("through\r\n");
    c.ReadUntilClosed();
  };
}

} // namespace

TEST(TIdCustomTransparentProxy, ConnectionGoesToTheProxyAndTheTunnelComesFirst) {
  TTestScriptedServer proxyServer(ProxyScript(1));
  TTestLineProxy proxy(proxyServer.Host(), proxyServer.Port());
  TIdTCPClient client;
  auto* io = new TIdIOHandlerStack(&client);
  io->SetTransparentProxy(&proxy);
  client.SetIOHandler(io);
  std::vector<TIdStatus> status;
  io->OnStatus = [&](TComponent*, TIdStatus AStatus, const std::u16string&) {
    status.push_back(AStatus);
  };
  // The real host is never resolved here: only the proxy is, and it is an address literal.
  client.SetHost(u"target.invalid");
  client.SetPort(4433);
  client.Connect();
  EXPECT_EQ(io->Binding()->PeerPort(), proxyServer.Port());
  EXPECT_EQ(std::count(status.begin(), status.end(), hsResolving), 0);
  io->WriteLn(u"hello");
  EXPECT_EQ(io->ReadLn(), u"through");
  client.Disconnect();
  ASSERT_TRUE(proxyServer.WaitForFinished(1));
  EXPECT_EQ(proxyServer.Received(0), "TUNNEL target.invalid:4433\r\nhello\r\n");
  EXPECT_EQ(proxy.Hops, std::vector<std::u16string>{u"target.invalid:4433/0"});
  EXPECT_EQ(io->Host(), u"target.invalid") << "the handler keeps its own destination";
}

TEST(TIdCustomTransparentProxy, DisabledProxyIsBypassedAndRefusalFailsTheConnect) {
  ozktest::TTestRefusedPort nowhere;
  TTestScriptedServer direct([](TTestPeerConnection& c) {
    if (c.ReadUntil("\r\n")) c.Send("direct\r\n");
    c.ReadUntilClosed();
  });
  TTestLineProxy disabled(u"127.0.0.1", nowhere.Port());
  disabled.SetEnabled(false);
  TIdTCPClient client;
  auto* io = new TIdIOHandlerStack(&client);
  io->SetTransparentProxy(&disabled);
  client.SetIOHandler(io);
  client.Connect(direct.Host(), direct.Port());
  io->WriteLn(u"hello");
  EXPECT_EQ(io->ReadLn(), u"direct");
  client.Disconnect();
  ASSERT_TRUE(direct.WaitForFinished(1));
  EXPECT_EQ(direct.Received(0), "hello\r\n");
  EXPECT_TRUE(disabled.Hops.empty());

  // A proxy that refuses the tunnel fails the connect, which leaves the handler closed.
  TTestScriptedServer refusing([](TTestPeerConnection& c) {
    if (c.ReadUntil("\r\n")) c.Send("DENIED\r\n");
    c.ReadUntilClosed();
  });
  TTestLineProxy proxy(refusing.Host(), refusing.Port());
  io->SetTransparentProxy(&proxy);
  try {
    client.Connect(u"target.invalid", 80);
    ADD_FAILURE() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Proxy refused: DENIED");
  }
  EXPECT_FALSE(client.Connected());
  EXPECT_FALSE(io->BindingAllocated());
}

TEST(TIdCustomTransparentProxy, ChainsTunnelHopByHopThroughEnabledProxies) {
  TTestScriptedServer proxyServer(ProxyScript(2));
  TTestLineProxy first(proxyServer.Host(), proxyServer.Port());
  TTestLineProxy second(u"hop2.invalid", 8080);
  second.SetIPVersion(Id_IPv6);
  TTestLineProxy third(u"hop3.invalid", 3128);
  third.SetEnabled(false); // ends the chain: the second proxy tunnels to the target
  first.SetChainedProxy(&second);
  second.SetChainedProxy(&third);
  EXPECT_EQ(first.LastEnabledProxy(), &second);

  TIdIOHandlerStack io;
  io.SetTransparentProxy(&first);
  io.SetHost(u"target.invalid");
  io.SetPort(443);
  io.Open();
  io.WriteLn(u"payload");
  EXPECT_EQ(io.ReadLn(), u"through");
  io.Close();
  ASSERT_TRUE(proxyServer.WaitForFinished(1));
  EXPECT_EQ(proxyServer.Received(0),
            "TUNNEL hop2.invalid:8080\r\nTUNNEL target.invalid:443\r\npayload\r\n");
  EXPECT_EQ(first.Hops, std::vector<std::u16string>{u"hop2.invalid:8080/1"});
  EXPECT_EQ(second.Hops, std::vector<std::u16string>{u"target.invalid:443/0"});
  EXPECT_TRUE(third.Hops.empty());

  // A chain that leads back to a proxy is refused, and leaves the chain as it was.
  try {
    third.SetChainedProxy(&first);
    ADD_FAILURE() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Circular proxy chain.");
  }
  EXPECT_EQ(third.ChainedProxy(), nullptr);
  EXPECT_THROW(first.SetChainedProxy(&first), EIdException);
}

TEST(TIdCustomTransparentProxy, ProxyOfAnotherAddressFamilyThanTheTarget) {
  // The socket is made for the proxy's family: an IPv4 target through an IPv6 proxy.
  TTestScriptedServer proxyServer(ProxyScript(1), TTestScriptedServer::tfIPv6);
  TTestLineProxy proxy(proxyServer.Host(), proxyServer.Port());
  proxy.SetIPVersion(Id_IPv6);
  TIdIOHandlerStack io;
  io.SetTransparentProxy(&proxy);
  io.SetHost(u"10.0.0.1");
  io.SetPort(25);
  io.Open();
  EXPECT_EQ(io.Binding()->IPVersion(), Id_IPv6);
  io.WriteLn(u"x");
  EXPECT_EQ(io.ReadLn(), u"through");
  io.Close();
  ASSERT_TRUE(proxyServer.WaitForFinished(1));
  EXPECT_EQ(proxyServer.Received(0), "TUNNEL 10.0.0.1:25\r\nx\r\n");
}

TEST(TIdCustomTransparentProxy, DestroyedProxiesAreForgotten) {
  TIdIOHandlerStack io;
  TTestLineProxy head(u"a.invalid", 1);
  {
    TTestLineProxy gone(u"b.invalid", 2);
    io.SetTransparentProxy(&gone);
    head.SetChainedProxy(&gone);
    EXPECT_EQ(io.TransparentProxy(), &gone);
    EXPECT_EQ(head.LastEnabledProxy(), &gone);
  }
  EXPECT_EQ(io.TransparentProxy(), nullptr);
  EXPECT_EQ(head.ChainedProxy(), nullptr);
  EXPECT_EQ(head.LastEnabledProxy(), &head);
  // A handler destroyed first leaves nothing behind in the proxy (no dangling notification).
  auto proxy = std::make_unique<TTestLineProxy>(u"c.invalid", 3);
  {
    TIdIOHandlerStack shortLived;
    shortLived.SetTransparentProxy(proxy.get());
  }
  proxy.reset();
}

// The TLS server stands in for the proxy: the silent proxy negotiates nothing, so the
// handshake that follows reaches the server directly and shows the server name sent.
TEST(TIdCustomTransparentProxy, ServerNameUnderTLS) {
  ozktest::TTestTLSServerOptions options;
  options.Certificate = &ozktest::TTestPKI::Get().OtherHost; // names other.test only
  ozktest::TTestTLSServer server(options, ozktest::EchoBehaviour());
  ozktest::TTestTempDir dir;
  const std::u16string ca = dir.WriteFile("ca.pem", ozktest::TTestPKI::Get().CA.CertPEM());

  TTestLineProxy first(u"localhost", server.Port(), true);
  TTestLineProxy second(u"hop2.invalid", 8080, true);
  auto sniThrough = [&](const std::u16string& AURIToCheck, bool ASecondEnabled) {
    second.SetEnabled(ASecondEnabled);
    first.SetChainedProxy(&second);
    TIdSSLIOHandlerSocketOpenSSL io;
    io.SetPassThrough(false);
    io.SSLOptions().SetMethod(sslvTLSv1_2);
    io.SSLOptions().SetMode(sslmClient);
    // Verification is against the real host, whatever name the handshake carries.
    io.SSLOptions().SetRootCertFile(ca);
    io.SSLOptions().SetVerifyMode({sslvrfPeer});
    io.SSLOptions().SetVerifyDepth(5);
    io.SetReadTimeout(5000);
    io.SetHost(u"other.test");
    io.SetPort(443);
    io.SetURIToCheck(AURIToCheck);
    io.SetTransparentProxy(&first);
    io.Open();
    io.WriteLn(u"ping");
    EXPECT_EQ(io.ReadLn(), u"ping");
    io.Close();
  };
  // Connections end one after the other, so the n-th record belongs to the n-th case.
  auto nameSent = [&](size_t ACount) {
    EXPECT_TRUE(server.WaitForConnections(ACount));
    auto connections = server.Connections();
    if (connections.size() < ACount) return std::string("<none>");
    EXPECT_TRUE(connections[ACount - 1].HandshakeOK) << connections[ACount - 1].HandshakeError;
    return connections[ACount - 1].SNI;
  };
  sniThrough(u"", true);
  EXPECT_EQ(nameSent(1), "hop2.invalid") << "the last enabled proxy of the chain";
  sniThrough(u"", false);
  EXPECT_EQ(nameSent(2), "localhost") << "the first proxy, its chained one disabled";
  sniThrough(u"https://other.test:8443/v1/x", true);
  EXPECT_EQ(nameSent(3), "other.test") << "the host of URIToCheck";
  EXPECT_EQ(first.Hops.size(), 3u);
}
