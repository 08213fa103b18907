#include "net/ozkIdTCPClient.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>

#include "support/ozkTestUtil.h"

#include <string>
#include <vector>

#include "base/ozkFormat.h"
#include "base/ozkStream.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandlerSocket.h"
#include "net/ozkIdIntercept.h"
#include "support/ozkTestLoopback.h"

using ozktest::TTestPeerConnection;
using ozktest::TTestScriptedServer;

namespace {

std::vector<std::u16string>* RecordStatus(TIdTCPClient& AClient) {
  auto* log = new std::vector<std::u16string>();
  AClient.OnStatus = [log](TComponent*, TIdStatus, const std::u16string& AText) {
    log->push_back(AText);
  };
  return log;
}

} // namespace

TEST(TIdTCPClient, ConnectExchangeAndDisconnect) {
  TTestScriptedServer server([](TTestPeerConnection& c) {
    c.ReadUntil("\r\n");
    c.Send("first line\r\nsecond\n");
    c.ReadUntil("BYE");
    c.ReadUntilClosed(); // the client closes first
  });
  TIdTCPClient client;
  std::unique_ptr<std::vector<std::u16string>> status(RecordStatus(client));
  int connected = 0, disconnected = 0;
  client.OnConnected = [&](TComponent* s) { connected += s == &client; };
  client.OnDisconnected = [&](TComponent* s) { disconnected += s == &client; };
  client.SetHost(server.Host());
  client.SetPort(server.Port());
  client.Connect();
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(connected, 1);
  ASSERT_NE(client.Socket(), nullptr);
  EXPECT_TRUE(client.ManagedIOHandler());
  EXPECT_EQ(client.Socket()->Binding()->PeerIP(), u"127.0.0.1");
  EXPECT_EQ(client.Socket()->Binding()->PeerPort(), server.Port());
  EXPECT_EQ(client.Socket()->Binding()->IP(), u"127.0.0.1");

  client.IOHandler()->WriteLn(u"HELLO");
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"first line");
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"second");
  client.IOHandler()->Write(u"BYE");
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(disconnected, 1);
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_EQ(server.Received(0), "HELLO\r\nBYE");
  EXPECT_EQ(*status, (std::vector<std::u16string>{u"Connecting to 127.0.0.1.", u"Connected.",
                                                  u"Disconnecting.", u"Disconnected."}));
  // A second disconnect of a closed handler reports nothing.
  client.Disconnect();
  EXPECT_EQ(status->size(), 4u);
  EXPECT_EQ(disconnected, 1);

  // The same client connects again.
  TTestScriptedServer again(TTestScriptedServer::SendAndClose("again\n"));
  client.Connect(again.Host(), again.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"again");
}

TEST(TIdTCPClient, ConnectPreconditionsAndFailures) {
  TIdTCPClient client;
  EXPECT_EQ(MessageOf<EIdHostRequired>([&] { client.Connect(); }), u"A Host is required");
  EXPECT_EQ(client.IOHandler(), nullptr); // refused before any handler or socket exists
  client.SetHost(u"127.0.0.1");
  EXPECT_EQ(MessageOf<EIdPortRequired>([&] { client.Connect(); }), u"A Port is required");
  EXPECT_EQ(client.IOHandler(), nullptr);

  ozktest::TTestRefusedPort refused;
  client.SetPort(refused.Port());
  try {
    client.Connect();
    FAIL() << "connected to a refusing port";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(), u"Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_EQ(client.IOHandler(), nullptr); // the managed handler was freed
  EXPECT_FALSE(client.Connected());

  client.SetHost(u"nowhere.invalid");
  try {
    client.Connect();
    FAIL() << "resolved a reserved name";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), u"Socket Error # 11001\r\nHost not found.");
  }

  TTestScriptedServer server([](TTestPeerConnection& c) { c.ReadUntilClosed(); });
  client.Connect(server.Host(), server.Port());
  EXPECT_EQ(MessageOf<EIdAlreadyConnected>([&] { client.Connect(); }), u"Already connected.");
  EXPECT_EQ(MessageOf<EIdException>([&] { client.CreateIOHandler(); }),
            u"Cannot change a connected IOHandler.");
  EXPECT_TRUE(client.Connected()); // the refused attempts changed nothing
}

TEST(TIdTCPClient, LocalhostAndIPv6) {
  TTestScriptedServer server(TTestScriptedServer::SendAndClose("v4\n"));
  TIdTCPClient client;
  std::unique_ptr<std::vector<std::u16string>> status(RecordStatus(client));
  client.Connect(u"LocalHost", server.Port()); // no resolver: 127.0.0.1
  EXPECT_EQ(client.Socket()->Binding()->PeerIP(), u"127.0.0.1");
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"v4");
  EXPECT_EQ(status->at(0), u"Resolving hostname LocalHost.");
  EXPECT_EQ(status->at(1), u"Connecting to 127.0.0.1.");
  client.Disconnect();

  TTestScriptedServer server6(TTestScriptedServer::SendAndClose("v6\n"),
                              TTestScriptedServer::tfIPv6);
  client.SetIPVersion(Id_IPv6);
  client.Connect(u"::1", server6.Port());
  EXPECT_EQ(client.Socket()->Binding()->IPVersion(), Id_IPv6);
  EXPECT_EQ(client.Socket()->Binding()->PeerIP(), u"0:0:0:0:0:0:0:1");
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"v6");
  client.Disconnect();

  TTestScriptedServer other6(TTestScriptedServer::SendAndClose("named\n"),
                             TTestScriptedServer::tfIPv6);
  client.Connect(u"LOCALHOST", other6.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"named");
}

TEST(TIdTCPClient, PeerClosesAfterSending) {
  TTestScriptedServer server([](TTestPeerConnection& c) {
    c.Send("abc\nxyz");
    c.HalfClose();
    c.ReadUntilClosed();
  });
  TIdTCPClient client;
  std::unique_ptr<std::vector<std::u16string>> status(RecordStatus(client));
  client.Connect(server.Host(), server.Port());
  TIdIOHandler* io = client.IOHandler();
  EXPECT_EQ(io->ReadLn(), u"abc");
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { io->ReadLn(); }),
            u"Connection Closed Gracefully.");
  // The socket is closed, but the partial line keeps the connection readable.
  EXPECT_FALSE(client.Socket()->BindingAllocated());
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(io->ReadString(3), u"xyz");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(status->back(), u"Disconnected.");
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { io->ReadByte(); }),
            u"Connection Closed Gracefully.");
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { io->Write(u"late"); }),
            u"Connection Closed Gracefully.");
}

TEST(TIdTCPClient, ResetAfterBufferedBytes) {
  TTestScriptedServer server([](TTestPeerConnection& c) {
    c.Send("line\npartial");
    c.ReadUntil("go");
    c.Reset();
  });
  TIdTCPClient client;
  client.Connect(server.Host(), server.Port());
  TIdIOHandler* io = client.IOHandler();
  EXPECT_EQ(io->ReadLn(), u"line");
  io->Write(u"go");
  ASSERT_TRUE(server.WaitForFinished(1));
  // The reset surfaces only once the buffered bytes are used up.
  try {
    io->ReadLn();
    FAIL() << "read past a reset";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(), u"Socket Error # 10054\r\nConnection reset by peer.");
  }
  EXPECT_EQ(io->InputBufferAsString(), u"partial");
  EXPECT_FALSE(client.Connected()); // answers, does not raise
}

TEST(TIdTCPClient, SilentPeerTimesOut) {
  TTestScriptedServer server(TTestScriptedServer::SendAndStall("no line end", 10000));
  TIdTCPClient client;
  client.SetReadTimeout(200);
  client.Connect(server.Host(), server.Port());
  TIdIOHandler* io = client.IOHandler();
  EXPECT_EQ(io->ReadTimeout(), 200);
  EXPECT_EQ(io->ReadLn(), u"");
  EXPECT_TRUE(io->ReadLnTimedOut());
  TIdBytes bytes;
  EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { io->ReadBytes(bytes, 100); }), u"Read timed out.");
  EXPECT_EQ(io->InputBufferAsString(), u"no line end"); // nothing lost
  EXPECT_TRUE(client.Connected());
  server.Stop();
}

TEST(TIdTCPClient, ReadTimeoutZeroAndMinusOneWaitWithoutLimit) {
  for (const int timeout : {0, -1}) {
    SCOPED_TRACE(timeout);
    TTestScriptedServer server([](TTestPeerConnection& c) {
      c.Stall(300);
      c.Send("late\n");
    });
    TIdTCPClient client;
    client.SetReadTimeout(timeout);
    client.Connect(server.Host(), server.Port());
    EXPECT_EQ(client.IOHandler()->ReadLn(), u"late");
    EXPECT_FALSE(client.IOHandler()->ReadLnTimedOut());
  }
}

TEST(TIdTCPClient, EndlessLineHitsTheLimit) {
  TTestScriptedServer server([](TTestPeerConnection& c) {
    c.Send(std::string(200000, 'x'));
    c.Stall(10000);
  });
  TIdTCPClient client;
  client.SetReadTimeout(5000);
  client.Connect(server.Host(), server.Port());
  EXPECT_EQ(MessageOf<EIdReadLnMaxLineLengthExceeded>([&] { client.IOHandler()->ReadLn(); }),
            u"Max line length exceeded.");
  EXPECT_LE(client.IOHandler()->InputBuffer().Size(), 16384 + 32768);
  server.Stop();
}

TEST(TIdTCPClient, DripFedLinesAndStreams) {
  std::string payload(300000, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = char(i * 7 % 256);
  TTestScriptedServer server([&payload](TTestPeerConnection& c) {
    c.Drip("slow line\r\n", 1, 2);
    c.Send(std::string("\x00\x04\x93\xE0", 4)); // 300000
    c.Send(payload);
    c.Send("until close");
  });
  TIdTCPClient client;
  int64_t begin = -1, last = 0;
  client.OnWorkBegin = [&](TComponent*, TWorkMode m, int64_t v) {
    if (m == wmRead) begin = v;
  };
  client.OnWork = [&](TComponent*, TWorkMode m, int64_t v) {
    if (m == wmRead) last = v;
  };
  client.Connect(server.Host(), server.Port());
  TIdIOHandler* io = client.IOHandler();
  EXPECT_EQ(io->ReadLn(), u"slow line");
  TMemoryStream stream;
  io->ReadStream(&stream);
  EXPECT_EQ(stream.Size(), 300000);
  EXPECT_TRUE(std::string(stream.Bytes().begin(), stream.Bytes().end()) == payload);
  EXPECT_EQ(begin, 300000); // the handler's progress reaches the client's events
  EXPECT_EQ(last, 300000);
  TMemoryStream rest;
  io->ReadStream(&rest, -1, true);
  EXPECT_EQ(std::string(rest.Bytes().begin(), rest.Bytes().end()), "until close");
}

TEST(TIdTCPClient, ConnectTimeout) {
  // With a time-out against a responsive server the connect thread simply succeeds.
  TTestScriptedServer server(TTestScriptedServer::SendAndClose("threaded\n"));
  TIdTCPClient client;
  client.SetConnectTimeout(5000);
  client.Connect(server.Host(), server.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"threaded");
  client.Disconnect();

  ozktest::TTestSilentListener silent;
  if (!silent.Ready()) GTEST_SKIP() << "cannot make a listener that ignores connects here";
  client.SetConnectTimeout(300);
  client.SetPort(silent.Port());
  EXPECT_EQ(MessageOf<EIdConnectTimeout>([&] { client.Connect(); }), u"Connect timed out.");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.IOHandler(), nullptr);
}

TEST(TIdTCPClient, Binding) {
  TIdTCPClient client;
  client.SetHost(u"127.0.0.1");
  client.SetPort(1);
  client.SetBoundPortMin(5000);
  client.SetBoundPortMax(4000);
  EXPECT_EQ(MessageOf<EIdInvalidPortRange>([&] { client.Connect(); }),
            u"Invalid Port Range (5000 - 4000)");

  ozktest::TTestRefusedPort taken; // bound without address reuse
  client.SetBoundPortMin(taken.Port());
  client.SetBoundPortMax(taken.Port());
  EXPECT_EQ(MessageOf<EIdCanNotBindPortInRange>([&] { client.Connect(); }),
            u"Can not bind in port range (" + Format(u"%d - %d", taken.Port(), taken.Port()) +
                u")");

  client.SetBoundPortMin(0);
  client.SetBoundPortMax(0);
  client.SetBoundIP(u"192.0.2.1"); // not an address of this machine
  EXPECT_EQ(MessageOf<EIdCouldNotBindSocket>([&] { client.Connect(); }), u"Could not bind socket.");

  TTestScriptedServer server([](TTestPeerConnection& c) { c.ReadUntilClosed(); });
  client.SetBoundIP(u"127.0.0.1");
  client.SetUseNagle(false);
  client.SetLingerState(0);
  client.SetPort(server.Port());
  int allocated = 0, before = 0, after = 0;
  client.OnSocketAllocated = [&](TComponent*) { ++allocated; };
  client.OnBeforeBind = [&](TComponent*) { before = allocated + 1; };
  client.OnAfterBind = [&](TComponent*) { after = allocated + 1; };
  client.Connect();
  EXPECT_EQ(before, 1); // before bind, before the socket exists
  EXPECT_EQ(after, 2);
  EXPECT_EQ(client.Socket()->Binding()->IP(), u"127.0.0.1");
  int noDelay = 0;
  client.Socket()->Binding()->GetSockOpt(6 /* IPPROTO_TCP */, 1 /* TCP_NODELAY */, noDelay);
  EXPECT_NE(noDelay, 0);
  EXPECT_FALSE(client.UseNagle());
  client.Disconnect();
}

TEST(TIdTCPClient, HandlerOwnershipAndIntercept) {
  TIdTCPClient client;
  EXPECT_EQ(MessageOf<EIdException>([&] { client.CheckForGracefulDisconnect(); }),
            u"Not Connected");
  client.CheckForGracefulDisconnect(false);

  TIdConnectionIntercept log;
  std::string received, sent;
  log.OnReceive = [&](TIdConnectionIntercept*, TIdBytes& b) {
    received.append(b.begin(), b.end());
  };
  log.OnSend = [&](TIdConnectionIntercept*, TIdBytes& b) { sent.append(b.begin(), b.end()); };
  TComponent* connectedWith = nullptr;
  log.OnConnect = [&](TIdConnectionIntercept* i) { connectedWith = i->Connection(); };
  client.SetIntercept(&log);

  // A handler that brings its own, different interceptor is refused.
  TIdIOHandlerStack foreign;
  TIdConnectionIntercept other;
  foreign.SetIntercept(&other);
  EXPECT_EQ(MessageOf<EIdException>([&] { client.SetIOHandler(&foreign); }),
            u"The IOHandler already has a different Intercept assigned");

  TIdIOHandlerStack mine;
  client.SetIOHandler(&mine);
  EXPECT_FALSE(client.ManagedIOHandler());
  EXPECT_EQ(mine.Intercept(), &log);
  EXPECT_EQ(mine.WorkTarget(), &client);

  TTestScriptedServer server([](TTestPeerConnection& c) {
    c.ReadUntil("ping\r\n");
    c.Send("pong\r\n");
  });
  client.Connect(server.Host(), server.Port());
  EXPECT_EQ(connectedWith, &client);
  mine.WriteLn(u"ping");
  EXPECT_EQ(mine.ReadLn(), u"pong");
  client.Disconnect();
  EXPECT_EQ(sent, "ping\r\n");
  EXPECT_EQ(received, "pong\r\n");

  client.SetIOHandler(nullptr);
  EXPECT_EQ(mine.WorkTarget(), nullptr);
  TIdIOHandler* created = client.CreateIOHandler();
  EXPECT_TRUE(client.ManagedIOHandler());
  EXPECT_EQ(created->Intercept(), &log);
  {
    // A handler destroyed elsewhere is forgotten by the connection.
    auto temporary = std::make_unique<TIdIOHandlerStack>();
    client.SetIOHandler(temporary.get());
  }
  EXPECT_EQ(client.IOHandler(), nullptr);
}

TEST(TIdTCPClient, ConnectAndGetAllAndDestination) {
  TTestScriptedServer server(TTestScriptedServer::SendAndClose("all of it\r\nand more"));
  TIdTCPClient client;
  client.SetHost(server.Host());
  client.SetPort(server.Port());
  EXPECT_EQ(client.ConnectAndGetAll(), u"all of it\r\nand more");
  EXPECT_FALSE(client.Connected());

  TIdIOHandlerStack handler;
  handler.SetDefaultPort(80);
  handler.SetDestination(u"example.org: 8080 ");
  EXPECT_EQ(handler.Host(), u"example.org");
  EXPECT_EQ(handler.Port(), 8080);
  EXPECT_EQ(handler.Destination(), u"example.org:8080");
  handler.SetDestination(u"other:http");
  EXPECT_EQ(handler.Port(), 80);
  EXPECT_EQ(handler.Destination(), u"other");
  handler.SetDestination(u"no colon");
  EXPECT_EQ(handler.Host(), u"other");
}

TEST(TIdTCPClient, DisconnectSwallowsPeerNotificationErrors) {
  struct TNotifying : TIdTCPClient {
    void DisconnectNotifyPeer() override {
      ++Notified;
      throw EIdException(u"peer gone");
    }
    int Notified = 0;
  } client;
  TTestScriptedServer server([](TTestPeerConnection& c) { c.ReadUntilClosed(); });
  client.Connect(server.Host(), server.Port());
  client.Disconnect();
  EXPECT_EQ(client.Notified, 1);
  EXPECT_FALSE(client.Connected());
}

// A read time-out of 0 meant a plain blocking receive without any limit: a stuck server froze
// the caller forever (TLS already had the socket's own time-outs). Now a plain connection
// without a read time-out gets them too; one with a read time-out leaves the waiting to the
// handler.
TEST(TIdTCPClient, PlainSocketWithoutReadTimeoutStillGivesUp) {
  TTestScriptedServer server([](TTestPeerConnection& c) { c.ReadUntilClosed(); });
  auto socketTimeouts = [](TIdTCPClient& AClient) {
    timeval receive{}, send{};
    socklen_t size = sizeof(receive);
    const int handle = AClient.Socket()->Binding()->Handle();
    EXPECT_EQ(getsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &receive, &size), 0);
    size = sizeof(send);
    EXPECT_EQ(getsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, &send, &size), 0);
    return std::make_pair(receive.tv_sec * 1000 + receive.tv_usec / 1000,
                          send.tv_sec * 1000 + send.tv_usec / 1000);
  };
  for (const int readTimeout : {0, -1}) {
    TIdTCPClient client;
    client.SetReadTimeout(readTimeout);
    client.Connect(server.Host(), server.Port());
    const auto [receive, send] = socketTimeouts(client);
    EXPECT_EQ(receive, TIdIOHandlerStack::SocketTimeoutWithoutReadTimeout) << readTimeout;
    EXPECT_EQ(send, TIdIOHandlerStack::SocketTimeoutWithoutReadTimeout) << readTimeout;
    client.Disconnect();
  }
  TIdTCPClient limited;
  limited.SetReadTimeout(500);
  limited.Connect(server.Host(), server.Port());
  EXPECT_EQ(socketTimeouts(limited), std::make_pair(0L, 0L));
  limited.Disconnect();
}
