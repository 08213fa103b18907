#include "net/ozkSocket_Classes.h"

#include <gtest/gtest.h>

#include "base/ozkException.h"

namespace {

void FillOpenSSL(TozkSocketOpenSSL_Options& o) {
  o.SetAPIVersion(oslAPI_3_0);
  o.SetLibPath(oslpCustomPath);
  o.SetLibPathCustom(u"/opt/ssl");
  o.SetCurveList(u"P-256:X25519");
  o.SetUnixSymLinks(oslsSymLinksLoad);
  o.SetVersionMin(tls1_1);
  o.LegacyProvider().SetEnabled(true);
  o.LegacyProvider().SetLibPath(oslpCustomPath);
  o.LegacyProvider().SetLibPathCustom(u"/opt/legacy");
}

void FillTLS(TozkSocketTLS_Options& o) {
  o.SetCertFile(u"c.pem");
  o.SetKeyFile(u"k.pem");
  o.SetPassword(u"secret");
  o.SetRootCertFile(u"root.pem");
  o.SetVerifyCertificate(true);
  o.SetVerifyDepth(4);
  o.SetVersion(tls1_3);
  o.SetIOHandler(iohSChannel);
  o.ALPNProtocols().Add(u"h2");
  o.ALPNProtocols().Add(u"http/1.1");
  FillOpenSSL(o.OpenSSL_Options());
  o.SChannel_Options().SetCertHash(u"ABCD");
  o.SChannel_Options().SetUseLegacyCredentials(true);
}

} // namespace

TEST(TozkSocketTLS_Options, DefaultsOfTheOptionClasses) {
  TozkTCPTLS_Options o;
  EXPECT_TRUE(o.CertFile().empty() && o.KeyFile().empty() && o.Password().empty() &&
              o.RootCertFile().empty());
  EXPECT_FALSE(o.VerifyCertificate());
  EXPECT_EQ(o.VerifyDepth(), 0);
  EXPECT_EQ(o.Version(), tlsUndefined);
  EXPECT_EQ(o.IOHandler(), iohOpenSSL);
  EXPECT_EQ(o.ALPNProtocols().Count(), 0);
  const auto& ssl = o.OpenSSL_Options();
  EXPECT_EQ(ssl.APIVersion(), oslAPI_1_0);
  EXPECT_EQ(ssl.LibPath(), oslpNone);
  EXPECT_EQ(ssl.UnixSymLinks(), oslsSymLinksDefault);
  EXPECT_EQ(ssl.VersionMin(), tlsUndefined);
  EXPECT_FALSE(ssl.LegacyProvider().Enabled());
  EXPECT_EQ(ssl.LegacyProvider().LibPath(), oslpNone);
}

TEST(TozkSocketTLS_Options, AssignCopiesBaseValuesALPNAndOpenSSLButNotSChannel) {
  TozkSocketTLS_Options src;
  FillTLS(src);
  TozkTCPTLS_Options dst;
  dst.Assign(src);
  EXPECT_EQ(dst.CertFile(), u"c.pem");
  EXPECT_EQ(dst.KeyFile(), u"k.pem");
  EXPECT_EQ(dst.Password(), u"secret");
  EXPECT_EQ(dst.RootCertFile(), u"root.pem");
  EXPECT_TRUE(dst.VerifyCertificate());
  EXPECT_EQ(dst.VerifyDepth(), 4);
  EXPECT_EQ(dst.Version(), tls1_3);
  EXPECT_EQ(dst.IOHandler(), iohSChannel);
  EXPECT_EQ(dst.ALPNProtocols().Text(), u"h2\r\nhttp/1.1\r\n");
  EXPECT_EQ(dst.OpenSSL_Options().APIVersion(), oslAPI_3_0);
  EXPECT_EQ(dst.OpenSSL_Options().LibPathCustom(), u"/opt/ssl");
  EXPECT_EQ(dst.OpenSSL_Options().VersionMin(), tls1_1);
  // The legacy-provider options travel only through their own setter.
  EXPECT_FALSE(dst.OpenSSL_Options().LegacyProvider().Enabled());
  EXPECT_TRUE(dst.SChannel_Options().CertHash().empty());

  // Deep copy: changing the source afterwards leaves the copy alone.
  src.ALPNProtocols().Clear();
  src.OpenSSL_Options().SetCurveList(u"X448");
  EXPECT_EQ(dst.ALPNProtocols().Count(), 2);
  EXPECT_EQ(dst.OpenSSL_Options().CurveList(), u"P-256:X25519");

  // A plain base object copies its seven values only.
  TozkSocketTLS_Options_Base base;
  base.SetCertFile(u"other.pem");
  base.SetVersion(tls1_0);
  dst.Assign(base);
  EXPECT_EQ(dst.CertFile(), u"other.pem");
  EXPECT_EQ(dst.Version(), tls1_0);
  EXPECT_EQ(dst.IOHandler(), iohSChannel);
  EXPECT_EQ(dst.ALPNProtocols().Count(), 2);

  TozkSocketTLS_Options_Base base2;
  base2.Assign(src);
  EXPECT_EQ(base2.Password(), u"secret");
}

TEST(TozkSocketTLS_Options, SubObjectCopyRulesAndForeignSources) {
  TozkOpenSSLClient_Options src;
  FillOpenSSL(src);
  TozkSocketOpenSSL_Options dst;
  dst.Assign(src);
  EXPECT_EQ(dst.APIVersion(), oslAPI_3_0);
  EXPECT_EQ(dst.LibPath(), oslpCustomPath);
  EXPECT_EQ(dst.LibPathCustom(), u"/opt/ssl");
  EXPECT_EQ(dst.CurveList(), u"P-256:X25519");
  EXPECT_EQ(dst.UnixSymLinks(), oslsSymLinksLoad);
  EXPECT_EQ(dst.VersionMin(), tls1_1);
  EXPECT_FALSE(dst.LegacyProvider().Enabled());
  dst.SetLegacyProvider(src.LegacyProvider());
  EXPECT_TRUE(dst.LegacyProvider().Enabled());
  EXPECT_EQ(dst.LegacyProvider().LibPath(), oslpCustomPath);
  EXPECT_EQ(dst.LegacyProvider().LibPathCustom(), u"/opt/legacy");

  TozkSChannelClient_Options sc1, sc2;
  sc1.SetCertHash(u"01");
  sc1.SetCertStoreName(u"MY");
  sc1.SetCertStorePath(u"CurrentUser");
  sc1.SetCipherList(u"AES");
  sc1.SetUseLegacyCredentials(true);
  sc2.Assign(sc1);
  EXPECT_EQ(sc2.CertHash(), u"01");
  EXPECT_EQ(sc2.CertStoreName(), u"MY");
  EXPECT_EQ(sc2.CertStorePath(), u"CurrentUser");
  EXPECT_EQ(sc2.CipherList(), u"AES");
  EXPECT_TRUE(sc2.UseLegacyCredentials());

  // Setters of sub-objects copy; they keep no reference to the argument.
  TozkSocketTLS_Options tls;
  {
    TStringList alpn{u"h2"};
    tls.SetALPNProtocols(alpn);
    tls.SetSChannel_Options(sc1);
  }
  EXPECT_EQ(tls.ALPNProtocols()[0], u"h2");
  EXPECT_EQ(tls.SChannel_Options().CipherList(), u"AES");

  // Unrelated classes are refused with the base message.
  EXPECT_THROW(dst.Assign(sc1), EConvertError);
  EXPECT_THROW(sc1.Assign(dst), EConvertError);
  EXPECT_THROW(tls.Assign(dst), EConvertError);
  EXPECT_THROW(dst.LegacyProvider().Assign(tls), EConvertError);
}
