#include "net/ozkIdSSLOpenSSL.h"

#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <atomic>
#include <cerrno>
#include <regex>
#include <set>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>

#include "base/ozkStream.h"
#include "base/ozkText.h"
#include "net/ozkIdSSLOpenSSLInternal.h" // the error helpers under test
#include "net/ozkIdTCPClient.h"
#include "net/ozkSocket_Classes.h"
#include "support/ozkTestTLS.h"

using namespace ozktest;

namespace {

// Test files shared by the whole suite: the test CA and client credentials.
struct TFiles {
  TTestTempDir Dir;
  std::u16string CA, ClientChain, ClientKey, ClientKeyEncrypted, ClientP12, ClientP12Legacy;
  TFiles() {
    const auto& pki = TTestPKI::Get();
    CA = Dir.WriteFile("ca.pem", pki.CA.CertPEM());
    ClientChain = Dir.WriteFile("client.pem", pki.Client.ChainPEM());
    ClientKey = Dir.WriteFile("client.key", pki.Client.KeyPEM());
    ClientKeyEncrypted = Dir.WriteFile("client-enc.key", pki.Client.KeyPEM("k3y-pass"));
    ClientP12 = Dir.WriteFile("client.P12", pki.Client.PKCS12("p12-pass"));
    ClientP12Legacy = Dir.WriteFile("legacy.PFX", pki.Client.PKCS12("old-pass", true));
  }
  static const TFiles& Get() {
    static const TFiles files;
    return files;
  }
};

// A client handler set up the way the request executor sets one up.
std::unique_ptr<TIdSSLIOHandlerSocketOpenSSL> NewClient(uint16_t APort,
                                                        const std::u16string& AHost = u"localhost",
                                                        TIdSSLVersion AMethod = sslvTLSv1_2) {
  auto io = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
  io->SetPassThrough(false);
  io->SSLOptions().SetMethod(AMethod);
  io->SSLOptions().SetMode(sslmClient);
  io->SetHost(AHost);
  io->SetPort(APort);
  io->SetReadTimeout(5000);
  return io;
}

void Verifying(TIdSSLIOHandlerSocketOpenSSL& io, int ADepth = 10) {
  io.SSLOptions().SetRootCertFile(TFiles::Get().CA);
  io.SSLOptions().SetVerifyMode({sslvrfPeer});
  io.SSLOptions().SetVerifyDepth(ADepth);
}

// Message of the exception raised by AConnect, with its kind checked.
template <typename E, typename F> std::u16string MessageOf(F&& AConnect) {
  try {
    AConnect();
  } catch (const E& e) {
    return e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception kind: " << typeid(e).name() << ": " << e.what();
    return u"";
  }
  ADD_FAILURE() << "no exception";
  return u"";
}

int SocketTimeoutMs(TIdSSLIOHandlerSocketOpenSSL& io, int AOption) {
  timeval tv{};
  socklen_t len = sizeof(tv);
  getsockopt(io.Binding()->Handle(), SOL_SOCKET, AOption, &tv, &len);
  return static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
}

// Exposes the transport error operations.
class TProbeHandler : public TIdSSLIOHandlerSocketOpenSSL {
 public:
  using TIdSSLIOHandlerSocketOpenSSL::RaiseTransportError;
  using TIdSSLIOHandlerSocketOpenSSL::TranslateTransportError;
};

// Restores the process-wide API level after a test changed it.
struct TAPILevelGuard {
  TIdSSLAPIVersion Saved = IdOpenSSLAPIVersion();
  ~TAPILevelGuard() { IdOpenSSLSetAPIVersion(Saved); }
};

} // namespace

// --- Options and context ------------------------------------------------------------------------

TEST(TIdSSLOptions, MethodAndVersionsAreCoupled) {
  TIdSSLOptions o;
  EXPECT_EQ(o.Method(), sslvTLSv1);
  EXPECT_EQ(o.SSLVersions(), TIdSSLVersions{sslvTLSv1});
  o.SetMethod(sslvSSLv23);
  EXPECT_EQ(o.SSLVersions(), IdAllSSLVersions);
  EXPECT_FALSE(o.SSLVersions().Contains(sslvSSLv23));
  o.SetMethod(sslvTLSv1_2);
  EXPECT_EQ(o.SSLVersions(), TIdSSLVersions{sslvTLSv1_2});

  o.SetSSLVersions({sslvTLSv1_3});
  EXPECT_EQ(o.Method(), sslvTLSv1_3);
  o.SetSSLVersions({sslvTLSv1_2, sslvTLSv1_3});
  EXPECT_EQ(o.Method(), sslvSSLv23);
  EXPECT_EQ(o.SSLVersions(), (TIdSSLVersions{sslvTLSv1_2, sslvTLSv1_3}));
  o.SetSSLVersions({sslvSSLv23, sslvTLSv1_1});
  EXPECT_EQ(o.Method(), sslvTLSv1_1 == o.Method() ? sslvTLSv1_1 : sslvSSLv23);
  EXPECT_EQ(o.SSLVersions(), TIdSSLVersions{sslvTLSv1_1});
  o.SetSSLVersions({sslvSSLv23});
  EXPECT_EQ(o.Method(), sslvSSLv23);
  EXPECT_EQ(o.SSLVersions(), IdAllSSLVersions);

  TIdSSLOptions copy;
  o.SetVerifyMode({sslvrfPeer, sslvrfClientOnce});
  o.SetCipherList(u"ECDHE");
  o.SetLegacyProvider(true);
  copy.Assign(o);
  EXPECT_EQ(copy.Method(), sslvSSLv23);
  EXPECT_EQ(copy.SSLVersions(), IdAllSSLVersions);
  EXPECT_EQ(copy.VerifyMode().Bits(), 1u | 4u); // SSL_VERIFY_PEER | SSL_VERIFY_CLIENT_ONCE
  EXPECT_EQ(copy.CipherList(), u"ECDHE");
  EXPECT_TRUE(copy.LegacyProvider());
}

// The settings were copied field by field in three places (options, handler to context, an
// unused context clone); a field dropped from one copy went unnoticed. Every setting set to a
// value of its own must arrive in the copy and in the context the handler prepares.
TEST(TIdSSLOptions, EverySettingReachesTheCopyAndTheContext) {
  const TFiles& files = TFiles::Get();
  TTestTempDir dirs;
  TIdSSLOptions o;
  o.SetRootCertFile(files.CA);
  o.SetCertFile(files.ClientChain);
  o.SetKeyFile(files.ClientKey);
  o.SetSSLVersions({sslvTLSv1_2, sslvTLSv1_3});
  o.SetMode(sslmClient);
  o.SetVerifyMode({sslvrfPeer, sslvrfClientOnce});
  o.SetVerifyDepth(7);
  o.SetVerifyDirs(UTF8ToUTF16(dirs.Path()));
  o.SetCipherList(u"HIGH:!aNULL");
  o.SetCurveList(u"P-256:X25519");
  o.SetAPIVersion(sslvAPI_1_1);
  TIdSSLOptions copy;
  copy.Assign(o);
  EXPECT_TRUE(copy.Settings() == o.Settings());
  EXPECT_FALSE(copy.Settings() == TIdSSLOptions().Settings());
  copy.SetDHParamsFile(u"dh.pem");
  EXPECT_FALSE(copy.Settings() == o.Settings()); // the comparison sees every field

  TTestTLSServer server({}, EchoBehaviour());
  auto io = NewClient(server.Port());
  io->SSLOptions().Assign(o);
  io->Open();
  ASSERT_NE(io->SSLContext(), nullptr);
  EXPECT_TRUE(io->SSLContext()->Settings == o.Settings());
  io->Close();
}

TEST(TIdSSLContext, ALPNWireList) {
  TStringList names{u"h2", u"", u"http/1.1"};
  TIdBytes wire = TIdSSLContext::ALPNWireList(names);
  const uint8_t expected[] = {2, 'h', '2', 8, 'h', 't', 't', 'p', '/', '1', '.', '1'};
  EXPECT_EQ(wire, TIdBytes(std::begin(expected), std::end(expected)));
  EXPECT_TRUE(TIdSSLContext::ALPNWireList(TStringList{u"", u""}).empty());
  // One byte per character in the 8-bit code page.
  EXPECT_EQ(TIdSSLContext::ALPNWireList(TStringList{u"\u00e9t\u00e9"}),
            (TIdBytes{3, 0xE9, 't', 0xE9}));
  try {
    TIdSSLContext::ALPNWireList(TStringList{std::u16string(256, u'a')});
    FAIL() << "a 256-byte name was accepted";
  } catch (const EIdException&) {
    FAIL() << "must be a plain exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Error Updating ALPN Protocols");
  }
}

TEST(TIdSSLContext, ProtocolLimitsAndMethodSubstitutionFollowTheAPILevel) {
  TAPILevelGuard guard;
  auto setUp = [](TIdSSLVersion AMethod, TIdSSLVersions AVersions) {
    auto ctx = std::make_unique<TIdSSLContext>();
    ctx->Settings.Method = AMethod;
    ctx->Settings.SSLVersions = AVersions;
    ctx->SetUpContext(sslCtxClient);
    return ctx;
  };
  IdOpenSSLSetAPIVersion(sslvAPI_1_1);
  EXPECT_EQ(TIdSSLContext::MinProtocolVersion({sslvTLSv1, sslvTLSv1_1}), TLS1_1_VERSION);
  EXPECT_EQ(TIdSSLContext::MinProtocolVersion({sslvTLSv1}), TLS1_VERSION);
  EXPECT_EQ(TIdSSLContext::MaxProtocolVersion(0x1010100FUL), TLS1_3_VERSION);
  EXPECT_EQ(TIdSSLContext::MaxProtocolVersion(0x1010007FUL), TLS1_2_VERSION);
  // The version-flexible method takes the limits.
  auto c1 = setUp(sslvTLSv1_3, {sslvTLSv1, sslvTLSv1_1, sslvTLSv1_3});
  EXPECT_EQ(SSL_CTX_get_min_proto_version(c1->Context()), TLS1_1_VERSION);
  EXPECT_EQ(SSL_CTX_get_max_proto_version(c1->Context()), TLS1_3_VERSION);
  EXPECT_EQ(c1->Settings.Mode, sslmClient); // an unassigned mode became the context's role
  // Several versions at level 1.1 mean the TLS 1.2 method, which ignores the limits.
  auto c2 = setUp(sslvSSLv23, {sslvTLSv1_1, sslvTLSv1_2, sslvTLSv1_3});
  EXPECT_EQ(SSL_CTX_get_min_proto_version(c2->Context()), TLS1_2_VERSION);
  EXPECT_EQ(SSL_CTX_get_max_proto_version(c2->Context()), TLS1_2_VERSION);

  // Level 1.0: no limits; the allowed set only toggles the per-version options.
  IdOpenSSLSetAPIVersion(sslvAPI_1_0);
  auto c3 = setUp(sslvSSLv23, {sslvTLSv1_2, sslvTLSv1_3});
  EXPECT_EQ(SSL_CTX_get_min_proto_version(c3->Context()), 0);
  uint64_t opts = SSL_CTX_get_options(c3->Context());
  EXPECT_TRUE(opts & SSL_OP_NO_TLSv1);
  EXPECT_TRUE(opts & SSL_OP_NO_TLSv1_1);
  EXPECT_FALSE(opts & SSL_OP_NO_TLSv1_2);
  EXPECT_FALSE(opts & SSL_OP_NO_TLSv1_3);
  EXPECT_THROW(setUp(sslvSSLv2, {sslvSSLv2}), EIdOSSLGetMethodError);
  TIdSSLContext noMode;
  EXPECT_THROW(noMode.SelectTLSMethod(sslvTLSv1_2), EIdOSSLModeNotSet);
  // sslvAPIDefault leaves the level alone.
  IdOpenSSLSetAPIVersion(sslvAPIDefault);
  EXPECT_EQ(IdOpenSSLAPIVersion(), sslvAPI_1_0);
}

// The level lived in a process-wide variable that every handler wrote and every context set-up
// read, while the context's own field was never read: two clients with different levels on two
// threads got each other's protocol limits. Each context now follows its own settings.
TEST(TIdSSLContext, EachContextFollowsItsOwnAPILevel) {
  TAPILevelGuard guard;
  IdOpenSSLSetAPIVersion(sslvAPI_1_0);
  auto minimumOf = [](TIdSSLAPIVersion ALevel) {
    TIdSSLContext ctx;
    ctx.Settings.Method = sslvTLSv1_3;
    ctx.Settings.SSLVersions = {sslvTLSv1, sslvTLSv1_1, sslvTLSv1_3};
    ctx.Settings.APIVersion = ALevel;
    ctx.SetUpContext(sslCtxClient);
    // Level 1.1 sets the lower protocol limit; level 1.0 leaves it open.
    return SSL_CTX_get_min_proto_version(ctx.Context());
  };
  EXPECT_EQ(minimumOf(sslvAPI_1_1), TLS1_1_VERSION);
  EXPECT_EQ(minimumOf(sslvAPI_1_0), 0);
  EXPECT_EQ(minimumOf(sslvAPIDefault), 0); // the process-wide default, 1.0 here
  EXPECT_EQ(IdOpenSSLAPIVersion(), sslvAPI_1_0);

  std::atomic<int> wrong{0};
  auto client = [&](TIdSSLAPIVersion ALevel, int AExpected) {
    for (int i = 0; i < 200; ++i)
      if (minimumOf(ALevel) != AExpected) ++wrong;
  };
  std::thread a(client, sslvAPI_1_1, TLS1_1_VERSION);
  std::thread b(client, sslvAPI_1_0, 0);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);

  // Through the handler: its options' level reaches its context and nothing else.
  TTestTLSServer server({}, EchoBehaviour());
  auto io = NewClient(server.Port());
  io->SSLOptions().SetAPIVersion(sslvAPI_3_0);
  io->Open();
  EXPECT_EQ(io->SSLContext()->APILevel(), sslvAPI_3_0);
  EXPECT_EQ(IdOpenSSLAPIVersion(), sslvAPI_1_0);
  io->Close();
}

TEST(TIdSSLContext, LibraryOptionsSetTheProcessWideValues) {
  TAPILevelGuard guard;
  std::u16string exe = IdExecutableFolder();
  EXPECT_TRUE(EndsText(u"/tests/net/", exe)) << UTF16ToUTF8(exe);
  TozkOpenSSLClient_Options o;
  o.SetAPIVersion(oslAPI_1_1);
  o.SetLibPath(oslpCustomPath);
  o.SetLibPathCustom(u"/opt/ssl");
  IdOpenSSLApplyLibraryOptions(o);
  EXPECT_EQ(IdOpenSSLAPIVersion(), guard.Saved); // the level is no process-wide value
  EXPECT_EQ(IdSSLAPIVersionOf(o.APIVersion()), sslvAPI_1_1);
  EXPECT_EQ(IdOpenSSLLibPath(), u"/opt/ssl/");
  EXPECT_EQ(IdOpenSSLLegacyProviderLibPath(), exe); // oslpNone: the executable's folder
  o.SetAPIVersion(oslAPI_3_0);
  o.SetLibPath(oslpNone);
  o.LegacyProvider().SetLibPath(oslpCustomPath);
  o.LegacyProvider().SetLibPathCustom(u"/opt/legacy/");
  IdOpenSSLApplyLibraryOptions(o);
  EXPECT_EQ(IdOpenSSLAPIVersion(), guard.Saved);
  EXPECT_EQ(IdSSLAPIVersionOf(o.APIVersion()), sslvAPI_3_0);
  EXPECT_EQ(IdOpenSSLLibPath(), u"/opt/ssl/"); // oslpNone leaves the library folder
  EXPECT_EQ(IdOpenSSLLegacyProviderLibPath(), u"/opt/legacy/");
  o.SetLibPath(oslpDefaultFolder);
  IdOpenSSLApplyLibraryOptions(o);
  EXPECT_EQ(IdOpenSSLLibPath(), exe);
  IdOpenSSLSetLibPath(u"");
  IdOpenSSLSetLegacyProviderLibPath(u"");
}

TEST(TIdSSLContext, SetUpFailuresAndTheSharedTrustStore) {
  auto make = [](auto AConfigure) {
    auto ctx = std::make_unique<TIdSSLContext>();
    ctx->Settings.Method = sslvTLSv1_2;
    AConfigure(*ctx);
    ctx->SetUpContext(sslCtxClient);
    return ctx;
  };
  EXPECT_THROW(make([](TIdSSLContext& c) { c.Settings.CipherList = u"NO-SUCH-CIPHER"; }),
               EIdOSSLSettingCipherError);
  EXPECT_THROW(make([](TIdSSLContext& c) { c.Settings.CurveList = u"NoSuchCurve"; }),
               EIdOSSLSettingCurveListError);
  std::u16string msg = MessageOf<EIdOSSLLoadingCertError>(
      [&] { make([](TIdSSLContext& c) { c.Settings.CertFile = u"/nonexistent/c.pem"; }); });
  EXPECT_TRUE(StartsText(u"Could not load certificate.\r\nerror:", msg)) << UTF16ToUTF8(msg);
  EXPECT_NE(msg.find(u"No such file or directory"), std::u16string::npos);
  TTestTempDir dir;
  std::u16string junk = dir.WriteFile("junk.pem", "not a certificate");
  EXPECT_THROW(make([&](TIdSSLContext& c) { c.Settings.RootCertFile = junk; }),
               EIdOSSLLoadingRootCertError);
  EXPECT_THROW(make([&](TIdSSLContext& c) { c.Settings.DHParamsFile = junk; }),
               EIdOSSLLoadingDHParamsError);
  // A key that does not belong to the certificate.
  std::u16string otherKey = dir.WriteFile("other.key", TTestPKI::Get().OtherHost.KeyPEM());
  EXPECT_THROW(make([&](TIdSSLContext& c) {
                 c.Settings.CertFile = TFiles::Get().ClientChain;
                 c.Settings.KeyFile = otherKey;
               }),
               EIdOSSLLoadingKeyError);
  EXPECT_EQ(ERR_peek_error(), 0u) << "a raised error leaves nothing queued";

  // Contexts without trusted certificates of their own share one loaded default store.
  auto a = make([](TIdSSLContext&) {});
  auto b = make([](TIdSSLContext&) {});
  EXPECT_EQ(SSL_CTX_get_cert_store(a->Context()), SSL_CTX_get_cert_store(b->Context()));
  auto c = make([](TIdSSLContext& x) { x.Settings.RootCertFile = TFiles::Get().CA; });
  EXPECT_NE(SSL_CTX_get_cert_store(c->Context()), SSL_CTX_get_cert_store(a->Context()));
}

TEST(TIdSSLErrors, ChoosingTheExceptionKind) {
  // SSL_ERROR_SSL: the library's own error, whatever kind was asked for.
  ERR_raise(ERR_LIB_SSL, SSL_R_CERTIFICATE_VERIFY_FAILED);
  unsigned long code = ERR_peek_error();
  try {
    RaiseSSLError<EIdOSSLConnectError>(u"Error connecting with SSL.", SSL_ERROR_SSL, -1);
  } catch (const EIdOSSLUnderlyingCryptoError& e) {
    EXPECT_EQ(e.ErrorCode(), code);
    EXPECT_EQ(e.Message(), u"Error connecting with SSL.\r\n" + IdSSLErrorText(code));
  }
  EXPECT_EQ(ERR_peek_error(), 0u);
  // SSL_ERROR_SYSCALL with a queued code: also the library's error; without a message the
  // text stands alone.
  ERR_raise(ERR_LIB_SSL, SSL_R_UNEXPECTED_EOF_WHILE_READING);
  code = ERR_peek_error();
  EXPECT_EQ(MessageOf<EIdOSSLUnderlyingCryptoError>(
                [] { RaiseSSLError<EIdOpenSSLAPISSLError>(u"", SSL_ERROR_SYSCALL, -1); }),
            IdSSLErrorText(code));
  // SSL_ERROR_SYSCALL, result 0, nothing queued: the requested kind with the EOF text.
  try {
    RaiseSSLError<EIdOSSLConnectError>(u"Error connecting with SSL.", SSL_ERROR_SYSCALL, 0);
  } catch (const EIdOSSLConnectError& e) {
    EXPECT_EQ(e.Message(),
              u"Error connecting with SSL.\r\nEOF was observed that violates the protocol");
    EXPECT_EQ(e.ErrorCode(), SSL_ERROR_SYSCALL);
    EXPECT_EQ(e.RetCode(), 0);
  }
  // SSL_ERROR_SYSCALL, result -1: the socket error beneath.
  for (auto [err, number] : {std::pair{ECONNRESET, 10054}, std::pair{ETIMEDOUT, 10060}}) {
    errno = err;
    try {
      RaiseSSLError<EIdOSSLConnectError>(u"x", SSL_ERROR_SYSCALL, -1);
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), number);
      EXPECT_TRUE(StartsText(u"Socket Error # " + IntToStr(number) + u"\r\n", e.Message()));
    }
  }
  // Any other classification: the requested kind with the library's text for the number.
  try {
    RaiseSSLError<EIdOSSLAcceptError>(u"Error accepting connection with SSL.",
                                      SSL_ERROR_WANT_X509_LOOKUP, -1);
  } catch (const EIdOSSLAcceptError& e) {
    EXPECT_EQ(e.Message(), u"Error accepting connection with SSL.\r\n" +
                               IdSSLErrorText(SSL_ERROR_WANT_X509_LOOKUP));
    EXPECT_EQ(e.ErrorCode(), SSL_ERROR_WANT_X509_LOOKUP);
  }
  // Cryptography errors: the message, CR LF and the code's text.
  ERR_raise(ERR_LIB_X509, X509_R_CERT_ALREADY_IN_HASH_TABLE);
  code = ERR_peek_error();
  try {
    RaiseCryptoError<EIdOSSLLoadingKeyError>(u"Could not load key, check password.");
  } catch (const EIdOSSLLoadingKeyError& e) {
    EXPECT_EQ(e.ErrorCode(), code);
    EXPECT_EQ(e.Message(), u"Could not load key, check password.\r\n" + IdSSLErrorText(code));
    EXPECT_LE(IdSSLErrorText(code).size(), 159u);
  }
}

// --- Handshake, data and verification against the test server ---------------------------------

TEST(TIdSSLIOHandlerSocketOpenSSL, HandshakeDataBothWaysSNIAndCipherLine) {
  TTestTLSServer server({}, EchoBehaviour());
  auto io = NewClient(server.Port());
  std::vector<std::u16string> status;
  io->OnStatusInfo = [&](const std::u16string& AMsg) { status.push_back(AMsg); };
  bool beforeConnect = false;
  io->OnBeforeConnect = [&](TIdSSLIOHandlerSocketOpenSSL* s) {
    beforeConnect = s == io.get() && s->BindingAllocated();
  };
  io->Open();
  EXPECT_TRUE(beforeConnect);
  EXPECT_FALSE(io->PassThrough());
  EXPECT_EQ(io->GetSSLVersion(), u"TLSv1.2");
  io->WriteLn(u"hello over TLS");
  EXPECT_EQ(io->ReadLn(), u"hello over TLS");
  TIdBytes big(100000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = TestPatternByte(i);
  io->Write(big);
  TIdBytes back;
  io->ReadBytes(back, static_cast<int>(big.size()), false);
  EXPECT_EQ(back, big);
  io->Close();

  ASSERT_TRUE(server.WaitForConnections(1));
  auto info = server.Connections()[0];
  EXPECT_TRUE(info.HandshakeOK) << info.HandshakeError;
  EXPECT_EQ(info.SNI, "localhost");
  EXPECT_EQ(info.Version, "TLSv1.2");
  EXPECT_TRUE(info.PeerClosedCleanly) << "Close sends the close notification";
  auto cipherLine = std::find_if(status.begin(), status.end(), [](const std::u16string& s) {
    return StartsText(u"Cipher: ", s);
  });
  ASSERT_NE(cipherLine, status.end());
  std::string line = UTF16ToUTF8(*cipherLine);
  EXPECT_TRUE(std::regex_match(line, std::regex("Cipher: name = [A-Z0-9-]+; description = [^;]+; "
                                                "bits = [0-9]+; version = TLSv1\\.2; ")))
      << line;
  EXPECT_NE(line.find(info.Cipher), std::string::npos);
}

TEST(TIdSSLIOHandlerSocketOpenSSL, StatusEventsAndURIToCheckNameTheServer) {
  TTestTLSServer server({}, EchoBehaviour());
  auto io = NewClient(server.Port(), u"127.0.0.1", sslvTLSv1_3);
  io->SetURIToCheck(u"https://user@localhost:" + IntToStr(server.Port()) + u"/v1/models");
  std::vector<std::u16string> lines, types;
  io->OnStatusInfo = [&](const std::u16string& AMsg) { lines.push_back(AMsg); };
  io->OnStatusInfoEx = [&](TComponent*, const ssl_st*, int, int, const std::u16string& AType,
                           const std::u16string&) { types.push_back(AType); };
  io->Open();
  EXPECT_EQ(io->GetSSLVersion(), u"TLSv1.3");
  io->Close();
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_EQ(server.Connections()[0].SNI, "localhost");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(StartsText(u"SSL status: \"", lines.front()));
  EXPECT_EQ(lines.front().back(), u'"');
  EXPECT_EQ(std::count(types.begin(), types.end(), u"Handshake Start"), 1);
  EXPECT_GE(std::count(types.begin(), types.end(), u"Handshake Done"), 1);
  EXPECT_GE(std::count(types.begin(), types.end(), u"Connect Loop"), 1);
}

TEST(TIdSSLIOHandlerSocketOpenSSL, VerificationChecksChainExpiryAndHostName) {
  const auto& pki = TTestPKI::Get();
  struct TCase {
    const TTestCertificate* Cert;
    std::u16string Host;
    std::u16string URIToCheck;
    bool Accepted;
    int ExpectedError; // verification error seen at depth 0 when rejected
  };
  const TCase cases[] = {
      {&pki.Localhost, u"localhost", u"", true, 0},
      {&pki.Localhost, u"127.0.0.1", u"", true, 0}, // IP address in the certificate
      // A valid certificate for another name is no proof of talking to this host.
      {&pki.OtherHost, u"localhost", u"", false, X509_V_ERR_HOSTNAME_MISMATCH},
      {&pki.Localhost, u"127.0.0.1", u"https://other.test/", false, X509_V_ERR_HOSTNAME_MISMATCH},
      {&pki.OtherHost, u"127.0.0.1", u"https://other.test/", true, 0},
      {&pki.SelfSigned, u"localhost", u"", false, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT},
      {&pki.Expired, u"localhost", u"", false, X509_V_ERR_CERT_HAS_EXPIRED},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Cert->Subject() + " via " + UTF16ToUTF8(c.Host) + " " +
                 UTF16ToUTF8(c.URIToCheck));
    for (bool withEvent : {false, true}) {
      TTestTLSServerOptions options;
      options.Certificate = c.Cert;
      TTestTLSServer server(options, EchoBehaviour());
      auto io = NewClient(server.Port(), c.Host);
      Verifying(*io);
      io->SetURIToCheck(c.URIToCheck);
      std::vector<int> errors;
      if (withEvent)
        io->OnVerifyPeer = [&](TIdX509* ACert, bool AOk, int ADepth, int AError) {
          EXPECT_NE(ACert->Certificate(), nullptr);
          if (!AOk && ADepth == 0) errors.push_back(AError);
          return AOk;
        };
      if (c.Accepted) {
        EXPECT_NO_THROW(io->Open());
        EXPECT_TRUE(errors.empty());
      } else {
        std::u16string msg = MessageOf<EIdOSSLUnderlyingCryptoError>([&] { io->Open(); });
        EXPECT_TRUE(StartsText(u"Error connecting with SSL.\r\n", msg)) << UTF16ToUTF8(msg);
        EXPECT_NE(msg.find(u"certificate verify failed"), std::u16string::npos);
        if (withEvent) {
          EXPECT_NE(std::find(errors.begin(), errors.end(), c.ExpectedError), errors.end());
        }
      }
      io->Close();
    }
  }

  // Verification off: whatever the server presents is accepted.
  for (const TTestCertificate* cert : {&pki.SelfSigned, &pki.Expired, &pki.OtherHost}) {
    TTestTLSServerOptions options;
    options.Certificate = cert;
    TTestTLSServer server(options, EchoBehaviour());
    auto io = NewClient(server.Port());
    EXPECT_NO_THROW(io->Open()) << cert->Subject();
    io->Close();
  }
}

TEST(TIdSSLIOHandlerSocketOpenSSL, VerifyDepthLimitAndPeerCertificate) {
  const auto& pki = TTestPKI::Get();
  struct TCase {
    const TTestCertificate* Cert;
    int Depth;
    bool Accepted;
  };
  // With a verification event every certificate deeper than VerifyDepth is rejected; the
  // issuing CA sits at depth 1, an intermediate pushes it to depth 2.
  const TCase cases[] = {{&pki.Localhost, 0, false},
                         {&pki.Localhost, 1, true},
                         {&pki.ViaIntermediate, 1, false},
                         {&pki.ViaIntermediate, 2, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Depth);
    TTestTLSServerOptions options;
    options.Certificate = c.Cert;
    TTestTLSServer server(options, EchoBehaviour());
    auto io = NewClient(server.Port());
    Verifying(*io, c.Depth);
    int maxDepth = -1;
    io->OnVerifyPeer = [&](TIdX509*, bool AOk, int ADepth, int) {
      maxDepth = std::max(maxDepth, ADepth);
      return AOk;
    };
    if (c.Accepted) {
      ASSERT_NO_THROW(io->Open());
      TIdX509* peer = io->SSLSocket()->PeerCert();
      ASSERT_NE(peer, nullptr);
      EXPECT_EQ(peer->Subject().OneLine, u"/CN=localhost");
      const auto& issuer = c.Cert->Chain().empty() ? pki.CA : c.Cert->Chain()[0];
      EXPECT_EQ(peer->Issuer().OneLine, UTF8ToUTF16(issuer.Subject()));
      EXPECT_EQ(peer->FingerprintAsString(dgSHA256).size(), 32u * 3 - 1);
      EXPECT_EQ(peer->SignatureType(), u"ecdsa-with-SHA256");
      EXPECT_LT(peer->NotBefore(), peer->NotAfter());
      EXPECT_EQ(peer->Version(), 2);
      EXPECT_EQ(peer->DisplayInfo().Count(), 6);
    } else {
      EXPECT_THROW(io->Open(), EIdOSSLUnderlyingCryptoError);
    }
    EXPECT_GE(maxDepth, c.Depth);
    io->Close();
  }
  // An event may overrule the library: accepting everything lets a self-signed server through.
  TTestTLSServerOptions options;
  options.Certificate = &pki.SelfSigned;
  TTestTLSServer server(options, EchoBehaviour());
  auto io = NewClient(server.Port());
  Verifying(*io);
  io->OnVerifyPeer = [](TIdX509*, bool, int, int) { return true; };
  EXPECT_NO_THROW(io->Open());
}

TEST(TIdSSLIOHandlerSocketOpenSSL, TLS13OnlyServerRefusesATLS12Client) {
  TTestTLSServerOptions options;
  options.MinVersion = TLS1_3_VERSION;
  TTestTLSServer server(options, EchoBehaviour());
  auto io = NewClient(server.Port(), u"localhost", sslvTLSv1_2);
  // The library classifies the failure as its own error, so the connect kind gives way.
  std::u16string msg = MessageOf<EIdOSSLUnderlyingCryptoError>([&] { io->Open(); });
  EXPECT_TRUE(StartsText(u"Error connecting with SSL.\r\nerror:", msg)) << UTF16ToUTF8(msg);
  io->Close();
  EXPECT_EQ(io->SSLContext(), nullptr);
  EXPECT_EQ(io->SSLSocket(), nullptr);
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_FALSE(server.Connections()[0].HandshakeOK);

  // The same handler connects once the options allow TLS 1.3: Close left nothing behind.
  io->SSLOptions().SetMethod(sslvTLSv1_3);
  ASSERT_NO_THROW(io->Open());
  EXPECT_EQ(io->GetSSLVersion(), u"TLSv1.3");
}

TEST(TIdSSLIOHandlerSocketOpenSSL, ThroughTheTCPClient) {
  TTestTLSServer server({}, EchoBehaviour());
  TTestTLSServerOptions only13;
  only13.MinVersion = TLS1_3_VERSION;
  TTestTLSServer server13(only13, EchoBehaviour());
  TIdSSLIOHandlerSocketOpenSSL io;
  io.SetPassThrough(false);
  io.SSLOptions().SetMethod(sslvTLSv1_2);
  TIdTCPClient client;
  client.SetIOHandler(&io);
  client.SetHost(u"localhost");
  client.SetReadTimeout(0);
  client.SetPort(server13.Port());
  EXPECT_THROW(client.Connect(), EIdOSSLUnderlyingCryptoError);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(io.SSLContext(), nullptr) << "the failed handshake left its context behind";
  EXPECT_EQ(io.SSLSocket(), nullptr);

  client.SetPort(server.Port());
  client.Connect();
  EXPECT_EQ(SocketTimeoutMs(io, SO_RCVTIMEO), 30000); // read time-out 0 from the client
  client.IOHandler()->WriteLn(u"via the client");
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"via the client");
  client.Disconnect();
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_TRUE(server.Connections()[0].PeerClosedCleanly);
}

TEST(TIdSSLIOHandlerSocketOpenSSL, ALPNNegotiation) {
  TTestTLSServerOptions options;
  options.ALPN = {"http/1.1"};
  TTestTLSServer server(options, EchoBehaviour());
  auto io = NewClient(server.Port());
  io->ALPNProtocols().Add(u"h2");
  io->ALPNProtocols().Add(u"http/1.1");
  io->Open();
  EXPECT_EQ(io->GetALPNProtocol(), u"http/1.1");
  io->Close();
  auto plain = NewClient(server.Port());
  plain->Open();
  EXPECT_EQ(plain->GetALPNProtocol(), u"");
  plain->Close();
  ASSERT_TRUE(server.WaitForConnections(2));
  std::multiset<std::string> selected; // connections are listed as they end, in any order
  for (const auto& info : server.Connections()) selected.insert(info.ALPN);
  EXPECT_EQ(selected, (std::multiset<std::string>{"", "http/1.1"}));
}

TEST(TIdSSLIOHandlerSocketOpenSSL, ClientCertificateFromPEMAndPKCS12) {
  const TFiles& files = TFiles::Get();
  TTestTLSServerOptions options;
  options.RequireClientCert = true;
  TTestTLSServer server(options, EchoBehaviour());
  auto connect = [&](const std::u16string& ACert, const std::u16string& AKey,
                     const std::u16string& APassword, bool AEx) {
    auto io = NewClient(server.Port());
    io->SSLOptions().SetCertFile(ACert);
    io->SSLOptions().SetKeyFile(AKey);
    std::vector<bool> asked;
    if (AEx)
      io->OnGetPasswordEx = [&](TComponent*, std::u16string& VPassword, bool AIsWrite) {
        asked.push_back(AIsWrite);
        VPassword = APassword;
      };
    else
      io->OnGetPassword = [&](std::u16string& VPassword) { VPassword = APassword; };
    io->Open();
    io->WriteLn(u"ping");
    EXPECT_EQ(io->ReadLn(), u"ping");
    if (AEx) {
      EXPECT_FALSE(asked.empty());
      EXPECT_EQ(std::count(asked.begin(), asked.end(), true), 0) << "keys are only read";
    }
  };
  connect(files.ClientChain, files.ClientKey, u"", false);
  connect(files.ClientChain, files.ClientKeyEncrypted, u"k3y-pass", false);
  connect(files.ClientP12, files.ClientP12, u"p12-pass", true); // ".P12" in capitals
  ASSERT_TRUE(server.WaitForConnections(3));
  for (const auto& info : server.Connections())
    EXPECT_EQ(info.ClientSubject, "/CN=ozk test client");

  std::u16string msg = MessageOf<EIdOSSLLoadingKeyError>(
      [&] { connect(files.ClientChain, files.ClientKeyEncrypted, u"wrong", false); });
  EXPECT_TRUE(StartsText(u"Could not load key, check password.\r\n", msg));
  EXPECT_THROW(connect(files.ClientP12, files.ClientP12, u"wrong", true), EIdOSSLLoadingCertError);
}

TEST(TIdSSLIOHandlerSocketOpenSSL, LegacyPKCS12NeedsTheLegacyProviderAtLevel30) {
  TAPILevelGuard guard;
  const TFiles& files = TFiles::Get();
  TTestTLSServerOptions options;
  options.RequireClientCert = true;
  TTestTLSServer server(options, EchoBehaviour());
  auto connect = [&](bool ALegacy) {
    auto io = NewClient(server.Port());
    io->SSLOptions().SetCertFile(files.ClientP12Legacy);
    io->SSLOptions().SetKeyFile(files.ClientP12Legacy);
    io->SSLOptions().SetAPIVersion(sslvAPI_3_0);
    io->SSLOptions().SetLegacyProvider(ALegacy);
    io->OnGetPassword = [](std::u16string& VPassword) { VPassword = u"old-pass"; };
    io->Open();
    EXPECT_EQ(io->SSLContext()->APILevel(), sslvAPI_3_0);
    io->Close();
  };
  // The providers stay loaded for the process once loaded, so this order matters.
  EXPECT_THROW(connect(false), EIdOSSLLoadingCertError);
  IdOpenSSLSetLegacyProviderLibPath(u"/nonexistent/folder");
  EXPECT_NO_THROW(connect(true)) << "a folder without the module falls back to the library's";
}

// --- Reading, closing and time-outs ------------------------------------------------------------

TEST(TIdSSLIOHandlerSocketOpenSSL, ReadableReportsBytesHeldByTheTLSLayer) {
  TTestTLSServer server({}, [&](TTestTLSConnection& c) {
    c.WritePattern(1000); // one record
    c.WaitForServerShutdown();
  });
  auto io = NewClient(server.Port());
  io->SetRecvBufferSize(10);
  io->Open();
  TIdBytes first;
  io->ReadBytes(first, 10, false);
  // The record was read from the socket whole: nothing is left there, 990 bytes wait in TLS.
  EXPECT_EQ(io->SSLSocket()->Pending(), 990);
  EXPECT_FALSE(io->Binding()->Readable(0));
  EXPECT_TRUE(io->Readable(0));
  TIdBytes rest;
  io->ReadBytes(rest, 990, false);
  EXPECT_EQ(rest[989], TestPatternByte(999));
  EXPECT_FALSE(io->Readable(50));
}

TEST(TIdSSLIOHandlerSocketOpenSSL, CloseNotifyAndAbruptCloseEndTheStream) {
  for (TTestTLSEnd end : {TTestTLSEnd::CloseNotify, TTestTLSEnd::Abrupt}) {
    SCOPED_TRACE(end == TTestTLSEnd::CloseNotify ? "close_notify" : "abrupt");
    TTestTLSServer server({}, SendBytesBehaviour(50000, end, 3000));
    auto io = NewClient(server.Port());
    io->Open();
    TMemoryStream all;
    io->ReadStream(&all, -1, true); // until the peer closes
    ASSERT_EQ(all.Size(), 50000);
    EXPECT_EQ(all.Memory()[49999], TestPatternByte(49999));
    EXPECT_TRUE(io->ClosedGracefully());
    EXPECT_FALSE(io->Connected());

    // A counted read that the peer cuts short: the bytes so far, then "closed gracefully".
    TTestTLSServer server2({}, SendBytesBehaviour(5000, end));
    auto io2 = NewClient(server2.Port());
    io2->Open();
    TMemoryStream part;
    EXPECT_THROW(io2->ReadStream(&part, 6000), EIdConnClosedGracefully);
    EXPECT_EQ(part.Position(), 5000);
  }
}

TEST(TIdSSLIOHandlerSocketOpenSSL, AResetPeerGivesSocketErrorsNotASignal) {
  TTestTLSServer server({}, [](TTestTLSConnection& c) {
    char b[8];
    if (c.Read(b, 1) == 1) c.ResetConnection();
  });
  auto io = NewClient(server.Port());
  io->Open();
  io->Write(TIdBytes{'a'});
  ASSERT_TRUE(io->Binding()->Readable(5000)) << "the reset never arrived";
  // The failed write is a socket error and closes the handler, whose close notification then
  // meets a dead socket without further harm.
  TIdBytes data(1000, 'x');
  try {
    for (int i = 0; i < 3; ++i) io->Write(data);
    ADD_FAILURE() << "writes to a reset connection succeeded";
  } catch (const EIdSocketError& e) {
    EXPECT_TRUE(e.LastError() == 10053 || e.LastError() == 10054 || e.LastError() == 10058)
        << e.LastError();
  }
  EXPECT_FALSE(io->Connected());
}

TEST(TIdSSLIOHandlerSocketOpenSSL, SocketTimeOutsUnderTLS) {
  TTestTLSServer server({}, [&](TTestTLSConnection& c) {
    // A record header without its body: the client's socket is readable but TLS stalls.
    const uint8_t header[] = {0x17, 0x03, 0x03, 0x00, 0x40};
    c.WriteRaw(header, sizeof(header));
    c.WaitForServerShutdown();
  });
  for (int readTimeout : {0, -1}) {
    auto io = NewClient(server.Port());
    io->SetReadTimeout(readTimeout);
    io->Open();
    EXPECT_EQ(SocketTimeoutMs(*io, SO_RCVTIMEO),
              TIdIOHandlerStack::SocketTimeoutWithoutReadTimeout);
    EXPECT_EQ(SocketTimeoutMs(*io, SO_SNDTIMEO),
              TIdIOHandlerStack::SocketTimeoutWithoutReadTimeout);
  }
  auto io = NewClient(server.Port());
  io->SetReadTimeout(300);
  io->Open();
  EXPECT_EQ(SocketTimeoutMs(*io, SO_RCVTIMEO), 300);
  ASSERT_TRUE(io->Binding()->Readable(5000)) << "the partial record never arrived";
  // The socket's own limit ends the stalled TLS read as a read time-out, not a hang.
  TIdBytes b;
  EXPECT_THROW(io->ReadBytes(b, 1), EIdReadTimeout);
}

TEST(TIdSSLIOHandlerSocketOpenSSL, SwitchingPassThroughOnAConnectedHandler) {
  TTestTLSServerOptions options;
  options.StartTLS = true;
  TTestTLSServer server(options, [](TTestTLSConnection& c) {
    if (c.ReadExactly(3) != "x\r\n") return;
    c.Write("y\n");
    // Exchange the close notifications, then go on in plain text.
    SSL_shutdown(c.SSL());
    char buf[16];
    while (SSL_read(c.SSL(), buf, sizeof(buf)) > 0) {
    }
    c.WriteRaw("plain\n", 6);
  });
  auto io = NewClient(server.Port());
  io->SetPassThrough(true); // connect in plain text
  io->Open();
  EXPECT_EQ(io->SSLSocket(), nullptr);
  io->WriteLn(u"STARTTLS");
  EXPECT_EQ(io->ReadLn(), u"GO");
  io->SetPassThrough(false); // handshake now
  ASSERT_NE(io->SSLSocket(), nullptr);
  EXPECT_EQ(SocketTimeoutMs(*io, SO_RCVTIMEO), 5000);
  io->WriteLn(u"x");
  EXPECT_EQ(io->ReadLn(), u"y");
  io->SetPassThrough(true);
  EXPECT_EQ(SocketTimeoutMs(*io, SO_RCVTIMEO), 0);
  EXPECT_EQ(io->ReadLn(), u"plain");
  io->Close();
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_EQ(server.Connections()[0].PlainReceived, "STARTTLS\r\n");
  EXPECT_EQ(server.Connections()[0].Received, "x\r\n");

  // Without a context there is nothing to switch on.
  TTestTLSServer plainServer(options, EchoBehaviour());
  TIdSSLIOHandlerSocketOpenSSL bare;
  bare.SetHost(u"127.0.0.1");
  bare.SetPort(plainServer.Port());
  bare.Open();
  bare.SetSSLContext(nullptr);
  std::u16string msg =
      MessageOf<EIdOSSLCouldNotLoadSSLLibrary>([&] { bare.SetPassThrough(false); });
  EXPECT_EQ(msg, u"Could not load SSL library.");
}

TEST(TIdSSLIOHandlerSocketOpenSSL, TransportErrorTranslation) {
  TTestTLSServer server({}, EchoBehaviour());
  TProbeHandler io;
  io.SetPassThrough(false);
  io.SSLOptions().SetMethod(sslvTLSv1_2);
  io.SetHost(u"localhost");
  io.SetPort(server.Port());
  io.Open();
  // A failed call without a library error is a socket failure: the closing ones and the
  // time-out are returned, anything else raised as the socket error.
  errno = ECONNRESET;
  EXPECT_EQ(io.TranslateTransportError(-1), 10054);
  errno = ETIMEDOUT;
  EXPECT_EQ(io.TranslateTransportError(-1), 10060);
  errno = EACCES;
  try {
    io.TranslateTransportError(-1);
    ADD_FAILURE() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10013);
  }
  // A library error is its own kind.
  ERR_raise(ERR_LIB_SSL, SSL_R_BAD_LENGTH);
  EXPECT_THROW(io.TranslateTransportError(-1), EIdOSSLUnderlyingCryptoError);
  EXPECT_EQ(ERR_peek_error(), 0u);
  // Raising: the closing numbers as socket errors, others as TLS errors.
  for (int closing : {10053, 10054, 10058}) {
    try {
      io.RaiseTransportError(closing);
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), closing);
    }
  }
  std::u16string msg = MessageOf<EIdOpenSSLAPISSLError>([&] { io.RaiseTransportError(10060); });
  EXPECT_EQ(msg, u"Socket Error # 10060\r\nConnection timed out.");
}

TEST(TIdSSLIOHandlerSocketOpenSSL, CloneCopiesOptionsAndCallsBack) {
  TIdSSLIOHandlerSocketOpenSSL io;
  io.SSLOptions().SetMethod(sslvTLSv1_3);
  io.SSLOptions().SetCipherList(u"ECDHE");
  io.ALPNProtocols().Add(u"h2");
  io.SetURIToCheck(u"https://example.test/");
  int asked = 0;
  io.OnGetPassword = [&](std::u16string& VPassword) {
    ++asked;
    VPassword = u"pw";
  };
  auto clone = io.Clone();
  auto* c = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(clone.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->SSLOptions().Method(), sslvTLSv1_3);
  EXPECT_EQ(c->SSLOptions().CipherList(), u"ECDHE");
  EXPECT_EQ(c->ALPNProtocols()[0], u"h2");
  EXPECT_EQ(c->URIToCheck(), u"https://example.test/");
  EXPECT_FALSE(static_cast<bool>(c->OnVerifyPeer));
  std::u16string pw;
  c->OnGetPassword(pw);
  EXPECT_EQ(pw, u"pw");
  EXPECT_EQ(asked, 1);
  io.SSLOptions().SetMethod(sslvTLSv1_2);
  EXPECT_EQ(c->SSLOptions().Method(), sslvTLSv1_3) << "the options are a copy";
}
