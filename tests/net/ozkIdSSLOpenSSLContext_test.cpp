#include "net/ozkIdSSLOpenSSLContext.h"

#include <gtest/gtest.h>

#include "support/ozkTestUtil.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "base/ozkText.h"
#include "net/ozkIdSSLOpenSSL.h"
#include "support/ozkTestTLS.h"

using namespace ozktest;

namespace {

std::unique_ptr<TIdSSLContext> ClientContext(const std::u16string& ARootCertFile,
                                             const std::u16string& AVerifyDirs = u"") {
  auto ctx = std::make_unique<TIdSSLContext>();
  ctx->Settings.Method = sslvTLSv1_2;
  ctx->Settings.RootCertFile = ARootCertFile;
  ctx->Settings.VerifyDirs = AVerifyDirs;
  ctx->SetUpContext(sslCtxClient);
  return ctx;
}

X509_STORE* StoreOf(const TIdSSLContext& AContext) {
  return SSL_CTX_get_cert_store(AContext.Context());
}

bool Trusts(X509_STORE* AStore, const TTestCertificate& ACert) {
  STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(AStore);
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
    X509* x = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i));
    if (x && X509_cmp(x, ACert.X509()) == 0) return true;
  }
  return false;
}

// Rewrites a file and gives it a modification time of its own, so that a change is visible
// even within one tick of the file system's clock.
void Rewrite(const TTestTempDir& ADir, const std::string& AName, const std::string& AData,
             time_t AMTime) {
  std::u16string path = ADir.WriteFile(AName, AData);
  timespec times[2] = {{AMTime, 0}, {AMTime, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, UTF16ToUTF8(path).c_str(), times, 0), 0);
}

} // namespace

TEST(TIdSSLContext, ComposedTrustStoresAreSharedPerRootFileAndFolders) {
  const TTestPKI& pki = TTestPKI::Get();
  TTestTempDir dir;
  Rewrite(dir, "root.pem", pki.CA.CertPEM(), 1000000000);
  const std::u16string root = UTF8ToUTF16(dir.Path() + "/root.pem");

  auto a = ClientContext(root);
  auto b = ClientContext(root);
  EXPECT_EQ(StoreOf(*a), StoreOf(*b));
  EXPECT_TRUE(Trusts(StoreOf(*a), pki.CA));
  EXPECT_NE(StoreOf(*a), StoreOf(*ClientContext(u""))) << "the plain default store stays apart";
  auto withDirs = ClientContext(root, UTF8ToUTF16(dir.Path()));
  EXPECT_NE(StoreOf(*withDirs), StoreOf(*a));
  EXPECT_EQ(StoreOf(*ClientContext(root, UTF8ToUTF16(dir.Path()))), StoreOf(*withDirs));
  EXPECT_EQ(StoreOf(*ClientContext(u"", UTF8ToUTF16(dir.Path()))),
            StoreOf(*ClientContext(u"", UTF8ToUTF16(dir.Path()))));

  // Another file content (new size and time) is read again; contexts made before keep theirs.
  Rewrite(dir, "root.pem", pki.CA.CertPEM() + pki.Intermediate.CertPEM(), 1000000100);
  auto c = ClientContext(root);
  EXPECT_NE(StoreOf(*c), StoreOf(*a));
  EXPECT_TRUE(Trusts(StoreOf(*c), pki.Intermediate));
  EXPECT_FALSE(Trusts(StoreOf(*a), pki.Intermediate));
  EXPECT_EQ(StoreOf(*ClientContext(root)), StoreOf(*c));
  // Same content, only a new modification time: read again as well.
  Rewrite(dir, "root.pem", pki.CA.CertPEM() + pki.Intermediate.CertPEM(), 1000000200);
  EXPECT_NE(StoreOf(*ClientContext(root)), StoreOf(*c));

  // Failures raise the same error every time and are not remembered as successes.
  Rewrite(dir, "root.pem", "not a certificate", 1000000300);
  std::u16string bad = MessageOf<EIdOSSLLoadingRootCertError>([&] { ClientContext(root); });
  EXPECT_TRUE(StartsText(u"Could not load root certificate.\r\nerror:", bad)) << UTF16ToUTF8(bad);
  EXPECT_EQ(MessageOf<EIdOSSLLoadingRootCertError>([&] { ClientContext(root); }), bad);
  const std::u16string missing = UTF8ToUTF16(dir.Path() + "/missing.pem");
  std::u16string gone = MessageOf<EIdOSSLLoadingRootCertError>([&] { ClientContext(missing); });
  EXPECT_NE(gone.find(u"No such file or directory"), std::u16string::npos) << UTF16ToUTF8(gone);
  EXPECT_EQ(MessageOf<EIdOSSLLoadingRootCertError>([&] { ClientContext(missing); }), gone);
  EXPECT_EQ(ERR_peek_error(), 0u);
  Rewrite(dir, "root.pem", pki.CA.CertPEM(), 1000000400);
  EXPECT_TRUE(Trusts(StoreOf(*ClientContext(root)), pki.CA)) << "a repaired file is used";
}

// What the cached store trusts decides the handshake: replacing the root file changes the
// verdict for the next connection.
TEST(TIdSSLContext, HandshakesTrustWhatTheRootFileHoldsNow) {
  const TTestPKI& pki = TTestPKI::Get();
  TTestTLSServer server({}, EchoBehaviour());
  TTestTempDir dir;
  const std::u16string root = UTF8ToUTF16(dir.Path() + "/root.pem");
  auto connect = [&] {
    TIdSSLIOHandlerSocketOpenSSL io;
    io.SetPassThrough(false);
    io.SSLOptions().SetMethod(sslvTLSv1_2);
    io.SSLOptions().SetMode(sslmClient);
    io.SSLOptions().SetRootCertFile(root);
    io.SSLOptions().SetVerifyMode({sslvrfPeer});
    io.SSLOptions().SetVerifyDepth(5);
    io.SetReadTimeout(5000);
    io.SetHost(u"localhost");
    io.SetPort(server.Port());
    try {
      io.Open();
    } catch (const EIdOpenSSLError&) {
      return false;
    }
    io.Close();
    return true;
  };
  Rewrite(dir, "root.pem", pki.CA.CertPEM(), 1000000000);
  EXPECT_TRUE(connect());
  EXPECT_TRUE(connect());
  Rewrite(dir, "root.pem", pki.SelfSigned.CertPEM(), 1000000100);
  EXPECT_FALSE(connect()) << "the test CA is no longer trusted";
  Rewrite(dir, "root.pem", pki.CA.CertPEM(), 1000000200);
  EXPECT_TRUE(connect());
}
