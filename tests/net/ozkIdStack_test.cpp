#include "net/ozkIdStack.h"

#include <gtest/gtest.h>

#include "support/ozkTestLoopback.h"
#include "support/ozkTestUtil.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <vector>

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "net/ozkIdBuffer.h"
#include "net/ozkIdException.h"
#include "net/ozkIdSocketHandle.h"

namespace {

// A stack that answers every look-up itself and remembers the names it was asked for.
class TRecordingStack : public TIdStackUnix {
 public:
  std::vector<std::u16string> Lookups;

 protected:
  std::u16string LookupHostAddress(const std::u16string& AHost, TIdIPVersion AVersion) override {
    Lookups.push_back(AHost);
    return AVersion == Id_IPv4 ? u"192.0.2.7" : u"2001:DB8:0:0:0:0:0:7";
  }
};

// A stack whose peer-address query waits until the peer's reset has reached the socket, so
// the query meets the state a fast reset leaves behind. The error the real query raised is kept
// in GPeerNameError (0: it succeeded).
int GPeerNameError = -1;

class TResetBeforePeerNameStack : public TIdStackUnix {
 public:
  void GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                   TIdIPVersion& VIPVersion) override {
    pollfd p{ASocket, POLLIN, 0};
    (void)::poll(&p, 1, 5000); // a reset shows as POLLERR/POLLHUP; bounded in case none comes
    try {
      TIdStackUnix::GetPeerName(ASocket, VIP, VPort, VIPVersion);
      GPeerNameError = 0;
    } catch (const EIdSocketError& e) {
      GPeerNameError = e.LastError();
      throw;
    }
  }
};

} // namespace

TEST(TIdStack, ErrorMessageTable) {
  const std::vector<std::pair<int, const char16_t*>> table = {
      {10004, u"Interrupted system call."},
      {10009, u"Bad file number."},
      {10013, u"Access denied."},
      {10014, u"Buffer fault."},
      {10022, u"Invalid argument."},
      {10024, u"Too many open files."},
      {10035, u"Operation would block."},
      {10036, u"Operation now in progress."},
      {10037, u"Operation already in progress."},
      {10038, u"Socket operation on non-socket."},
      {10039, u"Destination address required."},
      {10040, u"Message too long."},
      {10041, u"Protocol wrong type for socket."},
      {10042, u"Bad protocol option."},
      {10043, u"Protocol not supported."},
      {10044, u"Socket type not supported."},
      {10045, u"Operation not supported on socket."},
      {10046, u"Protocol family not supported."},
      {10047, u"Address family not supported by protocol family."},
      {10048, u"Address already in use."},
      {10049, u"Cannot assign requested address."},
      {10050, u"Network is down."},
      {10051, u"Network is unreachable."},
      {10052, u"Net dropped connection or reset."},
      {10053, u"Software caused connection abort."},
      {10054, u"Connection reset by peer."},
      {10055, u"No buffer space available."},
      {10056, u"Socket is already connected."},
      {10057, u"Socket is not connected."},
      {10058, u"Cannot send or receive after socket is closed."},
      {10059, u"Too many references, cannot splice."},
      {10060, u"Connection timed out."},
      {10061, u"Connection refused."},
      {10062, u"Too many levels of symbolic links."},
      {10063, u"File name too long."},
      {10064, u"Host is down."},
      {10065, u"No route to host."},
      {10066, u"Directory not empty"},
      {11001, u"Host not found."},
  };
  TIdBuffer user; // keeps the stack alive
  ASSERT_NE(GStack, nullptr);
  for (const auto& [number, text] : table) {
    EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(number),
              u"Socket Error # " + Format(u"%d", number) + u"\r\n" + text);
  }
  EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(11002), u"Socket Error # 11002\r\n");
  EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(12345), u"Socket Error # 12345\r\n");
}

TEST(TIdStack, RaisingAndCheckingErrors) {
  TIdBuffer user;
  try {
    GStack->RaiseSocketError(10061);
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(), u"Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(dynamic_cast<const EIdNotASocket*>(&e), nullptr);
  }
  try {
    GStack->RaiseSocketError(10038);
    FAIL() << "no exception";
  } catch (const EIdNotASocket& e) {
    EXPECT_EQ(e.LastError(), 10038);
  }
  EXPECT_EQ(GStack->CheckForSocketError(5), 5);
  errno = ECONNRESET;
  EXPECT_EQ(GStack->CheckForSocketError(-1, {10054, 10053}), 10054);
  errno = ECONNREFUSED;
  EXPECT_THROW(GStack->CheckForSocketError(-1, {10054}), EIdSocketError);
  errno = EPIPE;
  EXPECT_EQ(GStack->WSGetLastError(), 10058);
}

TEST(TIdStack, NativeErrorsMapOntoTheFixedNumbering) {
  const std::vector<std::pair<int, int>> errnos = {
      {ECONNREFUSED, 10061},  {ECONNRESET, 10054},  {EPIPE, 10058},        {ESHUTDOWN, 10058},
      {ECONNABORTED, 10053},  {ETIMEDOUT, 10060},   {EAGAIN, 10060},       {EINTR, 10004},
      {EBADF, 10009},         {EACCES, 10013},      {EINVAL, 10022},       {EMFILE, 10024},
      {EINPROGRESS, 10036},   {ENOTSOCK, 10038},    {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},
      {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051}, {ENOTCONN, 10057},     {EHOSTUNREACH, 10065},
  };
  for (const auto& [native, number] : errnos) EXPECT_EQ(IdTranslateErrno(native), number) << native;
  const std::vector<std::pair<int, int>> resolver = {
      {EAI_NONAME, 11001}, {EAI_AGAIN, 11002},    {EAI_FAIL, 11003},
      {EAI_NODATA, 11004}, {EAI_BADFLAGS, 10022}, {EAI_FAMILY, 10047},
      {EAI_MEMORY, 8},     {EAI_SERVICE, 10109},  {EAI_SOCKTYPE, 10044},
  };
  for (const auto& [native, number] : resolver)
    EXPECT_EQ(IdTranslateResolverError(native, 0), number) << native;
  EXPECT_EQ(IdTranslateResolverError(EAI_SYSTEM, ECONNREFUSED), 10061);
  EXPECT_EQ(IdTranslateResolverError(-12345, 0), -12345); // anything else unchanged
}

TEST(TIdStack, AddressTexts) {
  EXPECT_TRUE(IdIsIPv4(u"10.0.0.1"));
  EXPECT_TRUE(IdIsIPv4(u"255.255.255.255"));
  EXPECT_TRUE(IdIsIPv4(u"010.0.0.1")); // decimal values
  for (const char16_t* bad : {u"10.0.0.256", u"10.0.0", u"10.0.0.1.", u"10.0..1", u"a.b.c.d", u"",
                              u"1.2.3.4 ", u"-1.2.3.4", u"1.2.3.4.5"})
    EXPECT_FALSE(IdIsIPv4(bad)) << UTF16ToUTF8(bad);

  EXPECT_EQ(NormalizeIPv6Literal(u"::1"), u"0:0:0:0:0:0:0:1");
  EXPECT_EQ(NormalizeIPv6Literal(u"::"), u"0:0:0:0:0:0:0:0");
  EXPECT_EQ(NormalizeIPv6Literal(u"fe80::0a:00ff"), u"FE80:0:0:0:0:0:A:FF");
  EXPECT_EQ(NormalizeIPv6Literal(u"1:2:3:4:5:6:7:8"), u"1:2:3:4:5:6:7:8");
  EXPECT_EQ(NormalizeIPv6Literal(u"1::"), u"1:0:0:0:0:0:0:0");
  EXPECT_EQ(NormalizeIPv6Literal(u"::ffff:192.0.2.1"), u"0:0:0:0:0:FFFF:C000:201");
  EXPECT_EQ(NormalizeIPv6Literal(u"::192.0.2.1"), u"0:0:0:0:0:0:C000:201");
  for (const char16_t* bad :
       {u"", u"1:2", u"1::2::3", u"12345::", u"1:2:3:4:5:6:7:8:9", u":::", u"g::1", u"1.2.3.4",
        u"1:2:3:4:5:6:7::8", u"::1%1", u"1:2:3:4:5:6:7:1.2.3.4", u"localhost"})
    EXPECT_EQ(NormalizeIPv6Literal(bad), u"") << UTF16ToUTF8(bad);

  EXPECT_EQ(IdHostNameToASCII(u"example.org"), "example.org");
  EXPECT_EQ(IdHostNameToASCII(u"b\u00FCcher.example"), "xn--bcher-kva.example");
  EXPECT_EQ(IdHostNameToASCII(u"M\u00FCnchen.de"), "xn--mnchen-3ya.de");
  EXPECT_EQ(IdHostNameToASCII(u"\u4F8B\u3002test"), "xn--fsq.test");
}

TEST(TIdStack, ResolveHostAsksTheResolverOnlyForNames) {
  ASSERT_EQ(TIdStack::UsageCount(), 0) << "another component is still alive";
  TRecordingStack stack;
  EXPECT_EQ(stack.ResolveHost(u"LocalHost"), u"127.0.0.1");
  EXPECT_EQ(stack.ResolveHost(u"10.0.0.1"), u"10.0.0.1");
  EXPECT_EQ(stack.ResolveHost(u"10.0.0.256"), u"192.0.2.7");
  EXPECT_EQ(stack.ResolveHost(u"10.0.0"), u"192.0.2.7");
  EXPECT_EQ(stack.ResolveHost(u"LOCALHOST", Id_IPv6), u"::1");
  EXPECT_EQ(stack.ResolveHost(u"::1", Id_IPv6), u"0:0:0:0:0:0:0:1");
  EXPECT_EQ(stack.ResolveHost(u"host.example", Id_IPv6), u"2001:DB8:0:0:0:0:0:7");
  EXPECT_EQ(stack.Lookups,
            (std::vector<std::u16string>{u"10.0.0.256", u"10.0.0", u"host.example"}));
}

TEST(TIdStack, RealLookups) {
  TIdBuffer user;
  // Numeric forms the resolver reads without asking a name server.
  EXPECT_EQ(GStack->ResolveHost(u"127.1"), u"127.0.0.1");
  EXPECT_EQ(GStack->ResolveHost(u"::1%1", Id_IPv6), u"0:0:0:0:0:0:0:1");
  // Names under the reserved "invalid" domain fail at once, without a name server.
  try {
    GStack->ResolveHost(u"no-such-host.invalid");
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), u"Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_THROW(GStack->ResolveHost(u"INVALID.", Id_IPv6), EIdSocketError);
}

TEST(TIdStack, LifetimeFollowsItsUsers) {
  ASSERT_EQ(TIdStack::UsageCount(), 0) << "another component is still alive";
  EXPECT_EQ(GStack, nullptr);
  {
    TIdBuffer first;
    TIdStack* created = GStack;
    ASSERT_NE(created, nullptr);
    {
      TIdBuffer second;
      EXPECT_EQ(TIdStack::UsageCount(), 2);
      EXPECT_EQ(GStack, created); // one stack for every user
    }
    EXPECT_EQ(MessageOf<EIdStackError>([] { TIdStackUnix another; }), u"Stack already created.");
  }
  EXPECT_EQ(GStack, nullptr); // the last user destroyed it

  const TIdStackClass saved = TIdStack::StackClass();
  TIdStack::SetStackClass(nullptr);
  EXPECT_EQ(MessageOf<EIdStackError>([] { TIdBuffer user; }), u"Stack Class is undefined.");
  TIdStack::SetStackClass(saved);
  EXPECT_EQ(TIdStack::UsageCount(), 0);
}

TEST(TIdSocketHandle, ReadableNeedsASocketAndIPVersionIsFixedWhileAllocated) {
  TIdSocketHandle handle;
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { handle.Readable(0); }),
            u"Connection Closed Gracefully.");
  handle.SetIPVersion(Id_IPv6);
  handle.AllocateSocket();
  EXPECT_TRUE(handle.HandleAllocated());
  EXPECT_TRUE(handle.UseNagle()); // read back from the new socket
  EXPECT_EQ(MessageOf<EIdCannotSetIPVersionWhenConnected>([&] { handle.SetIPVersion(Id_IPv4); }),
            u"Cannot change IPVersion when connected");
  handle.SetUseNagle(false);
  int noDelay = 0;
  handle.GetSockOpt(6 /* IPPROTO_TCP */, 1 /* TCP_NODELAY */, noDelay);
  EXPECT_NE(noDelay, 0);
  handle.CloseSocket();
  EXPECT_FALSE(handle.HandleAllocated());
  handle.SetIPVersion(Id_IPv4);
  EXPECT_EQ(handle.IPVersion(), Id_IPv4);
}

TEST(TIdSocketHandle, CorkingAppliesToAllocatedStreamSocketsOnly) {
  TIdSocketHandle handle;
  handle.SetCorked(true); // nothing allocated: nothing to cork, no error
  EXPECT_FALSE(handle.Corked());
  handle.AllocateSocket();
  EXPECT_FALSE(handle.Corked()); // a new socket is not corked
  handle.SetCorked(true);
  int cork = 0;
  handle.GetSockOpt(6 /* IPPROTO_TCP */, 3 /* TCP_CORK */, cork);
  EXPECT_NE(cork, 0);
  EXPECT_TRUE(handle.Corked());
  handle.SetCorked(false);
  EXPECT_FALSE(handle.Corked());
  EXPECT_TRUE(handle.UseNagle()); // corking leaves Nagle's setting alone
  handle.CloseSocket();
  EXPECT_FALSE(handle.Corked());

  TIdSocketHandle datagram;
  datagram.AllocateSocket(2 /* SOCK_DGRAM */);
  datagram.SetCorked(true); // a datagram socket has no TCP option to set
  EXPECT_FALSE(datagram.Corked());
}

// A peer that reset the connection before the handle read back its peer address made Connect
// raise 10057 "Socket is not connected." instead of letting the read report the reset.
TEST(TIdSocketHandle, ResetBeforePeerAddressIsReadIsReportedByTheNextRead) {
  ASSERT_EQ(TIdStack::UsageCount(), 0) << "another component is still alive";
  ozktest::TTestScriptedServer server([](ozktest::TTestPeerConnection& c) { c.Reset(); });
  const TIdStackClass saved = TIdStack::StackClass();
  TIdStack::SetStackClass(
      []() -> std::unique_ptr<TIdStack> { return std::make_unique<TResetBeforePeerNameStack>(); });
  GPeerNameError = -1;
  {
    TIdSocketHandle handle;
    handle.AllocateSocket();
    handle.SetPeer(u"127.0.0.1", server.Port());
    EXPECT_NO_THROW(handle.Connect());
    EXPECT_EQ(GPeerNameError, 10057); // the query did meet the reset socket
    EXPECT_EQ(handle.PeerIP(), u"127.0.0.1");
    EXPECT_EQ(handle.PeerPort(), server.Port());
    uint8_t byte = 0;
    int error = 0;
    try {
      handle.Receive(&byte, 1);
    } catch (const EIdSocketError& e) {
      error = e.LastError();
    }
    EXPECT_EQ(error, 10054);
  }
  TIdStack::SetStackClass(saved);
}
